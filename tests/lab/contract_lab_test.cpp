// The farm contract for the in-process lab farm.
#include "contract/farm_contract.h"

namespace {

class LabBackend final : public contract::Backend {
  public:
    explicit LabBackend(const std::filesystem::path& root)
        : store_(std::make_shared<lab::FarmStore>(root)),
          faults_(std::make_shared<lab::FaultInjector>()),
          factory_(
              store_, [this] { return reach_; }, faults_) {
        store_->SetDurable(false);
    }

    farm::ObjectFactory& Factory() override { return factory_; }
    lab::FarmStore& Store() override { return *store_; }
    void Reach(const std::optional<std::string>& farmName) override { reach_ = farmName; }
    void FailCall(int64_t callNumber, int32_t number, const std::string& text) override {
        faults_->FailCall(callNumber, number, text);
    }
    void FailOperation(const std::string& operation, int32_t number,
                       const std::string& text) override {
        faults_->FailOperation(operation, number, text);
    }
    void ClearFaults() override { faults_->Clear(); }
    int64_t CallCount() override { return faults_->CallCount(); }

  private:
    std::optional<std::string> reach_;
    std::shared_ptr<lab::FarmStore> store_;
    std::shared_ptr<lab::FaultInjector> faults_;
    lab::LabFactory factory_;
};

using contract::FarmContract;

INSTANTIATE_TEST_SUITE_P(InProcess, FarmContract,
                         ::testing::Values(contract::BackendParam{
                             "Lab",
                             [](const std::filesystem::path& root) {
                                 return std::make_unique<LabBackend>(root);
                             }}),
                         contract::BackendName);

}  // namespace
