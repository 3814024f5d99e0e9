// The workstation's lab-farm setting, HKEY_CURRENT_USER\Software\ZeltLab: which farm store
// the lab farm's COM server serves (StorePath) and which of its farms the workstation
// reaches (Farm), and which farm version its objects play (Dialect, see dialect.h). mfreg.exe
// changes Farm; the COM server reads them afresh.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace labcom {

inline constexpr const wchar_t* kSettingKey = L"Software\\ZeltLab";
inline constexpr const wchar_t* kStorePathValue = L"StorePath";
inline constexpr const wchar_t* kFarmValue = L"Farm";
inline constexpr const wchar_t* kDialectValue = L"Dialect";
// A refusal the lab plans for another process to meet: "Operation Number Description", as
// the fault injector's FailOperation takes them (the operation names of lab.h).
inline constexpr const wchar_t* kFailOperationValue = L"FailOperation";

// A value of the setting as UTF-8; nullopt when missing.
std::optional<std::string> ReadSetting(const wchar_t* value);
void WriteSetting(const wchar_t* value, const std::string& utf8);
void DeleteSetting(const wchar_t* value);

// StorePath, or %ProgramData%\ZeltLab, or C:\ZeltLab.
std::filesystem::path StorePath();
// The farm the workstation reaches; none when Farm is missing or empty.
std::optional<std::string> CurrentFarm();

}  // namespace labcom
