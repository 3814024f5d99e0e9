#include "shared/shared.h"

#include <cstdint>
#include <exception>

namespace shared {

farm::Farm& Shared::OpenFarm() {
    farmObject.reset();
    auto created = factory.CreateFarm();
    farmObject = std::move(created);
    farmObject->Initialize(farm::kWinFarmObject);
    return *farmObject;
}

settings::FileSystem& Shared::OpenFileSystem() {
    fileSystem = makeFileSystem();
    return *fileSystem;
}

ErrorInfo CurrentError() {
    try {
        throw;
    } catch (const farm::FarmError& e) {
        return {e.number(), e.description()};
    } catch (const std::bad_alloc&) {
        return {base::kErrOutOfMemory, "Out of memory"};
    } catch (const std::exception& e) {
        return {base::kErrInternal, std::string("Internal error: ") + e.what()};
    }
}

std::string UnexpectedErrorText(int32_t number, std::string_view description) {
    std::string text(80, ' ');
    text += "\rUnexpected error.\r\r\r     Error :";
    text += std::to_string(number);
    text += "\r\r     ";
    text += description;
    text += "\r";
    return text;
}

std::optional<ErrorInfo> ParseUnexpectedError(std::string_view text) {
    constexpr std::string_view kNumberStart = "\rUnexpected error.\r\r\r     Error :";
    constexpr std::string_view kDescriptionStart = "\r\r     ";
    if (text.size() < 81 || text.substr(0, 80).find_first_not_of(' ') != std::string_view::npos ||
        !text.substr(80).starts_with(kNumberStart) || !text.ends_with("\r")) {
        return std::nullopt;
    }
    std::string_view rest = text.substr(80 + kNumberStart.size());
    const size_t numberEnd = rest.find(kDescriptionStart);
    if (numberEnd == std::string_view::npos || numberEnd == 0) {
        return std::nullopt;
    }
    int64_t number = 0;
    size_t i = rest[0] == '-' ? 1 : 0;
    if (i == numberEnd) {
        return std::nullopt;
    }
    for (; i < numberEnd; ++i) {
        if (rest[i] < '0' || rest[i] > '9' || number > (int64_t{1} << 32)) {
            return std::nullopt;
        }
        number = number * 10 + (rest[i] - '0');
    }
    if (rest[0] == '-') {
        number = -number;
    }
    if (number < INT32_MIN || number > INT32_MAX) {
        return std::nullopt;
    }
    rest.remove_prefix(numberEnd + kDescriptionStart.size());
    rest.remove_suffix(1);
    return ErrorInfo{static_cast<int32_t>(number), std::string(rest)};
}

void ShowUnexpectedError(Feedback& feedback, const ErrorInfo& error) {
    feedback.ShowMessage(UnexpectedErrorText(error.number, error.description), "Error",
                         MessageIcon::Critical);
}

}  // namespace shared
