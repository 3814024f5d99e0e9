// The journal of restore records of the user running the program: %ZELT_JOURNAL% where that
// is set, else %LOCALAPPDATA%\zelttool\journal; the number of records kept from
// %LOCALAPPDATA%\zelttool\zelttool.ini (JournalRecords=N).
#pragma once

#include <optional>

#include "journal/journal.h"

namespace app {

// Nothing where the user has no local application data folder.
std::optional<journal::Journal> UserJournal();

}  // namespace app
