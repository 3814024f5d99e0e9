#include "lab/com/workstation.h"

#include "win/registry.h"
#include "win/text.h"

namespace labcom {

std::optional<std::string> ReadSetting(const wchar_t* value) {
    auto text = win::RegKey::Open(HKEY_CURRENT_USER, kSettingKey).ReadText(value);
    if (!text) {
        return std::nullopt;
    }
    return win::Narrow(*text);
}

void WriteSetting(const wchar_t* value, const std::string& utf8) {
    win::RegKey::Create(HKEY_CURRENT_USER, kSettingKey).WriteText(value, win::Widen(utf8));
}

void DeleteSetting(const wchar_t* value) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        win::RegKey(key).DeleteValue(value);
    }
}

std::filesystem::path StorePath() {
    auto configured = win::RegKey::Open(HKEY_CURRENT_USER, kSettingKey).ReadText(kStorePathValue);
    if (configured && !configured->empty()) {
        return std::filesystem::path(*configured);
    }
    wchar_t programData[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableW(L"ProgramData", programData, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        return std::filesystem::path(programData) / L"ZeltLab";
    }
    return std::filesystem::path(L"C:\\ZeltLab");
}

std::optional<std::string> CurrentFarm() {
    auto farm = ReadSetting(kFarmValue);
    if (!farm || farm->empty()) {
        return std::nullopt;
    }
    return farm;
}

}  // namespace labcom
