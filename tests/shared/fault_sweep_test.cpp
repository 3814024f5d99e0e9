// Each file procedure run once per farm call and once per file-system call, with exactly
// that call failing: the failure is reported or passed over as the procedure's rules say, the
// farm keeps a state the procedure can explain, the file holds only lines of a complete run,
// and every stream opened is closed.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <set>

#include "files_fixture.h"
#include "lab/os_file.h"
#include "shared/farm_file.h"
#include "shared/server_file.h"

namespace files_test {
namespace {

struct Outcome {
    size_t messages = 0;
    std::string file;
    lab::FarmModel model;
    std::map<std::string, std::string> work;  // every file of the working folder
};

struct Sweep {
    std::string farm;
    std::function<void()> prepare;
    std::function<void(shared::Shared&)> run;
    std::string output;  // the file it writes, if any
    // A failure passed over may lead to a later refusal, which is then the one reported.
    bool reportsOnlyTheFault = true;
};

using Check = std::function<void(const Outcome& run, const Outcome& clean, bool fileFault)>;

// Every application and setting is as before or as after a complete run; returns how many
// applications differ from the complete run.
size_t Unfinished(const Outcome& run, const Outcome& clean, const lab::FarmModel& before) {
    std::map<std::string, std::optional<lab::AppRecord>> apps[3];
    for (int i = 0; i < 3; ++i) {
        for (const auto& app : (i == 0 ? run.model : i == 1 ? clean.model : before).applications) {
            apps[i][app.DistinguishedName()] = app;
        }
    }
    size_t unfinished = 0;
    for (auto& [dn, now] : apps[0]) {
        EXPECT_TRUE(now == apps[2][dn] || now == apps[1][dn]) << dn;
    }
    for (auto& [dn, done] : apps[1]) {
        EXPECT_TRUE(apps[0][dn] == apps[2][dn] || apps[0][dn] == done) << dn;
        unfinished += apps[0][dn] == done ? 0 : 1;
    }
    for (const auto& [key, value] : run.model.settings) {
        EXPECT_TRUE(value == before.settings.at(key) || value == clean.model.settings.at(key))
            << key;
    }
    return unfinished;
}

// A file cut short by a failure holds whole lines of the complete file.
bool IsPrefixOf(const std::string& part, const std::string& whole) {
    return whole.starts_with(part) && (part.empty() || part.ends_with("\r\n"));
}

std::string Names(const std::map<std::string, std::string>& files) {
    std::string names;
    for (const auto& file : files) {
        names += file.first + "; ";
    }
    return names;
}

class FaultSweepTest : public FilesTest {
  protected:
    static constexpr int32_t kInjected = -2147218000;

    Outcome Execute(const Sweep& sweep, bool fileFault, int64_t failAt, int64_t* calls) {
        sweep.prepare();
        log_ = FsLog{};
        log_.failAt = fileFault ? failAt : 0;
        faults_->Clear();
        faults_->ResetCount();
        if (!fileFault && failAt > 0) {
            faults_->FailCall(failAt, kInjected, "injected farm fault");
        }
        auto session = Open(sweep.farm);
        sweep.run(session->shared);
        *calls = fileFault ? log_.calls : faults_->CallCount();
        faults_->Clear();
        EXPECT_EQ(log_.opened, log_.closed);
        const auto& messages = session->feedback.messages;
        EXPECT_LE(messages.size(), 1u);
        if (!messages.empty() && sweep.reportsOnlyTheFault) {
            EXPECT_NE(messages[0].text.find("injected"), std::string::npos) << messages[0].text;
            // A refusal passed over is told at the end of the run, the failure that ends it
            // at once.
            EXPECT_EQ(messages[0].title, messages[0].icon == shared::MessageIcon::Warning
                                             ? "Finished"
                                             : "Error");
        }
        return {messages.size(), sweep.output.empty() ? "" : Read(sweep.output),
                store_->Read(sweep.farm), WorkFiles()};
    }

    // Fails every farm call, then every file-system call, one per run.
    void SweepAll(const Sweep& sweep, const Check& check) {
        for (bool fileFault : {false, true}) {
            int64_t total = 0;
            int64_t ignored = 0;
            const Outcome clean = Execute(sweep, fileFault, 0, &total);
            ASSERT_EQ(clean.messages, 0u);
            ASSERT_GT(total, 5);
            for (int64_t k = 1; k <= total; ++k) {
                SCOPED_TRACE((fileFault ? "file call " : "farm call ") + std::to_string(k));
                check(Execute(sweep, fileFault, k, &ignored), clean, fileFault);
            }
        }
    }

    void ResetWork() const {
        for (const char* dir : {"work", "tmp"}) {
            lab::os::RemoveTree(root_ / dir);
            fs::create_directories(root_ / dir);
        }
    }
};

// A failed export leaves the previous one, file and icons, exactly as it was.
TEST_F(FaultSweepTest, ExportFarm) {
    int silent = 0;
    int leftBehind = 0;
    std::map<std::string, std::string> previous;
    const Sweep sweep{"FileLab",
                      [&] {
                          ResetWork();
                          Write("farm.ini", "OLD\r\n");
                          fs::create_directories(root_ / "work" / "icons");
                          Write("icons/Word.ico", "old Word");
                          Write("icons/Gone.ico", "old Gone");
                          previous = WorkFiles();
                          store_->Write(SmallFarm());
                      },
                      [&](shared::Shared& s) {
                          testing_support::Shown(s, shared::ExportFarm(s, PathOf("farm.ini")));
                      },
                      "farm.ini"};
    SweepAll(sweep, [&](const Outcome& run, const Outcome& clean, bool fileFault) {
        EXPECT_EQ(run.model, SmallFarm());
        if (run.messages == 1) {
            EXPECT_TRUE(run.work == previous) << Names(run.work);
            return;
        }
        if (fileFault) {
            // The export is complete; one file of the previous one may stay behind.
            ++leftBehind;
            EXPECT_TRUE(std::includes(run.work.begin(), run.work.end(), clean.work.begin(),
                                      clean.work.end()));
            EXPECT_EQ(run.work.size(), clean.work.size() + 1) << Names(run.work);
            return;
        }
        // Only a setting a farm may be unable to report goes missing without a word.
        ++silent;
        std::vector<std::string> lines = Lines(clean.file), got = Lines(run.file);
        const size_t i = std::mismatch(got.begin(), got.end(), lines.begin()).first - got.begin();
        ASSERT_LT(i, lines.size());
        EXPECT_GE(i, 31u) << lines[i];
        EXPECT_LE(i, 35u) << lines[i];
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i));
        EXPECT_EQ(got, lines);
    });
    EXPECT_EQ(silent, 5);
    // Deleting the Word icon set aside, looking for icons not named, deleting the one found.
    EXPECT_EQ(leftBehind, 3);
}

TEST_F(FaultSweepTest, ImportFarmNeverLosesAnApplicationSilently) {
    store_->Write(SmallFarm());
    auto exporter = Open("FileLab");
    testing_support::Shown(exporter->shared,
                           shared::ExportFarm(exporter->shared, PathOf("farm.ini")));
    ASSERT_TRUE(exporter->feedback.messages.empty());

    // The target holds a root-level Word that the file's Word replaces.
    lab::FarmModel before = SmallFarm("FileTarget");
    before.applications = {App("Applications", "Word", 9)};
    for (auto& [key, value] : before.settings) {
        if (auto* number = std::get_if<int32_t>(&value)) {
            *number += 100;
        } else {
            value = farm::AsText(value) + "x";
        }
    }
    const Sweep sweep{"FileTarget", [&] { store_->Write(before); },
                      [&](shared::Shared& s) {
                          testing_support::Shown(s, shared::ImportFarm(s, PathOf("farm.ini")));
                      },
                      "", false};
    SweepAll(sweep, [&](const Outcome& run, const Outcome& clean, bool) {
        const size_t unfinished = Unfinished(run, clean, before);
        EXPECT_TRUE(run.messages == 1 || unfinished == 0);
        for (const std::string& folder : run.model.folders) {
            EXPECT_NE(std::find(clean.model.folders.begin(), clean.model.folders.end(), folder),
                      clean.model.folders.end());
        }
    });
}

TEST_F(FaultSweepTest, ExportServerAppsListsEveryApplicationItTookOff) {
    const Sweep sweep{"FileLab",
                      [&] {
                          ResetWork();
                          Write("s1.ini", "OLD\r\n");
                          store_->Write(SmallFarm());
                      },
                      [&](shared::Shared& s) {
                          testing_support::Shown(
                              s, shared::ExportServerApps(s, "S1", PathOf("s1.ini")));
                      },
                      "s1.ini"};
    SweepAll(sweep, [&](const Outcome& run, const Outcome& clean, bool) {
        EXPECT_EQ(run.messages, 1u);
        EXPECT_TRUE(run.file == "OLD\r\n" || IsPrefixOf(run.file, clean.file)) << run.file;
        const lab::FarmModel before = SmallFarm();
        Unfinished(run, clean, before);
        // An application off the server is listed.
        for (size_t i = 0; i < before.applications.size(); ++i) {
            const std::string dn = before.applications[i].DistinguishedName();
            if (run.model.applications[i] != before.applications[i]) {
                EXPECT_NE(run.file.find(dn), std::string::npos) << dn;
            }
        }
    });
}

TEST_F(FaultSweepTest, ImportServerAppsPassesOverARefusedSaveOnly) {
    lab::FarmModel offline = SmallFarm();
    offline.applications[0].servers = {"S2"};
    offline.applications[1].servers = {};
    Write("s1.ini",
          "[Applications]\r\nDistinguishedName=Applications/Office/Word\r\n"
          "DistinguishedName=Applications/Word\r\n");
    const Sweep sweep{"FileLab", [&] { store_->Write(offline); },
                      [&](shared::Shared& s) {
                          testing_support::Shown(
                              s, shared::ImportServerApps(s, "S1", PathOf("s1.ini")));
                      },
                      ""};
    SweepAll(sweep, [&](const Outcome& run, const Outcome& clean, bool fileFault) {
        // A refused save loses one binding and is told at the end; every other fault ends
        // the run: nothing is lost without a message.
        Unfinished(run, clean, offline);
        EXPECT_EQ(run.messages, 1u) << fileFault;
    });
}

}  // namespace
}  // namespace files_test
