#include "lab/farm_state.h"

#include <algorithm>

#include "lab/keys.h"

namespace lab {

uint64_t RecordBytes(const AppRecord& record) {
    uint64_t bytes = 64 + record.name.size() + record.folder.size() + record.description.size() +
                     record.icon.size();
    for (const auto& [key, value] : record.keys) {
        bytes += 8 + key.size() + farm::AsText(value).size();
    }
    for (const auto& server : record.servers) {
        bytes += 4 + server.size();
    }
    for (const auto* entries : {&record.users, &record.groups}) {
        for (const auto& entry : *entries) {
            bytes += 16 + entry.aaName.size() + entry.accountName.size();
        }
    }
    return bytes;
}

FarmState FarmState::FromModel(const FarmModel& model) {
    FarmState state;
    state.base_ = model;
    state.base_.applications.clear();
    state.IndexFolders();
    // The root folder and every folder that holds an application exist, with their parents.
    state.AddFolderPath(kRootFolder);
    uint64_t next = 1;
    for (const AppRecord& record : model.applications) {
        state.AddFolderPath(record.folder);
        state.Insert(StoredApp{next, next, record});
        ++next;
    }
    return state;
}

void FarmState::AddFolderPath(const std::string& path) {
    for (size_t slash = path.find('/');; slash = path.find('/', slash + 1)) {
        const std::string level = path.substr(0, slash);
        if (!level.empty() && !FindFolder(level)) {
            folders_.emplace(FoldCase(level), base_.folders.size());
            base_.folders.push_back(level);
        }
        if (slash == std::string::npos) {
            break;
        }
    }
}

FarmModel FarmState::ToModel() const {
    FarmModel model = base_;
    model.applications.reserve(apps_.size());
    for (const auto& [order, id] : order_) {
        model.applications.push_back(apps_.at(id).record);
    }
    return model;
}

void FarmState::Apply(const FarmChange& change) {
    std::visit(
        [this](const auto& c) {
            using C = std::decay_t<decltype(c)>;
            if constexpr (std::is_same_v<C, SetFarmBase>) {
                base_ = c.base;
                base_.applications.clear();
                IndexFolders();
            } else if constexpr (std::is_same_v<C, PutFarmSetting>) {
                base_.settings[c.key] = c.value;
            } else if constexpr (std::is_same_v<C, AddFarmFolder>) {
                AddFolderPath(c.path);
            } else if constexpr (std::is_same_v<C, PutApplication>) {
                Erase(c.app.id);
                Insert(c.app);
            } else {
                Erase(c.id);
            }
        },
        change.change);
}

void FarmState::Insert(const StoredApp& app) {
    apps_[app.id] = app;
    order_[app.order] = app.id;
    byDn_[FoldCase(app.record.DistinguishedName())].push_back(app.id);
    appBytes_ += RecordBytes(app.record);
    nextId_ = std::max(nextId_, app.id + 1);
    nextOrder_ = std::max(nextOrder_, app.order + 1);
}

void FarmState::Erase(uint64_t id) {
    const auto found = apps_.find(id);
    if (found == apps_.end()) {
        return;
    }
    const StoredApp& app = found->second;
    order_.erase(app.order);
    const auto dn = byDn_.find(FoldCase(app.record.DistinguishedName()));
    if (dn != byDn_.end()) {
        std::erase(dn->second, id);
        if (dn->second.empty()) {
            byDn_.erase(dn);
        }
    }
    appBytes_ -= std::min(appBytes_, RecordBytes(app.record));
    apps_.erase(found);
}

void FarmState::IndexFolders() {
    folders_.clear();
    for (size_t i = 0; i < base_.folders.size(); ++i) {
        folders_.emplace(FoldCase(base_.folders[i]), i);
    }
}

const StoredApp* FarmState::FindApplication(std::string_view distinguishedName) const {
    const auto found = byDn_.find(FoldCase(distinguishedName));
    if (found == byDn_.end()) {
        return nullptr;
    }
    const StoredApp* first = nullptr;
    for (uint64_t id : found->second) {
        const StoredApp& app = apps_.at(id);
        if (first == nullptr || app.order < first->order) {
            first = &app;
        }
    }
    return first;
}

std::vector<const StoredApp*> FarmState::Applications() const {
    std::vector<const StoredApp*> apps;
    apps.reserve(order_.size());
    for (const auto& [order, id] : order_) {
        apps.push_back(&apps_.at(id));
    }
    return apps;
}

const ServerRecord* FarmState::FindServer(std::string_view name) const {
    for (const ServerRecord& server : base_.servers) {
        if (EqualsNoCase(server.name, name)) {
            return &server;
        }
    }
    return nullptr;
}

const ZoneRecord* FarmState::FindZone(std::string_view name) const {
    for (const ZoneRecord& zone : base_.zones) {
        if (EqualsNoCase(zone.name, name)) {
            return &zone;
        }
    }
    return nullptr;
}

std::optional<std::string> FarmState::FindFolder(std::string_view path) const {
    const auto found = folders_.find(FoldCase(path));
    if (found == folders_.end()) {
        return std::nullopt;
    }
    return base_.folders[found->second];
}

bool FarmState::KnowsAccount(std::string_view aaName, std::string_view accountName) const {
    const std::string wanted = std::string(aaName) + "\\" + std::string(accountName);
    return std::any_of(base_.accounts.begin(), base_.accounts.end(),
                       [&](const std::string& account) { return EqualsNoCase(account, wanted); });
}

}  // namespace lab
