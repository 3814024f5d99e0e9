// The farm work of the deployment dialogs, one source/destination or application/server pair
// per call. Unguarded farm failures propagate to the caller as farm::FarmError.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace shared {

class Shared;

// Publishes every application of the source server also on the destination server.
void CloneServerApps(Shared& shared, const std::string& sourceServer,
                     const std::string& destinationServer);
void PublishAppOnServer(Shared& shared, const std::string& distinguishedName,
                        const std::string& serverName);
void UnpublishAppFromServer(Shared& shared, const std::string& distinguishedName,
                            const std::string& serverName);
// Writes the session options into one application.
void SetAppOptions(Shared& shared, const std::string& distinguishedName, int32_t windowType,
                   int32_t windowColor, int32_t encryption, int32_t soundType, int16_t windowScale,
                   int16_t windowHeight, int16_t windowWidth);

// The settings of the Windows-application view SetAppOptions assigns.
std::vector<std::string_view> ApplicationOptionSettings();

}  // namespace shared
