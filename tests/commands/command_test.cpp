// The commands without windows: the command line read, each command run on the in-process
// lab farm, and its report as lines and JSON. A dry run (/whatif) changes nothing and lists
// exactly what the run then changes.
#include <gtest/gtest.h>

#include <tuple>

#include "commands/command_line.h"
#include "commands/command_report.h"
#include "commands/command_runner.h"
#include "journal/journal.h"
#include "shared/farm_file.h"
#include "shared/files_fixture.h"
#include "support/json_reader.h"

namespace files_test {
namespace {

using commands::CommandKind;
using testing_support::JsonReader;

std::pair<std::optional<commands::CommandLine>, commands::BadCommandLine> Parse(
    std::vector<std::string> arguments) {
    return commands::ParseCommandLine(arguments);
}

TEST(CommandLineTest, ReadsEveryCommandAndSaysWhatIsWrongWithALine) {
    const auto [publish, unused] = Parse({"/PUBLISH", "/apps", "Office\\Word", "@apps.txt",
                                          "/Servers", "S1", "/whatif", "/json", "/log", "x.log"});
    ASSERT_TRUE(publish);
    EXPECT_EQ(publish->kind, CommandKind::Publish);
    EXPECT_EQ(publish->apps, (std::vector<std::string>{"Office\\Word", "@apps.txt"}));
    EXPECT_EQ(publish->targets, std::vector<std::string>{"S1"});
    EXPECT_TRUE(publish->whatIf && publish->json);
    EXPECT_EQ(publish->logFile, "x.log");

    const auto [import, unused2] =
        Parse({"/import", "farm.ini", "/map", "OLD1=NEW1", "/leave", "OLD2", "/map", "a=b=c"});
    ASSERT_TRUE(import);
    EXPECT_EQ(import->operands, std::vector<std::string>{"farm.ini"});
    using Mapping = std::pair<std::string, std::optional<std::string>>;
    EXPECT_EQ(import->servers,
              (std::vector<Mapping>{{"OLD1", "NEW1"}, {"OLD2", std::nullopt}, {"a", "b=c"}}));

    const auto [clone, unused3] = Parse({"/clone", "S1", "S2", "S3"});
    ASSERT_TRUE(clone);
    EXPECT_EQ(clone->operands.size(), 3u);

    const std::pair<std::vector<std::string>, std::string> wrong[] = {
        {{"/backup", "x"}, "There is no command /backup."},
        {{"/export"}, "/export takes a farm file."},
        {{"/export", "a.ini", "b.ini"}, "/export takes a farm file."},
        {{"/export", "a.ini", "/whatif"}, "/export does not take /whatif."},
        {{"/offline", "S1"}, "/offline takes a server and a server file."},
        {{"/clone", "S1"}, "/clone takes a source server and at least one destination server."},
        {{"/publish", "/apps", "Word"}, "/publish needs /servers with at least one server."},
        {{"/unpublish", "/servers", "S1"}, "/unpublish needs /apps with at least one application."},
        {{"/options", "/apps", "/width", "5"}, "/apps needs at least one name."},
        {{"/options", "/apps", "Word", "/width"}, "/width needs a value."},
        {{"/publish", "/apps", "W", "/servers", "S", "/width", "5"},
         "/publish does not take /width."},
        {{"/import", "f.ini", "/map", "OLD="}, "/map takes SERVER=TARGET, not OLD=."},
        {{"/import", "f.ini", "/map", "=NEW"}, "/map takes SERVER=TARGET, not =NEW."},
        {{"/online", "S1", "f.ini", "/leave", "S2"}, "/online does not take /leave."},
        {{"/export", "f.ini", "/verbose"}, "There is no switch /verbose."},
        {{"/compare"}, "/compare takes a farm file, or an old and a new farm file."},
        {{"/compare", "a.ini", "b.ini", "c.ini"},
         "/compare takes a farm file, or an old and a new farm file."},
        {{"/compare", "a.ini", "/whatif"}, "/compare does not take /whatif."},
    };
    for (const auto& [arguments, message] : wrong) {
        const auto [command, bad] = Parse(arguments);
        EXPECT_FALSE(command) << message;
        EXPECT_EQ(bad.message, message);
        EXPECT_FALSE(bad.json);
    }
    const auto [compareTwo, unused4] = Parse({"/Compare", "old.ini", "new.ini", "/log", "c.log"});
    ASSERT_TRUE(compareTwo);
    EXPECT_EQ(compareTwo->kind, CommandKind::Compare);
    EXPECT_EQ(compareTwo->operands, (std::vector<std::string>{"old.ini", "new.ini"}));
    EXPECT_TRUE(Parse({"/export", "/JSON", "f.ini", "/verbose"}).second.json);
    EXPECT_EQ(Parse({"/?"}).first->kind, CommandKind::Usage);
}

// The JSON document holds every line's change and refusal, and reads back whatever the
// names hold.
TEST(CommandReportTest, TheJsonDocumentHoldsWhatTheLinesHold) {
    shared::Outcome outcome(shared::Operation::ImportFarm);
    const std::string odd = "Applications/Q\"uote\\d\tTab \xC3\xA9t\xC3\xA9\x01";
    outcome.changes = {
        {shared::ChangeKind::BindingAdded, odd, "S1", {}, std::nullopt, std::nullopt},
        {shared::ChangeKind::FarmSetting, {}, {}, "MaxConnections", std::nullopt, "5"}};
    shared::PassedOverItem notRead;
    notRead.reason = {0, "Not read."};
    notRead.lineNumber = 3;
    notRead.line = "Farmname=X";
    shared::PassedOverItem refused;
    refused.where = shared::PassedOver::FarmSetting;
    refused.reason = {13, "Type mismatch"};
    refused.lineNumber = 4;
    refused.line = "ICAKeepAliveTime=soon";
    refused.setting = "ICAKeepAliveTime";
    outcome.passedOver = {notRead, refused};
    shared::Failure failure;
    failure.error = {-2147024891, "Access is denied.\r\n"};
    failure.lineNumber = 9;
    failure.line = "Icon=x.ico";
    outcome.failure = failure;
    const commands::CommandReport report =
        commands::Ran(CommandKind::Import, false, std::move(outcome));
    EXPECT_EQ(report.exitCode, commands::kExitRefused);

    const std::vector<std::string> lines = commands::ReportLines(report);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "Published " + odd + " on S1", "Set farm setting MaxConnections to 5",
                         "Passed over line 4 (ICAKeepAliveTime=soon): error 13: Type mismatch",
                         "Failed at line 9 (Icon=x.ico): error -2147024891: Access is denied.\r\n",
                         "Stopped after 2 changes."}));

    const testing_support::Json json = JsonReader::Read(commands::ReportJson(report));
    EXPECT_EQ(json["command"].Text(), "import");
    EXPECT_EQ(json["exitCode"].Number(), 1);
    ASSERT_EQ(json["changes"].Items().size(), 2u);
    EXPECT_EQ(json["changes"].Items()[0]["application"].Text(), odd);
    EXPECT_EQ(json["changes"].Items()[0]["text"].Text(), lines[0]);
    EXPECT_TRUE(json["changes"].Items()[0]["setting"].IsNull());
    EXPECT_EQ(json["changes"].Items()[1]["newValue"].Text(), "5");
    ASSERT_EQ(json["passedOver"].Items().size(), 2u);
    EXPECT_FALSE(json["passedOver"].Items()[0]["lost"].Bool());
    EXPECT_TRUE(json["passedOver"].Items()[1]["lost"].Bool());
    EXPECT_EQ(json["passedOver"].Items()[1]["text"].Text(), lines[2]);
    EXPECT_EQ(json["failure"]["number"].Number(), -2147024891);
    EXPECT_EQ(json["failure"]["description"].Text(), "Access is denied.\r\n");
    EXPECT_EQ(json["summary"].Text(), lines.back());
}

// The commands on the in-process lab farm.
class CommandRunTest : public FilesTest {
  protected:
    CommandRunTest() { store_->Write(SmallFarm()); }

    commands::CommandReport Run(const std::vector<std::string>& arguments,
                                journal::Journal* journal = nullptr) {
        const auto [command, bad] = commands::ParseCommandLine(arguments);
        EXPECT_TRUE(command) << bad.message;
        lab::LabFactory factory(store_, "FileLab", faults_);
        return commands::RunCommand(
            *command, factory, [this] { return std::make_unique<TestFileSystem>(root_, log_); },
            journal);
    }

    // What a change says, without the value it replaced (which only a dry run reads).
    using Said = std::tuple<shared::ChangeKind, std::string, std::string, std::string,
                            std::optional<std::string>>;
    static std::vector<Said> Changes(const commands::CommandReport& report) {
        std::vector<Said> said;
        for (const shared::Change& c : report.outcome->changes) {
            said.emplace_back(c.kind, c.application, c.server, c.setting, c.newValue);
        }
        return said;
    }
};

TEST_F(CommandRunTest, ADryRunChangesNothingAndListsExactlyWhatTheRunChanges) {
    {  // A farm file of the small farm, with S2 and S3 for the mapping to name.
        auto session = Open("FileLab");
        ASSERT_FALSE(shared::ExportFarm(session->shared, PathOf("farm.ini")).failure);
    }
    Write("s1.ini",
          "[Applications]\r\nDistinguishedName=Applications/Desktop\r\n"
          "DistinguishedName=Applications/CON\r\n");
    Write("apps.txt", "  Office\\Word \r\n\r\nDesktop\r\n");
    // The farm each command starts from: for the import, without the file's application
    // outside the root folder; for the clone, with nothing of the source on the destinations.
    lab::FarmModel withoutOfficeWord = SmallFarm();
    withoutOfficeWord.applications.erase(withoutOfficeWord.applications.begin());
    lab::FarmModel sourceOnly = SmallFarm();
    sourceOnly.applications[0].servers = {"S1"};
    const std::vector<std::pair<std::vector<std::string>, lab::FarmModel>> runs = {
        {{"/import", PathOf("farm.ini"), "/map", "s1=S3", "/leave", "S2"}, withoutOfficeWord},
        {{"/offline", "s1", PathOf("offline.ini")}, SmallFarm()},
        {{"/online", "S3", PathOf("s1.ini")}, SmallFarm()},
        {{"/clone", "S1", "S3", "s2"}, sourceOnly},
        {{"/publish", "/apps", "@" + PathOf("apps.txt"), "applications/word", "/servers", "S3"},
         SmallFarm()},
        {{"/unpublish", "/apps", "Office\\Word", "/servers", "S2", "S1"}, SmallFarm()},
        {{"/options", "/apps", "Word", "CON", "/size", "800x600", "/colors", "4", "/audio",
          "audio OFF", "/percent", "75", "/width", "1024"},
         SmallFarm()},
    };
    for (const auto& [arguments, before] : runs) {
        SCOPED_TRACE(arguments[0]);
        store_->Write(before);
        std::vector<std::string> dry = arguments;
        dry.push_back("/whatif");
        const commands::CommandReport whatIf = Run(dry);
        ASSERT_TRUE(whatIf.outcome) << whatIf.error.value_or("");
        EXPECT_EQ(store_->Read("FileLab"), before);
        EXPECT_FALSE(std::filesystem::exists(root_ / "work" / "offline.ini"));

        const commands::CommandReport run = Run(arguments);
        std::filesystem::remove(root_ / "work" / "offline.ini");
        ASSERT_TRUE(run.outcome) << run.error.value_or("");
        EXPECT_EQ(run.exitCode, commands::kExitDone) << commands::ReportLines(run).back();
        EXPECT_FALSE(run.outcome->changes.empty());
        EXPECT_EQ(Changes(whatIf), Changes(run));
        EXPECT_NE(store_->Read("FileLab"), before);
        const std::vector<std::string> lines = commands::ReportLines(whatIf);
        EXPECT_EQ(lines.front().rfind("What if: ", 0), 0u) << lines.front();
        EXPECT_EQ(lines.back(), "What if: " + std::to_string(run.outcome->changes.size()) +
                                    " changes; nothing was changed.");
    }
    // The options run wrote what it said, over what the dry run read.
    const lab::FarmModel after = store_->Read("FileLab");
    const lab::AppRecord& word = after.applications[1];
    ASSERT_EQ(word.DistinguishedName(), "Applications/Word");
    EXPECT_EQ(word.keys.at("DefaultWindowType"), farm::Value(2));
    EXPECT_EQ(word.keys.at("DefaultWindowColor"), farm::Value(4));
    EXPECT_EQ(word.keys.at("DefaultSoundType"), farm::Value(1));
    EXPECT_EQ(word.keys.at("DefaultWindowScale"), farm::Value(75));
    EXPECT_EQ(word.keys.at("DefaultWindowHeight"), farm::Value(480));
    EXPECT_EQ(word.keys.at("DefaultWindowWidth"), farm::Value(1024));
}

// Nothing changes where a name, a file or an option is wrong: the run does not start.
TEST_F(CommandRunTest, WhatCannotBeRunChangesNothingAndSaysWhy) {
    const std::pair<std::vector<std::string>, std::string> refused[] = {
        {{"/publish", "/apps", "Word", "Nope", "/servers", "S1"},
         "The farm has no application Nope."},
        {{"/unpublish", "/apps", "Word", "/servers", "S9"}, "The farm has no server S9."},
        {{"/clone", "S1", "S2", "S9"}, "The farm has no server S9."},
        {{"/options", "/apps", "Word", "/percent", "abc"},
         "The percent must be a whole number from -32768 to 32767."},
        {{"/options", "/apps", "Word", "/percent", "90", "/height", "40000"},
         "The height must be a whole number from -32768 to 32767."},
        {{"/options", "/apps", "Word", "/audio", "loud"},
         "/audio takes one of \"Audio on\" (2), \"Audio off\" (1), not \"loud\"."},
        {{"/online", "S1", PathOf("missing.ini")},
         "The file " + PathOf("missing.ini") + " cannot be read: error 53: File not found"},
    };
    for (const auto& [arguments, message] : refused) {
        const commands::CommandReport report = Run(arguments);
        EXPECT_EQ(report.exitCode, commands::kExitCouldNotRun);
        EXPECT_EQ(report.error, message);
        EXPECT_FALSE(report.outcome);
        EXPECT_EQ(commands::ReportLines(report).back(), "Not run: " + message);
    }
    EXPECT_EQ(store_->Read("FileLab"), SmallFarm());

    // No farm to reach.
    faults_->FailOperation("Farm.Initialize", -2147023174, "The RPC server is unavailable.");
    const commands::CommandReport unreachable =
        Run({"/publish", "/apps", "Word", "/servers", "S1"});
    EXPECT_EQ(unreachable.exitCode, commands::kExitCouldNotRun);
    EXPECT_EQ(unreachable.error,
              "The farm cannot be reached: error -2147023174: The RPC server is unavailable.");
}

// What the farm refuses is a line each and exit code 1; the run goes on past it as the
// dialogs do, and stops at a failure.
TEST_F(CommandRunTest, RefusalsAreLinesAndExitCodeOne) {
    faults_->FailOperation("Application.SaveData", -2147467259, "Refused by the test");
    const commands::CommandReport report =
        Run({"/publish", "/apps", "Word", "Desktop", "/servers", "S2"});
    EXPECT_EQ(report.exitCode, commands::kExitRefused);
    EXPECT_EQ(commands::ReportLines(report),
              (std::vector<std::string>{
                  "Passed over Applications/Word on S2: error -2147467259: Refused by the test",
                  "Passed over Applications/Desktop on S2: error -2147467259: Refused by the test",
                  "Done: 0 changes, 2 refusals."}));
    EXPECT_EQ(commands::ErrorLines(report).size(), 2u);
    EXPECT_EQ(store_->Read("FileLab"), SmallFarm());
}

// A farm file against the farm, or two farm files: the same differences either way, each a
// line, then the count; the exit code says whether anything differs.
TEST_F(CommandRunTest, CompareSaysWhatChangedSinceAnExport) {
    {
        auto session = Open("FileLab");
        ASSERT_FALSE(shared::ExportFarm(session->shared, PathOf("before.ini")).failure);
    }
    const commands::CommandReport same = Run({"/compare", PathOf("before.ini")});
    ASSERT_TRUE(same.comparison) << same.error.value_or("");
    EXPECT_EQ(same.exitCode, commands::kExitDone);
    EXPECT_EQ(commands::ReportLines(same), std::vector<std::string>{"No differences."});
    EXPECT_EQ(same.title, "Compare " + PathOf("before.ini") + " with the farm");

    ASSERT_EQ(Run({"/publish", "/apps", "Word", "/servers", "S3"}).exitCode, commands::kExitDone);
    ASSERT_EQ(Run({"/options", "/apps", "Office\\Word", "/width", "1024"}).exitCode,
              commands::kExitDone);
    const lab::FarmModel changed = store_->Read("FileLab");
    // The options run writes every option (the dialog's defaults, the width given).
    const std::vector<std::string> expected = {
        "Applications/Office/Word: DefaultWindowHeight 0 -> 480",
        "Applications/Office/Word: DefaultWindowScale 0 -> 90",
        "Applications/Office/Word: DefaultWindowType 0 -> 1",
        "Applications/Office/Word: DefaultWindowWidth 800 -> 1024",
        "Applications/Office/Word: DefaultWindowColor 0 -> 2",
        "Applications/Office/Word: DefaultSoundType 0 -> 2",
        "Applications/Office/Word: DefaultEncryption 0 -> 1",
        "Applications/Word: server S3 bound",
        "8 differences.",
    };
    const commands::CommandReport withFarm = Run({"/compare", PathOf("before.ini")});
    EXPECT_EQ(withFarm.exitCode, commands::kExitDiffer);
    EXPECT_EQ(commands::ReportLines(withFarm), expected);
    EXPECT_TRUE(commands::ErrorLines(withFarm).empty());
    EXPECT_EQ(store_->Read("FileLab"), changed);  // the comparison changes nothing

    {
        auto session = Open("FileLab");
        ASSERT_FALSE(shared::ExportFarm(session->shared, PathOf("after.ini")).failure);
    }
    const commands::CommandReport twoFiles =
        Run({"/compare", PathOf("before.ini"), PathOf("after.ini")});
    EXPECT_EQ(twoFiles.exitCode, commands::kExitDiffer);
    EXPECT_EQ(commands::ReportLines(twoFiles), expected);
    // Turned round, the same differences the other way.
    const std::vector<std::string> reversed =
        commands::ReportLines(Run({"/compare", PathOf("after.ini"), PathOf("before.ini")}));
    ASSERT_EQ(reversed.size(), expected.size());
    EXPECT_EQ(reversed[3], "Applications/Office/Word: DefaultWindowWidth 1024 -> 800");
    EXPECT_EQ(reversed[7], "Applications/Word: server S3 unbound");

    const testing_support::Json json = JsonReader::Read(commands::ReportJson(twoFiles));
    EXPECT_EQ(json["command"].Text(), "compare");
    EXPECT_EQ(json["exitCode"].Number(), 1);
    EXPECT_EQ(json["count"].Number(), 8);
    EXPECT_TRUE(json["error"].IsNull());
    EXPECT_EQ(json["summary"].Text(), "8 differences.");
    const auto& differences = json["differences"].Items();
    ASSERT_EQ(differences.size(), expected.size() - 1);
    for (size_t i = 0; i < differences.size(); ++i) {
        EXPECT_EQ(differences[i]["text"].Text(), expected[i]);
    }
    EXPECT_EQ(differences[3]["kind"].Text(), "setting");
    EXPECT_EQ(differences[3]["application"].Text(), "Applications/Office/Word");
    EXPECT_EQ(differences[3]["item"].Text(), "DefaultWindowWidth");
    EXPECT_EQ(differences[3]["oldValue"].Text(), "800");
    EXPECT_EQ(differences[3]["newValue"].Text(), "1024");
    EXPECT_EQ(differences[7]["kind"].Text(), "serverBound");
    EXPECT_EQ(differences[7]["application"].Text(), "Applications/Word");
    EXPECT_EQ(differences[7]["item"].Text(), "S3");
    EXPECT_TRUE(differences[7]["oldValue"].IsNull());
    EXPECT_TRUE(differences[7]["newValue"].IsNull());
}

// What keeps the comparison from running is exit code 2 and its reason, in the lines and the
// JSON alike.
TEST_F(CommandRunTest, CompareThatCannotRunSaysWhy) {
    {
        auto session = Open("FileLab");
        ASSERT_FALSE(shared::ExportFarm(session->shared, PathOf("farm.ini")).failure);
    }
    const std::string missing =
        "The file " + PathOf("missing.ini") + " cannot be read: error 53: File not found";
    const std::pair<std::vector<std::string>, std::string> refused[] = {
        {{"/compare", PathOf("missing.ini")}, missing},
        {{"/compare", PathOf("missing.ini"), PathOf("farm.ini")}, missing},
        {{"/compare", PathOf("farm.ini"), PathOf("missing.ini")}, missing},
    };
    for (const auto& [arguments, message] : refused) {
        const commands::CommandReport report = Run(arguments);
        EXPECT_EQ(report.exitCode, commands::kExitCouldNotRun);
        EXPECT_EQ(report.error, message);
        EXPECT_FALSE(report.comparison);
        EXPECT_EQ(commands::ReportLines(report), std::vector<std::string>{"Not run: " + message});
        const testing_support::Json json = JsonReader::Read(commands::ReportJson(report));
        EXPECT_EQ(json["exitCode"].Number(), 2);
        EXPECT_EQ(json["error"].Text(), message);
        EXPECT_TRUE(json["differences"].Items().empty());
        EXPECT_EQ(json["count"].Number(), 0);
    }

    faults_->FailOperation("Farm.Initialize", -2147023174, "The RPC server is unavailable.");
    const commands::CommandReport unreachable = Run({"/compare", PathOf("farm.ini")});
    EXPECT_EQ(unreachable.exitCode, commands::kExitCouldNotRun);
    EXPECT_EQ(unreachable.error,
              "The farm cannot be reached: error -2147023174: The RPC server is unavailable.");
    // Two files need no farm.
    EXPECT_EQ(Run({"/compare", PathOf("farm.ini"), PathOf("farm.ini")}).exitCode,
              commands::kExitDone);
}

// The farm answers, but its export fails halfway: the comparison does not run.
TEST_F(CommandRunTest, CompareWithAFarmThatCannotBeExportedSaysSo) {
    {
        auto session = Open("FileLab");
        ASSERT_FALSE(shared::ExportFarm(session->shared, PathOf("farm.ini")).failure);
    }
    faults_->FailOperation("WinApp.WriteIconToFile", -2147467259, "icon refused");
    const commands::CommandReport report = Run({"/compare", PathOf("farm.ini")});
    EXPECT_EQ(report.exitCode, commands::kExitCouldNotRun);
    EXPECT_EQ(report.error,
              "The farm could not be exported for the comparison: error -2147467259: icon refused");
}

// A changing command keeps a restore record; /journal lists the records, /undo puts the last
// one back (its dry run changes nothing), and the undo is a record of its own.
TEST_F(CommandRunTest, TheJournalListsTheRecordsAndUndoPutsTheLastOneBack) {
    journal::Journal journal(root_ / "journal");
    EXPECT_EQ(Run({"/undo"}, &journal).error, "The journal has no restore record to undo.");
    EXPECT_EQ(Run({"/undo"}).error, "There is no journal of restore records here.");

    const commands::CommandReport publish =
        Run({"/publish", "/apps", "Desktop", "/servers", "S2", "S3"}, &journal);
    ASSERT_EQ(publish.exitCode, commands::kExitDone);
    EXPECT_EQ(publish.notes, std::vector<std::string>{"Restore record 1: zelttool.exe /undo 1"});
    EXPECT_EQ(
        Run({"/publish", "/apps", "Word", "/servers", "S3", "/whatif"}, &journal).notes.size(),
        0u);  // a dry run keeps no record
    const lab::FarmModel published = store_->Read("FileLab");

    const commands::CommandReport listed = Run({"/journal"}, &journal);
    ASSERT_EQ(listed.notes.size(), 1u);
    EXPECT_NE(listed.notes[0].find("1  "), std::string::npos);
    EXPECT_NE(listed.notes[0].find("  Publish: Publish Applications/Desktop on S2, S3"),
              std::string::npos)
        << listed.notes[0];
    EXPECT_EQ(commands::ReportLines(listed).back(), "1 restore record.");

    const commands::CommandReport dry = Run({"/undo", "/whatif"}, &journal);
    EXPECT_EQ(commands::ReportLines(dry),
              (std::vector<std::string>{"What if: Unpublished Applications/Desktop from S3",
                                        "What if: Unpublished Applications/Desktop from S2",
                                        "What if: 2 changes; nothing was changed."}));
    EXPECT_EQ(store_->Read("FileLab"), published);

    const commands::CommandReport undone = Run({"/undo", "1"}, &journal);
    EXPECT_EQ(undone.exitCode, commands::kExitDone);
    EXPECT_EQ(undone.title, "Undo Publish (record 1: Publish Applications/Desktop on S2, S3)");
    EXPECT_EQ(store_->Read("FileLab"), SmallFarm());
    EXPECT_EQ(journal.Read("2").operation, "Undo Publish");

    // The undo undone: published again.
    EXPECT_EQ(Run({"/undo"}, &journal).exitCode, commands::kExitDone);
    const lab::FarmModel again = store_->Read("FileLab");
    EXPECT_EQ(again.applications[2].servers, published.applications[2].servers);
    EXPECT_EQ(Run({"/undo", "9"}, &journal).error, "The journal has no record 9.");
}

}  // namespace
}  // namespace files_test
