// VARIANTs read and made as an automation client does, to and from the farm interface's
// values; the owners themselves are win/com.h's.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <cstdint>
#include <string>

#include "farm/farm.h"
#include "win/com.h"

namespace mfcom {

// Conversions as an automation client makes them. A VARIANT passed by reference is
// followed. Failures: FarmError with the runtime number (13 type mismatch, 6 overflow,
// 94 invalid use of Null).
int32_t ToNumber(const VARIANT& v);
std::string ToText(const VARIANT& v);
// Numbers (VT_BOOL as -1/0) and texts; Empty reads as the empty text.
farm::Value ToValue(const VARIANT& v);
win::Variant FromValue(const farm::Value& value);
// The object a VARIANT holds (VT_DISPATCH, or VT_UNKNOWN answering IDispatch); null when
// it holds none.
win::ComPtr<IDispatch> ToDispatch(const VARIANT& v);

}  // namespace mfcom
