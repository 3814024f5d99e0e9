// The system's text for an error code, the one FormatMessage wrapper of the program.
#pragma once

#include <windows.h>

#include <string>

namespace win {

// The system's text for a Win32 error code or an HRESULT, without its line end. Where the
// system has none: "Automation error 0x8004...." for a failure HRESULT, "Error N" for any
// other code.
std::string SystemMessage(DWORD code);

}  // namespace win
