// The dll's classes under the classes root (their CLSIDs: class_ids.h).
#pragma once

#include <string>

namespace labcom {

// Writes ProgID and CLSID keys for every class, InprocServer32 = dllPath (Apartment), under
// HKEY_CLASSES_ROOT, or under HKEY_CURRENT_USER\Software\Classes where that is refused.
// When a ProgID under either root names a CLSID other than ours (another server's object
// model), writes nothing and raises farm::FarmError(HRESULT_FROM_WIN32(
// ERROR_CLASS_ALREADY_EXISTS)) whose text names the ProgID and that CLSID.
void RegisterClasses(const std::wstring& dllPath);
// Removes our CLSID keys and the ProgID keys that name them from both places; a ProgID
// that names another CLSID stays.
void UnregisterClasses();

// Installs the demo farms missing from the store and points the workstation at the demo
// farm when it is pointed at none yet.
void PrepareDemo();

}  // namespace labcom
