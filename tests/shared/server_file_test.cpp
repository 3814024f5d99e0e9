// Taking a server offline into a server file and bringing it online from one.
#include <gtest/gtest.h>

#include <algorithm>

#include "files_fixture.h"
#include "shared/server_file.h"

namespace files_test {
namespace {

// Bindings in a comparable order: taking a server offline and online again re-appends it.
lab::FarmModel SortedBindings(lab::FarmModel model) {
    for (auto& app : model.applications) {
        std::sort(app.servers.begin(), app.servers.end());
    }
    return model;
}

class ServerFileTest : public FilesTest {
  protected:
    ServerFileTest() { store_->Write(SmallFarm()); }
};

TEST_F(ServerFileTest, TakeOfflineListsAndUnbindsEveryApplication) {
    auto session = Open("FileLab");
    const shared::Outcome offline = testing_support::Shown(
        session->shared, shared::ExportServerApps(session->shared, "S1", PathOf("s1.ini")));
    EXPECT_TRUE(session->feedback.messages.empty());
    using shared::ChangeKind;
    EXPECT_EQ(offline.changes, (std::vector<shared::Change>{{ChangeKind::BindingRemoved,
                                                             "Applications/Office/Word",
                                                             "S1",
                                                             {},
                                                             std::nullopt,
                                                             std::nullopt},
                                                            {ChangeKind::BindingRemoved,
                                                             "Applications/Word",
                                                             "S1",
                                                             {},
                                                             std::nullopt,
                                                             std::nullopt}}));
    EXPECT_TRUE(offline.Clean());
    EXPECT_EQ(Read("s1.ini"),
              "[Servers]\r\nServerName=S1\r\nWindows NT Version=5.2\r\n\r\n[Applications]\r\n"
              "DistinguishedName=Applications/Office/Word\r\nDistinguishedName=Applications/Word"
              "\r\n\r\n\r\n");
    EXPECT_EQ(session->feedback.progressHistory, (std::vector<float>{0, 49.5f, 99}));
    lab::FarmModel expected = SmallFarm();
    expected.applications[0].servers = {"S2"};
    expected.applications[1].servers = {};
    EXPECT_EQ(store_->Read("FileLab"), expected);

    // Bringing it online again restores the farm.
    const shared::Outcome online = testing_support::Shown(
        session->shared, shared::ImportServerApps(session->shared, "S1", PathOf("s1.ini")));
    EXPECT_TRUE(session->feedback.messages.empty());
    EXPECT_EQ(online.changes, (std::vector<shared::Change>{{ChangeKind::BindingAdded,
                                                            "Applications/Office/Word",
                                                            "S1",
                                                            {},
                                                            std::nullopt,
                                                            std::nullopt},
                                                           {ChangeKind::BindingAdded,
                                                            "Applications/Word",
                                                            "S1",
                                                            {},
                                                            std::nullopt,
                                                            std::nullopt}}));
    EXPECT_EQ(SortedBindings(store_->Read("FileLab")), SortedBindings(SmallFarm()));
    EXPECT_EQ(session->feedback.statusHistory,
              (std::vector<std::string>{"", "Office/Word", "Word"}));
    EXPECT_EQ(session->feedback.mainRepaints, 2);

    // A server without applications: the header lines, the two empty lines, no progress.
    session->feedback.progressHistory.clear();
    testing_support::Shown(session->shared,
                           shared::ExportServerApps(session->shared, "S3", PathOf("s3.ini")));
    EXPECT_EQ(
        Read("s3.ini"),
        "[Servers]\r\nServerName=S3\r\nWindows NT Version=5.2\r\n\r\n[Applications]\r\n\r\n\r\n");
    EXPECT_EQ(session->feedback.progressHistory, std::vector<float>{0});
    EXPECT_EQ(SortedBindings(store_->Read("FileLab")), SortedBindings(SmallFarm()));
}

TEST_F(ServerFileTest, UnknownServerLeavesAnExistingFileAlone) {
    Write("old.ini", "OLD\r\n");
    auto session = Open("FileLab");
    testing_support::Shown(session->shared,
                           shared::ExportServerApps(session->shared, "NOPE", PathOf("old.ini")));
    EXPECT_EQ(session->feedback.messages.size(), 1u);
    EXPECT_EQ(Read("old.ini"), "OLD\r\n");
    EXPECT_EQ(log_.opened, 0);
}

TEST_F(ServerFileTest, BringOnlineUsesEveryDistinguishedNameLineOnTheSelectedServer) {
    Write("in.ini",
          "DistinguishedName=Applications/Desktop\r\n[Servers]\r\nServerName=S1\r\n"
          "[Applications]\r\ndistinguishedname=Applications/Word\r\nDistinguishedName=Applications/"
          "Nope\r\nDistinguishedName=Applications/Word\r\n");
    auto session = Open("FileLab");
    const shared::Outcome stopped = testing_support::Shown(
        session->shared, shared::ImportServerApps(session->shared, "S3", PathOf("in.ini")));
    ASSERT_EQ(session->feedback.messages.size(), 1u);
    ASSERT_TRUE(stopped.failure.has_value());  // at the application the farm does not have
    EXPECT_EQ(stopped.failure->lineNumber, 6);
    EXPECT_EQ(stopped.failure->line, "DistinguishedName=Applications/Nope");
    EXPECT_EQ(stopped.changes.size(), 1u);
    EXPECT_EQ(session->feedback.statusHistory, (std::vector<std::string>{"", "Desktop", "Nope"}));
    EXPECT_EQ(log_.opened, log_.closed);
    lab::FarmModel expected = SmallFarm();
    expected.applications[2].servers = {"S3"};
    EXPECT_EQ(store_->Read("FileLab"), expected);

    // A server the farm refuses stops before any line is read.
    session->feedback.statusHistory.clear();
    testing_support::Shown(session->shared,
                           shared::ImportServerApps(session->shared, "S9", PathOf("in.ini")));
    EXPECT_EQ(session->feedback.messages.size(), 2u);
    EXPECT_EQ(session->feedback.statusHistory, std::vector<std::string>{""});
}

// A refused save loses one binding and goes on: the outcome names it with its line.
TEST_F(ServerFileTest, BringOnlinePassesOverARefusedSaveWithItsLine) {
    Write("in.ini",
          "[Applications]\r\nDistinguishedName=Applications/Word\r\n"
          "DistinguishedName=Applications/Desktop\r\n");
    faults_->FailOperation("Application.SaveData", -2147467259, "Refused by the test");
    auto session = Open("FileLab");
    const shared::Outcome outcome =
        shared::ImportServerApps(session->shared, "S3", PathOf("in.ini"));
    EXPECT_FALSE(outcome.failure.has_value());
    EXPECT_TRUE(outcome.changes.empty());
    ASSERT_EQ(outcome.passedOver.size(), 2u);
    const shared::PassedOverItem& first = outcome.passedOver[0];
    EXPECT_EQ(first.where, shared::PassedOver::Commit);
    EXPECT_EQ(first.reason, (shared::ErrorInfo{-2147467259, "Refused by the test"}));
    EXPECT_EQ(first.lineNumber, 2);
    EXPECT_EQ(first.line, "DistinguishedName=Applications/Word");
    EXPECT_EQ(first.application, "Applications/Word");
    EXPECT_EQ(first.server, "S3");
    EXPECT_EQ(outcome.passedOver[1].lineNumber, 3);
    EXPECT_EQ(store_->Read("FileLab"), SmallFarm());
    // The window names the bindings lost.
    EXPECT_EQ(shared::MessagesOf(outcome),
              (std::vector<shared::OutcomeMessage>{
                  {"The farm refused to save 2 of 2 applications of the server file; they are not "
                   "published on S3:\r\n"
                   "Applications/Word (line 2)\r\n     Error -2147467259: Refused by the test\r\n"
                   "Applications/Desktop (line 3)\r\n     Error -2147467259: Refused by the test",
                   "Finished", shared::MessageIcon::Warning}}));
}

}  // namespace
}  // namespace files_test
