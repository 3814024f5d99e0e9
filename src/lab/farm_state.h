// A farm as the store holds it in memory: the farm-wide part of the model plus the
// applications indexed by identity, by distinguished name and by enumeration order, and the
// changes the store records one by one in its journal.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

#include "lab/lab.h"

namespace lab {

inline constexpr const char* kRootFolder = "Applications";

// An application with the store's identity (never reused) and its place in the order.
struct StoredApp {
    uint64_t id = 0;
    uint64_t order = 0;
    AppRecord record;
};

// The farm-wide part (everything but the applications) replaced as a whole.
struct SetFarmBase {
    FarmModel base;
};
struct PutFarmSetting {
    std::string key;
    farm::Value value;
};
struct AddFarmFolder {
    std::string path;
};
// Stores an application: replaces the one of that id (taking the given order) or adds it.
struct PutApplication {
    StoredApp app;
};
struct DeleteApplication {
    uint64_t id = 0;
};

struct FarmChange {
    std::variant<SetFarmBase, PutFarmSetting, AddFarmFolder, PutApplication, DeleteApplication>
        change;
};

class FarmState {
  public:
    // Applications get ids and orders 1, 2, ... in the model's order.
    static FarmState FromModel(const FarmModel& model);
    FarmModel ToModel() const;

    void Apply(const FarmChange& change);

    // The farm without its applications.
    const FarmModel& Base() const { return base_; }

    size_t ApplicationCount() const { return apps_.size(); }
    // The application of that distinguished name (any case); the first in order if the
    // store holds several.
    const StoredApp* FindApplication(std::string_view distinguishedName) const;
    // The applications in enumeration order.
    std::vector<const StoredApp*> Applications() const;

    const ServerRecord* FindServer(std::string_view name) const;
    const ZoneRecord* FindZone(std::string_view name) const;
    // The folder's path as the farm spells it.
    std::optional<std::string> FindFolder(std::string_view path) const;
    bool KnowsAccount(std::string_view aaName, std::string_view accountName) const;

    uint64_t NextId() const { return nextId_; }
    uint64_t NextOrder() const { return nextOrder_; }
    // A rough size of the live data, in bytes, to judge when a journal wants compacting.
    uint64_t LiveBytes() const { return appBytes_ + 4096; }

  private:
    // Adds the folder and each missing parent of it.
    void AddFolderPath(const std::string& path);
    void Insert(const StoredApp& app);
    void Erase(uint64_t id);
    void IndexFolders();

    FarmModel base_;
    std::unordered_map<uint64_t, StoredApp> apps_;
    std::map<uint64_t, uint64_t> order_;                           // order -> id
    std::unordered_map<std::string, std::vector<uint64_t>> byDn_;  // folded dn -> ids
    std::unordered_map<std::string, size_t> folders_;              // folded path -> index
    uint64_t nextId_ = 1;
    uint64_t nextOrder_ = 1;
    uint64_t appBytes_ = 0;
};

// A rough encoded size of an application record.
uint64_t RecordBytes(const AppRecord& record);

}  // namespace lab
