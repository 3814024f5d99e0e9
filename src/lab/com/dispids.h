// The DISPIDs the lab server hands out: a member's place in the member table, from 1 (the
// enumerator keeps its standard one), and from kFirstSettingDispid on, the settings of the
// Windows views in the order they were first asked for.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "farm/mfcom/members.h"

namespace labcom {

constexpr int32_t DispidOf(mfcom::Op op) {
    return op == mfcom::Op::CollectionNewEnum ? mfcom::kNewEnumDispid
                                              : static_cast<int32_t>(op) + 1;
}

// The first member of the kind with that DISPID (a member's forms share the first's), or
// nullptr.
constexpr const mfcom::Member* MemberOfDispid(mfcom::Kind object, int32_t dispid) {
    for (const mfcom::Member& m : mfcom::kMembers) {
        if (m.object == object && DispidOf(m.op) == dispid) {
            return &m;
        }
    }
    return nullptr;
}

// The dispinterface of the type library (labfarm.idl) that describes a kind of object.
constexpr std::string_view InterfaceName(mfcom::Kind kind) {
    constexpr std::array<std::string_view, 13> names{
        "MetaFrameFarm",          "MetaFrameZone",      "MetaFrameServer", "MetaFrameApplication",
        "MetaFrameWinFarm",       "MetaFrameWinServer", "MetaFrameWinApp", "MetaFrameFolder",
        "MetaFrameAppSrvBinding", "MetaFrameUser",      "MetaFrameGroup",  "MetaFrameCredential",
        "MetaFrameCollection"};
    return names[static_cast<size_t>(kind)];
}

inline constexpr int32_t kFirstSettingDispid = 1000;
static_assert(mfcom::kMembers.size() < static_cast<size_t>(kFirstSettingDispid));

}  // namespace labcom
