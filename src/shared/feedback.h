// What the procedures of Shared need of the main window: its progress bar, its status line,
// repaints and message boxes. The main window implements it; tests record it.
#pragma once

#include <string>

namespace shared {

enum class MessageIcon { Information, Warning, Critical };

class Feedback {
public:
    virtual ~Feedback() = default;
    virtual float ProgressValue() = 0;
    virtual void SetProgressValue(float value) = 0;
    virtual void SetProgressVisible(bool visible) = 0;
    virtual void SetStatusCaption(const std::string& caption) = 0;
    virtual void SetStatusVisible(bool visible) = 0;
    virtual void RepaintStatus() = 0;
    virtual void RepaintMain() = 0;
    // A modal message box with one OK button.
    virtual void ShowMessage(const std::string& text, const std::string& title,
                             MessageIcon icon) = 0;
};

}  // namespace shared
