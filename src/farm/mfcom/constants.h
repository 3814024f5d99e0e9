// The named constants of the object model that the program passes: the object types handed to
// Initialize and to the farm's Get and Add calls, the application-folder type, and the account
// authority and account types (reported by the check; the import passes the farm file's own
// numbers). Each is read by name from the farm's registered type library, where public scripts
// take them from too; where there is no library, or it does not name the constant, the
// built-in value serves.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "farm/mfcom/members.h"

struct ITypeLib;

namespace mfcom {

enum class Constant : uint8_t {
    WinFarmObject,
    WinAppObject,
    WinSrvObject,
    AppFolder,
    NTDomainAuthority,
    LocalUser,
    DomainUser,
    LocalGroup,
    GlobalGroup,
    UniversalGroup,
    DomainLocalGroup,
};

struct ConstantRow {
    Constant constant;
    std::string_view name;
    int32_t builtIn;
    // Seen: public scripts use the name (or the number, for the object types); Chosen: our
    // reading.
    Evidence evidence;
};

// In the order of Constant.
inline constexpr std::array kConstants{
    ConstantRow{Constant::WinFarmObject, "MetaFrameWinFarmObject", 1, Evidence::Seen},
    ConstantRow{Constant::WinAppObject, "MetaFrameWinAppObject", 3, Evidence::Seen},
    ConstantRow{Constant::WinSrvObject, "MetaFrameWinSrvObject", 6, Evidence::Seen},
    ConstantRow{Constant::AppFolder, "MetaFrameAppFolder", 3, Evidence::Chosen},
    ConstantRow{Constant::NTDomainAuthority, "MetaFrameNTDomainAuthority", 1, Evidence::Chosen},
    ConstantRow{Constant::LocalUser, "MetaFrameLocalUserAccount", 1, Evidence::Chosen},
    ConstantRow{Constant::DomainUser, "MetaFrameDomainUserAccount", 2, Evidence::Chosen},
    ConstantRow{Constant::LocalGroup, "MetaFrameLocalGroupAccount", 1, Evidence::Chosen},
    ConstantRow{Constant::GlobalGroup, "MetaFrameGlobalGroupAccount", 2, Evidence::Chosen},
    ConstantRow{Constant::UniversalGroup, "MetaFrameUniversalGroupAccount", 3, Evidence::Chosen},
    ConstantRow{Constant::DomainLocalGroup, "MetaFrameDomainLocalGroupAccount", 4,
                Evidence::Chosen},
};
inline constexpr size_t kConstantCount = kConstants.size();

constexpr const ConstantRow& RowOf(Constant constant) {
    return kConstants[static_cast<size_t>(constant)];
}

enum class ConstantSource : uint8_t {
    TypeLibrary,  // the registered type library names it
    NoLibrary,    // built in: no type library was found
    NotNamed,     // built in: the type library does not name it
};

class Constants {
  public:
    // Every constant at its built-in value, for want of a library.
    Constants();
    // The values `library` names (an enumeration member of that name), the built-in ones for
    // the rest; a null library gives the built-in values.
    static Constants From(ITypeLib* library);

    int32_t Value(Constant constant) const { return values_[Index(constant)]; }
    ConstantSource Source(Constant constant) const { return sources_[Index(constant)]; }

    // The farm's number for one of the program's type codes (farm::kWinFarmObject, ...); any
    // other number as it is.
    int32_t ObjectType(int programType) const;
    // The farm's number for the program's application-folder type.
    int32_t FolderType(int programType) const;

  private:
    static size_t Index(Constant constant) { return static_cast<size_t>(constant); }

    std::array<int32_t, kConstantCount> values_{};
    std::array<ConstantSource, kConstantCount> sources_{};
};

}  // namespace mfcom
