// What the farm import tells an observer (each line passed over, the line that stops it, with
// their numbers, as the file has them), and the server mapping between the file and the
// import: only Server values change, a left-out server's line is skipped, a second binding to
// one server is merged, every line keeps its number. Neither changes what the import does to
// the farm beyond that.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "files_fixture.h"
#include "lab/rules.h"
#include "shared/farm_file.h"
#include "shared/server_mapping.h"

namespace files_test {
namespace {

using shared::PassedOver;

// (line number, where or "stop", error number, line text [" -> " the mapped line])
using Event = std::tuple<int64_t, std::string, int32_t, std::string>;

std::string WhereName(PassedOver where) {
    switch (where) {
        case PassedOver::FarmSetting:
            return "setting";
        case PassedOver::ApplicationSetting:
            return "not on farm";
        case PassedOver::Folder:
        case PassedOver::FolderExisted:
            return "folder";
        case PassedOver::Namesake:
        case PassedOver::NoNamesake:
            return "namesake";
        case PassedOver::NotRead:
            return "not read";
        case PassedOver::ServerLeftOut:
            return "left out";
        case PassedOver::ServerMerged:
            return "merged";
        case PassedOver::Commit:
            return "refused";
        case PassedOver::ChangedSince:
        case PassedOver::FolderKept:
            return "kept";
    }
    return "?";
}

class RecordingObserver : public shared::ImportObserver {
  public:
    void LinePassedOver(const shared::ImportLine& line, PassedOver where,
                        const shared::ErrorInfo& reason) override {
        events.emplace_back(line.number, WhereName(where), reason.number, Text(line));
    }
    void ImportStopped(const shared::ImportLine& line, const shared::ErrorInfo& error) override {
        events.emplace_back(line.number, "stop", error.number, Text(line));
    }
    std::vector<Event> events;

  private:
    static std::string Text(const shared::ImportLine& line) {
        return line.mapped ? line.text + " -> " + *line.mapped : line.text;
    }
};

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\r\n";
    }
    return text;
}

class ImportObserverTest : public FilesTest {
  protected:
    ImportObserverTest() { Write("icon.ico", lab::MakeIcon(3)); }

    // Imports `lines` into a fresh SmallFarm named "Observed"; returns the farm afterwards.
    lab::FarmModel Import(const std::vector<std::string>& lines,
                          const shared::ImportOptions& options, size_t expectedMessages) {
        store_->Write(SmallFarm("Observed"));
        Write("farm.ini", Joined(lines));
        auto session = Open("Observed");
        testing_support::Shown(session->shared,
                               shared::ImportFarm(session->shared, PathOf("farm.ini"), options));
        EXPECT_EQ(session->feedback.messages.size(), expectedMessages);
        EXPECT_EQ(log_.opened, log_.closed);
        return store_->Read("Observed");
    }

    std::string Icon() const { return "Icon=" + PathOf("icon.ico"); }
};

TEST_F(ImportObserverTest, NamesEveryLinePassedOverAndTheStopWithoutChangingTheImport) {
    const std::vector<std::string> lines = {
        "[Farm]",                              // 1
        "Farmname=Elsewhere",                  // 2 carried, never read
        "MaxConnectionsPerUser=many",          // 3 no number
        "Colour=blue",                         // 4 no such key
        " [Farm]",                             // 5 not a header, not a key line
        "",                                    // 6
        "[Application]",                       // 7
        "AppName=Fresh",                       // 8
        "CPUPriority=3",                       // 9 carried, never read
        "ParentFolderDN=Applications/Office",  // 10 the folder exists: a folder step fails
        "[Servers]",                           // 11
        "Server=S1",                           // 12
        "User=2:1:LAB:ann",                    // 13 no User key in [Servers]
        "[Icon]",                              // 14
        Icon(),                                // 15 stored in Office: no namesake looked for
        "[Application]",                       // 16
        "AppName=Broken",                      // 17
        "[Servers]",                           // 18
        "Server=NOWHERE",                      // 19 stops
        "Server=S2",                           // 20 never read
    };
    RecordingObserver observer;
    const lab::FarmModel observed = Import(lines, {.observer = &observer}, 1);
    const int32_t folderExists = lab::RuleNumber(lab::Rule::kFolderExists);
    const std::vector<Event> expected = {
        {2, "not read", 0, lines[1]},
        {3, "setting", 13, lines[2]},
        {4, "not read", 0, lines[3]},
        {5, "not read", 0, lines[4]},
        {9, "not read", 0, lines[8]},
        {10, "folder", folderExists, lines[9]},
        {13, "not read", 0, lines[12]},
        {19, "stop", lab::RuleNumber(lab::Rule::kServerNotFound), lines[18]},
    };
    EXPECT_EQ(observer.events, expected);

    // The same file without an observer, and with a mapping that names no server of it.
    shared::ServerMapping unrelated;
    unrelated.MapTo("ELSEWHERE", "S3");
    EXPECT_EQ(Import(lines, {}, 1), observed);
    EXPECT_EQ(Import(lines, {.servers = &unrelated}, 1), observed);
}

// Window sizes wait for their block's DefaultWindowType; a size is still read at its own
// line, and a failure when it is assigned later names that line.
TEST_F(ImportObserverTest, HeldBackWindowSizesAreJudgedAtTheirOwnLines) {
    const std::vector<std::string> sized = {
        "[Application]",                // 1
        "AppName=Sized",                // 2
        "DefaultWindowHeight=600",      // 3 held back
        "DefaultWindowScale=75",        // 4 held back
        "DefaultWindowType=2",          // 5 then the two above
        "DefaultWindowWidth=800",       // 6 after the type: at once
        "ParentFolderDN=Applications",  // 7
        "[Icon]",                       // 8
        Icon(),                         // 9
        "[Application]",                // 10
        "AppName=Untyped",              // 11
        "DefaultWindowWidth=640",       // 12 held back, and never a type in this block
        "ParentFolderDN=Applications",  // 13
        "[Icon]",                       // 14 the block's keys end: the farm refuses the size
        Icon(),                         // 15
    };
    RecordingObserver observer;
    const lab::FarmModel farm = Import(sized, {.observer = &observer}, 1);
    const std::vector<Event> expected = {
        {9, "namesake", lab::RuleNumber(lab::Rule::kApplicationNotFound), sized[8]},
        {12, "stop", lab::RuleNumber(lab::Rule::kWindowSizeBeforeType), sized[11]},
    };
    EXPECT_EQ(observer.events, expected);
    ASSERT_EQ(farm.applications.size(), SmallFarm().applications.size() + 1);
    const lab::AppRecord& stored = farm.applications.back();
    EXPECT_EQ(stored.name, "Sized");
    for (const auto& [key, value] : {std::pair<const char*, int32_t>{"DefaultWindowHeight", 600},
                                     {"DefaultWindowScale", 75},
                                     {"DefaultWindowType", 2},
                                     {"DefaultWindowWidth", 800}}) {
        EXPECT_EQ(stored.keys.at(key), farm::Value(value)) << key;
    }

    // A size that is no number ends the import at its own line, before the type is met.
    const std::vector<std::string> tall = {
        "[Application]",
        "AppName=Tall",
        "DefaultWindowHeight=tall",
        "DefaultWindowType=2",
    };
    RecordingObserver stopped;
    Import(tall, {.observer = &stopped}, 1);
    EXPECT_EQ(stopped.events, (std::vector<Event>{{3, "stop", base::kErrTypeMismatch, tall[2]}}));
}

// Under a server mapping too, a held-back size the farm refuses names its own line, to the
// observer and in the outcome, whether the refusal is passed over or stops the import.
TEST_F(ImportObserverTest, HeldBackWindowSizesKeepTheirOwnLinesUnderAMapping) {
    const std::vector<std::string> lines = {
        "[Application]",            // 1 no name: every setting of it may be passed over
        "DefaultWindowHeight=600",  // 2 held back
        "DefaultWindowType=2",      // 3 then the size above
        "DefaultWindowScale=75",    // 4 after the type: at once
        "[Application]",            // 5
        "DefaultWindowWidth=640",   // 6 held back
        "[Users]",                  // 7 the block's keys end: the size is assigned here
    };
    shared::ServerMapping mapping;
    mapping.MapTo("S1", "S2");
    faults_->FailOperation("WinApp.Put", base::kErrUnknownName, "Unknown name");
    store_->Write(SmallFarm("Observed"));
    Write("farm.ini", Joined(lines));
    RecordingObserver observer;
    auto session = Open("Observed");
    const shared::Outcome outcome = shared::ImportFarm(
        session->shared, PathOf("farm.ini"), {.observer = &observer, .servers = &mapping});
    faults_->Clear();

    const int32_t unknown = base::kErrUnknownName;
    const std::vector<Event> expected = {
        {3, "not on farm", unknown, lines[2]},
        {2, "not on farm", unknown, lines[1]},
        {4, "not on farm", unknown, lines[3]},
        {6, "not on farm", unknown, lines[5]},
    };
    EXPECT_EQ(observer.events, expected);
    ASSERT_EQ(outcome.passedOver.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(outcome.passedOver[i].lineNumber, std::get<0>(expected[i])) << i;
        EXPECT_EQ(outcome.passedOver[i].line, std::get<3>(expected[i])) << i;
    }
    EXPECT_FALSE(outcome.failure);

    // A size the farm refuses outright stops the import at its own line.
    const std::vector<std::string> untyped = {
        "[Application]",                // 1
        "AppName=Untyped",              // 2
        "DefaultWindowWidth=640",       // 3 held back, and never a type in this block
        "ParentFolderDN=Applications",  // 4
        "[Servers]",                    // 5 the farm refuses the size here
        "Server=S1",                    // 6
    };
    RecordingObserver stopped;
    Write("farm.ini", Joined(untyped));
    const shared::Outcome refused = shared::ImportFarm(session->shared, PathOf("farm.ini"),
                                                       {.observer = &stopped, .servers = &mapping});
    const int32_t beforeType = lab::RuleNumber(lab::Rule::kWindowSizeBeforeType);
    EXPECT_EQ(stopped.events, (std::vector<Event>{{3, "stop", beforeType, untyped[2]}}));
    ASSERT_TRUE(refused.failure);
    EXPECT_EQ(refused.failure->lineNumber, 3);
    EXPECT_EQ(refused.failure->line, untyped[2]);
}

TEST_F(ImportObserverTest, AStopBeforeTheFirstLineIsLineZero) {
    RecordingObserver observer;
    store_->Write(SmallFarm("Observed"));
    auto session = Open("Observed");
    testing_support::Shown(
        session->shared,
        shared::ImportFarm(session->shared, PathOf("missing.ini"), {.observer = &observer}));
    ASSERT_EQ(observer.events.size(), 1u);
    EXPECT_EQ(observer.events[0], Event(0, "stop", base::kErrFileNotFound, ""));
}

TEST_F(ImportObserverTest, MappingChangesServerValuesOnlyAndSkipsLeftOutServers) {
    const std::vector<std::string> lines = {
        "[Application]",                // 1
        "AppName=Moved",                // 2
        "Description=OLD-A",            // 3 not a server: kept
        "ParentFolderDN=Applications",  // 4
        "[Servers]",                    // 5
        "Server=old-a",                 // 6 -> S2 (names match without regard to case)
        "Server=OLD-B",                 // 7 left out
        "Server=S1",                    // 8 not in the mapping: kept
        "[Users]",                      // 9
        "Server=OLD-A",                 // 10 not read in [Users]: passes unchanged
        "[Icon]",                       // 11
        Icon(),                         // 12
        "[application]",                // 13
        "AppName=Second",               // 14
        "[SERVERS]",                    // 15
        "Server=OLD-B",                 // 16 left out
        "Server=OLD-C",                 // 17 not mapped: stops, line number kept
    };
    shared::ServerMapping mapping;
    mapping.MapTo("OLD-A", "S2");
    mapping.LeaveOut("Old-B");
    RecordingObserver observer;
    const lab::FarmModel farm = Import(lines, {.observer = &observer, .servers = &mapping}, 1);

    const std::vector<Event> expected = {
        {7, "left out", 0, lines[6]},
        {10, "not read", 0, lines[9]},
        {12, "namesake", lab::RuleNumber(lab::Rule::kApplicationNotFound), lines[11]},
        {16, "left out", 0, lines[15]},
        {17, "stop", lab::RuleNumber(lab::Rule::kServerNotFound), lines[16]},
    };
    EXPECT_EQ(observer.events, expected);
    const lab::AppRecord* moved = nullptr;
    for (const lab::AppRecord& app : farm.applications) {
        if (app.name == "Moved") {
            moved = &app;
        }
    }
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(moved->servers, (std::vector<std::string>{"S2", "S1"}));
    EXPECT_EQ(moved->description, "OLD-A");
    EXPECT_EQ(farm.applications.size(), SmallFarm().applications.size() + 1);
    EXPECT_TRUE(Read("farm.ini") == Joined(lines)) << "the file on disk is not changed";
}

TEST_F(ImportObserverTest, ServersMappedOntoOneBindTheApplicationOnce) {
    const std::vector<std::string> lines = {
        "[Application]",         // 1
        "AppName=Consolidated",  // 2
        "[Servers]",             // 3
        "Server=SRC-A",          // 4 -> S1
        "Server=SRC-B",          // 5 -> S1: merged
        "Server=S1",             // 6 not mapped, but bound through the mapping: merged
        "Server=S2",             // 7
        "Server=src-a",          // 8 -> S1: merged
        "[Icon]",                // 9
        Icon(),                  // 10 stored, no namesake
        "[Application]",         // 11 a block of its own
        "AppName=Second",        // 12
        "[Servers]",             // 13
        "Server=SRC-B",          // 14 -> S1
        "Server=SRC-C",          // 15 -> a server the farm lacks: stops
    };
    shared::ServerMapping mapping;
    mapping.MapTo("SRC-A", "S1");
    mapping.MapTo("SRC-B", "S1");
    mapping.MapTo("SRC-C", "NOWHERE");
    RecordingObserver observer;
    const lab::FarmModel farm = Import(lines, {.observer = &observer, .servers = &mapping}, 1);

    const std::vector<Event> expected = {
        {5, "merged", 0, "Server=SRC-B -> Server=S1"},
        {6, "merged", 0, "Server=S1"},
        {8, "merged", 0, "Server=src-a -> Server=S1"},
        {10, "namesake", lab::RuleNumber(lab::Rule::kApplicationNotFound), lines[9]},
        {15, "stop", lab::RuleNumber(lab::Rule::kServerNotFound), "Server=SRC-C -> Server=NOWHERE"},
    };
    EXPECT_EQ(observer.events, expected);
    ASSERT_EQ(farm.applications.size(), SmallFarm().applications.size() + 1);
    EXPECT_EQ(farm.applications.back().name, "Consolidated");
    EXPECT_EQ(farm.applications.back().servers, (std::vector<std::string>{"S1", "S2"}));
}

}  // namespace
}  // namespace files_test
