// Farm export and import: the whole farm's settings and published applications, with their
// servers, users, groups and icons, to and from a farm file and the icons folder.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shared/shared.h"

namespace shared {

class ServerMapping;

// Writes the farm file and the icons folder below the working directory. Reports its own
// failures with the unexpected-error message; drives the progress bar. A setting whose name
// the farm does not know is left out, and a message at the end names each one.
void ExportFarm(Shared& shared, const std::string& fileName);

// Where a line the import passes over was passed over.
enum class PassedOver {
    FarmSetting,         // a farm setting left as it was: no number, or refused
    ApplicationSetting,  // an application setting the farm does not have
    Folder,              // a step of creating the folders of ParentFolderDN
    Namesake,            // finding or deleting the root folder's application of the same name
    NotRead,             // a line the import does not read (no failure: the reason's number is 0)
    ServerLeftOut,       // a Server line the server mapping leaves out (number 0 as well)
    ServerMerged,        // a Server line the mapping makes name a server bound already (number 0)
};

// A line of the farm file as the import met it.
struct ImportLine {
    int64_t number = 0;                 // from 1; 0 when the import stopped before its first line
    std::string text;                   // as the file has it
    std::optional<std::string> mapped;  // where the server mapping named another server
};

// Told of each line the import passes over and of the failure that stops it.
class ImportObserver {
  public:
    virtual ~ImportObserver() = default;
    virtual void LinePassedOver(const ImportLine& line, PassedOver where,
                                const ErrorInfo& reason) = 0;
    virtual void ImportStopped(const ImportLine& line, const ErrorInfo& error) = 0;
};

struct ImportOptions {
    ImportObserver* observer = nullptr;
    const ServerMapping* servers = nullptr;  // applied to the file's Server= lines
};

// Applies a farm file to the farm. Reports its own failures; shows each application's name
// in the status line. The window sizes of a block are assigned after its DefaultWindowType.
// At its end a message names the settings it passed over because the farm does not have
// them.
void ImportFarm(Shared& shared, const std::string& fileName, const ImportOptions& options = {});

// A setting of the Windows-farm or Windows-application view that the farm file carries, by
// the name the view answers to.
struct ViewSetting {
    std::string_view name;
    // The procedure goes on where the farm does not have it: the export leaves it out, the
    // import passes it over.
    bool optional = false;
};

// The settings ExportFarm reads and ImportFarm assigns, on each view.
std::vector<ViewSetting> FarmSettingsExported();
std::vector<ViewSetting> FarmSettingsImported();
std::vector<ViewSetting> ApplicationSettingsExported();
std::vector<ViewSetting> ApplicationSettingsImported();

}  // namespace shared
