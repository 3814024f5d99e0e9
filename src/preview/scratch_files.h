// Where the preview may write: a folder of its own below the temporary folder, removed with
// its owner, and a file system that reads anywhere but writes only inside that folder. The
// import's icon steps then copy into the scratch folder, and a step that would write anywhere
// else fails instead of touching the user's files.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "settings/file_system.h"

namespace preview {

class ScratchFolder {
  public:
    // A new, empty folder below the temporary folder of `files`.
    explicit ScratchFolder(settings::FileSystem& files);
    // Removes the folder and everything in it, as far as it can.
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return path_; }  // UTF-8, as the file system takes it
    std::filesystem::path NativePath() const;
    // A path inside the folder.
    std::string Below(const std::string& name) const;

  private:
    std::string path_;
};

// Reads through `real`; creates, copies to and deletes only inside `folder` (error 70
// elsewhere). Its temporary folder and working directory are `folder`.
class ScratchFileSystem : public settings::FileSystem {
  public:
    ScratchFileSystem(std::unique_ptr<settings::FileSystem> real, std::string folder);

    std::unique_ptr<settings::TextStream> CreateTextFile(const std::string& path) override;
    std::unique_ptr<settings::TextStream> OpenTextFile(const std::string& path) override;
    bool FolderExists(const std::string& path) override;
    void CreateFolder(const std::string& path) override;
    void DeleteFiles(const std::string& pathOrPattern, bool force) override;
    void CopyFileOver(const std::string& source, const std::string& target) override;
    void MoveFileOver(const std::string& source, const std::string& target) override;
    std::vector<settings::FoundFile> FindFiles(const std::string& pathOrPattern) override;
    std::string GetTempFolder() override;
    std::string CurrentDirectory() override;

  private:
    // Throws unless the path lies inside the folder.
    void RequireInside(const std::string& path) const;

    std::unique_ptr<settings::FileSystem> real_;
    std::string folder_;
};

}  // namespace preview
