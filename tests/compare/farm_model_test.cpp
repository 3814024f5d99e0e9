// A farm file read into its model as the import walks it, and where an application's icon is
// read from.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compare/farm_model.h"
#include "shared/files_fixture.h"

namespace files_test {
namespace {

using Strings = std::vector<std::string>;

class FarmModelTest : public FilesTest {
  protected:
    compare::FarmModel ReadText(const std::string& text) {
        Write("model.ini", text);
        TestFileSystem files(root_, log_);
        return compare::ReadFarmModel(files, PathOf("model.ini"));
    }
    std::optional<std::string> Icon(const compare::FarmModel& model, size_t application) {
        return compare::ReadIcon(model, model.applications.at(application));
    }
};

Strings Keys(const std::vector<compare::Setting>& settings) {
    Strings keys;
    for (const compare::Setting& setting : settings) {
        keys.push_back(setting.key + "=" + setting.value);
    }
    return keys;
}

TEST_F(FarmModelTest, ReadsBlocksAsTheImportWalksThem) {
    const compare::FarmModel model = ReadText(
        "MaxConnectionsPerUser=3\r\n"  // before any header: the farm block
        "[farm]\r\n"
        "Farmname=Lab\r\n"
        "not a key line\r\n"
        "=no key\r\n"
        "MaxConnectionsPerUser=4\r\n"  // read again: first place, later value
        "[Application]\r\n"
        "AppName=Word\r\n"
        "Description=a=b\r\n"
        "ParentFolderDN=Applications/Office\r\n"
        "[SERVERS]\r\n"
        "Server=S1\r\n"
        "server=S9\r\n"  // not the section's key
        "User=2:1:LAB:ann\r\n"
        "Server=s2\r\n"
        "[Users]\r\n"
        "User=2:1:LAB:ann\r\n"
        "[Groups]\r\n"
        "Group=2:1:LAB:staff\r\n"
        "[Icon]\r\n"
        "Icon=C:\\icons\\Word.ico\r\n"
        "[Application]\r\n"
        "AppName=Notes\r\n"  // no folder: the root folder
        "[Icon]\r\n"
        "Image=Notes.ico\r\n");

    EXPECT_EQ(Keys(model.settings), (Strings{"MaxConnectionsPerUser=4", "Farmname=Lab"}));
    ASSERT_EQ(model.applications.size(), 2u);
    const compare::ApplicationModel& word = model.applications[0];
    EXPECT_EQ(word.distinguishedName, "Applications/Office/Word");
    EXPECT_EQ(Keys(word.settings),
              (Strings{"AppName=Word", "Description=a=b", "ParentFolderDN=Applications/Office"}));
    EXPECT_EQ(word.servers, (Strings{"S1", "s2"}));
    EXPECT_EQ(word.users, (Strings{"2:1:LAB:ann"}));
    EXPECT_EQ(word.groups, (Strings{"2:1:LAB:staff"}));
    EXPECT_EQ(word.icon, "C:\\icons\\Word.ico");
    const compare::ApplicationModel& notes = model.applications[1];
    EXPECT_EQ(notes.distinguishedName, "Applications/Notes");
    EXPECT_TRUE(notes.servers.empty() && notes.users.empty() && notes.groups.empty());
    EXPECT_FALSE(notes.icon.has_value());
    EXPECT_EQ(log_.opened, log_.closed);
}

TEST_F(FarmModelTest, EntriesBeforeAnyApplicationBelongToNone) {
    const compare::FarmModel model =
        ReadText("[Servers]\r\nServer=S1\r\n[Icon]\r\nIcon=x.ico\r\n[Farm]\r\nFarmname=Lab\r\n");
    EXPECT_TRUE(model.applications.empty());
    EXPECT_EQ(Keys(model.settings), (Strings{"Farmname=Lab"}));
    EXPECT_TRUE(ReadText("").applications.empty());
}

TEST_F(FarmModelTest, FileThatCannotBeReadThrows) {
    TestFileSystem files(root_, log_);
    try {
        compare::ReadFarmModel(files, PathOf("none.ini"));
        FAIL() << "no error";
    } catch (const base::Error& e) {
        EXPECT_EQ(e.number(), base::kErrFileNotFound);
    }
    // A read that fails halfway ends the reading with the file's error.
    Write("model.ini", "[Farm]\r\nFarmname=Lab\r\nMaxConnectionsPerUser=4\r\n");
    log_.failAt = log_.calls + 5;
    try {
        compare::ReadFarmModel(files, PathOf("model.ini"));
        FAIL() << "no error";
    } catch (const base::Error& e) {
        EXPECT_EQ(e.number(), base::kErrDiskFull);
    }
    EXPECT_EQ(log_.opened, log_.closed);
}

TEST_F(FarmModelTest, IconIsReadBesideTheFileFirstThenWhereNamed) {
    fs::create_directories(root_ / "work" / "icons");
    fs::create_directories(root_ / "old" / "icons");
    Write("icons/Word.ico", "beside");
    std::ofstream(root_ / "old" / "icons" / "Word.ico", std::ios::binary) << "named";
    std::ofstream(root_ / "old" / "icons" / "Calc.ico", std::ios::binary) << "only named";
    const std::string folder = Utf8(root_ / "old" / "icons") + settings::kPathSeparator;
    const compare::FarmModel model =
        ReadText("[Application]\r\nAppName=Word\r\n[Icon]\r\nIcon=" + folder +
                 "Word.ico\r\n"
                 "[Application]\r\nAppName=Calc\r\n[Icon]\r\nIcon=" +
                 folder +
                 "Calc.ico\r\n"
                 "[Application]\r\nAppName=Gone\r\n[Icon]\r\nIcon=" +
                 folder +
                 "Gone.ico\r\n"
                 "[Application]\r\nAppName=Plain\r\n[Icon]\r\nIcon=Word.ico\r\n"
                 "[Application]\r\nAppName=Folder\r\n[Icon]\r\nIcon=" +
                 folder + "\r\n");
    EXPECT_EQ(Icon(model, 0), "beside");
    EXPECT_EQ(Icon(model, 1), "only named");
    EXPECT_EQ(Icon(model, 2), std::nullopt);
    EXPECT_EQ(Icon(model, 3), "beside");  // a bare name, beside the file
    EXPECT_EQ(Icon(model, 4), std::nullopt);
}

}  // namespace
}  // namespace files_test
