// A restore record: what one operation was about to change, kept before each change reached
// the farm, and what it left. One folder per record: record.txt (a line per step, appended and
// flushed as the operation goes) and the icons of the applications it keeps whole.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "shared/change_journal.h"

namespace journal {

// An application as the record keeps it: its farm-file block and its icon's file.
struct ApplicationState {
    std::vector<std::string> block;
    std::filesystem::path icon;
};

struct BindingStep {
    std::string application;
    std::string server;
    bool boundBefore = false;
    bool boundAfter = false;
};

struct SettingsStep {
    std::string application;
    shared::SettingValues before;
    shared::SettingValues after;
};

struct FarmSettingStep {
    std::string name;
    std::optional<farm::Value> before;  // none: the farm did not say
    farm::Value after;
};

struct ApplicationStep {
    std::string distinguishedName;
    std::optional<ApplicationState> before;  // none: there was no such application
    // What the operation left: stored (its state), removed, the change refused (as before),
    // or nothing on record (the program ended before it could say).
    enum class Left { Unknown, Stored, Removed, Unchanged } left = Left::Unknown;
    std::optional<ApplicationState> after;
};

struct FolderStep {
    std::string path;
};

using Step = std::variant<BindingStep, SettingsStep, FarmSettingStep, ApplicationStep, FolderStep>;

struct RestoreRecord {
    std::string id;
    std::string operation;  // "Publish", "Import Farm", ...
    std::string title;      // what was run
    std::string started;
    bool finished = false;  // false: the program ended in the middle
    std::vector<Step> steps;
};

// Writes a record as the operation goes: every step is in the file (flushed to the system)
// before the method returns. Failures throw base::Error, so the change does not go ahead.
class RecordWriter final : public shared::ChangeJournal {
  public:
    RecordWriter(std::filesystem::path folder, std::string id, const std::string& operation,
                 const std::string& title, const std::string& started);
    ~RecordWriter() override;

    void BindingChanging(const std::string& application, const std::string& server,
                         bool boundBefore, bool boundAfter) override;
    void SettingsChanging(const std::string& application, const shared::SettingValues& before,
                          const shared::SettingValues& after) override;
    void FarmSettingChanging(const std::string& name, const std::optional<farm::Value>& before,
                             const farm::Value& after) override;
    void ApplicationChanging(const std::string& distinguishedName,
                             farm::Application* before) override;
    void ApplicationStored(const std::string& distinguishedName, farm::Application& after) override;
    void ApplicationRemoved(const std::string& distinguishedName) override;
    void ApplicationNotStored(const std::string& distinguishedName) override;
    void FolderCreated(const std::string& path) override;

    // The operation ended (however it ended): the record is complete.
    void Finish();
    const std::string& Id() const { return id_; }
    bool Empty() const { return steps_ == 0; }

  private:
    void Write(const std::vector<std::string>& fields);
    void WriteState(farm::Application& application, const std::string& icon);
    int Sequence(const std::string& distinguishedName) const;

    std::filesystem::path folder_;
    std::string id_;
    std::ofstream file_;
    int steps_ = 0;
    std::map<std::string, int> sequences_;  // the last application step per folded name
};

// Reads the record in the folder; a step the program could not finish writing is left out.
RestoreRecord ReadRecord(const std::filesystem::path& folder);

}  // namespace journal
