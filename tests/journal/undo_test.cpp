// Restore records and undo: every changing operation, run with a record, is undone to the
// farm it found (the farm read back through its object model, as an export reads it); the undo
// can be undone; what someone changed since is left alone and listed; a program killed in the
// middle of an import leaves a record whose undo puts the farm back.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <utility>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "base/utf8_path.h"
#include "journal/journal.h"
#include "journal/undo.h"
#include "shared/deployment.h"
#include "shared/farm_file.h"
#include "shared/files_fixture.h"
#include "shared/server_file.h"

namespace files_test {
namespace {

using Operation = std::function<shared::Outcome(shared::Shared&)>;

class UndoTest : public FilesTest {
  protected:
    UndoTest() {
        // A namesake of the file's root-folder Word with another icon and description, an
        // application only the farm has, and S3 free for publishing.
        lab::FarmModel farm = SmallFarm();
        farm.applications[1].icon = lab::MakeIcon(77);
        farm.applications[1].description = "The farm's own Word";
        farm.applications.push_back(App("Applications", "Calc", 9));
        before_ = farm;
        store_->Write(before_);
        lab::FarmModel source = SmallFarm("Source");
        source.applications.erase(source.applications.begin());  // Office/Word stays the farm's
        source.applications.push_back(App("Applications/New/Deeper", "Fresh", 12));
        store_->Write(source);
        auto session = Open("Source");
        EXPECT_FALSE(shared::ExportFarm(session->shared, PathOf("farm.ini")).failure);
    }

    // The farm as its object model shows it: each application's block (servers, users and
    // groups in any order, the icon by its bytes) and the farm's settings.
    std::map<std::string, std::vector<std::string>> Seen() {
        // Exported in a folder of its own: an export tidies its icons folder.
        const fs::path folder = root_ / "seen";
        fs::create_directories(folder / "work");
        fs::create_directories(folder / "tmp");
        lab::LabFactory factory(store_, "FileLab");
        testing_support::RecordingFeedback feedback;
        shared::Shared module(
            factory, [&] { return std::make_unique<TestFileSystem>(folder, log_); }, feedback);
        const std::string file = Utf8(folder / "work" / "seen.ini");
        EXPECT_FALSE(shared::ExportFarm(module, file).failure);
        std::ifstream in(folder / "work" / "seen.ini", std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        std::map<std::string, std::vector<std::string>> seen;
        std::vector<std::string> block;  // the farm's, then each application's
        std::string name = "(farm)";
        const auto keep = [&] {
            std::sort(block.begin(), block.end());
            seen[name] = std::exchange(block, {});
        };
        for (std::string line : Lines(text.str())) {
            if (line == "[Application]") {
                keep();
            }
            if (line.starts_with("DistinguishedName=")) {
                name = line.substr(18);
            }
            if (line.starts_with("Icon=")) {
                line = "Icon " + std::to_string(std::hash<std::string>{}(
                                     testing_support::FileBytes(base::PathOf(line.substr(5)))));
            }
            if (!line.empty()) {
                block.push_back(line);
            }
        }
        keep();
        return seen;
    }

    // The lines one side has and the other has not, for a failure's message.
    static std::string Difference(const std::map<std::string, std::vector<std::string>>& now,
                                  const std::map<std::string, std::vector<std::string>>& wanted) {
        std::string text;
        for (const auto* side : {&now, &wanted}) {
            const auto* other = side == &now ? &wanted : &now;
            for (const auto& [name, lines] : *side) {
                const auto found = other->find(name);
                for (const std::string& line : lines) {
                    if (found == other->end() ||
                        std::find(found->second.begin(), found->second.end(), line) ==
                            found->second.end()) {
                        text += (side == &now ? "\n  now only: " : "\n  wanted only: ") + name +
                                ": " + line;
                    }
                }
            }
        }
        return text;
    }

    // Runs the operation with a record in the journal, finished as the program finishes it.
    std::string RunRecorded(const std::string& title, const Operation& operation) {
        auto session = Open("FileLab");
        std::unique_ptr<journal::RecordWriter> record = journal_.Begin(title, title);
        session->shared.journal = record.get();
        const shared::Outcome outcome = operation(session->shared);
        EXPECT_FALSE(outcome.failure) << title << ": " << outcome.failure->error.description;
        record->Finish();
        return record->Id();
    }

    shared::Outcome UndoRecord(const std::string& id, bool whatIf = false) {
        auto session = Open("FileLab");
        std::unique_ptr<journal::RecordWriter> record =
            whatIf ? nullptr : journal_.Begin("Undo", "Undo " + id);
        session->shared.journal = record.get();
        shared::Outcome outcome = journal::Undo(session->shared, journal_.Read(id), whatIf);
        if (record) {
            record->Finish();
        }
        return outcome;
    }

    lab::FarmModel before_;
    journal::Journal journal_{root_ / "journal"};
};

TEST_F(UndoTest, EveryOperationIsUndoneAndTheUndoUndone) {
    const std::vector<std::pair<std::string, Operation>> operations = {
        {"Import Farm",
         [&](shared::Shared& s) { return shared::ImportFarm(s, PathOf("farm.ini")); }},
        {"Take offline",
         [&](shared::Shared& s) { return shared::ExportServerApps(s, "S1", PathOf("s1.ini")); }},
        {"Bring online",
         [&](shared::Shared& s) {
             Write("on.ini",
                   "[Applications]\r\nDistinguishedName=Applications/Calc\r\n"
                   "DistinguishedName=Applications/Word\r\n");
             return shared::ImportServerApps(s, "S3", PathOf("on.ini"));
         }},
        {"Clone", [](shared::Shared& s) { return shared::CloneServerApps(s, "S1", "S3"); }},
        {"Publish",
         [](shared::Shared& s) {
             return shared::PublishAppOnServer(s, "Applications/Calc", "S2");
         }},
        {"Unpublish",
         [](shared::Shared& s) {
             return shared::UnpublishAppFromServer(s, "Applications/Office/Word", "S2");
         }},
        {"Options",
         [](shared::Shared& s) {
             return shared::SetAppOptions(s, "Applications/Word", {5, 1, 2, 2, 50, 700, 900});
         }},
    };
    for (const auto& [title, operation] : operations) {
        SCOPED_TRACE(title);
        store_->Write(before_);
        const auto found = Seen();
        const std::string id = RunRecorded(title, operation);
        const auto changed = Seen();
        ASSERT_TRUE(changed != found);
        const size_t folders = store_->Read("FileLab").folders.size();

        const shared::Outcome dryRun = UndoRecord(id, true);
        EXPECT_FALSE(dryRun.failure);
        EXPECT_FALSE(dryRun.changes.empty());
        EXPECT_EQ(Difference(Seen(), changed), "");  // a dry run changes nothing

        const shared::Outcome undone = UndoRecord(id);
        ASSERT_FALSE(undone.failure) << undone.failure->error.description;
        EXPECT_TRUE(std::none_of(undone.passedOver.begin(), undone.passedOver.end(),
                                 [](const auto& item) { return shared::Lost(item); }));
        EXPECT_EQ(Difference(Seen(), found), "");
        EXPECT_EQ(store_->Read("FileLab").folders.size(), folders);  // folders created stay

        // The undo's own record undoes the undo.
        const shared::Outcome redone = UndoRecord(journal_.Ids().front());
        ASSERT_FALSE(redone.failure) << redone.failure->error.description;
        EXPECT_EQ(Difference(Seen(), changed), "");
    }
    const journal::RestoreRecord import = journal_.Read("1");
    EXPECT_EQ(import.operation, "Import Farm");
    EXPECT_TRUE(import.finished);
}

// What someone changed between the operation and its undo survives the undo and is listed.
TEST_F(UndoTest, WhatWasChangedSinceIsLeftAloneAndListed) {
    const std::string id = RunRecorded("Import Farm", [&](shared::Shared& s) {
        shared::Outcome outcome = shared::ImportFarm(s, PathOf("farm.ini"));
        shared::Outcome options =
            shared::SetAppOptions(s, "Applications/Desktop", {5, 1, 2, 2, 50, 700, 900});
        outcome.changes.insert(outcome.changes.end(), options.changes.begin(),
                               options.changes.end());
        return outcome;
    });
    // Another administrator: a new description for the imported Word, a window type for
    // Desktop.
    lab::FarmModel edited = store_->Read("FileLab");
    for (lab::AppRecord& app : edited.applications) {
        if (app.DistinguishedName() == "Applications/Word") {
            app.description = "Edited since";
        }
        if (app.DistinguishedName() == "Applications/Desktop") {
            app.keys["DefaultWindowType"] = 3;
        }
    }
    store_->Write(edited);

    const shared::Outcome undone = UndoRecord(id);
    ASSERT_FALSE(undone.failure);
    std::vector<std::string> leftAlone;
    for (const shared::PassedOverItem& item : undone.passedOver) {
        if (item.where == shared::PassedOver::ChangedSince) {
            leftAlone.push_back(item.application);
        }
    }
    std::sort(leftAlone.begin(), leftAlone.end());
    // Desktop twice: the import replaced it and the options changed it.
    leftAlone.erase(std::unique(leftAlone.begin(), leftAlone.end()), leftAlone.end());
    EXPECT_EQ(leftAlone, (std::vector<std::string>{"Applications/Desktop", "Applications/Word"}));
    const lab::FarmModel after = store_->Read("FileLab");
    for (const lab::AppRecord& app : after.applications) {
        if (app.DistinguishedName() == "Applications/Word") {
            EXPECT_EQ(app.description, "Edited since");
        }
        if (app.DistinguishedName() == "Applications/Desktop") {
            EXPECT_EQ(app.keys.at("DefaultWindowType"), farm::Value(3));
        }
    }
    // The application the import created in a new folder is gone; its folder stays.
    EXPECT_TRUE(std::none_of(after.applications.begin(), after.applications.end(),
                             [](const lab::AppRecord& a) { return a.name == "Fresh"; }));
    EXPECT_TRUE(std::any_of(undone.passedOver.begin(), undone.passedOver.end(), [](const auto& i) {
        return i.where == shared::PassedOver::FolderKept;
    }));
}

// The journal keeps the number of records it is told, the newest; a record cut short in the
// middle of a line is read up to its last whole step.
TEST_F(UndoTest, TheJournalKeepsTheLastRecordsAndReadsACutRecord) {
    journal::Journal three(root_ / "three", 3);
    for (int i = 0; i < 5; ++i) {
        three.Begin("Publish", "run " + std::to_string(i))->Finish();
    }
    EXPECT_EQ(three.Ids(), (std::vector<std::string>{"5", "4", "3"}));
    EXPECT_EQ(three.Read("4").title, "run 3");
    EXPECT_THROW(three.Read("1"), base::Error);
    EXPECT_THROW(three.Read("../x"), base::Error);

    {
        auto record = three.Begin("Publish", "cut");
        record->BindingChanging("Applications/A\tB", "S1", false, true);
        record->BindingChanging("Applications/C", "S2", true, false);
    }
    const fs::path file = root_ / "three" / "6" / "record.txt";
    std::string text = testing_support::FileBytes(file);
    text.resize(text.size() - 3);  // the last step's line loses its end
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
    const journal::RestoreRecord cut = three.Read("6");
    EXPECT_FALSE(cut.finished);
    ASSERT_EQ(cut.steps.size(), 1u);
    EXPECT_EQ(std::get<journal::BindingStep>(cut.steps[0]).application, "Applications/A\tB");
}

#ifndef _WIN32
// A writer killed in the middle of an import, at several points, leaves a record whose undo
// puts the farm back as it was before the import.
TEST_F(UndoTest, AnImportKilledInTheMiddleIsUndoneFromItsRecord) {
    const auto found = Seen();
    // How many farm calls a whole recorded import makes.
    faults_->ResetCount();
    RunRecorded("Import Farm",
                [&](shared::Shared& s) { return shared::ImportFarm(s, PathOf("farm.ini")); });
    const int64_t calls = faults_->CallCount();
    ASSERT_GT(calls, 50);
    for (int64_t at : {calls / 6, calls / 3, calls / 2, 2 * calls / 3, 5 * calls / 6, calls - 2}) {
        SCOPED_TRACE(at);
        store_->Write(before_);
        const pid_t child = fork();
        if (child == 0) {
            auto faults = std::make_shared<lab::FaultInjector>();
            faults->EndProcessAtCall(at);
            lab::LabFactory factory(std::make_shared<lab::FarmStore>(root_ / "store"), "FileLab",
                                    faults);
            testing_support::RecordingFeedback feedback;
            shared::Shared module(
                factory, [this] { return std::make_unique<TestFileSystem>(root_, log_); },
                feedback);
            auto record = journal_.Begin("Import Farm", "killed");
            module.journal = record.get();
            static_cast<void>(shared::ImportFarm(module, PathOf("farm.ini")));
            std::_Exit(0);  // not reached when the call comes
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), lab::FaultInjector::kEndedByFault);
        const std::string id = journal_.Ids().front();
        EXPECT_FALSE(journal_.Read(id).finished);
        const shared::Outcome undone = UndoRecord(id);
        ASSERT_FALSE(undone.failure) << undone.failure->error.description;
        EXPECT_EQ(Difference(Seen(), found), "");
    }
}
#endif

}  // namespace
}  // namespace files_test
