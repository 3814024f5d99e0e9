// Hostile and malformed farm and server files: every one ends in the error message or the
// reader's usual behaviour, never in a crash or a hang, and writes nothing but the file
// chosen and the icons folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "bad_input_fixture.h"
#include "files_fixture.h"
#include "settings/ansi.h"
#include "shared/farm_file.h"
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

class BadInputTest : public BadInputFixture {
  protected:
    BadInputTest() {
        lab::FarmModel target = SmallFarm("BadTarget");
        target.applications.clear();
        store_->Write(target);
        store_->Write(SmallFarm());
        Write("icon.ico", lab::MakeIcon(9));
        before_ = Snapshot();
    }

    // Imports the text into the empty target farm; returns the session for its feedback.
    std::unique_ptr<Session> ImportText(const std::string& bytes) {
        Write("farm.ini", bytes);
        before_.insert("work/farm.ini");
        auto session = Open("BadTarget");
        testing_support::Shown(session->shared,
                               shared::ImportFarm(session->shared, PathOf("farm.ini")));
        EXPECT_EQ(log_.opened, log_.closed);
        return session;
    }

    std::vector<std::string> AppNames(const std::string& farmName) {
        std::vector<std::string> names;
        for (const auto& app : store_->Read(farmName).applications) {
            names.push_back(app.name);
        }
        return names;
    }

    std::vector<std::string> ServersOf(const std::string& farmName, const std::string& dn) {
        for (const auto& app : store_->Read(farmName).applications) {
            if (app.DistinguishedName() == dn) {
                return app.servers;
            }
        }
        return {"<no application>"};
    }
};

TEST_F(BadInputTest, BinaryFilesEndInTheErrorMessageOrNothing) {
    const std::string bytes = BinaryBytes();
    for (const std::string& text : {bytes, "[Application]\r\n" + bytes}) {
        auto session = ImportText(text);
        ExpectOnlyErrorMessages(session->feedback, 1);
        EXPECT_NO_THROW(store_->Read("BadTarget"));
    }
    ExpectNothingElseWritten();
}

TEST_F(BadInputTest, HundredMegabyteNameIsNoApplication) {
    // Written in pieces so that the test holds only one piece; the reader holds the line.
    const fs::path path = root_ / "work" / "s1.ini";
    {
        std::ofstream out(path, std::ios::binary);
        out << "[Applications]\r\nDistinguishedName=";
        const std::string piece(1 << 20, 'x');
        for (int i = 0; i < 100; ++i) {
            out << piece;
        }
        out << "\r\nDistinguishedName=Applications/Desktop\r\n";
    }
    before_.insert("work/s1.ini");
    auto session = Open("FileLab");
    testing_support::Shown(session->shared,
                           shared::ImportServerApps(session->shared, "S2", Utf8(path)));
    // The long name is no application of the farm: the error message, nothing bound.
    ASSERT_EQ(session->feedback.messages.size(), 1u);
    EXPECT_NE(session->feedback.messages[0].text.find("Error :"), std::string::npos);
    EXPECT_EQ(ServersOf("FileLab", "Applications/Desktop"), std::vector<std::string>{});

    ExpectNothingElseWritten();
    EXPECT_EQ(log_.opened, log_.closed);
}

TEST_F(BadInputTest, HundredMegabyteLineWithoutKeyIsSkipped) {
    const fs::path path = root_ / "work" / "s1.ini";
    before_.insert("work/s1.ini");
    // A line without "=" is skipped and the line after it is applied.
    {
        std::ofstream out(path, std::ios::binary);
        const std::string piece(1 << 20, 'y');
        for (int i = 0; i < 100; ++i) {
            out << piece;
        }
        out << "\r\nDistinguishedName=Applications/Desktop\r\n";
    }
    auto again = Open("FileLab");
    testing_support::Shown(again->shared,
                           shared::ImportServerApps(again->shared, "S2", Utf8(path)));
    EXPECT_TRUE(again->feedback.messages.empty());
    EXPECT_EQ(ServersOf("FileLab", "Applications/Desktop"), std::vector<std::string>{"S2"});
    ExpectNothingElseWritten();
    EXPECT_EQ(log_.opened, log_.closed);
}

// Line ends and stray bytes in a server file: which of Word and Desktop end up on S3.
TEST_F(BadInputTest, ServerFileLineEndsAndStrayBytes) {
    struct Case {
        const char* what;
        std::string text;
        std::vector<std::string> desktop;  // S3 bound or not
        std::vector<std::string> word;
    };
    const std::vector<std::string> none;
    const std::vector<std::string> s3{"S3"};
    const std::vector<std::string> s1s3{"S1", "S3"};  // Word is on S1 already
    const std::string d = "DistinguishedName=Applications/Desktop";
    const std::string w = "DistinguishedName=Applications/Word";
    const std::vector<Case> cases = {
        {"lone CR", d + "\r" + w + "\r", s3, s1s3},
        {"LF only", d + "\n" + w + "\n", s3, s1s3},
        {"no final line end", d + "\r\n" + w, s3, s1s3},
        {"CR CR LF", d + "\r\r\n" + w + "\r\r\n", s3, s1s3},
        {"NUL lines between",
         std::string("\0\0\r\n", 4) + d + "\r\n" + std::string("\0=\0\r\n", 5) + w + "\r\n", s3,
         s1s3},
        {"NUL before the key", std::string("\0", 1) + d + "\r\n" + w + "\r\n", none, s1s3},
        {"empty file", "", none, {"S1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        store_->Write(SmallFarm());
        Write("s3.ini", c.text);
        before_.insert("work/s3.ini");
        auto session = Open("FileLab");
        testing_support::Shown(session->shared,
                               shared::ImportServerApps(session->shared, "S3", PathOf("s3.ini")));
        EXPECT_TRUE(session->feedback.messages.empty());
        EXPECT_EQ(ServersOf("FileLab", "Applications/Desktop"), c.desktop);
        EXPECT_EQ(ServersOf("FileLab", "Applications/Word"), c.word);
        EXPECT_EQ(log_.opened, log_.closed);
    }
    // A NUL inside a name names no application: the error message.
    store_->Write(SmallFarm());
    Write("s3.ini", std::string("DistinguishedName=Applications/Desk\0top\r\n", 41));
    auto session = Open("FileLab");
    testing_support::Shown(session->shared,
                           shared::ImportServerApps(session->shared, "S3", PathOf("s3.ini")));
    ExpectOnlyErrorMessages(session->feedback, 1);
    EXPECT_EQ(session->feedback.messages.size(), 1u);
    EXPECT_EQ(ServersOf("FileLab", "Applications/Desktop"), none);
    ExpectNothingElseWritten();
}

TEST_F(BadInputTest, FarmFileLineEndsAndNonAnsiText) {
    struct Case {
        const char* what;
        std::string text;
        std::string description;  // of the application New
    };
    const std::string block = Block("New", "Description=Plain\n");
    std::string crOnly = WithCrLf(block);
    crOnly.erase(std::remove(crOnly.begin(), crOnly.end(), '\n'), crOnly.end());
    std::string noFinal = WithCrLf(
        "[Application]\nAppName=New\nParentFolderDN=Applications\n"
        "[Icon]\nIcon=" +
        PathOf("icon.ico") + "\n[Application]\nAppName=Other\n");
    const std::vector<Case> cases = {
        {"CR only", crOnly, "Plain"},
        {"LF only", block, "Plain"},
        {"CR LF", WithCrLf(block), "Plain"},
        // UTF-8 bytes read as ANSI: each byte is one character.
        {"UTF-8 in the file", WithCrLf(Block("New", "Description=Caf\xC3\xA9 \xE2\x82\xAC\n")),
         settings::AnsiToUtf8("Caf\xC3\xA9 \xE2\x82\xAC")},
        {"NUL inside a value", WithCrLf(Block("New", std::string("Description=Pl\0ain\n", 19))),
         std::string("Pl\0ain", 6)},
        {"no final line end", noFinal.substr(0, noFinal.size() - 2), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        lab::FarmModel target = SmallFarm("BadTarget");
        target.applications.clear();
        store_->Write(target);
        auto session = ImportText(c.text);
        ExpectOnlyErrorMessages(session->feedback, 0);
        const lab::FarmModel after = store_->Read("BadTarget");
        const auto app = std::find_if(after.applications.begin(), after.applications.end(),
                                      [](const lab::AppRecord& a) { return a.name == "New"; });
        ASSERT_NE(app, after.applications.end());
        EXPECT_EQ(app->description, c.description);
        EXPECT_EQ(app->icon, lab::MakeIcon(9));
    }
    ExpectNothingElseWritten();
}

TEST_F(BadInputTest, IconPathMissingOrAFolderEndsInTheErrorMessage) {
    fs::create_directories(root_ / "work" / "folder.ico");
    before_ = Snapshot();
    for (const std::string& icon :
         {PathOf("missing.ico"), PathOf("folder.ico"), PathOf(""), std::string("")}) {
        SCOPED_TRACE(icon);
        auto session =
            ImportText(WithCrLf("[Application]\nAppName=New\nParentFolderDN="
                                "Applications\n[Icon]\nIcon=" +
                                icon + "\n" + Block("Next")));
        ExpectOnlyErrorMessages(session->feedback, 1);
        EXPECT_EQ(session->feedback.messages.size(), 1u);
        // The import stops there: neither application is stored.
        EXPECT_EQ(AppNames("BadTarget"), std::vector<std::string>{});
        EXPECT_TRUE(fs::is_empty(root_ / "tmp"));
    }
    ExpectNothingElseWritten();
}

// Names that are paths or device names on Windows, or very long: the export keeps every icon
// file inside the icons folder, and importing the file gives the same applications back.
TEST_F(BadInputTest, HostileApplicationNamesStayInsideTheIconsFolder) {
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
    lab::FarmModel target = model;
    target.name = "BadTarget";
    target.applications.clear();
    store_->Write(target);

    auto session = Open("Hostile");
    testing_support::Shown(session->shared,
                           shared::ExportFarm(session->shared, PathOf("farm.ini")));
    ExpectOnlyErrorMessages(session->feedback, 0);
    ExpectNothingElseWritten({"work/farm.ini", "work/icons"});
    ASSERT_TRUE(fs::is_directory(root_ / "work" / "icons"));
    size_t icons = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root_ / "work" / "icons")) {
        EXPECT_TRUE(entry.is_regular_file()) << entry.path();
        EXPECT_EQ(entry.path().parent_path(), root_ / "work" / "icons");
        ++icons;
    }
    EXPECT_EQ(icons, names.size());
    EXPECT_TRUE(fs::is_empty(root_ / "tmp"));

    auto import = Open("BadTarget");
    testing_support::Shown(import->shared, shared::ImportFarm(import->shared, PathOf("farm.ini")));
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
TEST_F(BadInputTest, HostileServerNamesEndInTheErrorMessage) {
    const std::vector<std::string> names = {"..",   "..\\..\\S1",         "S1/..", "CON", "NUL",
                                            "COM1", std::string(300, 's')};
    for (const std::string& name : names) {
        SCOPED_TRACE(name.substr(0, 20));
        lab::FarmModel target = SmallFarm("BadTarget");
        target.applications.clear();
        store_->Write(target);
        auto session = ImportText(WithCrLf(Block("New", "[Servers]\nServer=" + name + "\n")));
        ExpectOnlyErrorMessages(session->feedback, 1);
        EXPECT_NO_THROW(store_->Read("BadTarget"));

        Write("s.ini", "DistinguishedName=Applications/Word\r\n");
        before_.insert("work/s.ini");
        auto online = Open("FileLab");
        testing_support::Shown(online->shared,
                               shared::ImportServerApps(online->shared, name, PathOf("s.ini")));
        ExpectOnlyErrorMessages(online->feedback, 1);
        EXPECT_EQ(online->feedback.messages.size(), 1u);
        EXPECT_EQ(ServersOf("FileLab", "Applications/Word"), std::vector<std::string>{"S1"});

        auto offline = Open("FileLab");
        testing_support::Shown(offline->shared,
                               shared::ExportServerApps(offline->shared, name, PathOf("off.ini")));
        ExpectOnlyErrorMessages(offline->feedback, 1);
        EXPECT_EQ(offline->feedback.messages.size(), 1u);
        EXPECT_FALSE(fs::exists(root_ / "work" / "off.ini"));
    }
    ExpectNothingElseWritten();
}

TEST_F(BadInputTest, ServerFileNamingTenThousandApplications) {
    constexpr int kCount = 10000;
    lab::FarmModel model = SmallFarm("Many");
    model.applications.clear();
    std::string text = "[Servers]\r\nServerName=S3\r\n\r\n[Applications]\r\n";
    for (int i = 0; i < kCount; ++i) {
        lab::AppRecord app;
        app.name = "App" + std::to_string(i);
        app.servers = {"S1"};
        model.applications.push_back(std::move(app));
        text += "DistinguishedName=Applications/App" + std::to_string(i) + "\r\n";
    }
    store_->Write(model);
    Write("many.ini", text);
    before_.insert("work/many.ini");
    auto session = Open("Many");
    testing_support::Shown(session->shared,
                           shared::ImportServerApps(session->shared, "S3", PathOf("many.ini")));
    EXPECT_TRUE(session->feedback.messages.empty());
    const lab::FarmModel after = store_->Read("Many");
    ASSERT_EQ(after.applications.size(), static_cast<size_t>(kCount));
    for (const auto& app : after.applications) {
        ASSERT_EQ(app.servers, (std::vector<std::string>{"S1", "S3"})) << app.name;
    }
    EXPECT_EQ(session->feedback.statusHistory.size(), static_cast<size_t>(kCount) + 1);
    ExpectNothingElseWritten();
}

}  // namespace
}  // namespace files_test
