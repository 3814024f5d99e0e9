// The dll's classes: their CLSIDs and their entries under the classes root.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "farm/mfcom/members.h"

namespace labcom {

// The class a CLSID names, if it is one of ours.
std::optional<mfcom::Creatable> ClassOf(REFCLSID clsid);
const CLSID& ClsidOf(mfcom::Creatable creatable);

// Writes ProgID and CLSID keys for every class, InprocServer32 = dllPath (Apartment), under
// HKEY_CLASSES_ROOT, or under HKEY_CURRENT_USER\Software\Classes where that is refused.
void RegisterClasses(const std::wstring& dllPath);
// Removes those keys from both places.
void UnregisterClasses();

// Installs the demo farms missing from the store and points the workstation at the demo
// farm when it is pointed at none yet.
void PrepareDemo();

}  // namespace labcom
