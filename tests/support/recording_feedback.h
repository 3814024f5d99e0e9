// A Feedback that records what the procedures show, for tests.
#pragma once

#include <string>
#include <vector>

#include "shared/feedback.h"

namespace testing_support {

struct ShownMessage {
    std::string text;
    std::string title;
    shared::MessageIcon icon;
};

class RecordingFeedback : public shared::Feedback {
  public:
    float ProgressValue() override { return progress; }
    void SetProgressValue(float value) override {
        progress = value;
        progressHistory.push_back(value);
    }
    void SetProgressVisible(bool visible) override { progressVisible = visible; }
    void SetStatusCaption(const std::string& caption) override {
        status = caption;
        statusHistory.push_back(caption);
    }
    void SetStatusVisible(bool visible) override { statusVisible = visible; }
    void RepaintStatus() override { ++statusRepaints; }
    void RepaintMain() override { ++mainRepaints; }
    void ShowMessage(const std::string& text, const std::string& title,
                     shared::MessageIcon icon) override {
        messages.push_back({text, title, icon});
    }

    float progress = 0;
    bool progressVisible = false;
    std::vector<float> progressHistory;
    std::string status;
    bool statusVisible = false;
    std::vector<std::string> statusHistory;
    int statusRepaints = 0;
    int mainRepaints = 0;
    std::vector<ShownMessage> messages;
};

}  // namespace testing_support
