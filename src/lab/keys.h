// The names the lab farm answers to: the farm settings of the Windows-farm view, the keys of
// the Windows-application view, and the way an assigned value is converted to a key's kind.
// Names are matched without regard to case, as automation matches member names.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "farm/farm.h"

namespace lab {

enum class KeyKind { kNumber, kText };

struct FarmSettingKey {
    const char* name;
    KeyKind kind;
};

// Where an application key lives in the application's record.
enum class AppField { kName, kDistinguishedName, kDescription, kFolder, kView };

struct AppKey {
    const char* name;
    KeyKind kind;
    AppField field;
};

// The 34 farm settings, in the farm file's order (Farmname is the farm's own name, no setting).
std::span<const FarmSettingKey> FarmSettingKeys();
// The application keys, in the farm file's order.
std::span<const AppKey> ApplicationKeys();

// The key of that name (any case), or nullptr.
const FarmSettingKey* FindFarmSettingKey(std::string_view name);
const AppKey* FindApplicationKey(std::string_view name);

// Converts an assigned value to the key's kind as automation does: a number becomes its
// decimal text; a text becomes a number when it reads as one (blanks around it, a sign and
// a fraction rounded half to even allowed), otherwise type mismatch (13); beyond 32 bits,
// overflow (6).
farm::Value ConvertForKey(const farm::Value& value, KeyKind kind, std::string_view key);
farm::Value DefaultValue(KeyKind kind);

// ASCII case folding, as the farm compares names.
std::string FoldCase(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);

}  // namespace lab
