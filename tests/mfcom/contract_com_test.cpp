// The farm contract for the production backend talking to the registered labfarm.dll
// through real COM activation.
#include "contract/farm_contract.h"
#include "farm/mfcom/mfcom.h"
#include "mfcom/com_support.h"

namespace {

class ComBackend final : public contract::Backend {
  public:
    explicit ComBackend(const std::filesystem::path& root)
        : setting_(root, std::string()),
          store_(root),
          failCall_(comtest::Hook<labcom::hooks::FailCall>(labcom::hooks::kFailCall)),
          failOperation_(
              comtest::Hook<labcom::hooks::FailOperation>(labcom::hooks::kFailOperation)),
          clearFaults_(comtest::Hook<labcom::hooks::ClearFaults>(labcom::hooks::kClearFaults)),
          callCount_(comtest::Hook<labcom::hooks::CallCount>(labcom::hooks::kCallCount)) {
        store_.SetDurable(false);
    }

    farm::ObjectFactory& Factory() override { return factory_; }
    lab::FarmStore& Store() override { return store_; }
    void Reach(const std::optional<std::string>& farmName) override {
        labcom::WriteSetting(labcom::kFarmValue, farmName.value_or(""));
    }
    void FailCall(int64_t callNumber, int32_t number, const std::string& text) override {
        failCall_(callNumber, number, text.c_str());
    }
    void FailOperation(const std::string& operation, int32_t number,
                       const std::string& text) override {
        failOperation_(operation.c_str(), number, text.c_str());
    }
    void ClearFaults() override { clearFaults_(); }
    int64_t CallCount() override { return callCount_(); }

  private:
    comtest::ScopedLabSetting setting_;
    lab::FarmStore store_;
    mfcom::MfcomFactory factory_;
    labcom::hooks::FailCall failCall_;
    labcom::hooks::FailOperation failOperation_;
    labcom::hooks::ClearFaults clearFaults_;
    labcom::hooks::CallCount callCount_;
};

using contract::FarmContract;

INSTANTIATE_TEST_SUITE_P(ThroughCom, FarmContract,
                         ::testing::Values(contract::BackendParam{
                             "LabFarmDll",
                             [](const std::filesystem::path& root) {
                                 return std::make_unique<ComBackend>(root);
                             }}),
                         contract::BackendName);

}  // namespace
