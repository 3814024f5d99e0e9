// A farm file read into plain data for a comparison: the farm block's settings and each
// application block's settings, servers, user and group entries and icon, as the file has
// them.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace settings {
class FileSystem;
}

namespace compare {

struct Setting {
    std::string key;
    std::string value;
};

struct ApplicationModel {
    // ParentFolderDN + "/" + AppName, as the import composes it.
    std::string distinguishedName;
    // In file order; a key met again keeps its first place and takes the later value.
    std::vector<Setting> settings;
    std::vector<std::string> servers;  // as the Server lines name them
    std::vector<std::string> users;    // User entries, as written
    std::vector<std::string> groups;   // Group entries, as written
    std::optional<std::string> icon;   // the path the Icon line names
};

struct FarmModel {
    std::string fileName;
    std::vector<Setting> settings;               // the [Farm] block, in file order
    std::vector<ApplicationModel> applications;  // one per [Application] block, in file order
};

// Reads the farm file the way the import walks it: key lines before the first header belong
// to the farm block, section headers are told apart without regard to case, keys are exact,
// and a line that is no key line, or a key a section does not have, is passed over. A file
// that cannot be opened or read throws base::Error.
FarmModel ReadFarmModel(settings::FileSystem& files, const std::string& fileName);

// The bytes of an application's icon: the file of the name its Icon line names in the icons
// folder beside the farm file, where a backup copied elsewhere keeps its icons (the path
// named may hold a later export's by now), else the file the Icon line names. Nothing when
// the block names no icon or neither can be read.
std::optional<std::string> ReadIcon(const FarmModel& model, const ApplicationModel& application);

}  // namespace compare
