// The progress bar of a dialog's run (clone, publish, unpublish, options): one loop for all.
#pragma once

#include <cstdint>
#include <functional>

#include "forms/ui/controls.h"

namespace forms {

// Shows `bar` at 0, then calls `step` with each index from 0 to count - 1, moving the bar
// by 99 divided by `count` before each call: one step ahead of the work, so that the bar
// stands at 99 while the last step runs. The bar stays where the run left it.
void RunWithProgress(ui::ProgressBar& bar, int32_t count,
                     const std::function<void(int32_t index)>& step);

// The bar back at 0 and hidden, after a run or a failure.
void ResetProgress(ui::ProgressBar& bar);

}  // namespace forms
