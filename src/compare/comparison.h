// What differs between two farms: two farm files (an old backup and a newer one), or a farm
// file and the farm itself through a fresh export, so that both sides are written alike.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "farm/farm.h"
#include "shared/shared.h"

namespace settings {
class FileSystem;
}

namespace compare {

struct FarmModel;

enum class DifferenceKind {
    OnlyInOld,      // an application only the old side has
    OnlyInNew,      // an application only the new side has
    Setting,        // a farm setting (no application) or an application setting: item is its key
    ServerBound,    // item: the server, as the new side names it
    ServerUnbound,  // item: the server, as the old side names it
    UserAdded,      // item: the entry, as written
    UserRemoved,
    GroupAdded,
    GroupRemoved,
    IconDiffers,  // the values: the icon files read; missing where a side has none to read
};

struct Difference {
    DifferenceKind kind = DifferenceKind::Setting;
    std::string application;  // distinguished name; empty for the farm
    std::string item;
    std::optional<std::string> oldValue;  // a setting's values; missing where a side lacks it
    std::optional<std::string> newValue;
    bool operator==(const Difference&) const = default;
};

// In a stable order: farm settings first, then applications by distinguished name; within
// one application its settings in the old file's order (then those only the new one has),
// servers unbound and bound, users removed and added, groups removed and added, its icon.
struct Comparison {
    std::vector<Difference> differences;
};

// Applications match by distinguished name and servers by name, both without regard to case,
// as the farm finds them; user and group entries match on their account authority and
// account name without regard to case, as the farm holds an account once, and on their types
// exactly. Setting keys and values compare exactly. Icons compare by their files' bytes.
Comparison CompareModels(const FarmModel& oldModel, const FarmModel& newModel);

// Reads both farm files (a failure throws base::Error) and compares them.
Comparison CompareFarmFiles(settings::FileSystem& files, const std::string& oldFile,
                            const std::string& newFile);

// Exports the farm into a scratch folder below the temporary folder, removed afterwards, and
// compares the given file (old) with that export (new). A failed export throws its error.
Comparison CompareWithFarm(farm::ObjectFactory& factory,
                           const shared::Shared::FileSystemMaker& makeFileSystem,
                           const std::string& file);
// The same for a farm file read already.
Comparison CompareWithFarm(farm::ObjectFactory& factory,
                           const shared::Shared::FileSystemMaker& makeFileSystem,
                           const FarmModel& oldModel);

// One line of text per difference, in the comparison's order: the application (or "Farm"),
// then what differs.
std::vector<std::string> DifferenceLines(const Comparison& comparison);

// What differs, without the application it belongs to; the sides as the reader knows them
// ("the old", "the new").
std::string DifferenceText(const Difference& difference, std::string_view oldSide,
                           std::string_view newSide);

// The differences grouped: the farm's settings under "Farm settings", then each application
// under its distinguished name, its differences indented below; a blank line between groups.
// An application on one side only is a group of one line.
std::vector<std::string> GroupedLines(const Comparison& comparison, std::string_view oldSide,
                                      std::string_view newSide);

}  // namespace compare
