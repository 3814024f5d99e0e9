// A line for the person who registers the dll. regsvr32 shows only the HRESULT, so the
// dll says why itself: on the process's standard error when it has one (a console or a
// redirected file or pipe), otherwise in the Application event log (source "labfarm").
#pragma once

#include <string_view>

namespace labcom {

// Throws only what building the text throws (std::bad_alloc, FarmError for bad UTF-8).
void WriteNotice(std::string_view utf8Line);

}  // namespace labcom
