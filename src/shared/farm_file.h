// Farm export and import: the whole farm's settings and published applications, with their
// servers, users, groups and icons, to and from a farm file and the icons folder.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shared/outcome.h"
#include "shared/shared.h"

namespace shared {

class ServerMapping;

// Writes the farm file and the icons folder below the working directory under temporary names
// and puts them in place only when the export is complete: a failure leaves the previous
// export as it was. Drives the progress bar. Changes: each application written. A setting
// whose name the farm does not know is left out and passed over (once per name).
[[nodiscard]] Outcome ExportFarm(Shared& shared, const std::string& fileName);

// One application as a farm file holds it, for a restore record: its block's lines, from the
// blank line before [Application] to the one after Icon=, with the icon written to
// `iconFile` and named there.
std::vector<std::string> ApplicationBlock(farm::Application& application,
                                          const std::string& iconFile);

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
    // Puts an application back whole (an undo): the keys an import leaves alone
    // (HideDisabledApp, CPUPriority) are assigned too.
    bool whole = false;
};

// Applies a farm file to the farm; shows each application's name in the status line. The
// window sizes of a block are assigned after its DefaultWindowType. Changes: each farm
// setting assigned, each application stored and its bindings. Passed over: every line the
// observer hears of, with the file's line.
[[nodiscard]] Outcome ImportFarm(Shared& shared, const std::string& fileName,
                                 const ImportOptions& options = {});

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
