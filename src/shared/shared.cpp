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

}  // namespace shared
