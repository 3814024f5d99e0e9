#include "lab/com/registration.h"

#include <array>
#include <filesystem>

#include "farm/mfcom/com.h"
#include "lab/com/registry.h"
#include "lab/com/workstation.h"
#include "lab/lab.h"

namespace labcom {

namespace {

// In the order of mfcom::Creatable.
constexpr std::array<CLSID, mfcom::kProgIds.size()> kClsids{{
    {0xfaac5d64, 0x2978, 0x4672, {0xac, 0x96, 0x21, 0xf9, 0x96, 0x24, 0x22, 0x21}},  // Farm
    {0xc96414dc, 0x2880, 0x4fa8, {0x91, 0xb8, 0x0b, 0xb7, 0xee, 0x05, 0x48, 0x47}},  // Server
    {0xbd0750b1, 0x13bc, 0x4a3c, {0x97, 0x29, 0x3c, 0x19, 0xdf, 0x39, 0x01, 0xfc}},  // Application
    {0x47a3d44d, 0x8b63, 0x425c, {0xb6, 0x8e, 0xb1, 0x81, 0x7c, 0xae, 0xf5, 0x0e}},  // Folder
    {0xe7f12b31, 0x54ff, 0x4d08, {0xb2, 0xe7, 0xe9, 0x99, 0xdd, 0xf7, 0x26, 0xda}},  // Binding
    {0xe1ee1536, 0xe8fd, 0x4721, {0x8e, 0x8d, 0xb6, 0x5d, 0xfd, 0xe8, 0x65, 0x07}},  // User
    {0x94d6e886, 0x4025, 0x4fd5, {0x93, 0xc3, 0xd6, 0xff, 0x5d, 0x38, 0x3f, 0x4e}},  // Group
    {0xa56de47b, 0xedd2, 0x42a2, {0xb7, 0xac, 0x40, 0xca, 0x54, 0xde, 0x5e, 0x0e}},  // Credential
}};

std::wstring ClsidText(const CLSID& clsid) {
    wchar_t text[40] = {};
    StringFromGUID2(clsid, text, 40);
    return text;
}

std::wstring Description(const mfcom::ProgIdEntry& entry) {
    return mfcom::Widen(entry.progId) + L" (lab farm)";
}

void WriteClass(HKEY root, const mfcom::ProgIdEntry& entry, const std::wstring& dllPath) {
    const std::wstring progId = mfcom::Widen(entry.progId);
    const std::wstring clsid = ClsidText(ClsidOf(entry.creatable));
    RegKey::Create(root, progId).WriteText(L"", Description(entry));
    RegKey::Create(root, progId + L"\\CLSID").WriteText(L"", clsid);
    const std::wstring classKey = L"CLSID\\" + clsid;
    RegKey::Create(root, classKey).WriteText(L"", Description(entry));
    RegKey server = RegKey::Create(root, classKey + L"\\InprocServer32");
    server.WriteText(L"", dllPath);
    server.WriteText(L"ThreadingModel", L"Apartment");
    RegKey::Create(root, classKey + L"\\ProgID").WriteText(L"", progId);
}

void DeleteTree(HKEY root, const std::wstring& path) {
    RegDeleteTreeW(root, path.c_str());  // a key that is not there is fine
}

}  // namespace

std::optional<mfcom::Creatable> ClassOf(REFCLSID clsid) {
    for (size_t i = 0; i < kClsids.size(); ++i) {
        if (clsid == kClsids[i]) {
            return static_cast<mfcom::Creatable>(i);
        }
    }
    return std::nullopt;
}

const CLSID& ClsidOf(mfcom::Creatable creatable) {
    return kClsids[static_cast<size_t>(creatable)];
}

void RegisterClasses(const std::wstring& dllPath) {
    // Without the right to write the machine's classes, the user's own classes serve.
    HKEY root = HKEY_CLASSES_ROOT;
    RegKey probe;
    RegKey userClasses;
    if (RegKey::TryCreate(HKEY_CLASSES_ROOT, L"CLSID", probe) != ERROR_SUCCESS) {
        userClasses = RegKey::Create(HKEY_CURRENT_USER, L"Software\\Classes");
        root = userClasses.Get();
    }
    for (const auto& entry : mfcom::kProgIds) {
        WriteClass(root, entry, dllPath);
    }
}

void UnregisterClasses() {
    HKEY opened = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, KEY_ALL_ACCESS, &opened);
    RegKey userClasses(opened);
    for (const auto& entry : mfcom::kProgIds) {
        const std::wstring progId = mfcom::Widen(entry.progId);
        const std::wstring classKey = L"CLSID\\" + ClsidText(ClsidOf(entry.creatable));
        for (HKEY root : {HKEY_CLASSES_ROOT, userClasses.Get()}) {
            if (root) {
                DeleteTree(root, progId);
                DeleteTree(root, classKey);
            }
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
