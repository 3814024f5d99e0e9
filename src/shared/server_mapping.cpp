#include "shared/server_mapping.h"

#include <utility>

namespace shared {

namespace {

std::string Folded(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return folded;
}

}  // namespace

void ServerMapping::MapTo(std::string_view fileServer, std::string farmServer) {
    targets_[Folded(fileServer)] = std::move(farmServer);
}

void ServerMapping::LeaveOut(std::string_view fileServer) {
    targets_[Folded(fileServer)] = std::nullopt;
}

const ServerMapping::Target* ServerMapping::Find(std::string_view fileServer) const {
    const auto found = targets_.find(Folded(fileServer));
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
        bound_.try_emplace(Folded(mapped ? *result.instead : server), mapped);
    if (!first && (mapped || binding->second)) {
        result.mapping = LineMapping::Merged;
    } else if (mapped) {
        result.mapping = LineMapping::Mapped;
    }
    return result;
}

}  // namespace shared
