#include "lab/accounts.h"

#include <algorithm>
#include <array>
#include <string>

#include "lab/rules.h"

namespace lab {

namespace {

constexpr std::array<NamedValue, 1> kAuthorityTypes{{
    {kNtDomainAuthority, "Windows NT domain or Active Directory"},
}};

constexpr std::array<NamedValue, 2> kUserTypes{{
    {kLocalUser, "local user"},
    {kDomainUser, "domain user"},
}};

constexpr std::array<NamedValue, 4> kGroupTypes{{
    {kLocalGroup, "local"},
    {kGlobalGroup, "global"},
    {kUniversalGroup, "universal"},
    {kDomainLocalGroup, "domain local"},
}};

bool Knows(std::span<const NamedValue> values, int32_t value) {
    return std::any_of(values.begin(), values.end(),
                       [value](const NamedValue& known) { return known.value == value; });
}

// "1 (local), 2 (global)"
std::string Listed(std::span<const NamedValue> values) {
    std::string text;
    for (const NamedValue& known : values) {
        text += (text.empty() ? "" : ", ") + std::to_string(known.value) + " (" +
                std::string(known.name) + ")";
    }
    return text;
}

}  // namespace

std::span<const NamedValue> AuthorityTypes() {
    return kAuthorityTypes;
}

std::span<const NamedValue> AccountTypes(AccountKind kind) {
    if (kind == AccountKind::kGroup) {
        return kGroupTypes;
    }
    return kUserTypes;
}

void CheckAccountNumbers(AccountKind kind, int32_t aaType, int32_t accountType) {
    if (!Knows(AuthorityTypes(), aaType)) {
        Refuse(Rule::kUnknownAccountKind,
               "The authority type " + std::to_string(aaType) +
                   " (the first value of Initialize) is not an account authority type; the farm "
                   "knows " +
                   Listed(AuthorityTypes()) + ".");
    }
    const std::span<const NamedValue> types = AccountTypes(kind);
    if (!Knows(types, accountType)) {
        Refuse(Rule::kUnknownAccountKind, "The account type " + std::to_string(accountType) +
                                              " (the third value of Initialize) is not a " +
                                              (kind == AccountKind::kGroup ? "group" : "user") +
                                              " account type; the farm knows " + Listed(types) +
                                              ".");
    }
}

}  // namespace lab
