// The import preview: what it finds (each application's fate, the lines passed over and the
// stop with their numbers, the servers the farm lacks, folders, settings, accounts), that the
// farm and the user's files stay as they were, and that the import it predicts is the one that
// follows. Also the scratch file system that keeps the preview's writes in its own folder.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "files_fixture.h"
#include "lab/rules.h"
#include "preview/import_preview.h"
#include "preview/preview_report.h"
#include "preview/scratch_files.h"
#include "shared/farm_file.h"
#include "shared/server_mapping.h"

namespace files_test {
namespace {

using preview::Certainty;
using preview::Outcome;

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\r\n";
    }
    return text;
}

// Every entry below the folder.
std::set<std::string> Tree(const fs::path& folder) {
    std::set<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        found.insert(fs::relative(entry.path(), folder).generic_string());
    }
    return found;
}

// (line, outcome) per application, the way the tests compare them.
std::vector<std::pair<int64_t, Outcome>> Fates(const preview::ImportPreview& result) {
    std::vector<std::pair<int64_t, Outcome>> fates;
    for (const auto& application : result.applications) {
        fates.emplace_back(application.lineNumber, application.outcome);
    }
    return fates;
}

class ImportPreviewTest : public FilesTest {
  protected:
    ImportPreviewTest() {
        Write("icon.ico", lab::MakeIcon(5));
        lab::FarmModel target = SmallFarm("PreviewTarget");
        target.settings.erase("SRTimeout");  // a setting this farm cannot report
        store_->Write(target);
    }

    preview::ImportPreview Preview(const std::vector<std::string>& lines,
                                   const shared::ServerMapping* mapping = nullptr) {
        Write("farm.ini", Joined(lines));
        auto session = Open("PreviewTarget");
        return preview::PreviewImport(session->factory, session->shared.makeFileSystem,
                                      PathOf("farm.ini"), mapping);
    }

    std::string Icon() const { return "Icon=" + PathOf("icon.ico"); }
};

TEST_F(ImportPreviewTest, NamesEveryStoppingAndPassedOverLineAndChangesNothing) {
    const std::vector<std::string> lines = {
        "[Farm]",                       // 1
        "MaxConnectionsPerUser=many",   // 2 passed over: no number (certain)
        "SRTimeout=30",                 // 3 passed over: the farm cannot report it (probable)
        "Colour=blue",                  // 4 not read
        "LogOverLimitDenials=9",        // 5 changes
        "[Application]",                // 6 replaces the root's Word
        "AppName=Word",                 // 7
        "ParentFolderDN=Applications",  // 8
        "[Servers]",                    // 9
        "Server=S1",                    // 10
        "[Icon]",                       // 11
        Icon(),                         // 12
        "[Application]",                // 13 refused: Office holds a Word already
        "AppName=Word",                 // 14
        "ParentFolderDN=Applications/Office",  // 15
        "[Icon]",                              // 16
        Icon(),                                // 17 stops (certain)
        "[Application]",                       // 18 not reached
        "AppName=Later",                       // 19
        "[Servers]",                           // 20
        "Server=GONE",                         // 21 the farm lacks it, even unread
        "[Icon]",                              // 22
        Icon(),                                // 23
    };
    const lab::FarmModel before = store_->Read("PreviewTarget");
    Write("farm.ini", Joined(lines));
    const std::set<std::string> filesBefore = Tree(root_ / "work");
    const preview::ImportPreview result = Preview(lines);

    EXPECT_EQ(store_->Read("PreviewTarget"), before) << "the preview changed the farm";
    EXPECT_EQ(Tree(root_ / "work"), filesBefore);
    EXPECT_TRUE(Tree(root_ / "tmp").empty()) << "the scratch folder is left behind";

    ASSERT_EQ(result.lines.size(), 4u);
    const struct {
        int64_t line;
        bool stops;
        shared::PassedOver where;
        int32_t number;
        Certainty certainty;
    } expected[] = {
        {2, false, shared::PassedOver::FarmSetting, 13, Certainty::Certain},
        {3, false, shared::PassedOver::FarmSetting, lab::RuleNumber(lab::Rule::kSettingNotReported),
         Certainty::Probable},
        {4, false, shared::PassedOver::NotRead, 0, Certainty::Certain},
        {17, true, shared::PassedOver::NotRead, lab::RuleNumber(lab::Rule::kDuplicateAppName),
         Certainty::Certain},
    };
    for (size_t i = 0; i < result.lines.size(); ++i) {
        SCOPED_TRACE(i);
        const preview::LineNote& note = result.lines[i];
        EXPECT_EQ(note.lineNumber, expected[i].line);
        EXPECT_EQ(note.line, lines[static_cast<size_t>(expected[i].line - 1)]);
        EXPECT_EQ(note.stops, expected[i].stops);
        if (!note.stops) {
            EXPECT_EQ(note.where, expected[i].where);
        }
        EXPECT_EQ(note.reason.number, expected[i].number);
        EXPECT_EQ(note.certainty, expected[i].certainty);
    }
    ASSERT_TRUE(result.stop);
    EXPECT_EQ(result.stop->lineNumber, 17);
    EXPECT_EQ(result.farmName, "PreviewTarget");

    EXPECT_EQ(Fates(result),
              (std::vector<std::pair<int64_t, Outcome>>{
                  {6, Outcome::Replaces}, {13, Outcome::Refused}, {18, Outcome::NotReached}}));
    EXPECT_EQ(result.applications[0].replaced, "Applications/Word");
    ASSERT_EQ(result.missingServers.size(), 1u);
    EXPECT_EQ(result.missingServers[0].name, "GONE");
    EXPECT_EQ(result.missingServers[0].firstLine, 21);
    ASSERT_EQ(result.settingsChanged.size(), 1u);
    EXPECT_EQ(result.settingsChanged[0].key, "LogOverLimitDenials");
    EXPECT_EQ(result.settingsChanged[0].after, "9");
    EXPECT_EQ(result.settingsNotReported, std::vector<std::string>{"SRTimeout"});

    const std::string report = preview::ReportText(result, nullptr);
    EXPECT_NE(report.find("The import stops at line 17 (certain)"), std::string::npos) << report;
    EXPECT_NE(report.find("GONE  first at line 21      by 1 application"), std::string::npos)
        << report;
}

TEST_F(ImportPreviewTest, WithAMappingItPredictsTheImportThatFollows) {
    const std::vector<std::string> lines = {
        "[Farm]",                               // 1
        "MaxConnectionsPerUser=5",              // 2
        "[Application]",                        // 3 replaces the root's Word
        "AppName=Word",                         // 4
        "ParentFolderDN=Applications",          // 5
        "[Servers]",                            // 6
        "Server=OLD1",                          // 7 -> S2
        "Server=OLD2",                          // 8 left out
        "[Users]",                              // 9
        "User=2:1:LAB:ann",                     // 10
        "[Icon]",                               // 11
        Icon(),                                 // 12
        "[Application]",                        // 13 new, in two new folders
        "AppName=Tool",                         // 14
        "ParentFolderDN=Applications/Kit/Sub",  // 15
        "[Servers]",                            // 16
        "Server=old1",                          // 17 -> S2
        "[Groups]",                             // 18
        "Group=2:1:NEWDOM:staff",               // 19 an account the farm does not know
        "[Icon]",                               // 20
        Icon(),                                 // 21
        "[Application]",                        // 22 replaced by the next block
        "AppName=Twin",                         // 23
        "[Icon]",                               // 24
        Icon(),                                 // 25
        "[Application]",                        // 26 new
        "AppName=Twin",                         // 27
        "[Icon]",                               // 28
        Icon(),                                 // 29
        "[Application]",                        // 30 never stored: no Icon line
        "AppName=NoIcon",                       // 31
    };
    const lab::FarmModel before = store_->Read("PreviewTarget");
    const preview::ImportPreview unmapped = Preview(lines);
    ASSERT_TRUE(unmapped.stop);
    EXPECT_EQ(unmapped.stop->lineNumber, 7);
    ASSERT_EQ(unmapped.missingServers.size(), 2u);
    EXPECT_EQ(unmapped.missingServers[0].name, "OLD1");
    EXPECT_EQ(unmapped.missingServers[0].applications, 2);
    EXPECT_EQ(unmapped.missingServers[1].name, "OLD2");
    EXPECT_EQ(unmapped.missingServers[1].firstLine, 8);
    EXPECT_EQ(unmapped.farmServers, (std::vector<std::string>{"S1", "S2", "S3"}));

    shared::ServerMapping mapping;
    mapping.MapTo("OLD1", "S2");
    mapping.LeaveOut("OLD2");
    const preview::ImportPreview mapped = Preview(lines, &mapping);
    EXPECT_EQ(store_->Read("PreviewTarget"), before);
    EXPECT_FALSE(mapped.stop);
    ASSERT_EQ(mapped.lines.size(), 1u);
    EXPECT_EQ(mapped.lines[0].lineNumber, 8);
    EXPECT_EQ(mapped.lines[0].where, shared::PassedOver::ServerLeftOut);
    EXPECT_EQ(Fates(mapped),
              (std::vector<std::pair<int64_t, Outcome>>{{3, Outcome::Replaces},
                                                        {13, Outcome::New},
                                                        {22, Outcome::ReplacedInFile},
                                                        {26, Outcome::New},
                                                        {30, Outcome::NeverStored}}));
    EXPECT_EQ(mapped.applications[2].laterLine, 26);
    EXPECT_EQ(mapped.foldersCreated,
              (std::vector<std::string>{"Applications/Kit", "Applications/Kit/Sub"}));
    ASSERT_EQ(mapped.settingsChanged.size(), 1u);
    EXPECT_EQ(mapped.settingsChanged[0].key, "MaxConnectionsPerUser");
    EXPECT_EQ(mapped.settingsChanged[0].before, "1");
    EXPECT_EQ(mapped.settingsChanged[0].after, "5");
    EXPECT_EQ(mapped.accounts, (std::vector<std::string>{"LAB\\ann", "NEWDOM\\staff"}));
    EXPECT_NE(preview::ReportText(mapped, &mapping)
                  .find("OLD2  first at line 8       by 1 application  -> left out"),
              std::string::npos)
        << preview::ReportText(mapped, &mapping);

    // The real import with the same mapping: the account the farm does not know is what the
    // preview could only call probable; once the farm knows it, the farm ends as predicted.
    lab::FarmModel knowing = before;
    knowing.accounts.push_back("NEWDOM\\staff");
    store_->Write(knowing);
    auto session = Open("PreviewTarget");
    testing_support::Shown(session->shared, shared::ImportFarm(session->shared, PathOf("farm.ini"),
                                                               {.servers = &mapping}));
    EXPECT_TRUE(session->feedback.messages.empty());
    const lab::FarmModel after = store_->Read("PreviewTarget");
    std::vector<std::string> names;
    for (const lab::AppRecord& app : after.applications) {
        names.push_back(app.DistinguishedName());
        if (app.name == "Word" && app.folder == "Applications") {
            EXPECT_EQ(app.servers, std::vector<std::string>{"S2"});
        }
        if (app.name == "Tool") {
            EXPECT_EQ(app.servers, std::vector<std::string>{"S2"});
        }
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Applications/Office/Word", "Applications/Desktop",
                                               "Applications/CON", "Applications/Word",
                                               "Applications/Kit/Sub/Tool", "Applications/Twin"}));
}

// An exported file carries keys the import does not read: each of those lines is named.
TEST_F(ImportPreviewTest, NamesEveryLineOfARealFileThatTheImportDoesNotRead) {
    lab::FarmModel target = store_->Read("PreviewTarget");
    target.applications.clear();
    store_->Write(target);
    store_->Write(SmallFarm());
    ASSERT_FALSE(shared::ExportFarm(Open("FileLab")->shared, PathOf("real.ini")).failure);
    std::vector<std::pair<int64_t, std::string>> carried, notRead;
    const std::vector<std::string> file = Lines(Read("real.ini"));
    for (size_t i = 0; i < file.size(); ++i) {
        if (file[i].starts_with("Farmname=") || file[i].starts_with("HideDisabledApp=") ||
            file[i].starts_with("CPUPriority=")) {
            carried.emplace_back(static_cast<int64_t>(i + 1), file[i]);
        }
    }
    auto session = Open("PreviewTarget");
    const preview::ImportPreview result = preview::PreviewImport(
        session->factory, session->shared.makeFileSystem, PathOf("real.ini"));
    for (const preview::LineNote& note : result.lines) {
        if (note.where == shared::PassedOver::NotRead) {
            notRead.emplace_back(note.lineNumber, note.line);
        }
    }
    EXPECT_EQ(carried.size(), 1 + 2 * SmallFarm().applications.size());
    EXPECT_EQ(notRead, carried);
    EXPECT_NE(preview::ReportText(result, nullptr)
                  .find("line 2       not read       certain   Farmname=FileLab\r\n"
                        "    The import does not read the key 'Farmname'.\r\n"),
              std::string::npos);
}

TEST_F(ImportPreviewTest, AFileThatCannotBeReadIsAFailureNotAPreview) {
    auto session = Open("PreviewTarget");
    try {
        preview::PreviewImport(session->factory, session->shared.makeFileSystem,
                               PathOf("missing.ini"));
        ADD_FAILURE() << "no failure";
    } catch (const base::Error& e) {
        EXPECT_EQ(e.number(), base::kErrFileNotFound);
    }
    EXPECT_TRUE(Tree(root_ / "tmp").empty());
}

TEST_F(ImportPreviewTest, ScratchFileSystemWritesOnlyInsideItsFolder) {
    auto real = std::make_unique<TestFileSystem>(root_, log_);
    const preview::ScratchFolder scratch(*real);
    ASSERT_TRUE(fs::is_directory(scratch.NativePath()));
    preview::ScratchFileSystem files(std::move(real), scratch.Path());
    EXPECT_EQ(files.GetTempFolder(), scratch.Path());

    const std::string sep(1, settings::kPathSeparator);
    files.CopyFileOver(PathOf("icon.ico"), scratch.Below("copy.ico"));
    EXPECT_TRUE(fs::exists(scratch.NativePath() / "copy.ico"));
    files.DeleteFiles(scratch.Below("copy.ico"), true);
    EXPECT_FALSE(fs::exists(scratch.NativePath() / "copy.ico"));
    files.CreateFolder(scratch.Below("sub"));

    const std::string outside[] = {
        PathOf("copy.ico"),                       // the user's folder
        scratch.Path(),                           // the folder itself
        scratch.Path() + "x" + sep + "copy.ico",  // a sibling that starts alike
        scratch.Below("..") + sep + "copy.ico",   // back up
        scratch.Below("sub") + sep + ".." + sep + ".." + sep + "copy.ico",
    };
    for (const std::string& path : outside) {
        SCOPED_TRACE(path);
        EXPECT_THROW(files.CopyFileOver(PathOf("icon.ico"), path), base::Error);
        EXPECT_THROW(files.CreateTextFile(path), base::Error);
        EXPECT_THROW(files.DeleteFiles(path, true), base::Error);
    }
    EXPECT_FALSE(fs::exists(root_ / "work" / "copy.ico"));
    EXPECT_NO_THROW(files.OpenTextFile(PathOf("icon.ico"))) << "reading goes anywhere";
}

}  // namespace
}  // namespace files_test
