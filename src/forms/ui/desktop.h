// What the kit keeps for the whole program: the busy pointer, the screen's DPI and the
// fonts, the count of loaded forms, the window class of the forms and the seams that every
// form may need (message boxes, the modal runner). One Desktop lives for the program's run;
// a test makes its own.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

#include "forms/ui/seams.h"
#include "win/handles.h"

namespace ui {

class Form;

// Shows a form modally: returns once the form is unloaded. The real one runs a message loop;
// a test's may answer the form at once.
class ModalRunner {
  public:
    virtual ~ModalRunner() = default;
    virtual void Run(Form& form) = 0;
};

// The real one: pumps messages (with the forms' keyboard handling) until the form is gone.
class MessageLoopModalRunner : public ModalRunner {
  public:
    void Run(Form& form) override;
};

// The forms' face at `points` for a screen of `dpi`: "MS Sans Serif", which the forms are laid
// out for, where it has that size; else the system's message face at that size. "MS Sans
// Serif" is a bitmap face with a few sizes only, and one stretched to another size draws its
// letters spread apart.
win::FontHandle CreateFormFont(int points, int dpi);
// The height of a font's em square in pixels: its cell height less the internal leading.
int EmHeight(HFONT font);

class Desktop {
  public:
    Desktop(MessageBoxes& messageBoxes, ModalRunner& modalRunner);
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    MessageBoxes& Boxes() { return boxes_; }
    ModalRunner& Modal() { return modal_; }

    // The hourglass for every form while set; the default pointer when cleared.
    void SetBusy(bool busy);
    bool IsBusy() const { return busy_; }

    // Twips (1440 per inch) to pixels at the screen's DPI: 15 twips a pixel at 96 DPI.
    int Dpi() const { return dpi_; }
    int Pixels(int twips) const;
    HFONT DialogFont() const { return dialogFont_.get(); }
    HFONT HeadingFont() const { return headingFont_.get(); }  // the forms' face at 18 pt

    int LoadedForms() const { return loadedForms_; }
    ATOM FormClass() const { return formClass_; }

    // Handles a message of the thread's queue before it is dispatched: a form's menu
    // shortcuts, its key hooks (KeyPreview) and Tab, Enter and Esc. True when it was handled.
    bool PreTranslate(MSG& msg);
    // Pumps the thread's messages until `done()` or WM_QUIT (which is posted again).
    void RunMessageLoop(const std::function<bool()>& done);
    // Handles what is queued now without waiting (tests, repaint before a screenshot).
    void DoEvents();

  private:
    friend class Form;
    void FormLoaded() { ++loadedForms_; }
    void FormUnloaded();

    MessageBoxes& boxes_;
    ModalRunner& modal_;
    bool busy_ = false;
    int dpi_ = 96;
    win::FontHandle dialogFont_;
    win::FontHandle headingFont_;
    int loadedForms_ = 0;
    ATOM formClass_ = 0;
};

}  // namespace ui
