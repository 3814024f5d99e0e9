#include "preview/import_preview.h"

#include <algorithm>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "base/error.h"
#include "lab/farm_state.h"
#include "lab/keys.h"
#include "lab/lab.h"
#include "lab/rules.h"
#include "preview/scratch_files.h"
#include "settings/file_system.h"
#include "settings/lines.h"
#include "shared/farm_file_reader.h"
#include "shared/file_support.h"

namespace preview {

namespace {

constexpr std::string_view kRootFolder = "Applications";
// The copy's own name in its store: the farm's may be one the lab cannot reach (empty).
constexpr const char* kCopyName = "Import preview";

// ---- What the file says ------------------------------------------------------------------

struct Block {
    int64_t lineNumber = 0;
    std::string name;
    std::string folder{kRootFolder};
    int64_t iconLine = 0;  // its first Icon line; 0: none
    std::string DistinguishedName() const { return folder + "/" + name; }
};

struct ServerUse {
    std::string name;
    int64_t firstLine = 0;
    int blocks = 0;
    size_t lastBlock = std::numeric_limits<size_t>::max();
};

struct FileScan {
    std::vector<Block> blocks;
    std::vector<ServerUse> servers;  // in order of first use
    std::vector<std::string> accounts;
};

// The blocks, servers and accounts of the file, as the file names them.
FileScan ScanFile(settings::FileSystem& files, const std::string& fileName) {
    FileScan scan;
    std::unordered_map<std::string, size_t> servers;  // folded name -> index
    std::set<std::string> accounts;                   // folded
    shared::FarmFileReader reader(files.OpenTextFile(fileName));
    while (const std::optional<shared::FarmFileLine> line = reader.Next()) {
        if (line->header == settings::Header::Application) {
            scan.blocks.emplace_back().lineNumber = line->number;
        }
        if (!line->key) {
            continue;
        }
        const std::string& key = line->key->key;
        const std::string& value = line->key->value;
        const settings::Header section = line->section;
        Block* block = scan.blocks.empty() ? nullptr : &scan.blocks.back();
        if (section == settings::Header::Application && block != nullptr) {
            if (key == "AppName") {
                block->name = value;
            } else if (key == "ParentFolderDN") {
                block->folder = value;
            }
        } else if (section == settings::Header::Servers && key == "Server") {
            const auto [found, added] =
                servers.try_emplace(lab::FoldCase(value), scan.servers.size());
            if (added) {
                ServerUse& use = scan.servers.emplace_back();
                use.name = value;
                use.firstLine = line->number;
            }
            ServerUse& use = scan.servers[found->second];
            if (block != nullptr && use.lastBlock != scan.blocks.size() - 1) {
                use.lastBlock = scan.blocks.size() - 1;
                ++use.blocks;
            }
        } else if ((section == settings::Header::Users && key == "User") ||
                   (section == settings::Header::Groups && key == "Group")) {
            const std::vector<std::string> fields = settings::SplitEntry(value);
            if (fields.size() >= 4) {
                const std::string account = fields[2] + "\\" + fields[3];
                if (accounts.insert(lab::FoldCase(account)).second) {
                    scan.accounts.push_back(account);
                }
            }
        } else if (section == settings::Header::Icon && key == "Icon" && block != nullptr &&
                   block->iconLine == 0) {
            block->iconLine = line->number;
        }
    }
    reader.Close();
    return scan;
}

// ---- The farm, read through the program's factory ----------------------------------------

struct Target {
    lab::FarmModel model;
    std::vector<std::string> settingsNotReported;
};

void AddFolderWithParents(lab::FarmModel& model, std::set<std::string>& known,
                          const std::string& folder) {
    for (size_t slash = 0; slash != std::string::npos;) {
        slash = folder.find('/', slash + 1);
        const std::string path = folder.substr(0, slash);
        if (known.insert(lab::FoldCase(path)).second) {
            model.folders.push_back(path);
        }
    }
}

// What the import looks at: the farm's servers, the names and folders of its applications
// (namesakes and refusals) and its farm settings. Nothing else is read.
Target ReadTarget(farm::ObjectFactory& factory) {
    Target target;
    lab::FarmModel& model = target.model;
    const std::unique_ptr<farm::Farm> farmObject = factory.CreateFarm();
    farmObject->Initialize(farm::kWinFarmObject);
    model.name = farmObject->FarmName();
    for (const auto& server : farmObject->Servers()->Items()) {
        model.servers.emplace_back().name = server->ServerName();
    }
    std::set<std::string> folders{lab::FoldCase(kRootFolder)};
    for (const auto& application : farmObject->Applications()->Items()) {
        const std::string distinguishedName = application->DistinguishedName();
        const size_t slash = distinguishedName.rfind('/');
        if (slash == std::string::npos) {
            continue;
        }
        lab::AppRecord& record = model.applications.emplace_back();
        record.folder = distinguishedName.substr(0, slash);
        record.name = distinguishedName.substr(slash + 1);
        AddFolderWithParents(model, folders, record.folder);
    }
    const std::unique_ptr<farm::WinFarm> settings = farmObject->WinFarmObject();
    for (const shared::ViewSetting& setting : shared::FarmSettingsImported()) {
        const std::string key(setting.name);
        try {
            model.settings[key] = settings->Get(key);
        } catch (const farm::FarmError&) {
            target.settingsNotReported.push_back(key);
        }
    }
    return target;
}

// ---- The import against the copy -----------------------------------------------------------

// The copy's main window: nothing to show, and the stop comes to the observer.
bool IsRule(const shared::ErrorInfo& error, lab::Rule rule) {
    return error.number == lab::RuleNumber(rule);
}

Certainty CertaintyOf(const shared::ErrorInfo& reason) {
    // The file's own values, and this workstation's files.
    constexpr int32_t kCertainNumbers[] = {
        0,                       // a line not read
        base::kErrOverflow,      // a number beyond 32 bits
        9,                       // an entry of fewer than four fields
        base::kErrTypeMismatch,  // no number
        91,                      // no application started
        base::kErrBadFileName,
        base::kErrFileNotFound,
        base::kErrPathNotFound,
    };
    // The farm's rules on what the preview read from the farm: its servers and names.
    constexpr lab::Rule kCertainRules[] = {
        lab::Rule::kServerNotFound, lab::Rule::kDuplicateAppName,  lab::Rule::kInvalidAppName,
        lab::Rule::kFolderNotFound, lab::Rule::kAlreadyBound,      lab::Rule::kBindingMismatch,
        lab::Rule::kFolderExists,   lab::Rule::kInvalidFolderName,
    };
    for (int32_t number : kCertainNumbers) {
        if (reason.number == number) {
            return Certainty::Certain;
        }
    }
    for (lab::Rule rule : kCertainRules) {
        if (IsRule(reason, rule)) {
            return Certainty::Certain;
        }
    }
    return Certainty::Probable;
}

// Collects what the import passes over and where it stops, leaving out what every import
// passes over: a folder that exists already, an application without a namesake.
class NoteTaker : public shared::ImportObserver {
  public:
    void LinePassedOver(const shared::ImportLine& line, shared::PassedOver where,
                        const shared::ErrorInfo& reason) override {
        if ((where == shared::PassedOver::Folder && IsRule(reason, lab::Rule::kFolderExists)) ||
            (where == shared::PassedOver::NoNamesake &&
             IsRule(reason, lab::Rule::kApplicationNotFound))) {
            return;
        }
        LineNote& note = notes.emplace_back(Note(line, reason));
        note.where = where;
    }
    void ImportStopped(const shared::ImportLine& line, const shared::ErrorInfo& error) override {
        stop = Note(line, error);
        stop->stops = true;
    }

    std::vector<LineNote> notes;
    std::optional<LineNote> stop;

  private:
    static LineNote Note(const shared::ImportLine& line, const shared::ErrorInfo& reason) {
        LineNote note;
        note.lineNumber = line.number;
        note.line = line.text;
        note.mapped = line.mapped;
        note.reason = reason;
        note.certainty = CertaintyOf(reason);
        return note;
    }
};

// ---- The difference --------------------------------------------------------------------------

std::string ValueText(const farm::Value& value) {
    if (const auto* number = std::get_if<int32_t>(&value)) {
        return std::to_string(*number);
    }
    return "\"" + std::get<std::string>(value) + "\"";
}

// The copy after the import, as far as the preview compares it with the copy before: read in
// place, since the applications' records (icons and all) are many.
struct After {
    std::vector<std::string> folders;
    std::map<std::string, farm::Value> settings;
    std::unordered_set<std::string> changed;  // folded names of the farm's applications the
                                              // import deleted or stored anew
};

After ReadAfter(lab::FarmStore& store, const lab::FarmModel& before) {
    After after;
    store.Inspect(before.name, [&](const lab::FarmState& state) {
        after.folders = state.Base().folders;
        after.settings = state.Base().settings;
        for (const lab::AppRecord& old : before.applications) {
            const lab::StoredApp* now = state.FindApplication(old.DistinguishedName());
            if (now == nullptr || now->record != old) {
                after.changed.insert(lab::FoldCase(old.DistinguishedName()));
            }
        }
    });
    return after;
}

// The name of the root folder's application that storing the block looks for, or nothing
// when the block does not go into the root folder.
std::optional<std::string> NamesakeOf(const Block& block) {
    if (lab::FoldCase(block.folder) != lab::FoldCase(kRootFolder)) {
        return std::nullopt;
    }
    return std::string(kRootFolder) + "/" + shared::TrimRightBlanks(block.name);
}

// The farm's application of the namesake's name, when the import took it away or changed it.
const lab::AppRecord* Replaced(const std::optional<std::string>& namesake,
                               const std::unordered_map<std::string, const lab::AppRecord*>& before,
                               const After& after) {
    if (!namesake) {
        return nullptr;
    }
    const auto old = before.find(lab::FoldCase(*namesake));
    return old != before.end() && after.changed.contains(old->first) ? old->second : nullptr;
}

std::vector<ApplicationPreview> Outcomes(const std::vector<Block>& blocks,
                                         const std::optional<LineNote>& stop,
                                         const lab::FarmModel& before, const After& after) {
    const int64_t stopLine = stop ? stop->lineNumber : std::numeric_limits<int64_t>::max();
    std::vector<ApplicationPreview> outcomes(blocks.size());
    std::vector<bool> stored(blocks.size(), false);
    for (size_t i = 0; i < blocks.size(); ++i) {
        const Block& block = blocks[i];
        const int64_t end =
            i + 1 < blocks.size() ? blocks[i + 1].lineNumber : std::numeric_limits<int64_t>::max();
        ApplicationPreview& outcome = outcomes[i];
        outcome.lineNumber = block.lineNumber;
        outcome.distinguishedName = block.DistinguishedName();
        if (stopLine < block.lineNumber) {
            outcome.outcome = Outcome::NotReached;
        } else if (stopLine < end && (block.iconLine == 0 || block.iconLine >= stopLine)) {
            outcome.outcome = Outcome::Refused;
        } else if (block.iconLine == 0) {
            outcome.outcome = Outcome::NeverStored;
        } else {
            stored[i] = true;
        }
    }

    // A later stored block replaces an earlier one of its name, or of its namesake's name.
    std::unordered_map<std::string, const lab::AppRecord*> beforeByName;
    for (const lab::AppRecord& app : before.applications) {
        beforeByName.emplace(lab::FoldCase(app.DistinguishedName()), &app);
    }
    std::unordered_map<std::string, int64_t> replacedLater;  // folded name -> replacing block
    for (size_t i = blocks.size(); i-- > 0;) {
        if (!stored[i]) {
            continue;
        }
        const Block& block = blocks[i];
        ApplicationPreview& outcome = outcomes[i];
        const std::string name = lab::FoldCase(block.DistinguishedName());
        const std::optional<std::string> namesake = NamesakeOf(block);
        if (const auto later = replacedLater.find(name); later != replacedLater.end()) {
            outcome.outcome = Outcome::ReplacedInFile;
            outcome.laterLine = later->second;
        } else if (const lab::AppRecord* old = Replaced(namesake, beforeByName, after)) {
            outcome.outcome = Outcome::Replaces;
            outcome.replaced = old->DistinguishedName();
        } else {
            outcome.outcome = Outcome::New;
        }
        replacedLater[name] = block.lineNumber;
        if (namesake) {
            replacedLater[lab::FoldCase(*namesake)] = block.lineNumber;
        }
    }
    return outcomes;
}

std::vector<std::string> FoldersCreated(const lab::FarmModel& before, const After& after) {
    std::set<std::string> known;
    for (const std::string& folder : before.folders) {
        known.insert(lab::FoldCase(folder));
    }
    std::vector<std::string> created;
    for (const std::string& folder : after.folders) {
        if (!known.contains(lab::FoldCase(folder))) {
            created.push_back(folder);
        }
    }
    return created;
}

std::vector<SettingChange> SettingsChanged(const lab::FarmModel& before, const After& after) {
    std::vector<SettingChange> changes;
    for (const shared::ViewSetting& setting : shared::FarmSettingsImported()) {
        const std::string key(setting.name);
        const auto old = before.settings.find(key);
        const auto now = after.settings.find(key);
        if (old != before.settings.end() && now != after.settings.end() &&
            old->second != now->second) {
            changes.push_back({key, ValueText(old->second), ValueText(now->second)});
        }
    }
    return changes;
}

}  // namespace

ImportPreview PreviewImport(farm::ObjectFactory& factory,
                            const shared::Shared::FileSystemMaker& makeFileSystem,
                            const std::string& fileName, const shared::ServerMapping* mapping) {
    const std::unique_ptr<settings::FileSystem> files = makeFileSystem();
    const FileScan scan = ScanFile(*files, fileName);
    Target target = ReadTarget(factory);

    ImportPreview result;
    result.fileName = fileName;
    result.farmName = target.model.name;
    result.mapped = mapping != nullptr;
    result.settingsNotReported = target.settingsNotReported;
    result.accounts = scan.accounts;
    std::set<std::string> farmServers;
    for (const lab::ServerRecord& server : target.model.servers) {
        result.farmServers.push_back(server.name);
        farmServers.insert(lab::FoldCase(server.name));
    }
    for (const ServerUse& use : scan.servers) {
        if (!farmServers.contains(lab::FoldCase(use.name))) {
            MissingServer& missing = result.missingServers.emplace_back();
            missing.name = use.name;
            missing.applications = use.blocks;
            missing.firstLine = use.firstLine;
        }
    }

    // The farm cannot be asked which accounts it knows without changing it: the copy knows
    // every account the file names.
    target.model.accounts = scan.accounts;
    target.model.name = kCopyName;

    const ScratchFolder scratch(*files);
    lab::FarmModel before;
    After after;
    NoteTaker notes;
    {
        auto store = std::make_shared<lab::FarmStore>(lab::FarmStore::MemoryOnly{});
        store->Write(target.model);
        before = store->Read(target.model.name);

        lab::LabFactory copy(store, target.model.name);
        shared::QuietFeedback feedback;  // the observer hears what the import meets
        const std::string scratchPath = scratch.Path();
        shared::Shared module(
            copy,
            [&makeFileSystem, scratchPath] {
                return std::make_unique<ScratchFileSystem>(makeFileSystem(), scratchPath);
            },
            feedback);
        // What the import met reaches the preview through the observer, stop included.
        result.importOutcome =
            shared::ImportFarm(module, fileName, {.observer = &notes, .servers = mapping});
        after = ReadAfter(*store, before);
    }

    result.lines = std::move(notes.notes);
    result.stop = notes.stop;
    if (result.stop) {
        result.lines.push_back(*result.stop);
    }
    result.applications = Outcomes(scan.blocks, result.stop, before, after);
    result.foldersCreated = FoldersCreated(before, after);
    result.settingsChanged = SettingsChanged(before, after);
    return result;
}

}  // namespace preview
