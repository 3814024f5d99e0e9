#include "shared/server_mapping.h"

#include <utility>

namespace shared {

namespace {}  // namespace

std::string FoldedName(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return folded;
}

void ServerMapping::MapTo(std::string_view fileServer, std::string farmServer) {
    targets_[FoldedName(fileServer)] = std::move(farmServer);
}

void ServerMapping::LeaveOut(std::string_view fileServer) {
    targets_[FoldedName(fileServer)] = std::nullopt;
}

const ServerMapping::Target* ServerMapping::Find(std::string_view fileServer) const {
    const auto found = targets_.find(FoldedName(fileServer));
    return found == targets_.end() ? nullptr : &found->second;
}

ServerFilter::Result ServerFilter::Filter(std::string_view server) {
    const ServerMapping::Target* target = mapping_.Find(server);
    if (target != nullptr && !*target) {
        return {LineMapping::LeftOut, std::nullopt};
    }
    Result result;
    if (target != nullptr) {
        result.instead = **target;
    }
    const bool mapped = result.instead.has_value();
    const auto [binding, first] =
        bound_.try_emplace(FoldedName(mapped ? *result.instead : server), mapped);
    if (!first && (mapped || binding->second)) {
        result.mapping = LineMapping::Merged;
    } else if (mapped) {
        result.mapping = LineMapping::Mapped;
    }
    return result;
}

}  // namespace shared
