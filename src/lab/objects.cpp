#include "lab/objects.h"

#include "lab/application.h"
#include "lab/keys.h"

namespace lab {

std::string LocateFarm(const LabFactory::State& state) {
    const std::optional<std::string> farmName =
        state.locator ? state.locator() : std::optional<std::string>();
    if (!farmName || farmName->empty()) {
        Refuse(Rule::kFarmUnreachable,
               "The farm cannot be reached: this workstation is set up for no farm.");
    }
    if (!state.store->HasFarm(*farmName)) {
        FarmGone(*farmName);
    }
    return *farmName;
}

void FarmGone(const std::string& farmName) {
    Refuse(Rule::kFarmUnreachable, "The farm " + Quoted(farmName) + " cannot be reached.");
}

void NotInitialized(const char* objectKind) {
    Refuse(Rule::kNotInitialized, std::string("The ") + objectKind + " object is not initialised.");
}

void ChangeFarm(const LabFactory::State& state, const std::string& farmName,
                const std::function<void(const FarmState&, std::vector<FarmChange>&)>& fn) {
    state.store->Change(farmName, fn);
}

void CheckType(int type, int expected, const char* call) {
    if (type != expected) {
        Refuse(Rule::kBadTypeCode, "Type code " + std::to_string(type) + " is not valid for " +
                                       call + "; it takes " + std::to_string(expected) + ".");
    }
}

void ServerMissing(const std::string& serverName) {
    Refuse(Rule::kServerNotFound, "Server " + Quoted(serverName) + " is not in the farm.");
}

std::string ServerIn(const FarmState& farm, const std::string& serverName) {
    const ServerRecord* server = farm.FindServer(serverName);
    if (server == nullptr) {
        ServerMissing(serverName);
    }
    return server->name;
}

namespace {

// ---- Zones -----------------------------------------------------------------------------

class LabZone : public farm::Zone {
  public:
    LabZone(StatePtr state, std::string farmName, std::string zoneName)
        : state_(std::move(state)), farm_(std::move(farmName)), zone_(std::move(zoneName)) {}

    std::string ZoneName() override {
        Enter(*state_, "Zone.ZoneName");
        return Find().name;
    }
    std::string DataCollector() override {
        Enter(*state_, "Zone.DataCollector");
        return Find().dataCollector;
    }

  private:
    ZoneRecord Find() {
        return ReadFarm(*state_, farm_, [&](const FarmState& farm) {
            const ZoneRecord* zone = farm.FindZone(zone_);
            if (zone == nullptr) {
                Refuse(Rule::kZoneNotFound, "Zone " + Quoted(zone_) + " is not in the farm.");
            }
            return *zone;
        });
    }

    StatePtr state_;
    std::string farm_;
    std::string zone_;
};

// ---- Servers ---------------------------------------------------------------------------

class LabWinServer : public farm::WinServer {
  public:
    LabWinServer(StatePtr state, std::string farmName, std::string serverName)
        : state_(std::move(state)), farm_(std::move(farmName)), server_(std::move(serverName)) {}

    int32_t WinNTVerMajor() override {
        Enter(*state_, "WinServer.WinNTVerMajor");
        return Find().ntMajor;
    }
    int32_t WinNTVerMinor() override {
        Enter(*state_, "WinServer.WinNTVerMinor");
        return Find().ntMinor;
    }

  private:
    ServerRecord Find() {
        return ReadFarm(*state_, farm_, [&](const FarmState& farm) {
            const ServerRecord* server = farm.FindServer(server_);
            if (server == nullptr) {
                ServerMissing(server_);
            }
            return *server;
        });
    }

    StatePtr state_;
    std::string farm_;
    std::string server_;
};

class LabServer : public farm::Server {
  public:
    explicit LabServer(StatePtr state) : state_(std::move(state)) {}
    LabServer(StatePtr state, std::string farmName, std::string serverName)
        : state_(std::move(state)), farm_(std::move(farmName)), server_(std::move(serverName)) {}

    void Initialize(int type, const std::string& serverName) override {
        Enter(*state_, "Server.Initialize");
        CheckType(type, farm::kWinSrvObject, "Server.Initialize");
        std::string farmName = LocateFarm(*state_);
        server_ = ReadFarm(*state_, farmName,
                           [&](const FarmState& farm) { return ServerIn(farm, serverName); });
        farm_ = std::move(farmName);
    }

    std::string ServerName() override {
        Enter(*state_, "Server.ServerName");
        Require();
        return ReadFarm(*state_, farm_,
                        [&](const FarmState& farm) { return ServerIn(farm, server_); });
    }

    std::unique_ptr<farm::Collection<farm::Application>> Applications() override {
        Enter(*state_, "Server.Applications");
        Require();
        auto bound = [state = state_, farmName = farm_, server = server_] {
            return ReadFarm(*state, farmName, [&](const FarmState& farm) {
                ServerIn(farm, server);
                std::vector<std::string> names;
                for (const StoredApp* app : farm.Applications()) {
                    for (const std::string& name : app->record.servers) {
                        if (EqualsNoCase(name, server)) {
                            names.push_back(app->record.DistinguishedName());
                            break;
                        }
                    }
                }
                return names;
            });
        };
        return std::make_unique<LabCollection<farm::Application>>(
            state_, "Applications.Count", "Applications.Items",
            [bound] { return static_cast<int32_t>(bound().size()); },
            [bound, state = state_, farmName = farm_] {
                std::vector<std::unique_ptr<farm::Application>> items;
                for (std::string& name : bound()) {
                    items.push_back(MakeStoredApplication(state, farmName, std::move(name)));
                }
                return items;
            });
    }

    std::unique_ptr<farm::WinServer> WinServerObject() override {
        Enter(*state_, "Server.WinServerObject");
        Require();
        ReadFarm(*state_, farm_, [&](const FarmState& farm) { return ServerIn(farm, server_); });
        return std::make_unique<LabWinServer>(state_, farm_, server_);
    }

  private:
    void Require() const {
        if (farm_.empty()) {
            NotInitialized("server");
        }
    }

    StatePtr state_;
    std::string farm_;
    std::string server_;
};

// ---- Folders ---------------------------------------------------------------------------

class LabFolder : public farm::Folder {
  public:
    explicit LabFolder(StatePtr state) : state_(std::move(state)) {}

    void Initialize(int folderType, const std::string& path) override {
        Enter(*state_, "Folder.Initialize");
        CheckType(folderType, farm::kApplicationFolder, "Folder.Initialize");
        std::string farmName = LocateFarm(*state_);
        path_ =
            ReadFarm(*state_, farmName, [&](const FarmState& farm) { return Find(farm, path); });
        farm_ = std::move(farmName);
    }

    void AddSubFolder(const std::string& name) override {
        Enter(*state_, "Folder.AddSubFolder");
        if (farm_.empty()) {
            NotInitialized("folder");
        }
        if (name.empty() || name.find('/') != std::string::npos) {
            Refuse(Rule::kInvalidFolderName,
                   "The folder name " + Quoted(name) + " is empty or holds '/'.");
        }
        ChangeFarm(*state_, farm_, [&](const FarmState& farm, std::vector<FarmChange>& out) {
            const std::string child = Find(farm, path_) + "/" + name;
            if (const std::optional<std::string> existing = farm.FindFolder(child)) {
                Refuse(Rule::kFolderExists, "Folder " + Quoted(*existing) + " exists already.");
            }
            out.push_back(FarmChange{AddFarmFolder{child}});
        });
    }

  private:
    static std::string Find(const FarmState& farm, const std::string& path) {
        std::optional<std::string> found = farm.FindFolder(path);
        if (!found) {
            Refuse(Rule::kFolderNotFound, "Folder " + Quoted(path) + " is not in the farm.");
        }
        return *found;
    }

    StatePtr state_;
    std::string farm_;
    std::string path_;
};

// ---- The farm and its settings ---------------------------------------------------------

class LabWinFarm : public farm::WinFarm {
  public:
    LabWinFarm(StatePtr state, std::string farmName)
        : state_(std::move(state)), farm_(std::move(farmName)) {}

    farm::Value IsCitrixAdministrator() override {
        Enter(*state_, "WinFarm.IsCitrixAdministrator");
        const bool admin = ReadFarm(
            *state_, farm_, [](const FarmState& farm) { return farm.Base().userIsAdministrator; });
        return int32_t{admin ? -1 : 0};
    }

    farm::Value Get(std::string_view key) override {
        Enter(*state_, "WinFarm.Get");
        const FarmSettingKey& setting = Known(key);
        return ReadFarm(*state_, farm_, [&](const FarmState& farm) {
            return Reported(farm, setting.name)->second;
        });
    }

    void Put(std::string_view key, const farm::Value& value) override {
        Enter(*state_, "WinFarm.Put");
        const FarmSettingKey& setting = Known(key);
        farm::Value converted = ConvertForKey(value, setting.kind, setting.name);
        ChangeFarm(*state_, farm_, [&](const FarmState& farm, std::vector<FarmChange>& out) {
            Reported(farm, setting.name);
            out.push_back(FarmChange{PutFarmSetting{setting.name, converted}});
        });
    }

  private:
    static const FarmSettingKey& Known(std::string_view key) {
        const FarmSettingKey* setting = FindFarmSettingKey(key);
        if (setting == nullptr) {
            Refuse(Rule::kUnknownName, "Unknown name: the farm settings have no member " +
                                           Quoted(std::string(key)) + ".");
        }
        return *setting;
    }

    static std::map<std::string, farm::Value>::const_iterator Reported(const FarmState& farm,
                                                                       const char* key) {
        const auto& settings = farm.Base().settings;
        const auto found = settings.find(key);
        if (found == settings.end()) {
            Refuse(Rule::kSettingNotReported,
                   "The farm cannot report the setting " + Quoted(key) + ".");
        }
        return found;
    }

    StatePtr state_;
    std::string farm_;
};

class LabFarm : public farm::Farm {
    template <class Fn>
    auto Read(Fn&& fn) {
        return ReadFarm(*state_, farm_, std::forward<Fn>(fn));
    }

  public:
    explicit LabFarm(StatePtr state) : state_(std::move(state)) {}

    void Initialize(int type) override {
        Enter(*state_, "Farm.Initialize");
        CheckType(type, farm::kWinFarmObject, "Farm.Initialize");
        farm_ = LocateFarm(*state_);
    }

    std::string FarmName() override {
        Enter(*state_, "Farm.FarmName");
        Require();
        return Read([](const FarmState& farm) { return farm.Base().name; });
    }

    std::unique_ptr<farm::Collection<farm::Zone>> Zones() override {
        Enter(*state_, "Farm.Zones");
        Require();
        auto names = [state = state_, farmName = farm_] {
            return ReadFarm(*state, farmName, [](const FarmState& farm) {
                std::vector<std::string> zones;
                for (const ZoneRecord& zone : farm.Base().zones) {
                    zones.push_back(zone.name);
                }
                return zones;
            });
        };
        return std::make_unique<LabCollection<farm::Zone>>(
            state_, "Zones.Count", "Zones.Items",
            [names] { return static_cast<int32_t>(names().size()); },
            [names, state = state_, farmName = farm_] {
                std::vector<std::unique_ptr<farm::Zone>> items;
                for (std::string& name : names()) {
                    items.push_back(std::make_unique<LabZone>(state, farmName, std::move(name)));
                }
                return items;
            });
    }

    std::unique_ptr<farm::Collection<farm::Server>> Servers() override {
        Enter(*state_, "Farm.Servers");
        Require();
        auto names = [state = state_, farmName = farm_] {
            return ReadFarm(*state, farmName, [](const FarmState& farm) {
                std::vector<std::string> servers;
                for (const ServerRecord& server : farm.Base().servers) {
                    servers.push_back(server.name);
                }
                return servers;
            });
        };
        return std::make_unique<LabCollection<farm::Server>>(
            state_, "Servers.Count", "Servers.Items",
            [names] { return static_cast<int32_t>(names().size()); },
            [names, state = state_, farmName = farm_] {
                std::vector<std::unique_ptr<farm::Server>> items;
                for (std::string& name : names()) {
                    items.push_back(std::make_unique<LabServer>(state, farmName, std::move(name)));
                }
                return items;
            });
    }

    std::unique_ptr<farm::Collection<farm::Application>> Applications() override {
        Enter(*state_, "Farm.Applications");
        Require();
        return std::make_unique<LabCollection<farm::Application>>(
            state_, "Applications.Count", "Applications.Items",
            [state = state_, farmName = farm_] {
                return ReadFarm(*state, farmName, [](const FarmState& farm) {
                    return static_cast<int32_t>(farm.ApplicationCount());
                });
            },
            [state = state_, farmName = farm_] {
                std::vector<std::string> names =
                    ReadFarm(*state, farmName, [](const FarmState& farm) {
                        std::vector<std::string> dns;
                        for (const StoredApp* app : farm.Applications()) {
                            dns.push_back(app->record.DistinguishedName());
                        }
                        return dns;
                    });
                std::vector<std::unique_ptr<farm::Application>> items;
                items.reserve(names.size());
                for (std::string& name : names) {
                    items.push_back(MakeStoredApplication(state, farmName, std::move(name)));
                }
                return items;
            });
    }

    std::unique_ptr<farm::WinFarm> WinFarmObject() override {
        Enter(*state_, "Farm.WinFarmObject");
        Require();
        Read([](const FarmState&) { return 0; });
        return std::make_unique<LabWinFarm>(state_, farm_);
    }

    std::unique_ptr<farm::Application> AddApplication(int type) override {
        Enter(*state_, "Farm.AddApplication");
        Require();
        CheckType(type, farm::kWinAppObject, "Farm.AddApplication");
        Read([](const FarmState&) { return 0; });
        return MakeNewApplication(state_, farm_);
    }

    std::unique_ptr<farm::Application> GetApplication(
        int type, const std::string& distinguishedName) override {
        Enter(*state_, "Farm.GetApplication");
        Require();
        CheckType(type, farm::kWinAppObject, "Farm.GetApplication");
        std::string name = Read([&](const FarmState& farm) {
            const StoredApp* app = farm.FindApplication(distinguishedName);
            if (app == nullptr) {
                Refuse(Rule::kApplicationNotFound,
                       "Application " + Quoted(distinguishedName) + " is not in the farm.");
            }
            return app->record.DistinguishedName();
        });
        return MakeStoredApplication(state_, farm_, std::move(name));
    }

    std::unique_ptr<farm::Server> GetServer(int type, const std::string& serverName) override {
        Enter(*state_, "Farm.GetServer");
        Require();
        CheckType(type, farm::kWinSrvObject, "Farm.GetServer");
        std::string name = Read([&](const FarmState& farm) { return ServerIn(farm, serverName); });
        return std::make_unique<LabServer>(state_, farm_, std::move(name));
    }

  private:
    void Require() const {
        if (farm_.empty()) {
            NotInitialized("farm");
        }
    }

    StatePtr state_;
    std::string farm_;
};

class LabCredential : public farm::Credential {};

}  // namespace

// ---- Bindings and accounts -------------------------------------------------------------

LabBinding::LabBinding(StatePtr state, std::string serverName, std::string distinguishedName)
    : state_(std::move(state)),
      initialized_(true),
      server_(std::move(serverName)),
      distinguishedName_(std::move(distinguishedName)) {}

void LabBinding::Initialize(int type, const std::string& serverName,
                            const std::string& distinguishedName) {
    Enter(*state_, "Binding.Initialize");
    CheckType(type, farm::kWinSrvObject, "Binding.Initialize");
    const std::string farmName = LocateFarm(*state_);
    server_ = ReadFarm(*state_, farmName,
                       [&](const FarmState& farm) { return ServerIn(farm, serverName); });
    distinguishedName_ = distinguishedName;
    initialized_ = true;
}

std::string LabBinding::ServerName() {
    Enter(*state_, "Binding.ServerName");
    if (!initialized_) {
        NotInitialized("binding");
    }
    return server_;
}

LabAccount::LabAccount(StatePtr state, AccountKind kind, AccountEntry entry)
    : state_(std::move(state)), kind_(kind), initialized_(true), entry_(std::move(entry)) {}

void LabAccount::Initialize(int32_t aaType, const std::string& aaName, int32_t accountType,
                            const std::string& accountName, farm::Credential& /*credential*/) {
    Enter(*state_, "Account.Initialize");
    CheckAccountNumbers(kind_, aaType, accountType);
    entry_ = AccountEntry{aaType, accountType, aaName, accountName};
    initialized_ = true;
}

const AccountEntry& LabAccount::Checked(const char* operation) {
    Enter(*state_, operation);
    if (!initialized_) {
        NotInitialized("account");
    }
    return entry_;
}

int32_t LabAccount::AAType() {
    return Checked("Account.AAType").aaType;
}
int32_t LabAccount::AccountType() {
    return Checked("Account.AccountType").accountType;
}
std::string LabAccount::AAName() {
    return Checked("Account.AAName").aaName;
}
std::string LabAccount::AccountName() {
    return Checked("Account.AccountName").accountName;
}

std::unique_ptr<farm::Farm> MakeFarm(StatePtr state) {
    return std::make_unique<LabFarm>(std::move(state));
}

std::unique_ptr<farm::Server> MakeServer(StatePtr state) {
    return std::make_unique<LabServer>(std::move(state));
}

std::unique_ptr<farm::Folder> MakeFolder(StatePtr state) {
    return std::make_unique<LabFolder>(std::move(state));
}

// ---- The factory -----------------------------------------------------------------------

LabFactory::LabFactory(std::shared_ptr<FarmStore> store, FarmLocator currentFarm,
                       std::shared_ptr<FaultInjector> faults)
    : state_(std::make_shared<State>(
          State{std::move(store), std::move(currentFarm),
                faults ? std::move(faults) : std::make_shared<FaultInjector>()})) {}

LabFactory::LabFactory(std::shared_ptr<FarmStore> store, const std::string& farmName,
                       std::shared_ptr<FaultInjector> faults)
    : LabFactory(
          std::move(store), [farmName]() -> std::optional<std::string> { return farmName; },
          std::move(faults)) {}

LabFactory::~LabFactory() = default;

FaultInjector& LabFactory::Faults() {
    return *state_->faults;
}

std::unique_ptr<farm::Farm> LabFactory::CreateFarm() {
    Enter(*state_, "Factory.CreateFarm");
    return MakeFarm(state_);
}

std::unique_ptr<farm::Server> LabFactory::CreateServer() {
    Enter(*state_, "Factory.CreateServer");
    return MakeServer(state_);
}

std::unique_ptr<farm::Application> LabFactory::CreateApplication() {
    Enter(*state_, "Factory.CreateApplication");
    return MakeApplication(state_);
}

std::unique_ptr<farm::Folder> LabFactory::CreateFolder() {
    Enter(*state_, "Factory.CreateFolder");
    return MakeFolder(state_);
}

std::unique_ptr<farm::Binding> LabFactory::CreateBinding() {
    Enter(*state_, "Factory.CreateBinding");
    return std::make_unique<LabBinding>(state_);
}

std::unique_ptr<farm::Account> LabFactory::CreateUser() {
    Enter(*state_, "Factory.CreateUser");
    return std::make_unique<LabAccount>(state_, AccountKind::kUser);
}

std::unique_ptr<farm::Account> LabFactory::CreateGroup() {
    Enter(*state_, "Factory.CreateGroup");
    return std::make_unique<LabAccount>(state_, AccountKind::kGroup);
}

std::unique_ptr<farm::Credential> LabFactory::CreateCredential() {
    Enter(*state_, "Factory.CreateCredential");
    return std::make_unique<LabCredential>();
}

}  // namespace lab
