// The deployment workers against the in-process lab farm: what they change, which refusals
// they pass over, and where a failing farm call ends them.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "lab/lab.h"
#include "lab/os_file.h"
#include "lab/rules.h"
#include "shared/deployment.h"
#include "shared/shared.h"
#include "support/recording_feedback.h"
#include "support/recording_puts.h"

namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;
constexpr const char* kFarm = "DeployLab";

lab::FarmModel MakeFarm() {
    lab::FarmModel model;
    model.name = kFarm;
    for (const char* name : {"ALPHA", "BRAVO", "CHARLIE", "DELTA"}) {
        model.servers.push_back({name, "Main", 5, 2});
    }
    model.zones = {{"Main", "ALPHA"}};
    model.folders = {"Applications", "Applications/Office"};
    auto app = [](std::string folder, std::string name, Strings servers) {
        lab::AppRecord record;
        record.name = std::move(name);
        record.folder = std::move(folder);
        record.servers = std::move(servers);
        record.keys = {{"DefaultWindowWidth", 800}, {"DefaultEncryption", 4}};
        return record;
    };
    model.applications = {app("Applications", "Word", {"ALPHA"}),
                          app("Applications/Office", "Excel", {"ALPHA", "BRAVO"}),
                          app("Applications", "Calc", {"BRAVO"}),
                          app("Applications/Office", "Paint", {"ALPHA", "DELTA"})};
    return model;
}

class DeploymentTest : public ::testing::Test {
  protected:
    DeploymentTest() {
        static std::atomic<int> serial{0};
        root_ = fs::temp_directory_path() /
                ("zelt-deploy-" +
                 std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + "-" +
                 std::to_string(serial++));
        store_ = std::make_shared<lab::FarmStore>(root_);
        store_->SetDurable(false);
        store_->Write(MakeFarm());
        factory_ = std::make_unique<lab::LabFactory>(store_, kFarm, faults_);
        shared_ = std::make_unique<shared::Shared>(
            *factory_, [] { return std::unique_ptr<settings::FileSystem>(); }, feedback_);
    }
    ~DeploymentTest() override {
        shared_.reset();
        factory_.reset();
        store_.reset();
        lab::os::RemoveTree(root_);
    }
    lab::AppRecord App(const std::string& dn) {
        for (const auto& app : store_->Read(kFarm).applications) {
            if (app.DistinguishedName() == dn) {
                return app;
            }
        }
        throw std::runtime_error("no application " + dn);
    }

    fs::path root_;
    std::shared_ptr<lab::FarmStore> store_;
    std::shared_ptr<lab::FaultInjector> faults_ = std::make_shared<lab::FaultInjector>();
    std::unique_ptr<lab::LabFactory> factory_;
    testing_support::RecordingFeedback feedback_;
    std::unique_ptr<shared::Shared> shared_;
};

TEST_F(DeploymentTest, SetAppOptionsWritesTheSevenKeysWidenedWithTheirSign) {
    const shared::Outcome outcome =
        shared::SetAppOptions(*shared_, "Applications/Calc", {7, 4, 5, 2, -1, -32768, 32767});
    EXPECT_TRUE(outcome.Clean());
    ASSERT_EQ(outcome.changes.size(), 7u);
    EXPECT_EQ(outcome.changes[4], (shared::Change{shared::ChangeKind::ApplicationSetting,
                                                  "Applications/Calc",
                                                  {},
                                                  "DefaultWindowScale",
                                                  std::nullopt,
                                                  "-1"}));
    const std::map<std::string, farm::Value> expected = {
        {"DefaultWindowType", 7},     {"DefaultWindowColor", 4},  {"DefaultEncryption", 5},
        {"DefaultSoundType", 2},      {"DefaultWindowScale", -1}, {"DefaultWindowHeight", -32768},
        {"DefaultWindowWidth", 32767}};
    EXPECT_EQ(App("Applications/Calc").keys, expected);
    EXPECT_EQ(App("Applications/Calc").servers, (Strings{"BRAVO"}));
}

// The window type says what the sizes mean, so a farm takes it first.
TEST_F(DeploymentTest, SetAppOptionsAssignsTheWindowTypeBeforeTheSizes) {
    testing_support::PutRecordingFactory recording(*factory_);
    shared::Shared module(
        recording, [] { return std::unique_ptr<settings::FileSystem>(); }, feedback_);
    ASSERT_TRUE(
        shared::SetAppOptions(module, "Applications/Calc", {2, 1, 1, 1, 50, 600, 800}).Clean());
    const Strings& puts = recording.puts;
    ASSERT_EQ(puts.size(), 7u);
    const auto at = [&](const char* key) { return std::find(puts.begin(), puts.end(), key); };
    for (const char* size : {"DefaultWindowScale", "DefaultWindowHeight", "DefaultWindowWidth"}) {
        ASSERT_NE(at(size), puts.end()) << size;
        EXPECT_LT(at("DefaultWindowType"), at(size)) << size;
    }
}

// Fail each farm call of a run in turn: an unguarded one ends the run with its error, a
// guarded one (the final commit) is passed over and handed back; what was saved before stays.
TEST_F(DeploymentTest, EveryUnguardedFailureEndsTheRunAndEveryGuardedOneIsPassedOver) {
    using Outcome = std::optional<shared::Refusal>;
    // What the dialogs take of an outcome: its failure ends the run, else its first refusal.
    const auto handed = [](const shared::Outcome& outcome) {
        shared::RethrowFailure(outcome);
        return shared::FirstRefusal(outcome);
    };
    struct Sweep {
        std::function<Outcome()> run;
        Strings calls;  // one run's farm calls; "?" marks a guarded one
        std::function<bool(size_t failed)> changed;  // what the run left (failed 0: none)
    };
    const Strings open = {"Factory.CreateFarm", "Farm.Initialize", "Factory.CreateApplication",
                          "Application.Initialize", "Application.LoadData"};
    Strings clone = {"Factory.CreateFarm", "Farm.Initialize",     "Factory.CreateServer",
                     "Server.Initialize",  "Server.Applications", "Applications.Items"};
    for (int app = 0; app < 2; ++app) {  // BRAVO runs Excel and Calc
        clone.insert(clone.end(),
                     {"Factory.CreateBinding", "Application.LoadData",
                      "Application.DistinguishedName", "Binding.Initialize",
                      "Application.AddServer", "Application.SaveData"});
    }
    Strings publish = open;
    publish.insert(publish.end(), {"Factory.CreateBinding", "Binding.Initialize",
                                   "?Application.AddServer", "?Application.SaveData"});
    Strings unpublish = open;
    unpublish.insert(unpublish.end(), {"?Application.RemoveServer", "?Application.SaveData"});
    Strings options(open.begin() + 2, open.end());
    options.push_back("Application.WinAppObject");
    options.insert(options.end(), 7, "WinApp.Put");
    options.push_back("?WinApp.SaveData");

    auto calc = [&] { return App("Applications/Calc"); };
    const std::vector<Sweep> sweeps = {
        {[&] { return handed(shared::CloneServerApps(*shared_, "BRAVO", "CHARLIE")); }, clone,
         [&](size_t k) {
             // Excel is saved by call 12, Calc by call 18.
             const bool excel = App("Applications/Office/Excel").servers.size() == 3;
             EXPECT_EQ(excel, k == 0 || k > 12);
             return calc().servers.size() == 2;
         }},
        {[&] { return handed(shared::PublishAppOnServer(*shared_, "Applications/Calc", "DELTA")); },
         publish, [&](size_t) { return calc().servers.size() == 2; }},
        {[&] {
             return handed(shared::UnpublishAppFromServer(*shared_, "Applications/Calc", "BRAVO"));
         },
         unpublish, [&](size_t) { return calc().servers.empty(); }},
        {[&] {
             return handed(
                 shared::SetAppOptions(*shared_, "Applications/Calc", {5, 1, 2, 2, 50, 700, 900}));
         },
         options, [&](size_t) { return calc().keys.at("DefaultWindowWidth") == farm::Value{900}; }},
    };
    for (const Sweep& sweep : sweeps) {
        SCOPED_TRACE(sweep.calls.back());
        for (size_t k = 0; k <= sweep.calls.size(); ++k) {
            SCOPED_TRACE(k == 0 ? "no failure" : sweep.calls[k - 1]);
            store_->Write(MakeFarm());
            faults_->Clear();
            faults_->ResetCount();
            if (k > 0) {
                faults_->FailCall(static_cast<int64_t>(k), -2147467259, "Refused by the test");
            }
            const bool guarded = k > 0 && sweep.calls[k - 1][0] == '?';
            try {
                const Outcome refusal = sweep.run();
                EXPECT_TRUE(k == 0 || guarded) << "the failure did not end the run";
                EXPECT_EQ(refusal,
                          guarded ? Outcome(shared::Refusal{-2147467259, "Refused by the test"})
                                  : std::nullopt);
                EXPECT_EQ(faults_->CallCount(), static_cast<int64_t>(sweep.calls.size()));
            } catch (const farm::FarmError& e) {
                EXPECT_FALSE(k == 0 || guarded);
                EXPECT_EQ(e.description(), "Refused by the test");
                EXPECT_EQ(faults_->CallCount(), static_cast<int64_t>(k));
            }
            EXPECT_EQ(sweep.changed(k), k == 0);
        }
    }
}

TEST_F(DeploymentTest, TheFarmsOwnRefusalIsHandedBackAndTheFirstOfTwoWins) {
    const auto already =
        shared::FirstRefusal(shared::PublishAppOnServer(*shared_, "Applications/Calc", "BRAVO"));
    ASSERT_TRUE(already.has_value());
    EXPECT_EQ(already->number, lab::RuleNumber(lab::Rule::kAlreadyBound));
    EXPECT_NE(already->description.find("already published"), std::string::npos)
        << already->description;

    const auto missing = shared::FirstRefusal(
        shared::UnpublishAppFromServer(*shared_, "Applications/Word", "DELTA"));
    ASSERT_TRUE(missing.has_value());
    EXPECT_EQ(missing->number, lab::RuleNumber(lab::Rule::kNotBound));

    // The binding and the save both refused: the binding's refusal is the one reported.
    faults_->FailOperation("Application.SaveData", -2147467259, "Refused by the test");
    const shared::Outcome both = shared::PublishAppOnServer(*shared_, "Applications/Calc", "BRAVO");
    ASSERT_EQ(both.passedOver.size(), 2u);  // the binding's refusal first, then the save's
    EXPECT_EQ(shared::FirstRefusal(both)->number, lab::RuleNumber(lab::Rule::kAlreadyBound));
    EXPECT_EQ(both.passedOver[1].reason, (shared::Refusal{-2147467259, "Refused by the test"}));
    EXPECT_TRUE(both.changes.empty());
    const shared::Outcome saveOnly =
        shared::PublishAppOnServer(*shared_, "Applications/Calc", "DELTA");
    EXPECT_EQ(shared::FirstRefusal(saveOnly),
              (shared::Refusal{-2147467259, "Refused by the test"}));
    EXPECT_EQ(saveOnly.passedOver[0].application, "Applications/Calc");
    EXPECT_EQ(saveOnly.passedOver[0].server, "DELTA");
    EXPECT_TRUE(saveOnly.changes.empty());
    EXPECT_EQ(App("Applications/Calc").servers, (Strings{"BRAVO"}));
}

TEST(RunRefusalsTest, TheCompletionTextGrowsOnlyWhenSomethingWasRefused) {
    const shared::Refusal bound{-2147220982, "Already published on that server."};
    struct Case {
        const char* name;
        shared::RunItems items;
        int run;
        std::vector<std::pair<int, std::string>> refused;  // item number, server
        std::string expected;
        shared::MessageIcon icon;
    };
    const std::string lead = "Published 2 applications\r\n\r\nThe farm refused ";
    const std::string why = "\r\n     Error -2147220982: Already published on that server.";
    const Case cases[] = {
        {"none refused",
         shared::RunItems::Pairs,
         4,
         {},
         "Published 2 applications",
         shared::MessageIcon::Information},
        {"one pair of four",
         shared::RunItems::Pairs,
         4,
         {{1, "S2"}},
         lead + "1 of 4 application-server pairs:\r\nApp1 on S2" + why,
         shared::MessageIcon::Warning},
        {"the only pair",
         shared::RunItems::Pairs,
         1,
         {{0, "S1"}},
         lead + "1 of 1 application-server pair:\r\nApp0 on S1" + why,
         shared::MessageIcon::Warning},
        {"applications, five listed",
         shared::RunItems::Applications,
         9,
         {{0, ""}, {2, ""}, {3, ""}, {4, ""}, {5, ""}, {7, ""}, {8, ""}},
         lead + "7 of 9 applications:\r\nApp0" + why + "\r\nApp2" + why + "\r\nApp3" + why +
             "\r\nApp4" + why + "\r\nApp5" + why + "\r\n... and 2 more.",
         shared::MessageIcon::Warning},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        shared::RunRefusals run(c.items);
        for (int i = 0; i < c.run; ++i) {
            std::optional<shared::Refusal> refusal;
            std::string server = c.items == shared::RunItems::Pairs ? "S" + std::to_string(i) : "";
            for (const auto& [item, refusedOn] : c.refused) {
                if (item == i) {
                    refusal = bound;
                    server = refusedOn;
                }
            }
            run.Note("App" + std::to_string(i), server, refusal);
        }
        EXPECT_EQ(run.CompletionText("Published 2 applications"), c.expected);
        EXPECT_EQ(run.CompletionIcon(), c.icon);
    }
}

}  // namespace
