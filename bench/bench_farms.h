// What the benchmarks share: lab farms of a given size (10 servers, 5 users and 2 groups per
// application, real icons), a file system rooted in the benchmark's folder, feedback that
// only counts messages, and a stopwatch.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/utf8_path.h"
#include "lab/lab.h"
#include "settings/file_system.h"
#include "shared/feedback.h"
#include "shared/outcome.h"
#include "shared/shared.h"

namespace bench {

inline constexpr int kServers = 10;
inline constexpr int kUsers = 5;
inline constexpr int kGroups = 2;

using base::Utf8;

// The real file system, working in the benchmark's own folder.
class WorkFolderFileSystem : public settings::FileSystem {
  public:
    explicit WorkFolderFileSystem(std::string folder);
    std::unique_ptr<settings::TextStream> CreateTextFile(const std::string& p) override;
    std::unique_ptr<settings::TextStream> OpenTextFile(const std::string& p) override;
    bool FolderExists(const std::string& p) override;
    void CreateFolder(const std::string& p) override;
    void DeleteFiles(const std::string& p, bool force) override;
    void CopyFileOver(const std::string& s, const std::string& t) override;
    void MoveFileOver(const std::string& s, const std::string& t) override;
    std::vector<settings::FoundFile> FindFiles(const std::string& p) override;
    std::string GetTempFolder() override;
    std::string CurrentDirectory() override;

  private:
    std::string folder_;
    std::unique_ptr<settings::FileSystem> real_;
};

// Feedback with no window that keeps the messages the windows would show for the outcomes
// noted.
struct QuietFeedback : shared::QuietFeedback {
    std::vector<std::string> messages;
};

// Notes the messages of an outcome of `module` where its feedback keeps them.
void Note(shared::Shared& module, const shared::Outcome& outcome);

// A benchmark's work folder, emptied, with its temporary folder: below `parent` (a folder the
// command line gives, or the system's temporary folder), a lab store in it that is not
// durable, and a file system that works in it.
struct WorkFolder {
    std::filesystem::path root;
    std::string folder;  // the root, as the program names files
    std::shared_ptr<lab::FarmStore> store;
    shared::Shared::FileSystemMaker makeFileSystem;
};
WorkFolder MakeWorkFolder(const std::filesystem::path& parent, const std::string& name);
// The folder the command line names as its first argument, else the temporary folder.
std::filesystem::path ParentFolder(int argc, char** argv);

// A farm named `name` with `applications` applications, each published on every server.
lab::FarmModel MakeFarm(const std::string& name, int applications);
// The same farm with no applications and only the root folder.
lab::FarmModel EmptyCopy(const lab::FarmModel& model, const std::string& name);

double Seconds(const std::function<void()>& work);

// Stops the program with the message when the feedback showed one.
void Check(const QuietFeedback& feedback, const char* what);

}  // namespace bench
