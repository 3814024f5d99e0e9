// The demo's screenshot mode: the About box, then the main window's three views, each
// written as a bitmap of the window into a folder, after which the program ends. Message
// boxes do not wait for anyone in this mode: their text goes to the standard error.
#pragma once

#include <windows.h>

#include <string>

#include "forms/ui/desktop.h"
#include "forms/ui/seams.h"

namespace forms {
class Program;
}

namespace app {

// Writes the window as it stands on the screen as a 24-bit BMP file. False on failure.
bool SaveWindowBitmap(HWND window, const std::wstring& path);

class PrintedMessageBoxes : public ui::MessageBoxes {
  public:
    void Show(HWND owner, const std::string& text, const std::string& title,
              shared::MessageIcon icon) override;
};

// Shows a modal form, lets it paint, writes it to "about.bmp" (then "modal2.bmp", ...) in
// the folder and unloads it.
class ScreenshotModalRunner : public ui::ModalRunner {
  public:
    explicit ScreenshotModalRunner(std::wstring folder) : folder_(std::move(folder)) {}
    void Run(ui::Form& form) override;

  private:
    std::wstring folder_;
    int shown_ = 0;
};

// After the logon: the main window's farm, applications and servers views into
// farm.bmp, applications.bmp and servers.bmp (or the logon dialog into login.bmp when the
// main window did not open), then every form unloaded.
void CaptureMainViews(forms::Program& program, const std::wstring& folder);

}  // namespace app
