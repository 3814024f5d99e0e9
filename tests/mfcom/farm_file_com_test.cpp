// The farm file round trip through real COM: the demo farm exported through labfarm.dll,
// imported into the target farm the same way, and exported again; also with a lab that knows
// only the forms public use shows, or only the names first chosen for account entries.
#include <set>
#include <utility>

#include "farm/mfcom/mfcom.h"
#include "lab/com/workstation.h"
#include "lab/rules.h"
#include "mfcom/com_session.h"
#include "mfcom/com_support.h"
#include "shared/farm_file.h"
#include "shared/files_fixture.h"
#include "support/import_notice.h"

namespace files_test {
namespace {

class FarmFileComTest : public FilesTest {
  protected:
    // The demo farm, and the target farm with the demo's servers added, in the store.
    void WriteDemoAndTarget() {
        const lab::FarmModel demo = lab::MakeDemoFarm();
        lab::FarmModel target = lab::MakeTargetFarm();
        target.servers.insert(target.servers.end(), demo.servers.begin(), demo.servers.end());
        store_->Write(demo);
        store_->Write(target);
    }
};

// Lines that must agree: without the farm's own name, the keys the import does not read
// and the settings the target farm cannot report.
std::vector<std::string> Comparable(const std::string& text) {
    static const std::set<std::string> kDiffer{
        "Farmname",          "HideDisabledApp", "CPUPriority", "LicenseServerName",
        "LicenseServerPort", "SREnabled",       "SRPort",      "SRTimeout"};
    std::vector<std::string> kept;
    for (const std::string& line : Lines(text)) {
        if (!kDiffer.contains(line.substr(0, line.find('=')))) {
            kept.push_back(line);
        }
    }
    return kept;
}

TEST_F(FarmFileComTest, DemoFarmRoundTripsThroughTheTargetFarm) {
    const lab::FarmModel demo = lab::MakeDemoFarm();
    WriteDemoAndTarget();
    comtest::ScopedLabSetting setting(root_ / "store", std::string(lab::kDemoFarm));

    {
        ComSession source(root_, log_);
        testing_support::Shown(source.shared,
                               shared::ExportFarm(source.shared, PathOf("demo.ini")));
        ASSERT_TRUE(source.feedback.messages.empty()) << source.feedback.messages[0].text;
    }
    labcom::WriteSetting(labcom::kFarmValue, lab::kTargetFarm);
    {
        ComSession destination(root_, log_);
        testing_support::Shown(destination.shared,
                               shared::ImportFarm(destination.shared, PathOf("demo.ini")));
        ASSERT_EQ(destination.feedback.messages.size(), 1u);
        EXPECT_TRUE(
            testing_support::NamesOnlyUnreportedSettings(destination.feedback.messages[0].text))
            << destination.feedback.messages[0].text;
        destination.feedback.messages.clear();
        testing_support::Shown(destination.shared,
                               shared::ExportFarm(destination.shared, PathOf("target.ini")));
        ASSERT_TRUE(destination.feedback.messages.empty()) << destination.feedback.messages[0].text;
    }

    const std::string first = Read("demo.ini");
    EXPECT_EQ(Comparable(first), Comparable(Read("target.ini")));
    EXPECT_NE(first.find("\r\n[Application]\r\n"), std::string::npos);
    const lab::FarmModel imported = store_->Read(lab::kTargetFarm);
    ASSERT_EQ(imported.applications.size(), demo.applications.size());
    for (size_t i = 0; i < demo.applications.size(); ++i) {
        EXPECT_EQ(imported.applications[i].DistinguishedName(),
                  demo.applications[i].DistinguishedName());
        EXPECT_EQ(imported.applications[i].icon, demo.applications[i].icon) << i;
        EXPECT_EQ(imported.applications[i].servers, demo.applications[i].servers) << i;
    }
}

// An entry with its two numbers the other way round asks for authority type 2, which the
// farm refuses, whether the account is created with the credential or by four values.
TEST_F(FarmFileComTest, AccountNumbersTheOtherWayRoundAreRefused) {
    WriteDemoAndTarget();
    const lab::FarmModel before = store_->Read(lab::kTargetFarm);
    comtest::ScopedLabSetting setting(root_ / "store", std::string(lab::kTargetFarm));
    Write("icon.ico", lab::MakeIcon(5));
    Write("swapped.ini",
          "[Application]\r\nAppName=Swapped\r\n[Users]\r\nUser=1:2:ZELTLAB:alice\r\n"
          "[Icon]\r\nIcon=" +
              PathOf("icon.ico") + "\r\n");
    for (const char* dialect : {"", "public"}) {
        SCOPED_TRACE(dialect);
        labcom::ScopedLabValue speaking(labcom::kDialectValue, dialect);
        ComSession session(root_, log_);
        const shared::Outcome outcome = testing_support::Shown(
            session.shared, shared::ImportFarm(session.shared, PathOf("swapped.ini")));
        ASSERT_EQ(session.feedback.messages.size(), 1u);
        ASSERT_TRUE(outcome.failure.has_value());
        const shared::ErrorInfo* error = &outcome.failure->error;
        EXPECT_EQ(session.feedback.messages[0].text,
                  shared::UnexpectedErrorText(error->number, error->description));
        EXPECT_EQ(error->number, lab::RuleNumber(lab::Rule::kUnknownAccountKind));
        EXPECT_EQ(error->description,
                  "The authority type 2 (the first value of Initialize) is not an account "
                  "authority type; the farm knows 1 (Windows NT domain or Active Directory).");
        EXPECT_EQ(store_->Read(lab::kTargetFarm), before);
    }
}

// A farm whose views lack a setting: the export leaves its line out and names it at the end,
// the import passes it over and names it at the end; everything else arrives. Read back from
// the store, not through the program.
TEST_F(FarmFileComTest, AFarmWithoutSomeSettingsStillExportsAndImports) {
    WriteDemoAndTarget();
    comtest::ScopedLabSetting setting(root_ / "store", std::string(lab::kDemoFarm));
    const std::string lacking = "WinFarm.NoRedundantGraphics WinApp.DesktopIntegrate";
    const std::string named =
        "\r\n\r\nNoRedundantGraphics (farm setting)\r\nDesktopIntegrate (application setting)";
    {
        ComSession complete(root_, log_);
        testing_support::Shown(complete.shared,
                               shared::ExportFarm(complete.shared, PathOf("complete.ini")));
        ASSERT_TRUE(complete.feedback.messages.empty()) << complete.feedback.messages[0].text;
    }
    {
        labcom::ScopedLabValue speaking(labcom::kDialectValue, lacking);
        ComSession source(root_, log_);
        testing_support::Shown(source.shared,
                               shared::ExportFarm(source.shared, PathOf("lacking.ini")));
        ASSERT_EQ(source.feedback.messages.size(), 1u);
        EXPECT_EQ(source.feedback.messages[0].title, "Finished");
        EXPECT_EQ(source.feedback.messages[0].text,
                  "This farm does not have these settings; the farm file leaves them out:" + named);
    }
    std::vector<std::string> expected;
    for (const std::string& line : Lines(Read("complete.ini"))) {
        if (!line.starts_with("NoRedundantGraphics=") && !line.starts_with("DesktopIntegrate=")) {
            expected.push_back(line);
        }
    }
    ASSERT_LT(expected.size(), Lines(Read("complete.ini")).size());
    EXPECT_EQ(Lines(Read("lacking.ini")), expected);

    labcom::WriteSetting(labcom::kFarmValue, lab::kTargetFarm);
    const farm::Value graphics = store_->Read(lab::kTargetFarm).settings.at("NoRedundantGraphics");
    {
        labcom::ScopedLabValue speaking(labcom::kDialectValue, lacking);
        ComSession destination(root_, log_);
        testing_support::Shown(destination.shared,
                               shared::ImportFarm(destination.shared, PathOf("complete.ini")));
        ASSERT_EQ(destination.feedback.messages.size(), 1u);
        EXPECT_EQ(destination.feedback.messages[0].icon, shared::MessageIcon::Warning);
        const std::string& text = destination.feedback.messages[0].text;
        EXPECT_TRUE(testing_support::NamesOnlyUnreportedSettings(text)) << text;
        EXPECT_TRUE(text.ends_with(
            "\r\n\r\nThis farm does not have these settings; the import passed them over:" + named))
            << text;
    }
    const lab::FarmModel demo = lab::MakeDemoFarm();
    const lab::FarmModel imported = store_->Read(lab::kTargetFarm);
    EXPECT_EQ(imported.settings.at("NoRedundantGraphics"), graphics);
    ASSERT_EQ(imported.applications.size(), demo.applications.size());
    for (size_t i = 0; i < demo.applications.size(); ++i) {
        const lab::AppRecord& app = imported.applications[i];
        EXPECT_EQ(app.DistinguishedName(), demo.applications[i].DistinguishedName());
        EXPECT_EQ(app.users, demo.applications[i].users) << i;
        EXPECT_EQ(app.servers, demo.applications[i].servers) << i;
        for (const auto& [key, value] : demo.applications[i].keys) {
            if (key != "DesktopIntegrate" && key != "HideDisabledApp" && key != "CPUPriority") {
                EXPECT_EQ(app.keys.at(key), value) << i << " " << key;
            }
        }
        EXPECT_EQ(app.keys.at("DesktopIntegrate"), farm::Value(0)) << i;  // never assigned
    }
}

using Asked = std::pair<mfcom::Kind, std::string>;

struct DialectCase {
    const char* name;
    const char* dialect;
    std::vector<Asked> asked;     // names the client asks of this lab
    std::vector<Asked> notAsked;  // names it never needs to
};

class FarmFileDialectTest : public FarmFileComTest,
                            public ::testing::WithParamInterface<DialectCase> {
  protected:
    // Exports the demo farm and imports it into the target farm, both through COM on a lab
    // speaking `dialect`. Returns the names asked and the GetIDsOfNames calls of the import.
    std::pair<std::set<Asked>, int64_t> RoundTrip(const std::string& dialect) {
        WriteDemoAndTarget();
        comtest::ScopedLabSetting setting(root_ / "store", std::string(lab::kDemoFarm));
        labcom::ScopedLabValue speaking(labcom::kDialectValue, dialect);
        std::set<Asked> asked;
        int64_t importNames = 0;
        {
            ComSession source(root_, log_);
            testing_support::Shown(source.shared,
                                   shared::ExportFarm(source.shared, PathOf("demo.ini")));
            EXPECT_TRUE(source.feedback.messages.empty()) << source.feedback.messages[0].text;
            asked = source.factory.NamesAsked();
        }
        labcom::WriteSetting(labcom::kFarmValue, lab::kTargetFarm);
        ComSession destination(root_, log_);
        testing_support::Shown(destination.shared,
                               shared::ImportFarm(destination.shared, PathOf("demo.ini")));
        EXPECT_TRUE(
            destination.feedback.messages.size() == 1 &&
            testing_support::NamesOnlyUnreportedSettings(destination.feedback.messages[0].text));
        importNames = destination.factory.Counts().getIdsOfNames;
        asked.insert(destination.factory.NamesAsked().begin(),
                     destination.factory.NamesAsked().end());
        return {asked, importNames};
    }
};

TEST_P(FarmFileDialectTest, UsersAndGroupsArriveWhicheverFormsTheFarmKnows) {
    const DialectCase& c = GetParam();
    const auto [asked, importNames] = RoundTrip(c.dialect);

    // Read back in-process, not through the program: every account arrived.
    const lab::FarmModel demo = lab::MakeDemoFarm();
    const lab::FarmModel imported = store_->Read(lab::kTargetFarm);
    ASSERT_EQ(imported.applications.size(), demo.applications.size());
    size_t accounts = 0;
    for (size_t i = 0; i < demo.applications.size(); ++i) {
        EXPECT_EQ(imported.applications[i].users, demo.applications[i].users) << i;
        EXPECT_EQ(imported.applications[i].groups, demo.applications[i].groups) << i;
        accounts += demo.applications[i].users.size() + demo.applications[i].groups.size();
    }
    ASSERT_GE(accounts, 10u);
    // AccountType:AAType: domain users and global groups of an NT domain.
    EXPECT_NE(Read("demo.ini").find("\r\nUser=2:1:ZELTLAB:"), std::string::npos);
    EXPECT_NE(Read("demo.ini").find("\r\nGroup=2:1:ZELTLAB:"), std::string::npos);

    for (const Asked& name : c.asked) {
        EXPECT_TRUE(asked.contains(name)) << mfcom::KindName(name.first) << "." << name.second;
    }
    for (const Asked& name : c.notAsked) {
        EXPECT_FALSE(asked.contains(name)) << mfcom::KindName(name.first) << "." << name.second;
    }

    // A form the farm does not know is tried once per object type, not once per account.
    if (std::string(c.dialect).empty()) {
        return;
    }
    const auto [tableAsked, tableNames] = RoundTrip("");
    EXPECT_LE(importNames - tableNames, 4)
        << "table " << tableNames << ", " << c.name << " " << importNames;
}

using mfcom::Kind;
INSTANTIATE_TEST_SUITE_P(
    Dialects, FarmFileDialectTest,
    ::testing::Values(DialectCase{"table",
                                  "",
                                  {{Kind::WinApp, "AddUser"},
                                   {Kind::WinApp, "AddGroup"},
                                   {Kind::User, "UserName"},
                                   {Kind::Group, "GroupName"}},
                                  {{Kind::Application, "AddUser"},
                                   {Kind::Application, "AddGroup"},
                                   {Kind::User, "AccountName"},
                                   {Kind::Group, "AccountName"}}},
                      DialectCase{"public",
                                  "public",
                                  {{Kind::WinApp, "AddUser"},  // the table's form goes first
                                   {Kind::Application, "AddUser"},
                                   {Kind::Application, "AddGroup"},
                                   {Kind::User, "UserName"}},
                                  {{Kind::User, "AccountName"}, {Kind::Group, "AccountName"}}},
                      DialectCase{"earlier_names",
                                  "User.UserName Group.GroupName",
                                  {{Kind::User, "UserName"},
                                   {Kind::User, "AccountName"},
                                   {Kind::Group, "GroupName"},
                                   {Kind::Group, "AccountName"}},
                                  {{Kind::Application, "AddUser"}}}),
    [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace files_test
