#include "compare/farm_model.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <ios>
#include <iterator>
#include <memory>
#include <string_view>
#include <system_error>
#include <utility>

#include "base/utf8_path.h"
#include "settings/file_system.h"
#include "settings/lines.h"
#include "shared/farm_file_reader.h"
#include "shared/file_support.h"

namespace compare {

namespace {

constexpr std::string_view kRootFolder = "Applications";

void Assign(std::vector<Setting>& settings, std::string key, std::string value) {
    const auto found = std::find_if(settings.begin(), settings.end(),
                                    [&key](const Setting& s) { return s.key == key; });
    if (found != settings.end()) {
        found->value = std::move(value);
    } else {
        settings.push_back({std::move(key), std::move(value)});
    }
}

const std::string* ValueOf(const std::vector<Setting>& settings, std::string_view key) {
    const auto found = std::find_if(settings.begin(), settings.end(),
                                    [key](const Setting& s) { return s.key == key; });
    return found == settings.end() ? nullptr : &found->value;
}

// A new application's folder is the root folder until ParentFolderDN names another.
std::string ComposeName(const ApplicationModel& application) {
    const std::string* folder = ValueOf(application.settings, "ParentFolderDN");
    const std::string* name = ValueOf(application.settings, "AppName");
    return (folder != nullptr ? *folder : std::string(kRootFolder)) + "/" +
           (name != nullptr ? *name : std::string());
}

// The lines of one section that are not its own key are passed over, as the import does.
void AddEntry(std::vector<std::string>& entries, const settings::KeyLine& line,
              std::string_view key) {
    if (line.key == key) {
        entries.push_back(line.value);
    }
}

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

std::string_view FolderOf(std::string_view path) {
    const auto last = std::find_if(path.rbegin(), path.rend(), IsSeparator);
    return path.substr(0, static_cast<size_t>(std::distance(last, path.rend())));
}

std::string_view LastPart(std::string_view path) {
    return path.substr(FolderOf(path).size());
}

std::optional<std::string> ReadBytes(const std::string& path) {
    std::filesystem::path file;
    try {
        file = base::PathOf(path);
    } catch (const std::system_error&) {
        return std::nullopt;  // a name this system cannot hold
    }
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) {
        return std::nullopt;
    }
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    std::ifstream in(file, std::ios::binary);
    if (error || !in) {
        return std::nullopt;
    }
    std::string bytes(static_cast<size_t>(size), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (in.bad()) {
        return std::nullopt;
    }
    bytes.resize(static_cast<size_t>(in.gcount()));
    return bytes;
}

void ReadBlocks(shared::FarmFileReader& reader, FarmModel& model) {
    ApplicationModel* application = nullptr;
    while (std::optional<shared::FarmFileLine> line = reader.Next()) {
        if (line->header == settings::Header::Application) {
            application = &model.applications.emplace_back();
        }
        if (!line->key) {
            continue;
        }
        settings::KeyLine& keyLine = *line->key;
        if (line->section == settings::Header::Farm) {
            Assign(model.settings, std::move(keyLine.key), std::move(keyLine.value));
            continue;
        }
        if (application == nullptr) {
            continue;  // the import has no application to give it to either
        }
        switch (line->section) {
            case settings::Header::Servers:
                AddEntry(application->servers, keyLine, "Server");
                break;
            case settings::Header::Users:
                AddEntry(application->users, keyLine, "User");
                break;
            case settings::Header::Groups:
                AddEntry(application->groups, keyLine, "Group");
                break;
            case settings::Header::Icon:
                if (keyLine.key == "Icon") {
                    application->icon = std::move(keyLine.value);
                }
                break;
            case settings::Header::Application:
                Assign(application->settings, std::move(keyLine.key), std::move(keyLine.value));
                break;
            case settings::Header::Farm:
            case settings::Header::None:
                break;
        }
    }
}

}  // namespace

FarmModel ReadFarmModel(settings::FileSystem& files, const std::string& fileName) {
    FarmModel model;
    model.fileName = fileName;
    shared::FarmFileReader reader(files.OpenTextFile(fileName));
    try {
        ReadBlocks(reader, model);
        reader.Close();
    } catch (...) {
        shared::CloseQuietly(&reader.Stream());
        throw;
    }
    for (ApplicationModel& each : model.applications) {
        each.distinguishedName = ComposeName(each);
    }
    return model;
}

std::optional<std::string> ReadIcon(const FarmModel& model, const ApplicationModel& application) {
    if (!application.icon) {
        return std::nullopt;
    }
    const std::string_view name = LastPart(*application.icon);
    if (!name.empty()) {
        std::string beside(FolderOf(model.fileName));
        beside += "icons";
        beside += settings::kPathSeparator;
        beside += name;
        if (std::optional<std::string> bytes = ReadBytes(beside)) {
            return bytes;
        }
    }
    return ReadBytes(*application.icon);
}

}  // namespace compare
