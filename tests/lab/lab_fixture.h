// What the lab tests share: a scratch folder, a store holding the demo farms, a factory on it,
// and a check that a call is refused by a given rule.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "lab/lab.h"
#include "lab/os_file.h"
#include "lab/rules.h"
#include "support/utf8_paths.h"

namespace lab::testing {

class ScratchDir {
  public:
    ScratchDir() {
        static std::atomic<int> serial = 0;
        path_ =
            std::filesystem::temp_directory_path() /
            ("zelt-lab-" + std::to_string(std::random_device{}()) + "-" + std::to_string(++serial));
        std::filesystem::create_directories(path_);
    }
    ~ScratchDir() { lab::os::RemoveTree(path_); }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string Utf8(const std::string& name) const {
        return testing_support::Utf8(path_ / testing_support::PathOf(name));
    }

  private:
    std::filesystem::path path_;
};

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::string bytes(static_cast<size_t>(std::max<std::streamoff>(in.tellg(), 0)), '\0');
    in.seekg(0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

inline void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Runs `call` and checks that it is refused by `rule` with a description holding `mention`.
template <class Call>
void ExpectRefused(Rule rule, const std::string& mention, Call&& call) {
    try {
        call();
        ADD_FAILURE() << "not refused; expected number " << RuleNumber(rule);
    } catch (const farm::FarmError& error) {
        EXPECT_EQ(error.number(), RuleNumber(rule)) << error.description();
        EXPECT_NE(error.description().find(mention), std::string::npos)
            << "'" << error.description() << "' does not mention '" << mention << "'";
    }
}

// A store with the demo farms and a factory on the demo farm.
class LabTest : public ::testing::Test {
  protected:
    LabTest() : store(std::make_shared<FarmStore>(dir.path() / "store")) {
        store->SetDurable(false);
        InstallDemoFarms(*store);
    }

    LabFactory Factory(const std::string& farmName = kDemoFarm) {
        return LabFactory(store, farmName, faults);
    }
    std::unique_ptr<farm::Farm> OpenFarm(LabFactory& factory) {
        auto farm = factory.CreateFarm();
        farm->Initialize(farm::kWinFarmObject);
        return farm;
    }
    std::unique_ptr<farm::Application> LoadApp(LabFactory& factory, const std::string& dn) {
        auto app = factory.CreateApplication();
        app->Initialize(farm::kWinAppObject, dn);
        app->LoadData(true);
        return app;
    }
    std::unique_ptr<farm::Binding> Bind(LabFactory& factory, const std::string& server,
                                        const std::string& dn = "") {
        auto binding = factory.CreateBinding();
        binding->Initialize(farm::kWinSrvObject, server, dn);
        return binding;
    }
    std::vector<std::string> Names(const std::string& farmName = kDemoFarm) {
        std::vector<std::string> names;
        for (const AppRecord& app : store->Read(farmName).applications) {
            names.push_back(app.DistinguishedName());
        }
        return names;
    }

    ScratchDir dir;
    std::shared_ptr<FarmStore> store;
    std::shared_ptr<FaultInjector> faults = std::make_shared<FaultInjector>();
};

}  // namespace lab::testing
