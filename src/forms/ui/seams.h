// The platform services the forms use, each behind a small interface so that a test can
// answer it without a modal loop: message boxes, the common file dialog and starting a
// program. Real implementations follow each interface.
#pragma once

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>

#include "shared/feedback.h"

namespace ui {

// A modal message box with one OK button.
class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    virtual void Show(HWND owner, const std::string& text, const std::string& title,
                      shared::MessageIcon icon) = 0;
};

class Win32MessageBoxes : public MessageBoxes {
  public:
    void Show(HWND owner, const std::string& text, const std::string& title,
              shared::MessageIcon icon) override;
};

// What one showing of the file dialog asks for. `filter` is in the "Description|pattern"
// form, pairs joined by "|".
struct FileDialogRequest {
    HWND owner = nullptr;
    bool save = false;
    std::string title;
    std::string filter;
    std::string initialFolder;
    std::string fileName;  // proposed name, or the full path last chosen
};

class FileDialogs {
  public:
    virtual ~FileDialogs() = default;
    // The full path chosen, or nothing when the user cancelled.
    virtual std::optional<std::string> Show(const FileDialogRequest& request) = 0;
};

class Win32FileDialogs : public FileDialogs {
  public:
    std::optional<std::string> Show(const FileDialogRequest& request) override;
};

// A program to start: `program` is the executable's full path (it is never searched for),
// `commandLine` the whole command line the program receives.
struct LaunchRequest {
    std::string program;
    std::string commandLine;
};

class ProcessLauncher {
  public:
    virtual ~ProcessLauncher() = default;
    // Starts the program minimised with the focus and waits until it ends or the time limit
    // passes (then it is left running). A program that cannot be started throws
    // base::Error (53 when it is missing). The real one handles the thread's
    // messages while it waits: the windows repaint and answer (see ui::BusyForm for keeping
    // the user's clicks out meanwhile).
    virtual void Run(const LaunchRequest& request, std::chrono::milliseconds timeLimit) = 0;
};

class Win32ProcessLauncher : public ProcessLauncher {
  public:
    void Run(const LaunchRequest& request, std::chrono::milliseconds timeLimit) override;
};

// "Description|pattern|..." as the platform's file dialog wants it: pairs separated by NULs,
// ending in two NULs.
std::wstring DialogFilter(const std::string& filter);
// A command line's program part, quoted when the path holds a blank or a tab.
std::string QuoteProgram(const std::string& program);

}  // namespace ui
