// Message boxes that record what they were asked to show and answer at once, for the form
// tests.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "forms/ui/seams.h"
#include "support/recording_feedback.h"

namespace testing_support {

class RecordingBoxes : public ui::MessageBoxes {
  public:
    void Show(HWND, const std::string& text, const std::string& title,
              shared::MessageIcon icon) override {
        shown.push_back({text, title, icon});
        if (whileShown) {
            whileShown();
        }
    }
    std::vector<ShownMessage> shown;
    // Runs while a box is up, as the user's answer would (a box is modal).
    std::function<void()> whileShown;
};

}  // namespace testing_support
