#include "farm/farm.h"

namespace farm {

int32_t AsNumber(const Value& value) {
    if (const auto* number = std::get_if<int32_t>(&value)) {
        return *number;
    }
    throw FarmError(base::kErrTypeMismatch, "Type mismatch");
}

std::string AsText(const Value& value) {
    if (const auto* text = std::get_if<std::string>(&value)) {
        return *text;
    }
    return std::to_string(std::get<int32_t>(value));
}

}  // namespace farm
