#include "farm/mfcom/type_library.h"

#include <utility>

#include "farm/mfcom/members.h"
#include "win/registry.h"
#include "win/system_message.h"
#include "win/text.h"

namespace mfcom {

namespace {

std::wstring GuidText(const GUID& guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

// The highest version registered for a type library.
std::optional<std::pair<WORD, WORD>> RegisteredVersion(const std::wstring& libid) {
    const win::RegKey key = win::RegKey::Open(HKEY_CLASSES_ROOT, L"TypeLib\\" + libid);
    if (!key) {
        return std::nullopt;
    }
    std::optional<std::pair<WORD, WORD>> best;
    wchar_t name[64];
    for (DWORD i = 0;; ++i) {
        DWORD length = 64;
        if (RegEnumKeyExW(key.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        wchar_t* end = nullptr;
        const unsigned long major = wcstoul(name, &end, 16);
        if (!end || *end != L'.') {
            continue;
        }
        const unsigned long minor = wcstoul(end + 1, nullptr, 16);
        const std::pair<WORD, WORD> version{static_cast<WORD>(major), static_cast<WORD>(minor)};
        if (!best || version > *best) {
            best = version;
        }
    }
    return best;
}

}  // namespace

FarmTypeLibrary LoadFarmTypeLibrary() {
    FarmTypeLibrary found;
    for (const ProgIdEntry& entry : kProgIds) {
        CLSID clsid{};
        if (FAILED(CLSIDFromProgID(win::Widen(entry.progId).c_str(), &clsid))) {
            continue;
        }
        const std::optional<std::wstring> registered =
            win::RegKey::Open(HKEY_CLASSES_ROOT, L"CLSID\\" + GuidText(clsid) + L"\\TypeLib")
                .ReadText(L"");
        GUID guid{};
        if (!registered || FAILED(CLSIDFromString(registered->c_str(), &guid))) {
            continue;
        }
        const auto version = RegisteredVersion(*registered);
        if (!version) {
            found.description = "the classes name type library " + win::Narrow(*registered) +
                                ", which is not registered";
            continue;
        }
        const HRESULT hr = LoadRegTypeLib(guid, version->first, version->second, LOCALE_NEUTRAL,
                                          found.library.Put());
        if (FAILED(hr)) {
            found.description = "type library " + win::Narrow(*registered) +
                                " could not be loaded: " + win::SystemMessage(hr);
            found.library.Reset();
            continue;
        }
        win::Bstr name;
        found.library->GetDocumentation(-1, name.Put(), nullptr, nullptr, nullptr);
        win::Bstr path;
        QueryPathOfRegTypeLib(guid, version->first, version->second, LOCALE_NEUTRAL, path.Put());
        found.description = "type library " + name.Utf8() + " " + std::to_string(version->first) +
                            "." + std::to_string(version->second) + " (" + path.Utf8() + ")";
        return found;
    }
    if (found.description.empty()) {
        found.description = "none registered for the MetaFrameCOM classes";
    }
    return found;
}

std::optional<int32_t> EnumerationValue(ITypeLib& library, std::string_view name) {
    for (UINT i = 0, n = library.GetTypeInfoCount(); i < n; ++i) {
        TYPEKIND kind{};
        if (FAILED(library.GetTypeInfoType(i, &kind)) || kind != TKIND_ENUM) {
            continue;
        }
        win::ComPtr<ITypeInfo> info;
        if (FAILED(library.GetTypeInfo(i, info.Put()))) {
            continue;
        }
        const win::TypeAttr attr(*info.Get());
        if (!attr) {
            continue;
        }
        for (UINT v = 0; v < attr->cVars; ++v) {
            const win::VarDesc var(*info.Get(), v);
            if (!var || var->varkind != VAR_CONST || !var->lpvarValue) {
                continue;
            }
            win::Bstr member;
            UINT count = 0;
            if (FAILED(info->GetNames(var->memid, member.Put(), 1, &count)) || count == 0 ||
                !SameName(member.Utf8(), name)) {
                continue;
            }
            win::Variant number;
            if (SUCCEEDED(VariantChangeType(number.Put(), var->lpvarValue, 0, VT_I4))) {
                return V_I4(&number.Get());
            }
        }
    }
    return std::nullopt;
}

}  // namespace mfcom
