// A farm backend and a file system that pass every call on and add up the time spent inside
// them, so a benchmark can tell the program's own work from the farm's and the files'.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "farm/farm.h"
#include "settings/file_system.h"

namespace bench {

// Time spent inside the calls passed on, and their number.
struct Stopwatch {
    std::chrono::nanoseconds spent{0};
    long long calls = 0;
    double Seconds() const { return std::chrono::duration<double>(spent).count(); }
};

// Every object it creates times its calls on `clock`, the objects they return included.
class TimedFactory : public farm::ObjectFactory {
  public:
    TimedFactory(farm::ObjectFactory& inner, Stopwatch& clock) : inner_(inner), clock_(clock) {}
    std::unique_ptr<farm::Farm> CreateFarm() override;
    std::unique_ptr<farm::Server> CreateServer() override;
    std::unique_ptr<farm::Application> CreateApplication() override;
    std::unique_ptr<farm::Folder> CreateFolder() override;
    std::unique_ptr<farm::Binding> CreateBinding() override;
    std::unique_ptr<farm::Account> CreateUser() override;
    std::unique_ptr<farm::Account> CreateGroup() override;
    std::unique_ptr<farm::Credential> CreateCredential() override;

  private:
    farm::ObjectFactory& inner_;
    Stopwatch& clock_;
};

// What the timing adds to one farm call, in seconds: a trivial call made through a timed
// object less the same call made directly.
double TimingCostPerCall();

// Times the file system's calls on `files`, and the calls on the text streams it opens on
// `lines`.
class TimedFileSystem : public settings::FileSystem {
  public:
    TimedFileSystem(std::unique_ptr<settings::FileSystem> inner, Stopwatch& files,
                    Stopwatch& lines);
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
    std::unique_ptr<settings::FileSystem> inner_;
    Stopwatch& files_;
    Stopwatch& lines_;
};

}  // namespace bench
