// Farm export and import: the whole farm's settings and published applications, with their
// servers, users, groups and icons, to and from a farm file and the icons folder.
#pragma once

#include <cstdint>
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
    NotRead,             // a line no section reads (no failure: the reason's number is 0)
    ServerLeftOut,       // a Server line the server mapping leaves out (number 0 as well)
};

// Told of each line the import passes over and of the failure that stops it. Lines count
// from 1; `line` is the text as the import read it.
class ImportObserver {
  public:
    virtual ~ImportObserver() = default;
    virtual void LinePassedOver(int64_t lineNumber, const std::string& line, PassedOver where,
                                const ErrorInfo& reason) = 0;
    // Line 0 when the stop came before the first line was read.
    virtual void ImportStopped(int64_t lineNumber, const std::string& line,
                               const ErrorInfo& error) = 0;
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
