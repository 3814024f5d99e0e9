#include "lab/com/registration.h"

#include <windows.h>

#include <oleauto.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "farm/farm.h"
#include "lab/com/class_ids.h"
#include "lab/com/workstation.h"
#include "lab/lab.h"
#include "win/com.h"
#include "win/registry.h"
#include "win/text.h"

// oleaut32 exports these; the mingw-w64 headers do not declare them.
extern "C" HRESULT WINAPI RegisterTypeLibForUser(ITypeLib* library, OLECHAR* path,
                                                 OLECHAR* helpDir);
extern "C" HRESULT WINAPI UnRegisterTypeLibForUser(REFGUID libraryId, WORD major, WORD minor,
                                                   LCID locale, SYSKIND kind);

namespace labcom {

namespace {

constexpr const wchar_t* kMachineClassesName = L"HKEY_CLASSES_ROOT";
constexpr const wchar_t* kUserClassesName = L"HKEY_CURRENT_USER\\Software\\Classes";
constexpr const wchar_t* kUserClassesPath = L"Software\\Classes";

std::wstring ClsidText(const CLSID& clsid) {
    wchar_t text[40] = {};
    StringFromGUID2(clsid, text, 40);
    return text;
}

std::wstring ClassKey(const mfcom::ProgIdEntry& entry) {
    return L"CLSID\\" + ClsidText(ClsidOf(entry.creatable));
}

std::wstring Description(const mfcom::ProgIdEntry& entry) {
    return win::Widen(entry.progId) + L" (lab farm)";
}

// A value written for a class: its key below the classes root, its name ("" = default).
struct ClassValue {
    std::wstring key;
    std::wstring name;
    std::wstring text;
};

// Everything registration writes for one class. All of it lies below the ProgID key and
// the class key, which unregistration removes whole.
std::vector<ClassValue> ClassValues(const mfcom::ProgIdEntry& entry, const std::wstring& dllPath) {
    const std::wstring progId = win::Widen(entry.progId);
    const std::wstring classKey = ClassKey(entry);
    const std::wstring server = classKey + L"\\InprocServer32";
    return {
        {progId, L"", Description(entry)},
        {progId + L"\\CLSID", L"", ClsidText(ClsidOf(entry.creatable))},
        {classKey, L"", Description(entry)},
        {server, L"", dllPath},
        {server, L"ThreadingModel", L"Apartment"},
        {classKey + L"\\ProgID", L"", progId},
        {classKey + L"\\TypeLib", L"", ClsidText(kTypeLibraryId)},
    };
}

// A classes root the ProgIDs may live under; key is null when it cannot be opened.
struct ClassesRoot {
    HKEY key;
    const wchar_t* name;
};

// For reading and, where allowed, deleting below it; empty when the key is missing.
win::RegKey OpenUserClasses() {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kUserClassesPath, 0, KEY_READ | KEY_WRITE | DELETE,
                      &opened) == ERROR_SUCCESS) {
        return win::RegKey(opened);
    }
    return win::RegKey::Open(HKEY_CURRENT_USER, kUserClassesPath);
}

// The user's classes first: on Windows HKEY_CLASSES_ROOT shows them over the machine's.
std::array<ClassesRoot, 2> ClassesRoots(const win::RegKey& userClasses) {
    return {{{userClasses.Get(), kUserClassesName}, {HKEY_CLASSES_ROOT, kMachineClassesName}}};
}

// Where a ProgID key stands under a root.
struct ProgIdState {
    bool present = false;
    std::optional<std::wstring> clsid;  // its CLSID default value
};

ProgIdState ReadProgId(HKEY root, const std::wstring& progId) {
    ProgIdState state;
    win::RegKey key = win::RegKey::Open(root, progId);
    state.present = static_cast<bool>(key);
    if (state.present) {
        state.clsid = win::RegKey::Open(key.Get(), L"CLSID").ReadText(L"");
    }
    return state;
}

bool IsOwnClass(const ProgIdState& state, const mfcom::ProgIdEntry& entry) {
    CLSID clsid{};
    return state.clsid && SUCCEEDED(IIDFromString(state.clsid->c_str(), &clsid)) &&
           clsid == ClsidOf(entry.creatable);
}

struct ForeignProgId {
    std::wstring progId;
    const wchar_t* root;
    std::optional<std::wstring> clsid;
};

std::vector<ForeignProgId> FindForeignProgIds(const win::RegKey& userClasses) {
    std::vector<ForeignProgId> found;
    for (const auto& entry : mfcom::kProgIds) {
        const std::wstring progId = win::Widen(entry.progId);
        for (const ClassesRoot& root : ClassesRoots(userClasses)) {
            if (!root.key) {
                continue;
            }
            ProgIdState state = ReadProgId(root.key, progId);
            if (state.present && !IsOwnClass(state, entry)) {
                found.push_back({progId, root.name, state.clsid});
                break;
            }
        }
    }
    return found;
}

std::string RefusalText(const std::vector<ForeignProgId>& foreign) {
    const ForeignProgId& first = foreign.front();
    std::wstring text = first.progId + L" in " + first.root + L" belongs to another server (" +
                        (first.clsid ? L"CLSID " + *first.clsid : std::wstring(L"no CLSID")) + L")";
    if (const size_t more = foreign.size() - 1; more == 1) {
        text += L"; so does 1 more MetaFrameCOM ProgID";
    } else if (more > 1) {
        text += L"; so do " + std::to_wstring(more) + L" more MetaFrameCOM ProgIDs";
    }
    return win::Narrow(text + L"; the registry is unchanged.");
}

void DeleteTree(HKEY root, const std::wstring& path) {
    RegDeleteTreeW(root, path.c_str());  // a key that is not there is fine
}

// The type library bound into the dll, registered for the machine or, where the machine's
// classes cannot be written, for the user.
void RegisterTypeLibrary(const std::wstring& dllPath, bool forMachine) {
    win::ComPtr<ITypeLib> library;
    win::Check(LoadTypeLibEx(dllPath.c_str(), REGKIND_NONE, library.Put()));
    std::wstring path = dllPath;
    win::Check(forMachine ? RegisterTypeLib(library.Get(), path.data(), nullptr)
                          : RegisterTypeLibForUser(library.Get(), path.data(), nullptr));
}

}  // namespace

void RegisterClasses(const std::wstring& dllPath) {
    win::RegKey userClasses = OpenUserClasses();
    if (auto foreign = FindForeignProgIds(userClasses); !foreign.empty()) {
        throw farm::FarmError(HRESULT_FROM_WIN32(ERROR_CLASS_ALREADY_EXISTS), RefusalText(foreign));
    }
    // Without the right to write the machine's classes, the user's own classes serve.
    HKEY root = HKEY_CLASSES_ROOT;
    win::RegKey probe;
    win::RegKey writableUserClasses;
    if (win::RegKey::TryCreate(HKEY_CLASSES_ROOT, L"CLSID", probe) != ERROR_SUCCESS) {
        writableUserClasses = win::RegKey::Create(HKEY_CURRENT_USER, kUserClassesPath);
        root = writableUserClasses.Get();
    }
    for (const auto& entry : mfcom::kProgIds) {
        for (const ClassValue& value : ClassValues(entry, dllPath)) {
            win::RegKey::Create(root, value.key).WriteText(value.name, value.text);
        }
    }
    RegisterTypeLibrary(dllPath, root == HKEY_CLASSES_ROOT);
}

void UnregisterClasses() {
    // Not registered is fine: there is nothing to remove then.
    UnRegisterTypeLib(kTypeLibraryId, kTypeLibraryMajor, kTypeLibraryMinor, LOCALE_NEUTRAL,
                      SYS_WIN64);
    UnRegisterTypeLibForUser(kTypeLibraryId, kTypeLibraryMajor, kTypeLibraryMinor, LOCALE_NEUTRAL,
                             SYS_WIN64);
    win::RegKey userClasses = OpenUserClasses();
    for (const ClassesRoot& root : ClassesRoots(userClasses)) {
        if (!root.key) {
            continue;
        }
        for (const auto& entry : mfcom::kProgIds) {
            const std::wstring progId = win::Widen(entry.progId);
            if (IsOwnClass(ReadProgId(root.key, progId), entry)) {
                DeleteTree(root.key, progId);
            }
            DeleteTree(root.key, ClassKey(entry));
        }
    }
}

void PrepareDemo() {
    lab::FarmStore store(StorePath());
    lab::InstallDemoFarms(store);
    if (!ReadSetting(kFarmValue)) {
        WriteSetting(kFarmValue, lab::kDemoFarm);
    }
}

}  // namespace labcom
