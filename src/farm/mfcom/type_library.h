// The type library registered for the farm's MetaFrameCOM classes: found through a class's
// TypeLib key, at its highest registered version.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "win/com.h"

namespace mfcom {

struct FarmTypeLibrary {
    win::ComPtr<ITypeLib> library;  // null when none could be loaded
    std::string description;        // what was read, or why nothing was
};

FarmTypeLibrary LoadFarmTypeLibrary();

// The value of the enumeration member `name` anywhere in the library.
std::optional<int32_t> EnumerationValue(ITypeLib& library, std::string_view name);

}  // namespace mfcom
