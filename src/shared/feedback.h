// What the procedures of Shared need of the main window while they run: its progress bar, its
// status line and repaints; what they did is their outcome. The main window implements it;
// tests record it.
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
};

// Feedback with no window (the command line, benchmarks): keeps the progress value, shows
// nothing.
class QuietFeedback : public Feedback {
  public:
    float ProgressValue() override { return progress_; }
    void SetProgressValue(float value) override { progress_ = value; }
    void SetProgressVisible(bool) override {}
    void SetStatusCaption(const std::string&) override {}
    void SetStatusVisible(bool) override {}
    void RepaintStatus() override {}
    void RepaintMain() override {}

  private:
    float progress_ = 0;
};

}  // namespace shared
