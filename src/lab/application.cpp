#include "lab/application.h"

#include <algorithm>
#include <fstream>
#include <string_view>
#include <system_error>

#include "lab/icon.h"
#include "lab/keys.h"

namespace lab {

namespace {

std::filesystem::path PathOf(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

[[noreturn]] void Missing(const std::string& distinguishedName) {
    Refuse(Rule::kApplicationNotFound,
           "Application " + Quoted(distinguishedName) + " is not in the farm.");
}

constexpr std::string_view kWindowType = "DefaultWindowType";

// The settings whose meaning the window type decides (a custom size or a percentage).
bool IsWindowSize(std::string_view key) {
    return key == "DefaultWindowWidth" || key == "DefaultWindowHeight" ||
           key == "DefaultWindowScale";
}

AppRecord NewRecord() {
    AppRecord record;
    for (const AppKey& key : ApplicationKeys()) {
        if (key.field == AppField::kView) {
            record.keys[key.name] = DefaultValue(key.kind);
        }
    }
    return record;
}

// What an application object stands for, shared with its Windows-application view.
struct AppCore {
    StatePtr state;
    std::string farm;                     // empty until initialised
    std::optional<std::string> identity;  // the stored application's distinguished name
    std::optional<AppRecord> work;        // the working copy, once loaded or changed
    bool windowTypePut = false;           // DefaultWindowType was put on this object

    void Require() const {
        if (farm.empty()) {
            NotInitialized("application");
        }
    }

    // Runs `fn` on the working copy, or on the stored application when there is none.
    template <class Fn>
    auto With(Fn&& fn) {
        if (work) {
            return fn(*work);
        }
        return ReadFarm(*state, farm, [&](const FarmState& f) {
            const StoredApp* app = f.FindApplication(*identity);
            if (app == nullptr) {
                Missing(*identity);
            }
            return fn(app->record);
        });
    }

    AppRecord& Work() {
        if (!work) {
            work = With([](const AppRecord& record) { return record; });
        }
        return *work;
    }

    void Load() {
        if (identity) {
            AppRecord fresh = ReadFarm(*state, farm, [&](const FarmState& f) {
                const StoredApp* app = f.FindApplication(*identity);
                if (app == nullptr) {
                    Missing(*identity);
                }
                return app->record;
            });
            work = std::move(fresh);
        }
    }

    void Save() {
        AppRecord record = Work();
        if (record.name.empty() || record.name.find('/') != std::string::npos) {
            Refuse(Rule::kInvalidAppName,
                   "The application name " + Quoted(record.name) + " is empty or holds '/'.");
        }
        ChangeFarm(*state, farm, [&](const FarmState& f, std::vector<FarmChange>& out) {
            const std::optional<std::string> folder = f.FindFolder(record.folder);
            if (!folder) {
                Refuse(Rule::kFolderNotFound,
                       "Folder " + Quoted(record.folder) + " is not in the farm.");
            }
            record.folder = *folder;
            const StoredApp* self = identity ? f.FindApplication(*identity) : nullptr;
            const StoredApp* clash = f.FindApplication(record.DistinguishedName());
            if (clash != nullptr && clash != self) {
                Refuse(Rule::kDuplicateAppName, "Application " +
                                                    Quoted(clash->record.DistinguishedName()) +
                                                    " exists already; " + Quoted(record.name) +
                                                    " cannot be saved in the same folder.");
            }
            StoredApp app;
            app.id = self != nullptr ? self->id : f.NextId();
            app.order = self != nullptr ? self->order : f.NextOrder();
            app.record = record;
            out.push_back(FarmChange{PutApplication{std::move(app)}});
        });
        identity = record.DistinguishedName();
        work = std::move(record);
    }

    void Delete() {
        if (!identity) {
            Missing(Work().DistinguishedName());
        }
        ChangeFarm(*state, farm, [&](const FarmState& f, std::vector<FarmChange>& out) {
            const StoredApp* self = f.FindApplication(*identity);
            if (self == nullptr) {
                Missing(*identity);
            }
            out.emplace_back().change = DeleteApplication{self->id};
        });
    }

    void AddServer(farm::Binding& binding) {
        std::string server;
        std::string target;
        if (auto* lab = dynamic_cast<LabBinding*>(&binding)) {
            if (!lab->Initialized()) {
                NotInitialized("binding");
            }
            server = lab->Server();
            target = lab->Target();
        } else {
            server = binding.ServerName();
        }
        server = ReadFarm(*state, farm, [&](const FarmState& f) { return ServerIn(f, server); });
        AppRecord& record = Work();
        const std::string dn = record.DistinguishedName();
        if (!target.empty() && !EqualsNoCase(target, dn)) {
            Refuse(Rule::kBindingMismatch, "The binding to server " + Quoted(server) +
                                               " is made for " + Quoted(target) +
                                               ", not for application " + Quoted(dn) + ".");
        }
        if (std::any_of(record.servers.begin(), record.servers.end(),
                        [&](const std::string& bound) { return EqualsNoCase(bound, server); })) {
            Refuse(Rule::kAlreadyBound, "Application " + Quoted(dn) +
                                            " is already published on server " + Quoted(server) +
                                            ".");
        }
        record.servers.push_back(server);
    }

    void RemoveServer(const std::string& serverName) {
        AppRecord& record = Work();
        const auto bound =
            std::find_if(record.servers.begin(), record.servers.end(),
                         [&](const std::string& name) { return EqualsNoCase(name, serverName); });
        if (bound == record.servers.end()) {
            Refuse(Rule::kNotBound, "Application " + Quoted(record.DistinguishedName()) +
                                        " is not published on server " + Quoted(serverName) + ".");
        }
        record.servers.erase(bound);
    }

    void AddAccount(farm::Account& account, bool group) {
        AccountEntry entry;
        if (auto* lab = dynamic_cast<LabAccount*>(&account)) {
            if (!lab->Initialized()) {
                NotInitialized("account");
            }
            entry = lab->Entry();
        } else {
            entry = AccountEntry{account.AAType(), account.AccountType(), account.AAName(),
                                 account.AccountName()};
            CheckAccountNumbers(group ? AccountKind::kGroup : AccountKind::kUser, entry.aaType,
                                entry.accountType);
        }
        const std::string name = entry.aaName + "\\" + entry.accountName;
        if (!ReadFarm(*state, farm, [&](const FarmState& f) {
                return f.KnowsAccount(entry.aaName, entry.accountName);
            })) {
            Refuse(Rule::kUnknownAccount, "Account " + Quoted(name) + " is not known to the farm.");
        }
        AppRecord& record = Work();
        std::vector<AccountEntry>& entries = group ? record.groups : record.users;
        if (std::any_of(entries.begin(), entries.end(), [&](const AccountEntry& e) {
                return EqualsNoCase(e.aaName, entry.aaName) &&
                       EqualsNoCase(e.accountName, entry.accountName);
            })) {
            Refuse(Rule::kDuplicateAccount, "Application " + Quoted(record.DistinguishedName()) +
                                                " has the " + (group ? "group " : "user ") +
                                                Quoted(name) + " already.");
        }
        entries.push_back(std::move(entry));
    }

    void WriteIcon(const std::string& path) {
        std::string bytes = With([](const AppRecord& record) { return record.icon; });
        if (bytes.empty()) {
            bytes = MakeIcon(0);
        }
        std::ofstream out(PathOf(path), std::ios::binary | std::ios::trunc);
        if (out) {
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            out.close();
        }
        if (!out) {
            Refuse(Rule::kIconWriteFailed, "The icon cannot be written to " + Quoted(path) + ".");
        }
    }

    void LoadIcon(const std::string& path, int32_t index) {
        if (index != 0) {
            Refuse(Rule::kNotAnIcon, "The icon file " + Quoted(path) + " has no icon number " +
                                         std::to_string(index) + "; only 0 is read.");
        }
        const std::filesystem::path file = PathOf(path);
        std::error_code error;
        const bool regular = std::filesystem::is_regular_file(file, error);
        const uintmax_t size = regular ? std::filesystem::file_size(file, error) : 0;
        std::ifstream in;
        if (regular && !error) {
            in.open(file, std::ios::binary);
        }
        if (!in.is_open() || !in) {
            Refuse(Rule::kIconFileUnreadable, "The icon file " + Quoted(path) + " cannot be read.");
        }
        if (size > kMaxIconFileSize) {
            Refuse(Rule::kNotAnIcon, Quoted(path) + " is too large for an icon file.");
        }
        std::string bytes(static_cast<size_t>(size), '\0');
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (in.bad()) {
            Refuse(Rule::kIconFileUnreadable, "The icon file " + Quoted(path) + " cannot be read.");
        }
        bytes.resize(static_cast<size_t>(in.gcount()));
        if (!IsIconFile(bytes)) {
            Refuse(Rule::kNotAnIcon, Quoted(path) + " is not an icon file.");
        }
        Work().icon = std::move(bytes);
    }

    farm::Value Get(std::string_view name) {
        const AppKey& key = Known(name);
        return With([&](const AppRecord& record) -> farm::Value {
            switch (key.field) {
                case AppField::kName:
                    return record.name;
                case AppField::kDistinguishedName:
                    return record.DistinguishedName();
                case AppField::kDescription:
                    return record.description;
                case AppField::kFolder:
                    return record.folder;
                case AppField::kView:
                    break;
            }
            const auto found = record.keys.find(key.name);
            return found != record.keys.end() ? found->second : DefaultValue(key.kind);
        });
    }

    void Put(std::string_view name, const farm::Value& value) {
        const AppKey& key = Known(name);
        if (key.field == AppField::kDistinguishedName) {
            Refuse(Rule::kReadOnlyKey,
                   "DistinguishedName cannot be assigned; it follows from "
                   "AppName and ParentFolderDN.");
        }
        farm::Value converted = ConvertForKey(value, key.kind, key.name);
        if (IsWindowSize(key.name) && !identity && !windowTypePut) {
            Refuse(Rule::kWindowSizeBeforeType,
                   std::string(key.name) + " cannot be set on an application that was never " +
                       "saved before its DefaultWindowType: the window type says what the size " +
                       "means.");
        }
        windowTypePut = windowTypePut || key.name == kWindowType;
        AppRecord& record = Work();
        switch (key.field) {
            case AppField::kName:
                record.name = std::get<std::string>(converted);
                break;
            case AppField::kDescription:
                record.description = std::get<std::string>(converted);
                break;
            case AppField::kFolder:
                record.folder = std::get<std::string>(converted);
                break;
            case AppField::kDistinguishedName:
            case AppField::kView:
                record.keys[key.name] = std::move(converted);
                break;
        }
    }

    static const AppKey& Known(std::string_view name) {
        const AppKey* key = FindApplicationKey(name);
        if (key == nullptr) {
            Refuse(Rule::kUnknownName, "Unknown name: the application has no member " +
                                           Quoted(std::string(name)) + ".");
        }
        return *key;
    }
};

using CorePtr = std::shared_ptr<AppCore>;

std::unique_ptr<farm::Collection<farm::Account>> Accounts(const CorePtr& core, bool groups) {
    return std::make_unique<LabCollection<farm::Account>>(
        core->state, "Accounts.Count", "Accounts.Items",
        [core, groups] {
            return core->With([&](const AppRecord& record) {
                return static_cast<int32_t>((groups ? record.groups : record.users).size());
            });
        },
        [core, groups] {
            std::vector<AccountEntry> entries = core->With(
                [&](const AppRecord& record) { return groups ? record.groups : record.users; });
            std::vector<std::unique_ptr<farm::Account>> items;
            for (AccountEntry& entry : entries) {
                items.push_back(std::make_unique<LabAccount>(
                    core->state, groups ? AccountKind::kGroup : AccountKind::kUser,
                    std::move(entry)));
            }
            return items;
        });
}

class LabWinApp : public farm::WinApp {
  public:
    explicit LabWinApp(CorePtr core) : core_(std::move(core)) {}

    farm::Value Get(std::string_view key) override {
        Enter("WinApp.Get");
        return core_->Get(key);
    }
    void Put(std::string_view key, const farm::Value& value) override {
        Enter("WinApp.Put");
        core_->Put(key, value);
    }
    void SaveData() override {
        Enter("WinApp.SaveData");
        core_->Save();
    }
    void AddServer(farm::Binding& binding) override {
        Enter("WinApp.AddServer");
        core_->AddServer(binding);
    }
    void RemoveServer(const std::string& serverName) override {
        Enter("WinApp.RemoveServer");
        core_->RemoveServer(serverName);
    }
    void AddUser(farm::Account& user) override {
        Enter("WinApp.AddUser");
        core_->AddAccount(user, false);
    }
    void AddGroup(farm::Account& group) override {
        Enter("WinApp.AddGroup");
        core_->AddAccount(group, true);
    }
    void WriteIconToFile(const std::string& path) override {
        Enter("WinApp.WriteIconToFile");
        core_->WriteIcon(path);
    }
    void LoadIconFromFile(const std::string& path, int32_t index) override {
        Enter("WinApp.LoadIconFromFile");
        core_->LoadIcon(path, index);
    }

  private:
    void Enter(const char* operation) {
        lab::Enter(*core_->state, operation);
        core_->Require();
    }

    CorePtr core_;
};

class LabApplication : public farm::Application {
  public:
    explicit LabApplication(CorePtr core) : core_(std::move(core)) {}

    void Initialize(int type, const std::string& distinguishedName) override {
        lab::Enter(*core_->state, "Application.Initialize");
        CheckType(type, farm::kWinAppObject, "Application.Initialize");
        std::string farmName = LocateFarm(*core_->state);
        std::string name = ReadFarm(*core_->state, farmName, [&](const FarmState& f) {
            const StoredApp* app = f.FindApplication(distinguishedName);
            if (app == nullptr) {
                Missing(distinguishedName);
            }
            return app->record.DistinguishedName();
        });
        core_->farm = std::move(farmName);
        core_->identity = std::move(name);
        core_->work.reset();
    }

    void LoadData(bool /*full*/) override {
        Enter("Application.LoadData");
        core_->Load();
    }
    void SaveData() override {
        Enter("Application.SaveData");
        core_->Save();
    }
    std::string AppName() override {
        Enter("Application.AppName");
        return core_->With([](const AppRecord& record) { return record.name; });
    }
    std::string DistinguishedName() override {
        Enter("Application.DistinguishedName");
        return core_->With([](const AppRecord& record) { return record.DistinguishedName(); });
    }
    std::string Description() override {
        Enter("Application.Description");
        return core_->With([](const AppRecord& record) { return record.description; });
    }

    std::unique_ptr<farm::Collection<farm::Binding>> Servers() override {
        Enter("Application.Servers");
        CorePtr core = core_;
        return std::make_unique<LabCollection<farm::Binding>>(
            core->state, "Bindings.Count", "Bindings.Items",
            [core] {
                return core->With([](const AppRecord& record) {
                    return static_cast<int32_t>(record.servers.size());
                });
            },
            [core] {
                auto [servers, dn] = core->With([](const AppRecord& record) {
                    return std::make_pair(record.servers, record.DistinguishedName());
                });
                std::vector<std::unique_ptr<farm::Binding>> items;
                for (std::string& server : servers) {
                    items.push_back(
                        std::make_unique<LabBinding>(core->state, std::move(server), dn));
                }
                return items;
            });
    }
    std::unique_ptr<farm::Collection<farm::Account>> Users() override {
        Enter("Application.Users");
        return Accounts(core_, false);
    }
    std::unique_ptr<farm::Collection<farm::Account>> Groups() override {
        Enter("Application.Groups");
        return Accounts(core_, true);
    }
    std::unique_ptr<farm::WinApp> WinAppObject() override {
        Enter("Application.WinAppObject");
        return std::make_unique<LabWinApp>(core_);
    }
    void AddServer(farm::Binding& binding) override {
        Enter("Application.AddServer");
        core_->AddServer(binding);
    }
    void RemoveServer(const std::string& serverName) override {
        Enter("Application.RemoveServer");
        core_->RemoveServer(serverName);
    }
    void Delete() override {
        Enter("Application.Delete");
        core_->Delete();
    }

  private:
    void Enter(const char* operation) {
        lab::Enter(*core_->state, operation);
        core_->Require();
    }

    CorePtr core_;
};

}  // namespace

std::unique_ptr<farm::Application> MakeApplication(StatePtr state) {
    auto core = std::make_shared<AppCore>();
    core->state = std::move(state);
    return std::make_unique<LabApplication>(std::move(core));
}

std::unique_ptr<farm::Application> MakeStoredApplication(StatePtr state, std::string farmName,
                                                         std::string distinguishedName) {
    auto core = std::make_shared<AppCore>();
    core->state = std::move(state);
    core->farm = std::move(farmName);
    core->identity = std::move(distinguishedName);
    return std::make_unique<LabApplication>(std::move(core));
}

std::unique_ptr<farm::Application> MakeNewApplication(StatePtr state, std::string farmName) {
    auto core = std::make_shared<AppCore>();
    core->state = std::move(state);
    core->farm = std::move(farmName);
    core->work = NewRecord();
    return std::make_unique<LabApplication>(std::move(core));
}

}  // namespace lab
