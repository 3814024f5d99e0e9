// The farm interface check as the program runs it: with the settings its procedures reach by
// name, from the Help menu (the report in a window) and from the command line
// (zelttool.exe /check REPORT_FILE).
#pragma once

#include <string>
#include <vector>

#include "farm/mfcom/interface_check.h"

namespace app {

// The settings of the two Windows views the commands reach by name, from the procedures' own
// tables.
std::vector<mfcom::SettingNeed> SettingNeeds();

// Runs the check on this workstation (COM initialised by the caller).
mfcom::CheckReport RunFarmCheck();

// The exit codes of /check: every command ready, one is not, the check could not run.
inline constexpr int kCheckAllReady = 0;
inline constexpr int kCheckNotReady = 1;
inline constexpr int kCheckCouldNotRun = 2;

}  // namespace app
