// The numbers an account entry carries, as the farm knows them: the account authority types
// and the account types of users and of groups. An account is initialised (authority type,
// authority name, account type, account name); the lab refuses a number that is not one of
// its kind in its place.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace lab {

enum class AccountKind { kUser, kGroup };

struct NamedValue {
    int32_t value;
    std::string_view name;
};

// Authority types (0, unknown, is not accepted).
inline constexpr int32_t kNtDomainAuthority = 1;
// User account types.
inline constexpr int32_t kLocalUser = 1;
inline constexpr int32_t kDomainUser = 2;
// Group account types.
inline constexpr int32_t kLocalGroup = 1;
inline constexpr int32_t kGlobalGroup = 2;
inline constexpr int32_t kUniversalGroup = 3;
inline constexpr int32_t kDomainLocalGroup = 4;

std::span<const NamedValue> AuthorityTypes();
std::span<const NamedValue> AccountTypes(AccountKind kind);

// Refuses (Rule::kUnknownAccountKind) an authority type or account type that is not one of
// its kind, naming the value and its place among Initialize's arguments.
void CheckAccountNumbers(AccountKind kind, int32_t aaType, int32_t accountType);

}  // namespace lab
