// A Feedback that records what the procedures show, and the messages the windows show for
// their outcomes, for tests.
#pragma once

#include <string>
#include <vector>

#include "shared/feedback.h"
#include "shared/outcome.h"
#include "shared/shared.h"

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
    // Records the messages the main window shows for the outcome; hands the outcome back.
    shared::Outcome Show(shared::Outcome outcome) {
        for (shared::OutcomeMessage& message : shared::MessagesOf(outcome)) {
            messages.push_back({std::move(message.text), std::move(message.title), message.icon});
        }
        return outcome;
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

// The outcome of an operation run on `module`, its messages recorded where the module's
// feedback records them (as the main window would show them).
inline shared::Outcome Shown(shared::Shared& module, shared::Outcome outcome) {
    if (auto* recording = dynamic_cast<RecordingFeedback*>(&module.feedback)) {
        return recording->Show(std::move(outcome));
    }
    return outcome;
}

}  // namespace testing_support
