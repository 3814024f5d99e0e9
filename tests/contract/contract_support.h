// What tests of the farm interface share: a temp folder of their own, the failure a call
// raised, UTF-8 paths, and the small farm the contract runs on.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>

#include "farm/farm.h"
#include "lab/lab.h"
#include "support/error_of.h"
#include "support/utf8_paths.h"

namespace contract {

inline std::filesystem::path UniqueTempFolder(const std::string& prefix) {
    std::random_device random;
    auto folder = std::filesystem::temp_directory_path() /
                  (prefix + "-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(folder);
    return folder;
}

using testing_support::ErrorOf;
using testing_support::Utf8;

inline std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes;
    char buffer[4096];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        bytes.append(buffer, static_cast<size_t>(in.gcount()));
    }
    return bytes;
}

// A small farm with what is easy to get wrong on the way through a backend: non-ASCII and
// non-BMP text, "=" in values, nested folders, a desktop, a setting the farm cannot report.
inline lab::FarmModel ContractFarm() {
    lab::FarmModel m;
    m.name = "Contract Farm";
    m.zones = {{"Zone East", "CF-SRV01"}, {"Zone West", "CF-SRV03"}};
    m.servers = {{"CF-SRV01", "Zone East", 5, 2},
                 {"CF-SRV02", "Zone East", 5, 0},
                 {"CF-SRV03", "Zone West", 6, 1}};
    m.folders = {"Applications", "Applications/Office", "Applications/Office/Tools"};
    m.accounts = {"CFLAB\\alice", "CFLAB\\bob", "CFLAB\\Office Users", "CFLAB\\Admins"};
    m.settings = {{"MaxConnectionsPerUser", 5},
                  {"EnableACR", -1},
                  {"ICAVideoBufferSize", 1048576},
                  {"NDSPreferredTree", std::string("TREE=Main \xC3\xA9t\xC3\xA9")},
                  {"LicenseServerName", std::string("lic01.cflab.local")}};

    lab::AppRecord word;
    word.name = "W\xC3\xB6rd";  // Wörd
    word.folder = "Applications/Office";
    word.description = "Text processor \xE2\x9C\x93 a=b";
    word.keys = {{"EnableApp", 1},
                 {"DefaultInitProg", std::string("\"C:\\Office\\winword.exe\" /q /n")},
                 {"DefaultWorkDir", std::string("C:\\Office")},
                 {"DefaultWindowWidth", 1024},
                 {"DefaultWindowHeight", 768},
                 {"PNAttributes", 0}};
    word.servers = {"CF-SRV01", "CF-SRV02"};
    word.users = {{1, 2, "CFLAB", "alice"}};
    word.groups = {{1, 3, "CFLAB", "Office Users"}};
    word.icon = lab::MakeIcon(11);

    lab::AppRecord calc;
    calc.name = "Calc";
    calc.description = "";
    calc.keys = {{"EnableApp", 0}, {"DefaultInitProg", std::string("calc.exe")}};
    calc.servers = {"CF-SRV03"};
    calc.icon = lab::MakeIcon(12);

    lab::AppRecord desktop;
    desktop.name = "Full Desktop";
    desktop.description = "The whole desktop";
    desktop.keys = {{"PNAttributes", 8}, {"DefaultInitProg", std::string("PublishedDesktop")}};
    desktop.servers = {"CF-SRV02", "CF-SRV01", "CF-SRV03"};
    desktop.users = {{1, 2, "CFLAB", "bob"}, {1, 2, "CFLAB", "alice"}};
    desktop.groups = {{1, 3, "CFLAB", "Admins"}};
    desktop.icon = lab::MakeIcon(13);

    lab::AppRecord clef;
    clef.name = "Score \xF0\x9D\x84\x9E";  // a character outside the BMP
    clef.folder = "Applications/Office/Tools";
    clef.description = "Notes";
    clef.servers = {"CF-SRV02"};
    clef.icon = lab::MakeIcon(14);

    m.applications = {word, calc, desktop, clef};
    return m;
}

inline lab::FarmModel ContractNoAdminFarm() {
    lab::FarmModel m;
    m.name = "Contract NoAdmin";
    m.userIsAdministrator = false;
    m.zones = {{"Zone N", "CN-SRV01"}};
    m.servers = {{"CN-SRV01", "Zone N", 5, 2}};
    return m;
}

}  // namespace contract
