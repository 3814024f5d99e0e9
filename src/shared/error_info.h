// A failure as the program reports it: the error's number and description.
#pragma once

#include <cstdint>
#include <string>

namespace shared {

struct ErrorInfo {
    int32_t number = 0;
    std::string description;
    bool operator==(const ErrorInfo&) const = default;
};

}  // namespace shared
