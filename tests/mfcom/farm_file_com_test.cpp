// The farm file round trip through real COM: the demo farm exported through labfarm.dll,
// imported into the target farm the same way, and exported again.
#include <set>

#include "farm/mfcom/mfcom.h"
#include "lab/com/workstation.h"
#include "mfcom/com_support.h"
#include "shared/farm_file.h"
#include "shared/files_fixture.h"

namespace files_test {
namespace {

class FarmFileComTest : public FilesTest {
  protected:
    // The program on the farm the workstation setting names, through the COM backend.
    struct ComSession {
        ComSession(const fs::path& root, FsLog& log)
            : shared(
                  factory, [root, &log] { return std::make_unique<TestFileSystem>(root, log); },
                  feedback) {}
        mfcom::MfcomFactory factory;
        testing_support::RecordingFeedback feedback;
        shared::Shared shared;
    };
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
    lab::FarmModel target = lab::MakeTargetFarm();
    target.servers.insert(target.servers.end(), demo.servers.begin(), demo.servers.end());
    store_->Write(demo);
    store_->Write(target);
    comtest::ScopedLabSetting setting(root_ / "store", std::string(lab::kDemoFarm));

    {
        ComSession source(root_, log_);
        shared::ExportFarm(source.shared, PathOf("demo.ini"));
        ASSERT_TRUE(source.feedback.messages.empty()) << source.feedback.messages[0].text;
    }
    labcom::WriteSetting(labcom::kFarmValue, lab::kTargetFarm);
    {
        ComSession destination(root_, log_);
        shared::ImportFarm(destination.shared, PathOf("demo.ini"));
        ASSERT_TRUE(destination.feedback.messages.empty()) << destination.feedback.messages[0].text;
        shared::ExportFarm(destination.shared, PathOf("target.ini"));
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

}  // namespace
}  // namespace files_test
