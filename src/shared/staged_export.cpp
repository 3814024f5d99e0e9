#include "shared/staged_export.h"

#include <string_view>
#include <utility>

#include "base/error.h"
#include "settings/file_system.h"
#include "shared/file_support.h"

namespace shared {

namespace {

// Appended to a final name for the name a file is written under until the export is complete,
// and for the name a previous icon of that name keeps until then.
constexpr std::string_view kStageSuffix = ".partial";
constexpr std::string_view kAsideSuffix = ".previous";

[[noreturn]] void ThrowPermissionDenied() {
    throw base::Error(base::kErrPermissionDenied, "Permission denied");
}

// Where a file that cannot be deleted is left behind: the next export to the same place writes
// over it. A stage that was never written is no failure either.
void DeleteQuietly(settings::FileSystem& files, const std::string& path) {
    try {
        files.DeleteFiles(path, true);
    } catch (const base::Error&) {
        // Left behind.
    }
}

}  // namespace

StagedExport::StagedExport(settings::FileSystem& files, std::string farmFile)
    : files_(files),
      farmFile_(std::move(farmFile)),
      iconsFolder_(Path(files.CurrentDirectory(), "icons")) {
    if (!files_.FolderExists(iconsFolder_)) {
        files_.CreateFolder(iconsFolder_);
        return;
    }
    for (const settings::FoundFile& icon : files_.FindFiles(Path(iconsFolder_, "*.ico"))) {
        if (icon.readOnly) {
            ThrowPermissionDenied();
        }
    }
}

std::string StagedExport::FarmFileStage() const {
    return farmFile_ + std::string(kStageSuffix);
}

std::unique_ptr<settings::TextStream> StagedExport::CreateFarmFile() {
    if (files_.FolderExists(farmFile_)) {
        ThrowPermissionDenied();
    }
    for (const settings::FoundFile& file : files_.FindFiles(farmFile_)) {
        if (file.readOnly) {
            ThrowPermissionDenied();
        }
    }
    return files_.CreateTextFile(FarmFileStage());
}

StagedExport::Icon StagedExport::AddIcon(const std::string& appName) {
    Icon icon;
    icon.name = iconNames_.Claim(appName);
    icon.path = Path(iconsFolder_, icon.name);
    icon.stage = icon.path + std::string(kStageSuffix);
    icons_.push_back(icon);
    return icon;
}

void StagedExport::Complete() {
    // Each step undone in reverse order when a later one fails: until the farm file is in
    // place, the previous farm file and its icons are the export.
    std::vector<std::pair<std::string, std::string>> moved;  // from, to
    const auto move = [&](const std::string& from, const std::string& to) {
        files_.MoveFileOver(from, to);
        moved.emplace_back(from, to);
    };
    std::vector<std::string> setAside;
    try {
        for (const Icon& icon : icons_) {
            const std::string aside = icon.path + std::string(kAsideSuffix);
            try {
                move(icon.path, aside);
                setAside.push_back(aside);
            } catch (const base::Error& e) {
                if (e.number() != base::kErrFileNotFound) {
                    throw;
                }
                // No icon of that name yet.
            }
            move(icon.stage, icon.path);
        }
        move(FarmFileStage(), farmFile_);
    } catch (const base::Error&) {
        for (auto step = moved.rbegin(); step != moved.rend(); ++step) {
            try {
                files_.MoveFileOver(step->second, step->first);
            } catch (const base::Error&) {
                // The failure that brought us here is the one reported.
            }
        }
        throw;
    }

    // The export is complete: what is left of the previous one goes, as far as it can.
    for (const std::string& aside : setAside) {
        DeleteQuietly(files_, aside);
    }
    std::vector<settings::FoundFile> icons;
    try {
        icons = files_.FindFiles(Path(iconsFolder_, "*.ico"));
    } catch (const base::Error&) {
        return;  // the earlier export's icons stay; the farm file does not name them
    }
    for (const settings::FoundFile& icon : icons) {
        if (!iconNames_.Claimed(icon.name)) {
            try {
                files_.DeleteFiles(Path(iconsFolder_, icon.name), false);
            } catch (const base::Error&) {
                // It stays; the farm file does not name it.
            }
        }
    }
}

void StagedExport::Discard() {
    for (const Icon& icon : icons_) {
        DeleteQuietly(files_, icon.stage);
    }
    DeleteQuietly(files_, FarmFileStage());
}

}  // namespace shared
