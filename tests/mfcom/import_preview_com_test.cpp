// The import preview and the server mapping through real COM: the demo farm exported through
// labfarm.dll, previewed against the target farm that lacks every demo server, then imported
// with its six servers consolidated onto the target's three; the target farm read back
// in-process.
#include <map>
#include <set>

#include "farm/mfcom/mfcom.h"
#include "lab/com/workstation.h"
#include "mfcom/com_session.h"
#include "mfcom/com_support.h"
#include "preview/import_preview.h"
#include "preview/preview_report.h"
#include "shared/farm_file.h"
#include "shared/files_fixture.h"
#include "shared/server_mapping.h"
#include "support/import_notice.h"
#include "support/mapped_import.h"

namespace files_test {
namespace {

using ImportPreviewComTest = FilesTest;

TEST_F(ImportPreviewComTest, PreviewListsTheMissingServersAndTheMappedImportCarriesThem) {
    const lab::FarmModel demo = lab::MakeDemoFarm();
    store_->Write(demo);
    store_->Write(lab::MakeTargetFarm());
    comtest::ScopedLabSetting setting(root_ / "store", std::string(lab::kDemoFarm));
    {
        ComSession source(root_, log_);
        testing_support::Shown(source.shared,
                               shared::ExportFarm(source.shared, PathOf("demo.ini")));
        ASSERT_TRUE(source.feedback.messages.empty()) << source.feedback.messages[0].text;
    }
    labcom::WriteSetting(labcom::kFarmValue, lab::kTargetFarm);
    const lab::FarmModel before = store_->Read(lab::kTargetFarm);

    ComSession destination(root_, log_);
    const preview::ImportPreview found = preview::PreviewImport(
        destination.factory, destination.shared.makeFileSystem, PathOf("demo.ini"));
    EXPECT_EQ(store_->Read(lab::kTargetFarm), before) << "the preview changed the farm";
    std::set<std::string> bound;
    for (const lab::AppRecord& app : demo.applications) {
        bound.insert(app.servers.begin(), app.servers.end());
    }
    std::set<std::string> missing;
    for (const preview::MissingServer& server : found.missingServers) {
        missing.insert(server.name);
    }
    EXPECT_EQ(missing, bound);
    ASSERT_TRUE(found.stop);
    EXPECT_EQ(found.stop->line.substr(0, 7), "Server=");
    EXPECT_EQ(found.farmServers, (std::vector<std::string>{"ZT-CTX01", "ZT-CTX02", "ZT-CTX03"}));

    // Two demo servers onto each of the target's: an application bound to both of a pair is
    // bound once, its second line merged.
    const std::map<std::string, std::string> onto = {
        {"ZD-CTX01", "ZT-CTX01"}, {"ZD-CTX02", "ZT-CTX02"}, {"ZD-CTX03", "ZT-CTX03"},
        {"ZD-CTX04", "ZT-CTX01"}, {"ZD-CTX05", "ZT-CTX02"}, {"ZD-CTX06", "ZT-CTX03"}};
    shared::ServerMapping mapping;
    for (const auto& [from, to] : onto) {
        mapping.MapTo(from, to);
    }
    const preview::ImportPreview planned = preview::PreviewImport(
        destination.factory, destination.shared.makeFileSystem, PathOf("demo.ini"), &mapping);
    EXPECT_FALSE(planned.stop) << planned.stop->line << ": " << planned.stop->reason.description;
    const std::string report = preview::ReportText(planned, &mapping);
    size_t merged = 0;
    for (const preview::LineNote& note : planned.lines) {
        if (note.where != shared::PassedOver::ServerMerged) {
            continue;  // keys the import does not read, settings this farm cannot report
        }
        const std::string server = note.line.substr(note.line.find('=') + 1);
        EXPECT_EQ(note.mapped, "Server=" + onto.at(server)) << note.line;
        EXPECT_NE(report.find(" merged         certain   " + note.line +
                              "  (mapped: Server=" + onto.at(server) + ")\r\n"),
                  std::string::npos)
            << report;
        ++merged;
    }
    EXPECT_GT(merged, 0u);

    testing_support::Shown(
        destination.shared,
        shared::ImportFarm(destination.shared, PathOf("demo.ini"), {.servers = &mapping}));
    ASSERT_EQ(destination.feedback.messages.size(), 1u);
    EXPECT_TRUE(testing_support::NamesOnlyUnreportedSettings(destination.feedback.messages[0].text))
        << destination.feedback.messages[0].text;

    // Read back in-process, not through the program.
    testing_support::ExpectImportedWithServersMapped(demo, store_->Read(lab::kTargetFarm), onto);
    EXPECT_EQ(planned.applications.size(), demo.applications.size());
    for (const preview::ApplicationPreview& application : planned.applications) {
        EXPECT_EQ(application.outcome, preview::Outcome::New) << application.distinguishedName;
    }
}

}  // namespace
}  // namespace files_test
