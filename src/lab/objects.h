// The in-process farm objects and what they share: the factory's state (store, farm
// locator, fault injector), the way an object finds its farm and reads it afresh, the
// collections, and the binding and account objects that applications take.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "farm/farm.h"
#include "lab/accounts.h"
#include "lab/farm_state.h"
#include "lab/lab.h"
#include "lab/rules.h"

namespace lab {

struct LabFactory::State {
    std::shared_ptr<FarmStore> store;
    FarmLocator locator;
    std::shared_ptr<FaultInjector> faults;
};

using StatePtr = std::shared_ptr<LabFactory::State>;

// Counts the call and raises the fault planned for it.
inline void Enter(const LabFactory::State& state, const char* operation) {
    state.faults->OnCall(operation);
}

// The farm the factory's locator names now; refused when there is none or the store lacks it.
std::string LocateFarm(const LabFactory::State& state);

[[noreturn]] void FarmGone(const std::string& farmName);
[[noreturn]] void NotInitialized(const char* objectKind);
[[noreturn]] void ServerMissing(const std::string& serverName);
// Refuses a type code other than the one `call` takes.
void CheckType(int type, int expected, const char* call);
// The server's name as the farm spells it; refused when the farm lacks it.
std::string ServerIn(const FarmState& farm, const std::string& serverName);

// Runs `fn` on the farm as the store holds it now and returns its result.
template <class Fn>
auto ReadFarm(const LabFactory::State& state, const std::string& farmName, Fn&& fn) {
    using Result = decltype(fn(std::declval<const FarmState&>()));
    std::optional<Result> result;
    if (!state.store->Inspect(farmName, [&](const FarmState& farm) { result.emplace(fn(farm)); })) {
        FarmGone(farmName);
    }
    return std::move(*result);
}

// Changes the farm under the store's lock; `fn` checks and adds the changes.
void ChangeFarm(const LabFactory::State& state, const std::string& farmName,
                const std::function<void(const FarmState&, std::vector<FarmChange>&)>& fn);

// A collection that asks the farm again at each call.
template <class T>
class LabCollection : public farm::Collection<T> {
  public:
    using ItemsFn = std::function<std::vector<std::unique_ptr<T>>()>;
    LabCollection(StatePtr state, const char* countOperation, const char* itemsOperation,
                  std::function<int32_t()> count, ItemsFn items)
        : state_(std::move(state)),
          countOperation_(countOperation),
          itemsOperation_(itemsOperation),
          count_(std::move(count)),
          items_(std::move(items)) {}

    int32_t Count() override {
        Enter(*state_, countOperation_);
        return count_();
    }
    std::vector<std::unique_ptr<T>> Items() override {
        Enter(*state_, itemsOperation_);
        return items_();
    }

  private:
    StatePtr state_;
    const char* countOperation_;
    const char* itemsOperation_;
    std::function<int32_t()> count_;
    ItemsFn items_;
};

class LabBinding : public farm::Binding {
  public:
    explicit LabBinding(StatePtr state) : state_(std::move(state)) {}
    // A binding as an application's Servers collection gives it.
    LabBinding(StatePtr state, std::string serverName, std::string distinguishedName);

    void Initialize(int type, const std::string& serverName,
                    const std::string& distinguishedName) override;
    std::string ServerName() override;

    bool Initialized() const { return initialized_; }
    const std::string& Server() const { return server_; }
    const std::string& Target() const { return distinguishedName_; }

  private:
    StatePtr state_;
    bool initialized_ = false;
    std::string server_;
    std::string distinguishedName_;
};

class LabAccount : public farm::Account {
  public:
    LabAccount(StatePtr state, AccountKind kind) : state_(std::move(state)), kind_(kind) {}
    LabAccount(StatePtr state, AccountKind kind, AccountEntry entry);

    // Refuses numbers that are not of their kind (accounts.h).
    void Initialize(int32_t aaType, const std::string& aaName, int32_t accountType,
                    const std::string& accountName, farm::Credential& credential) override;
    int32_t AAType() override;
    int32_t AccountType() override;
    std::string AAName() override;
    std::string AccountName() override;

    bool Initialized() const { return initialized_; }
    const AccountEntry& Entry() const { return entry_; }

  private:
    const AccountEntry& Checked(const char* operation);

    StatePtr state_;
    AccountKind kind_;
    bool initialized_ = false;
    AccountEntry entry_;
};

std::unique_ptr<farm::Farm> MakeFarm(StatePtr state);
std::unique_ptr<farm::Server> MakeServer(StatePtr state);
std::unique_ptr<farm::Folder> MakeFolder(StatePtr state);

}  // namespace lab
