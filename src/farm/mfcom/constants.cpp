#include "farm/mfcom/constants.h"

#include "farm/farm.h"
#include "farm/mfcom/type_library.h"

namespace mfcom {

namespace {

constexpr bool InOrder() {
    for (size_t i = 0; i < kConstants.size(); ++i) {
        if (static_cast<size_t>(kConstants[i].constant) != i) {
            return false;
        }
    }
    return true;
}
static_assert(InOrder(), "constants: rows in the order of Constant");

}  // namespace

Constants::Constants() {
    for (const ConstantRow& row : kConstants) {
        values_[Index(row.constant)] = row.builtIn;
        sources_[Index(row.constant)] = ConstantSource::NoLibrary;
    }
}

Constants Constants::From(ITypeLib* library) {
    Constants constants;
    if (!library) {
        return constants;
    }
    for (const ConstantRow& row : kConstants) {
        const std::optional<int32_t> named = EnumerationValue(*library, row.name);
        constants.values_[Index(row.constant)] = named.value_or(row.builtIn);
        constants.sources_[Index(row.constant)] =
            named ? ConstantSource::TypeLibrary : ConstantSource::NotNamed;
    }
    return constants;
}

int32_t Constants::ObjectType(int programType) const {
    switch (programType) {
        case farm::kWinFarmObject:
            return Value(Constant::WinFarmObject);
        case farm::kWinAppObject:
            return Value(Constant::WinAppObject);
        case farm::kWinSrvObject:
            return Value(Constant::WinSrvObject);
        default:
            return programType;
    }
}

int32_t Constants::FolderType(int programType) const {
    return programType == farm::kApplicationFolder ? Value(Constant::AppFolder) : programType;
}

}  // namespace mfcom
