// Hostile farm and server files through the real COM path (the production backend and the
// registered labfarm.dll): binary files, NUL bytes, a 100 MB line, names that are paths or
// device names. Each ends in the error message or the reader's usual behaviour, leaves the
// farm readable and writes nothing but the file chosen and the icons folder.
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "farm/mfcom/mfcom.h"
#include "lab/com/workstation.h"
#include "mfcom/com_session.h"
#include "mfcom/com_support.h"
#include "shared/bad_input_fixture.h"
#include "shared/farm_file.h"
#include "shared/files_fixture.h"
#include "shared/server_file.h"

namespace files_test {
namespace {

std::string WithCrLf(const std::string& text) {
    std::string out;
    for (char c : text) {
        out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    return out;
}

class BadInputComTest : public BadInputFixture {
  protected:
    BadInputComTest() {
        store_->Write(SmallFarm());
        EmptyTarget();
        Write("icon.ico", lab::MakeIcon(9));
        before_ = Snapshot();
    }

    void EmptyTarget() {
        lab::FarmModel target = SmallFarm("BadTarget");
        target.applications.clear();
        store_->Write(target);
    }

    std::unique_ptr<ComSession> Open(const std::string& farmName) {
        labcom::WriteSetting(labcom::kFarmValue, farmName);
        return std::make_unique<ComSession>(root_, log_);
    }

    // Imports the file into the empty target farm through COM.
    std::unique_ptr<ComSession> ImportFile(const std::string& name) {
        before_.insert("work/" + name);
        auto session = Open("BadTarget");
        testing_support::Shown(session->shared, shared::ImportFarm(session->shared, PathOf(name)));
        EXPECT_EQ(log_.opened, log_.closed);
        return session;
    }
    std::unique_ptr<ComSession> ImportText(const std::string& bytes) {
        Write("farm.ini", bytes);
        return ImportFile("farm.ini");
    }

    const lab::AppRecord* Find(const lab::FarmModel& farm, const std::string& dn) {
        for (const lab::AppRecord& app : farm.applications) {
            if (app.DistinguishedName() == dn) {
                return &app;
            }
        }
        return nullptr;
    }

    comtest::ScopedLabSetting setting_{root_ / "store", std::string("BadTarget")};
};

TEST_F(BadInputComTest, BinaryFilesEndInTheErrorMessageOrNothing) {
    const std::string bytes = BinaryBytes();
    for (const std::string& text : {bytes, "[Application]\r\n" + bytes}) {
        auto session = ImportText(text);
        ExpectOnlyErrorMessages(session->feedback, 1);
        EXPECT_NO_THROW(store_->Read("BadTarget"));
    }
    ExpectNothingElseWritten();
}

TEST_F(BadInputComTest, NulBytesInNamesAndValues) {
    // A NUL inside a value reaches the farm whole; a NUL line is no key line.
    auto session = ImportText(WithCrLf(std::string("\0\0\n", 3) +
                                       Block("New", std::string("Description=Pl\0ain\n", 19))));
    ExpectOnlyErrorMessages(session->feedback, 0);
    const lab::FarmModel after = store_->Read("BadTarget");
    const lab::AppRecord* app = Find(after, "Applications/New");
    ASSERT_NE(app, nullptr);
    EXPECT_EQ(app->description, std::string("Pl\0ain", 6));
    EXPECT_EQ(app->icon, lab::MakeIcon(9));

    // A NUL inside an application's name in a server file names no application.
    Write("s3.ini", std::string("DistinguishedName=Applications/Desk\0top\r\n", 41));
    before_.insert("work/s3.ini");
    auto online = Open("FileLab");
    testing_support::Shown(online->shared,
                           shared::ImportServerApps(online->shared, "S3", PathOf("s3.ini")));
    ExpectOnlyErrorMessages(online->feedback, 1);
    EXPECT_EQ(online->feedback.messages.size(), 1u);
    EXPECT_EQ(Find(store_->Read("FileLab"), "Applications/Desktop")->servers,
              std::vector<std::string>{});
    ExpectNothingElseWritten();
}

// A 100 MB name crosses COM and is no application of the farm: the error message, nothing
// bound. (A long line that never reaches the farm is core_tests' case.)
TEST_F(BadInputComTest, HundredMegabyteNameEndsInTheErrorMessage) {
    const std::string piece(1 << 20, 'y');
    {
        std::ofstream out(root_ / "work" / "s1.ini", std::ios::binary);
        out << "[Applications]\r\nDistinguishedName=";
        for (int i = 0; i < 100; ++i) {
            out << piece;
        }
        out << "\r\nDistinguishedName=Applications/Desktop\r\n";
    }
    before_.insert("work/s1.ini");
    auto online = Open("FileLab");
    testing_support::Shown(online->shared,
                           shared::ImportServerApps(online->shared, "S2", PathOf("s1.ini")));
    ASSERT_EQ(online->feedback.messages.size(), 1u);
    ExpectOnlyErrorMessages(online->feedback, 1);
    EXPECT_EQ(Find(store_->Read("FileLab"), "Applications/Desktop")->servers,
              std::vector<std::string>{});
    ExpectNothingElseWritten();
    EXPECT_EQ(log_.opened, log_.closed);
}

// Names that are paths or device names on Windows, or very long: exported through COM, every
// icon file stays inside the icons folder, and the file imports them all back.
TEST_F(BadInputComTest, HostileApplicationNamesStayInsideTheIconsFolder) {
    const std::vector<std::string> names = {"..",
                                            "..\\..\\evil",
                                            "a\\b",
                                            "CON",
                                            "NUL",
                                            "COM1",
                                            "con.txt",
                                            "LPT1",
                                            ".",
                                            "x:y",
                                            "C:\\x",
                                            "*?<>|",
                                            std::string(300, 'n')};
    lab::FarmModel model = SmallFarm("Hostile");
    model.applications.clear();
    uint32_t seed = 20;
    for (const std::string& name : names) {
        model.applications.push_back(App("Applications", name, ++seed));
    }
    store_->Write(model);

    auto session = Open("Hostile");
    testing_support::Shown(session->shared,
                           shared::ExportFarm(session->shared, PathOf("farm.ini")));
    ExpectOnlyErrorMessages(session->feedback, 0);
    ExpectNothingElseWritten({"work/farm.ini", "work/icons"});
    size_t icons = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root_ / "work" / "icons")) {
        EXPECT_TRUE(entry.is_regular_file()) << entry.path();
        EXPECT_EQ(entry.path().parent_path(), root_ / "work" / "icons");
        ++icons;
    }
    EXPECT_EQ(icons, names.size());

    auto import = ImportFile("farm.ini");
    ExpectOnlyErrorMessages(import->feedback, 0);
    const lab::FarmModel after = store_->Read("BadTarget");
    ASSERT_EQ(after.applications.size(), names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(after.applications[i].name, model.applications[i].name);
        EXPECT_EQ(after.applications[i].icon, model.applications[i].icon) << names[i];
    }
    EXPECT_TRUE(fs::is_empty(root_ / "tmp"));
    ExpectNothingElseWritten({"work/farm.ini", "work/icons"});
}

// Server names that are paths, device names or very long, in a farm file and as the server
// a server file is for: the error message, no file written.
TEST_F(BadInputComTest, HostileServerNamesEndInTheErrorMessage) {
    Write("s.ini", "DistinguishedName=Applications/Word\r\n");
    before_.insert("work/s.ini");
    for (const std::string& name :
         {std::string(".."), std::string("..\\..\\S1"), std::string("S1/.."), std::string("CON"),
          std::string(300, 's')}) {
        SCOPED_TRACE(name.substr(0, 20));
        EmptyTarget();
        auto session = ImportText(WithCrLf(Block("New", "[Servers]\nServer=" + name + "\n")));
        ExpectOnlyErrorMessages(session->feedback, 1);
        EXPECT_NO_THROW(store_->Read("BadTarget"));

        auto online = Open("FileLab");
        testing_support::Shown(online->shared,
                               shared::ImportServerApps(online->shared, name, PathOf("s.ini")));
        ExpectOnlyErrorMessages(online->feedback, 1);
        EXPECT_EQ(online->feedback.messages.size(), 1u);
        EXPECT_EQ(Find(store_->Read("FileLab"), "Applications/Word")->servers,
                  std::vector<std::string>{"S1"});

        auto offline = Open("FileLab");
        testing_support::Shown(offline->shared,
                               shared::ExportServerApps(offline->shared, name, PathOf("off.ini")));
        ExpectOnlyErrorMessages(offline->feedback, 1);
        EXPECT_EQ(offline->feedback.messages.size(), 1u);
        EXPECT_FALSE(fs::exists(root_ / "work" / "off.ini"));
    }
    ExpectNothingElseWritten();
}

}  // namespace
}  // namespace files_test
