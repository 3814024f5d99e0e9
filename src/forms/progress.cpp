#include "forms/progress.h"

namespace forms {

void RunWithProgress(ui::ProgressBar& bar, int32_t count,
                     const std::function<void(int32_t index)>& step) {
    bar.SetValue(0);
    bar.SetVisible(true);
    double progress = 0;
    for (int32_t i = 0; i < count; ++i) {
        progress += 99.0 / count;
        bar.SetValue(static_cast<float>(progress));
        step(i);
    }
}

void ResetProgress(ui::ProgressBar& bar) {
    bar.SetValue(0);
    bar.SetVisible(false);
}

}  // namespace forms
