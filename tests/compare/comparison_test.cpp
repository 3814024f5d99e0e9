// Farm files compared with each other and with the lab farm through its own export: each kind
// of difference, the order they come in, what compares without regard to case, icons by their
// bytes, and the failures.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "compare/comparison.h"
#include "shared/farm_file.h"
#include "shared/files_fixture.h"
#include "support/error_of.h"

namespace files_test {
namespace {

using Lines = std::vector<std::string>;

constexpr const char* kFarm = "FileLab";

class ComparisonTest : public FilesTest {
  protected:
    // Writes the model into the store and exports it to the working folder.
    void Export(const lab::FarmModel& model, const std::string& fileName = "Farm.ini") {
        store_->Write(model);
        auto session = Open(model.name);
        const shared::Outcome outcome = shared::ExportFarm(session->shared, PathOf(fileName));
        ASSERT_FALSE(outcome.failure) << outcome.failure->error.description;
    }

    // Copies an exported file and the icons folder into a folder of their own, as a backup is
    // kept; returns the copied file's path.
    std::string Backup(const std::string& folder, const std::string& fileName = "Farm.ini") {
        fs::create_directories(root_ / folder);
        fs::copy_file(root_ / "work" / fileName, root_ / folder / fileName);
        fs::copy(root_ / "work" / "icons", root_ / folder / "icons", fs::copy_options::recursive);
        return Utf8(root_ / folder / fileName);
    }

    // The exported file with its first `from` replaced by `to`, written beside it.
    std::string Edited(const std::string& from, const std::string& to,
                       const std::string& source = "Farm.ini") {
        std::string text = Read(source);
        const size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos) {
            text.replace(at, from.size(), to);
        }
        Write("edited.ini", text);
        return PathOf("edited.ini");
    }

    compare::Comparison WithFarm(const std::string& file) {
        auto session = Open(kFarm);
        return compare::CompareWithFarm(session->factory, session->shared.makeFileSystem, file);
    }
    Lines LinesWithFarm(const std::string& file) {
        return compare::DifferenceLines(WithFarm(file));
    }
    Lines LinesOfFiles(const std::string& oldFile, const std::string& newFile) {
        TestFileSystem files(root_, log_);
        return compare::DifferenceLines(compare::CompareFarmFiles(files, oldFile, newFile));
    }

    std::string IconLine(const std::string& iconName) const {
        return "Icon=" + PathOf("icons") + settings::kPathSeparator + iconName + "\r\n";
    }
};

std::string Number(const lab::FarmModel& model, const std::string& key) {
    return std::to_string(farm::AsNumber(model.settings.at(key)));
}

TEST_F(ComparisonTest, FarmAndItsOwnFreshExportHaveNoDifferences) {
    lab::FarmModel demo = lab::MakeDemoFarm();
    demo.name = kFarm;
    Export(demo);

    EXPECT_EQ(LinesWithFarm(PathOf("Farm.ini")), Lines{});
    EXPECT_EQ(LinesOfFiles(PathOf("Farm.ini"), PathOf("Farm.ini")), Lines{});
    // The farm's export went into a scratch folder that is gone again.
    EXPECT_TRUE(fs::is_empty(root_ / "tmp"));
    EXPECT_EQ(WorkFiles().size(), demo.applications.size() + 1);
}

struct FarmChange {
    const char* what;
    std::function<void(lab::FarmModel&)> change;
    std::function<Lines(const lab::FarmModel& before)> expected;
};

TEST_F(ComparisonTest, EachChangeOfTheFarmSinceTheFileIsFound) {
    const lab::FarmModel before = SmallFarm();
    Export(before);
    const std::vector<FarmChange> changes = {
        {"application setting",
         [](lab::FarmModel& m) { m.applications[0].keys["DefaultWindowWidth"] = 640; },
         [](const lab::FarmModel&) {
             return Lines{"Applications/Office/Word: DefaultWindowWidth 800 -> 640"};
         }},
        {"setting emptied", [](lab::FarmModel& m) { m.applications[1].description.clear(); },
         [](const lab::FarmModel&) {
             return Lines{"Applications/Word: Description About Word -> \"\""};
         }},
        {"servers",
         [](lab::FarmModel& m) {
             m.applications[0].servers = {"S2", "S3"};
         },
         [](const lab::FarmModel&) {
             return Lines{"Applications/Office/Word: server S1 unbound",
                          "Applications/Office/Word: server S3 bound"};
         }},
        {"users",
         [](lab::FarmModel& m) {
             m.applications[0].users.clear();
             m.applications[1].users = {{1, 2, "LAB", "ann"}};
         },
         [](const lab::FarmModel&) {
             return Lines{"Applications/Office/Word: user 2:1:LAB:ann removed",
                          "Applications/Word: user 2:1:LAB:ann added"};
         }},
        {"groups", [](lab::FarmModel& m) { m.applications[0].groups.clear(); },
         [](const lab::FarmModel&) {
             return Lines{"Applications/Office/Word: group 2:1:LAB:staff removed"};
         }},
        {"icon", [](lab::FarmModel& m) { m.applications[2].icon = lab::MakeIcon(99); },
         [](const lab::FarmModel&) { return Lines{"Applications/Desktop: icon differs"}; }},
        {"farm setting", [](lab::FarmModel& m) { m.settings["MaxConnectionsPerUser"] = 77; },
         [](const lab::FarmModel& b) {
             return Lines{"Farm: MaxConnectionsPerUser " + Number(b, "MaxConnectionsPerUser") +
                          " -> 77"};
         }},
        {"farm setting no longer reported", [](lab::FarmModel& m) { m.settings.erase("SRPort"); },
         [](const lab::FarmModel& b) {
             return Lines{"Farm: SRPort " + Number(b, "SRPort") + " -> (not set)"};
         }},
        {"application removed", [](lab::FarmModel& m) { m.applications.pop_back(); },
         [](const lab::FarmModel&) { return Lines{"Only in the old: Applications/CON"}; }},
        {"application added",
         [](lab::FarmModel& m) {
             m.applications.push_back(App("Applications/Office", "Excel", 7));
         },
         [](const lab::FarmModel&) { return Lines{"Only in the new: Applications/Office/Excel"}; }},
    };
    for (const FarmChange& row : changes) {
        lab::FarmModel after = before;
        row.change(after);
        store_->Write(after);
        EXPECT_EQ(LinesWithFarm(PathOf("Farm.ini")), row.expected(before)) << row.what;
    }
}

TEST_F(ComparisonTest, DifferencesComeFarmFirstThenByApplicationNameInBlockOrder) {
    const lab::FarmModel before = SmallFarm();
    Export(before);
    lab::FarmModel after = before;
    after.applications[0].icon = lab::MakeIcon(42);  // Applications/Office/Word
    after.applications[0].groups.clear();
    after.applications[0].users.clear();
    after.applications[0].servers = {"S1", "S3"};
    after.applications[0].keys["PNFolder"] = std::string("Docs");
    after.applications[0].description = "Changed";
    after.applications.erase(after.applications.begin() + 3);  // Applications/CON
    after.applications.push_back(App("Applications/Office", "Excel", 7));
    after.settings["UseClientLocalTime"] = 1000;
    after.settings["ZonesShareLoadInfo"] = 1001;
    store_->Write(after);

    const compare::Comparison found = WithFarm(PathOf("Farm.ini"));
    EXPECT_EQ(
        compare::DifferenceLines(found),
        (Lines{"Farm: UseClientLocalTime " + Number(before, "UseClientLocalTime") + " -> 1000",
               "Farm: ZonesShareLoadInfo " + Number(before, "ZonesShareLoadInfo") + " -> 1001",
               "Only in the old: Applications/CON", "Only in the new: Applications/Office/Excel",
               "Applications/Office/Word: Description About Word -> Changed",
               "Applications/Office/Word: PNFolder Tools -> Docs",
               "Applications/Office/Word: server S2 unbound",
               "Applications/Office/Word: server S3 bound",
               "Applications/Office/Word: user 2:1:LAB:ann removed",
               "Applications/Office/Word: group 2:1:LAB:staff removed",
               "Applications/Office/Word: icon differs"}));
    // The same as data: the kind, the application, the item and both values.
    ASSERT_EQ(found.differences.size(), 11u);
    EXPECT_EQ(found.differences[0],
              (compare::Difference{compare::DifferenceKind::Setting, "", "UseClientLocalTime",
                                   Number(before, "UseClientLocalTime"), "1000"}));
    EXPECT_EQ(found.differences[6],
              (compare::Difference{compare::DifferenceKind::ServerUnbound,
                                   "Applications/Office/Word", "S2", std::nullopt, std::nullopt}));
    EXPECT_EQ(found.differences[10].kind, compare::DifferenceKind::IconDiffers);

    // Grouped for reading: the farm's settings, then one group per application.
    EXPECT_EQ(
        compare::GroupedLines(found, "the file", "the farm"),
        (Lines{"Farm settings",
               "    UseClientLocalTime " + Number(before, "UseClientLocalTime") + " -> 1000",
               "    ZonesShareLoadInfo " + Number(before, "ZonesShareLoadInfo") + " -> 1001", "",
               "Applications/CON", "    only in the file", "", "Applications/Office/Excel",
               "    only in the farm", "", "Applications/Office/Word",
               "    Description About Word -> Changed", "    PNFolder Tools -> Docs",
               "    server S2 unbound", "    server S3 bound", "    user 2:1:LAB:ann removed",
               "    group 2:1:LAB:staff removed", "    icon differs"}));
    EXPECT_TRUE(compare::GroupedLines({}, "the file", "the farm").empty());
}

TEST_F(ComparisonTest, BackupComparesWithALaterExportByTheIconsBesideIt) {
    const lab::FarmModel before = SmallFarm();
    Export(before);
    const std::string monday = Backup("monday");
    lab::FarmModel after = before;
    after.applications[1].icon = lab::MakeIcon(50);  // Applications/Word
    after.applications[1].keys["InstanceLimit"] = 3;
    Export(after);  // writes over the icons the Monday file names

    EXPECT_EQ(
        LinesOfFiles(monday, PathOf("Farm.ini")),
        (Lines{"Applications/Word: InstanceLimit -1 -> 3", "Applications/Word: icon differs"}));
    EXPECT_EQ(
        LinesOfFiles(PathOf("Farm.ini"), monday),
        (Lines{"Applications/Word: InstanceLimit 3 -> -1", "Applications/Word: icon differs"}));
}

struct FileEdit {
    const char* from;
    const char* to;
    Lines expected;  // the edited file (old) compared with the farm (new)
};

TEST_F(ComparisonTest, EditedFileAgainstTheFarm) {
    Export(SmallFarm());
    const std::vector<FileEdit> edits = {
        {"PNFolder=Tools\r\n", "", {"Applications/Office/Word: PNFolder (not set) -> Tools"}},
        {"[Farm]\r\n", "[Farm]\r\nRetired=1\r\n", {"Farm: Retired 1 -> (not set)"}},
        // Servers, account names and section headers compare without regard to case.
        {"Server=S1\r\nServer=S2", "Server=s1\r\nServer=S2", {}},
        {"User=2:1:LAB:ann", "User=2:1:lab:ANN", {}},
        {"[Servers]", "[servers]", {}},
        // A server named twice is bound once.
        {"Server=S2\r\n", "Server=S2\r\nServer=s2\r\n", {}},
        {"Server=S2\r\n",
         "Server=S2\r\nServer=S3\r\nServer=s3\r\n",
         {"Applications/Office/Word: server S3 unbound"}},
        // The account's type is part of the entry.
        {"User=2:1:LAB:ann",
         "User=1:1:LAB:ann",
         {"Applications/Office/Word: user 1:1:LAB:ann removed",
          "Applications/Office/Word: user 2:1:LAB:ann added"}},
        // Applications match by name without regard to case; the name's settings still differ.
        {"AppName=Desktop\r\nDistinguishedName=Applications/Desktop",
         "AppName=DESKTOP\r\nDistinguishedName=Applications/DESKTOP",
         {"Applications/DESKTOP: AppName DESKTOP -> Desktop",
          "Applications/DESKTOP: DistinguishedName Applications/DESKTOP -> Applications/Desktop"}},
        // Another folder is another application.
        {"ParentFolderDN=Applications/Office\r\n",
         "ParentFolderDN=Applications/Other\r\n",
         {"Only in the new: Applications/Office/Word", "Only in the old: Applications/Other/Word"}},
        // Keys compare exactly.
        {"EnableApp=",
         "enableApp=",
         {"Applications/Office/Word: enableApp 0 -> (not set)",
          "Applications/Office/Word: EnableApp (not set) -> 0"}},
    };
    for (const FileEdit& edit : edits) {
        EXPECT_EQ(LinesWithFarm(Edited(edit.from, edit.to)), edit.expected) << edit.from;
    }
}

TEST_F(ComparisonTest, LaterBlockOfTheSameNameIsTheOneCompared) {
    Export(SmallFarm());
    const std::string text = Read("Farm.ini");
    const size_t con = text.rfind("\r\n[Application]\r\nAppName=CON");
    ASSERT_NE(con, std::string::npos);
    std::string block = text.substr(con);
    block.replace(block.find("Description=About CON"), 21, "Description=Later");
    Write("twice.ini", text + block);
    EXPECT_EQ(LinesWithFarm(PathOf("twice.ini")),
              Lines{"Applications/CON: Description Later -> About CON"});

    // The earlier block, changed instead, is not compared.
    std::string earlier = text;
    earlier.replace(earlier.find("Description=About CON"), 21, "Description=Earlier");
    Write("twice.ini", earlier + text.substr(con));
    EXPECT_EQ(LinesWithFarm(PathOf("twice.ini")), Lines{});
}

TEST_F(ComparisonTest, IconsCompareByTheirBytesNotTheirNames) {
    Export(SmallFarm());
    fs::copy_file(root_ / "work" / "icons" / "Word.ico", root_ / "work" / "icons" / "Same.ico");
    EXPECT_EQ(LinesWithFarm(Edited(IconLine("Word.ico"), IconLine("Same.ico"))), Lines{});
    EXPECT_EQ(LinesWithFarm(Edited(IconLine("Word.ico"), IconLine("Desktop.ico"))),
              Lines{"Applications/Office/Word: icon differs"});
    EXPECT_EQ(LinesWithFarm(Edited(IconLine("Word.ico"), IconLine("Gone.ico"))),
              Lines{"Applications/Office/Word: icon differs (none in the old)"});
    EXPECT_EQ(LinesWithFarm(Edited(IconLine("Word.ico"), "")),
              Lines{"Applications/Office/Word: icon differs (none in the old)"});
    // Missing on the new side.
    const std::string edited = Edited(IconLine("Desktop.ico"), IconLine("Gone.ico"));
    EXPECT_EQ(LinesOfFiles(PathOf("Farm.ini"), edited),
              Lines{"Applications/Desktop: icon differs (none in the new)"});
    // An icon file named on neither side is no difference.
    EXPECT_EQ(LinesOfFiles(edited, edited), Lines{});
}

TEST_F(ComparisonTest, UnreadableFileThrowsBeforeTheFarmIsRead) {
    Export(SmallFarm());
    const std::string missing = PathOf("missing.ini");
    EXPECT_EQ(testing_support::ErrorNumberOf([&] { LinesOfFiles(missing, PathOf("Farm.ini")); }),
              base::kErrFileNotFound);
    EXPECT_EQ(testing_support::ErrorNumberOf([&] { LinesOfFiles(PathOf("Farm.ini"), missing); }),
              base::kErrFileNotFound);

    faults_->ResetCount();
    EXPECT_EQ(testing_support::ErrorNumberOf([&] { WithFarm(missing); }), base::kErrFileNotFound);
    EXPECT_EQ(faults_->CallCount(), 0);
    EXPECT_TRUE(fs::is_empty(root_ / "tmp"));
}

TEST_F(ComparisonTest, FailedExportOfTheFarmThrowsItsErrorAndLeavesNoScratchFiles) {
    Export(SmallFarm());
    const auto before = WorkFiles();
    constexpr int32_t kRefused = -2147467259;
    faults_->FailOperation("WinApp.WriteIconToFile", kRefused, "icon refused");
    const std::optional<base::Error> error =
        testing_support::ErrorOf([&] { WithFarm(PathOf("Farm.ini")); });
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->number(), kRefused);
    EXPECT_EQ(error->description(), "icon refused");
    EXPECT_TRUE(fs::is_empty(root_ / "tmp"));
    EXPECT_EQ(WorkFiles(), before);
}

}  // namespace
}  // namespace files_test
