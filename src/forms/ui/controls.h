// The controls of the forms kit. Each wraps the platform's control of the same kind; it is
// created by its form's CreateControls (positions in twips) and keeps its window until the
// form is unloaded. Properties read and write the window itself, so what a test reads is
// what the user sees.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace ui {

class Form;

// A rectangle in twips, relative to the form's client area.
struct Twips {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

class Control {
  public:
    Control() = default;
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    HWND Handle() const { return window_; }
    int Id() const { return id_; }
    Form& Owner() const { return *form_; }

    bool Visible() const;
    void SetVisible(bool visible);
    bool Enabled() const;
    void SetEnabled(bool enabled);
    void Move(const Twips& bounds);
    // The control's rectangle in pixels, relative to the form's client area.
    RECT PixelBounds() const;
    std::string Text() const;
    void SetText(std::string_view text);
    void SetFocus();
    // Repaints the control now.
    void Refresh();

  protected:
    void CreateWindowFor(Form& form, const wchar_t* className, DWORD style, DWORD exStyle,
                         const Twips& bounds, std::string_view text, HFONT font);

  private:
    Form* form_ = nullptr;
    HWND window_ = nullptr;
    int id_ = 0;
};

enum class LabelFont { Dialog, Heading };

class Label : public Control {
  public:
    // Word-wrapped, left-aligned text; "&" is shown as it is.
    void Create(Form& form, const Twips& bounds, std::string_view caption,
                LabelFont font = LabelFont::Dialog);
    std::string Caption() const { return Text(); }
    void SetCaption(std::string_view caption) { SetText(caption); }
};

class TextBox : public Control {
  public:
    void Create(Form& form, const Twips& bounds, std::string_view text = {});
};

// A read-only text of many lines in a fixed-pitch face, with scroll bars: a report to read,
// select and copy.
class ReportText : public Control {
  public:
    void Create(Form& form, const Twips& bounds);
    // Lines end with CR LF, as the edit control shows them.
    void SetReport(std::string_view text) { SetText(text); }
};

class Button : public Control {
  public:
    void Create(Form& form, const Twips& bounds, std::string_view caption);
    // Presses the button as a click does: nothing when it is disabled.
    void Click();
};

enum class Selection { Single, Extended };

struct ListOptions {
    bool sorted = false;
    Selection selection = Selection::Single;
};

// A list box. Positions and counts are 16-bit: it holds at most 32,767 lines. Its height is a
// whole number of lines (at most the height asked for), so that no line shows cut.
class ListBox : public Control {
  public:
    static constexpr int16_t kMaxLines = 32767;

    void Create(Form& form, const Twips& bounds, ListOptions options);
    // Adds a line (in sorted place when sorted). A line beyond the 32,767th is refused with
    // error 6 (Overflow).
    void AddItem(std::string_view text);
    void RemoveItem(int16_t index);
    void Clear();
    int16_t ListCount() const;
    std::string List(int16_t index) const;
    // A single-selection list selects at most one line: selecting one deselects the other.
    bool Selected(int16_t index) const;
    void SetSelected(int16_t index, bool selected);
    // The current line (the caret in a multiple-selection list), -1 for none.
    int16_t ListIndex() const;
    void SetListIndex(int16_t index);
    bool MultiSelect() const { return options_.selection == Selection::Extended; }

    // Holds the list's painting while many lines are added: each line is in the list at
    // once, but the list (and its scroll bar) is painted once, when the last hold ends.
    class PaintHold {
      public:
        explicit PaintHold(ListBox& list);
        ~PaintHold();
        PaintHold(const PaintHold&) = delete;
        PaintHold& operator=(const PaintHold&) = delete;

      private:
        ListBox& list_;
    };

  private:
    ListOptions options_;
    int paintHolds_ = 0;
};

// A drop-down list whose lines carry a number (item data).
class ComboBox : public Control {
  public:
    void Create(Form& form, const Twips& bounds, int dropDownLines = 8);
    void AddItem(std::string_view text, int32_t itemData = 0);
    void Clear();
    int16_t ListCount() const;
    std::string List(int16_t index) const;
    int32_t ItemData(int16_t index) const;
    void SetItemData(int16_t index, int32_t itemData);
    int16_t ListIndex() const;  // -1 for none
    void SetListIndex(int16_t index);
};

// A progress bar of range 0 to 100 that keeps the value it is given (a single-precision
// number) and shows it rounded.
class ProgressBar : public Control {
  public:
    void Create(Form& form, const Twips& bounds);
    float Value() const { return value_; }
    void SetValue(float value);
    // The position the bar shows.
    int ShownPosition() const;

  private:
    float value_ = 0;
};

// An etched rule across the form: a grey line over a white one.
class EtchedLine : public Control {
  public:
    void Create(Form& form, int left, int top, int right);
};

// A picture box that shows an icon at its natural size.
class IconBox : public Control {
  public:
    void Create(Form& form, const Twips& bounds, HICON icon);
    HICON Icon() const;
};

}  // namespace ui
