// A farm exported, imported into another farm and exported again comes back the same.
#include <gtest/gtest.h>

#include <set>

#include "files_fixture.h"
#include "shared/farm_file.h"

namespace files_test {
namespace {

// The lines both exports must share: the farm's own name, the two keys the import does not
// read and the five settings the target farm cannot report are left out.
std::vector<std::string> Comparable(const std::string& file) {
    static const std::set<std::string> kDiffer{
        "Farmname",          "HideDisabledApp", "CPUPriority", "LicenseServerName",
        "LicenseServerPort", "SREnabled",       "SRPort",      "SRTimeout"};
    std::vector<std::string> kept;
    for (const std::string& line : Lines(file)) {
        if (!kDiffer.contains(line.substr(0, line.find('=')))) {
            kept.push_back(line);
        }
    }
    return kept;
}

class RoundTripTest : public FilesTest {};

TEST_F(RoundTripTest, DemoFarmThroughTheTargetFarm) {
    lab::FarmModel demo = lab::MakeDemoFarm();
    demo.applications[0].keys["DefaultInitProg"] = std::string("app.exe /mode=fast");
    demo.applications[0].description = "Rates: a=b";
    demo.settings["ICAVideoBufferSize"] = int32_t{1536};
    // A namesake of Office/Word in the root folder, before it in the file.
    demo.applications.insert(demo.applications.begin(), App("Applications", "Word", 40));
    lab::FarmModel target = lab::MakeTargetFarm();
    // The file names the demo farm's servers: the target farm has them too.
    target.servers.insert(target.servers.end(), demo.servers.begin(), demo.servers.end());
    store_->Write(demo);
    store_->Write(target);

    auto source = Open(lab::kDemoFarm);
    testing_support::Shown(source->shared, shared::ExportFarm(source->shared, PathOf("demo.ini")));
    auto destination = Open(lab::kTargetFarm);
    testing_support::Shown(destination->shared,
                           shared::ImportFarm(destination->shared, PathOf("demo.ini")));
    testing_support::Shown(destination->shared,
                           shared::ExportFarm(destination->shared, PathOf("target.ini")));
    EXPECT_TRUE(source->feedback.messages.empty());
    // The target farm cannot take the settings it cannot report: the import names them at
    // its end.
    ASSERT_EQ(destination->feedback.messages.size(), 1u);
    const std::string& notice = destination->feedback.messages[0].text;
    EXPECT_EQ(notice.find("The import passed over 5 lines of the farm file:\r\nLine "), 0u)
        << notice;
    EXPECT_NE(notice.find(": SREnabled=1\r\n     Error -2147220988: The farm cannot report the "
                          "setting 'SREnabled'."),
              std::string::npos)
        << notice;

    const std::string first = Read("demo.ini");
    EXPECT_EQ(Comparable(first), Comparable(Read("target.ini")));
    EXPECT_NE(first.find("\r\nDefaultInitProg=app.exe /mode=fast\r\n"), std::string::npos);
    // Domain users and global groups of an NT domain: account type first, authority type next.
    EXPECT_NE(first.find("\r\nUser=2:1:ZELTLAB:"), std::string::npos);
    EXPECT_NE(first.find("\r\nGroup=2:1:ZELTLAB:"), std::string::npos);
    // The file has the window sizes before the type; the farm takes them after it.
    EXPECT_LT(first.find("\r\nDefaultWindowHeight="), first.find("\r\nDefaultWindowType="));

    const lab::FarmModel imported = store_->Read(lab::kTargetFarm);
    ASSERT_EQ(imported.applications.size(), demo.applications.size());
    for (size_t i = 0; i < demo.applications.size(); ++i) {
        const lab::AppRecord& app = imported.applications[i];
        EXPECT_EQ(app.icon, demo.applications[i].icon) << i;
        EXPECT_EQ(app.description, demo.applications[i].description) << i;
        EXPECT_EQ(app.users, demo.applications[i].users) << i;
        EXPECT_EQ(app.groups, demo.applications[i].groups) << i;
        for (const char* key : {"DefaultWindowType", "DefaultWindowHeight", "DefaultWindowWidth",
                                "DefaultWindowScale"}) {
            const auto& keys = demo.applications[i].keys;  // a key not set reads as 0
            EXPECT_EQ(app.keys.at(key), keys.contains(key) ? keys.at(key) : farm::Value(0))
                << i << " " << key;
        }
    }
    EXPECT_EQ(imported.settings.at("ICAVideoBufferSize"), farm::Value(int32_t{1536}));
    EXPECT_EQ(imported.settings.count("SRPort"), 0u);
}

}  // namespace
}  // namespace files_test
