// Where a farm export writes: the farm file and its icons under temporary names beside their
// final places, put in place only once the export is complete. A failed export leaves the
// previous one, file and icons, as it was, and no file under the name chosen.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "shared/icon_names.h"

namespace settings {
class FileSystem;
class TextStream;
}  // namespace settings

namespace shared {

class StagedExport {
  public:
    // Prepares the icons folder below the working directory: creates it when missing, and
    // finds out that the icons there can be replaced or removed (a read-only one is error 70).
    StagedExport(settings::FileSystem& files, std::string farmFile);
    StagedExport(const StagedExport&) = delete;
    StagedExport& operator=(const StagedExport&) = delete;

    // Opens the farm file's temporary copy for writing, once it is clear that the farm file
    // can be replaced: a folder or a read-only file of its name is error 70.
    std::unique_ptr<settings::TextStream> CreateFarmFile();

    struct Icon {
        std::string name;   // the file name, unique within the export
        std::string path;   // in the icons folder, as the farm file names it
        std::string stage;  // the temporary name the icon is written under
    };
    // The icon file of an application of that name.
    Icon AddIcon(const std::string& appName);

    // Puts the icons and then the farm file in place; a failure on the way puts the previous
    // ones back before it is thrown. Then removes the icons of an earlier export that this one
    // does not name; their removal is passed over when it fails, as the export is complete.
    void Complete();
    // After a failure: removes what was written under temporary names, as far as it can.
    void Discard();

  private:
    std::string FarmFileStage() const;

    settings::FileSystem& files_;
    std::string farmFile_;
    std::string iconsFolder_;
    IconNames iconNames_;
    std::vector<Icon> icons_;
};

}  // namespace shared
