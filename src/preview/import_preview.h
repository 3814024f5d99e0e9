// The import preview: what importing a farm file would do to the farm, found without changing
// it. The target farm's servers, application names and farm settings are read through the
// program's own factory into an in-process lab farm; the real ImportFarm runs against that
// copy, and the difference between the copy before and after, with the lines the import
// passed over or stopped at, is the preview.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "farm/farm.h"
#include "shared/farm_file.h"
#include "shared/server_mapping.h"
#include "shared/shared.h"

namespace preview {

// How sure the preview is of a finding. Certain: the file itself, the servers and
// application names read from the farm, and what the farm's rules refuse from those alone.
// Probable: what depends on the farm beyond them (accounts, icons, the values it accepts).
enum class Certainty { Certain, Probable };

// A line the import passes over, or the one that stops it.
struct LineNote {
    int64_t lineNumber = 0;
    std::string line;                   // as the file has it
    std::optional<std::string> mapped;  // the line the server mapping made of it, if it did
    bool stops = false;
    shared::PassedOver where = shared::PassedOver::NotRead;  // when it does not stop
    shared::ErrorInfo reason;
    Certainty certainty = Certainty::Certain;
};

// What becomes of one [Application] block of the file.
enum class Outcome {
    New,             // stored; the farm had no application of that name there
    Replaces,        // stored in place of the root folder's application of that name
    ReplacedInFile,  // stored, then replaced by a later block of the file
    Refused,         // the import stops in this block (its line note says why)
    NeverStored,     // the block has no Icon line, so it is never stored
    NotReached,      // the import stops before this block
};

struct ApplicationPreview {
    int64_t lineNumber = 0;         // of its [Application] header
    std::string distinguishedName;  // ParentFolderDN and AppName as the file gives them
    Outcome outcome = Outcome::New;
    std::string replaced;   // Replaces: the application's name in the farm
    int64_t laterLine = 0;  // ReplacedInFile: the block that replaces it
};

struct SettingChange {
    std::string key;
    std::string before;
    std::string after;
};

// A server the file names that the farm lacks, as the file first spells it.
struct MissingServer {
    std::string name;
    int applications = 0;   // blocks that bind it
    int64_t firstLine = 0;  // its first Server line
};

struct ImportPreview {
    std::string fileName;
    std::string farmName;
    std::vector<std::string> farmServers;  // the farm's servers, in its order
    std::vector<MissingServer> missingServers;
    std::vector<ApplicationPreview> applications;  // in file order
    std::vector<std::string> foldersCreated;
    std::vector<SettingChange> settingsChanged;
    std::vector<std::string> settingsNotReported;  // the farm cannot report them: left as they are
    std::vector<std::string> accounts;             // every account the file names, once each
    std::vector<LineNote> lines;                   // in line order; the stop, if any, last
    std::optional<LineNote> stop;
    bool mapped = false;  // ran with a server mapping
    // The outcome of the import run on the copy: what the import would change, pass over and
    // stop at.
    shared::Outcome importOutcome{shared::Operation::ImportFarm};
};

// Previews the import of `fileName` into the farm `factory` reaches, with `mapping` applied
// as the import would apply it. Reads the farm, never changes it; reads the file and keeps
// every other file it writes in a scratch folder below the temporary folder of a file system
// made by `makeFileSystem`, which it removes before returning. A failure to read the farm or
// the file throws (base::Error).
ImportPreview PreviewImport(farm::ObjectFactory& factory,
                            const shared::Shared::FileSystemMaker& makeFileSystem,
                            const std::string& fileName,
                            const shared::ServerMapping* mapping = nullptr);

}  // namespace preview
