#include "timed_farm.h"

#include <utility>
#include <vector>

namespace bench {
namespace {

using Clock = std::chrono::steady_clock;

// Runs `call`, adding its time to `clock` whether it returns or throws.
template <class Call>
auto Timed(Stopwatch& clock, Call&& call) {
    struct Stop {
        Stopwatch& clock;
        Clock::time_point start = Clock::now();
        ~Stop() {
            clock.spent += Clock::now() - start;
            ++clock.calls;
        }
    } stop{clock};
    return call();
}

// The wrapped object behind an argument that is itself one of ours.
template <class Wrapper, class Interface>
Interface& Unwrap(Interface& object) {
    auto* wrapper = dynamic_cast<Wrapper*>(&object);
    return wrapper != nullptr ? wrapper->inner() : object;
}

template <class T>
class Timing {
  public:
    Timing(std::unique_ptr<T> inner, Stopwatch& clock) : inner_(std::move(inner)), clock_(clock) {}
    T& inner() { return *inner_; }

  protected:
    template <class Call>
    auto Time(Call&& call) {
        return Timed(clock_, std::forward<Call>(call));
    }
    std::unique_ptr<T> inner_;
    Stopwatch& clock_;
};

// The timed object for each interface, chosen by Wrap's overloads below.
template <class T>
std::unique_ptr<T> Wrap(std::unique_ptr<T> object, Stopwatch& clock);

template <class T>
class TimedCollection : public farm::Collection<T>, Timing<farm::Collection<T>> {
    using Base = Timing<farm::Collection<T>>;

  public:
    using Base::Base;
    int32_t Count() override {
        return this->Time([&] { return this->inner_->Count(); });
    }
    std::vector<std::unique_ptr<T>> Items() override {
        auto items = this->Time([&] { return this->inner_->Items(); });
        for (auto& item : items) {
            item = Wrap(std::move(item), this->clock_);
        }
        return items;
    }
};

template <class T>
std::unique_ptr<farm::Collection<T>> WrapCollection(std::unique_ptr<farm::Collection<T>> c,
                                                    Stopwatch& clock) {
    return std::make_unique<TimedCollection<T>>(std::move(c), clock);
}

class TimedZone : public farm::Zone, public Timing<farm::Zone> {
  public:
    using Timing::Timing;
    std::string ZoneName() override {
        return Time([&] { return inner_->ZoneName(); });
    }
    std::string DataCollector() override {
        return Time([&] { return inner_->DataCollector(); });
    }
};

class TimedCredential : public farm::Credential, public Timing<farm::Credential> {
  public:
    using Timing::Timing;
};

class TimedAccount : public farm::Account, public Timing<farm::Account> {
  public:
    using Timing::Timing;
    void Initialize(int32_t aaType, const std::string& aaName, int32_t accountType,
                    const std::string& accountName, farm::Credential& credential) override {
        Time([&] {
            inner_->Initialize(aaType, aaName, accountType, accountName,
                               Unwrap<TimedCredential>(credential));
        });
    }
    int32_t AAType() override {
        return Time([&] { return inner_->AAType(); });
    }
    int32_t AccountType() override {
        return Time([&] { return inner_->AccountType(); });
    }
    std::string AAName() override {
        return Time([&] { return inner_->AAName(); });
    }
    std::string AccountName() override {
        return Time([&] { return inner_->AccountName(); });
    }
};

class TimedBinding : public farm::Binding, public Timing<farm::Binding> {
  public:
    using Timing::Timing;
    void Initialize(int type, const std::string& serverName,
                    const std::string& distinguishedName) override {
        Time([&] { inner_->Initialize(type, serverName, distinguishedName); });
    }
    std::string ServerName() override {
        return Time([&] { return inner_->ServerName(); });
    }
};

class TimedWinFarm : public farm::WinFarm, public Timing<farm::WinFarm> {
  public:
    using Timing::Timing;
    farm::Value Get(std::string_view key) override {
        return Time([&] { return inner_->Get(key); });
    }
    void Put(std::string_view key, const farm::Value& value) override {
        Time([&] { inner_->Put(key, value); });
    }
    farm::Value IsCitrixAdministrator() override {
        return Time([&] { return inner_->IsCitrixAdministrator(); });
    }
};

class TimedWinApp : public farm::WinApp, public Timing<farm::WinApp> {
  public:
    using Timing::Timing;
    farm::Value Get(std::string_view key) override {
        return Time([&] { return inner_->Get(key); });
    }
    void Put(std::string_view key, const farm::Value& value) override {
        Time([&] { inner_->Put(key, value); });
    }
    void SaveData() override {
        Time([&] { inner_->SaveData(); });
    }
    void AddServer(farm::Binding& binding) override {
        Time([&] { inner_->AddServer(Unwrap<TimedBinding>(binding)); });
    }
    void RemoveServer(const std::string& serverName) override {
        Time([&] { inner_->RemoveServer(serverName); });
    }
    void AddUser(farm::Account& user) override {
        Time([&] { inner_->AddUser(Unwrap<TimedAccount>(user)); });
    }
    void AddGroup(farm::Account& group) override {
        Time([&] { inner_->AddGroup(Unwrap<TimedAccount>(group)); });
    }
    void WriteIconToFile(const std::string& path) override {
        Time([&] { inner_->WriteIconToFile(path); });
    }
    void LoadIconFromFile(const std::string& path, int32_t index) override {
        Time([&] { inner_->LoadIconFromFile(path, index); });
    }
};

class TimedApplication : public farm::Application, public Timing<farm::Application> {
  public:
    using Timing::Timing;
    void Initialize(int type, const std::string& distinguishedName) override {
        Time([&] { inner_->Initialize(type, distinguishedName); });
    }
    void LoadData(bool full) override {
        Time([&] { inner_->LoadData(full); });
    }
    void SaveData() override {
        Time([&] { inner_->SaveData(); });
    }
    std::string AppName() override {
        return Time([&] { return inner_->AppName(); });
    }
    std::string DistinguishedName() override {
        return Time([&] { return inner_->DistinguishedName(); });
    }
    std::string Description() override {
        return Time([&] { return inner_->Description(); });
    }
    std::unique_ptr<farm::Collection<farm::Binding>> Servers() override {
        return WrapCollection(Time([&] { return inner_->Servers(); }), clock_);
    }
    std::unique_ptr<farm::Collection<farm::Account>> Users() override {
        return WrapCollection(Time([&] { return inner_->Users(); }), clock_);
    }
    std::unique_ptr<farm::Collection<farm::Account>> Groups() override {
        return WrapCollection(Time([&] { return inner_->Groups(); }), clock_);
    }
    std::unique_ptr<farm::WinApp> WinAppObject() override {
        return Wrap(Time([&] { return inner_->WinAppObject(); }), clock_);
    }
    void AddServer(farm::Binding& binding) override {
        Time([&] { inner_->AddServer(Unwrap<TimedBinding>(binding)); });
    }
    void RemoveServer(const std::string& serverName) override {
        Time([&] { inner_->RemoveServer(serverName); });
    }
    void Delete() override {
        Time([&] { inner_->Delete(); });
    }
};

class TimedWinServer : public farm::WinServer, public Timing<farm::WinServer> {
  public:
    using Timing::Timing;
    int32_t WinNTVerMajor() override {
        return Time([&] { return inner_->WinNTVerMajor(); });
    }
    int32_t WinNTVerMinor() override {
        return Time([&] { return inner_->WinNTVerMinor(); });
    }
};

class TimedServer : public farm::Server, public Timing<farm::Server> {
  public:
    using Timing::Timing;
    void Initialize(int type, const std::string& serverName) override {
        Time([&] { inner_->Initialize(type, serverName); });
    }
    std::string ServerName() override {
        return Time([&] { return inner_->ServerName(); });
    }
    std::unique_ptr<farm::Collection<farm::Application>> Applications() override {
        return WrapCollection(Time([&] { return inner_->Applications(); }), clock_);
    }
    std::unique_ptr<farm::WinServer> WinServerObject() override {
        return Wrap(Time([&] { return inner_->WinServerObject(); }), clock_);
    }
};

class TimedFolder : public farm::Folder, public Timing<farm::Folder> {
  public:
    using Timing::Timing;
    void Initialize(int folderType, const std::string& path) override {
        Time([&] { inner_->Initialize(folderType, path); });
    }
    void AddSubFolder(const std::string& name) override {
        Time([&] { inner_->AddSubFolder(name); });
    }
};

class TimedFarm : public farm::Farm, public Timing<farm::Farm> {
  public:
    using Timing::Timing;
    void Initialize(int type) override {
        Time([&] { inner_->Initialize(type); });
    }
    std::string FarmName() override {
        return Time([&] { return inner_->FarmName(); });
    }
    std::unique_ptr<farm::Collection<farm::Zone>> Zones() override {
        return WrapCollection(Time([&] { return inner_->Zones(); }), clock_);
    }
    std::unique_ptr<farm::Collection<farm::Server>> Servers() override {
        return WrapCollection(Time([&] { return inner_->Servers(); }), clock_);
    }
    std::unique_ptr<farm::Collection<farm::Application>> Applications() override {
        return WrapCollection(Time([&] { return inner_->Applications(); }), clock_);
    }
    std::unique_ptr<farm::WinFarm> WinFarmObject() override {
        return Wrap(Time([&] { return inner_->WinFarmObject(); }), clock_);
    }
    std::unique_ptr<farm::Application> AddApplication(int type) override {
        return Wrap(Time([&] { return inner_->AddApplication(type); }), clock_);
    }
    std::unique_ptr<farm::Application> GetApplication(
        int type, const std::string& distinguishedName) override {
        return Wrap(Time([&] { return inner_->GetApplication(type, distinguishedName); }), clock_);
    }
    std::unique_ptr<farm::Server> GetServer(int type, const std::string& serverName) override {
        return Wrap(Time([&] { return inner_->GetServer(type, serverName); }), clock_);
    }
};

template <class Timed, class T>
std::unique_ptr<T> WrapAs(std::unique_ptr<T> object, Stopwatch& clock) {
    if (!object) {
        return object;
    }
    return std::make_unique<Timed>(std::move(object), clock);
}

template <class T>
std::unique_ptr<T> Wrap(std::unique_ptr<T> object, Stopwatch& clock) {
    if constexpr (std::is_same_v<T, farm::Farm>) {
        return WrapAs<TimedFarm>(std::move(object), clock);
    } else if constexpr (std::is_same_v<T, farm::Zone>) {
        return WrapAs<TimedZone>(std::move(object), clock);
    } else if constexpr (std::is_same_v<T, farm::Server>) {
        return WrapAs<TimedServer>(std::move(object), clock);
    } else if constexpr (std::is_same_v<T, farm::WinServer>) {
        return WrapAs<TimedWinServer>(std::move(object), clock);
    } else if constexpr (std::is_same_v<T, farm::Application>) {
        return WrapAs<TimedApplication>(std::move(object), clock);
    } else if constexpr (std::is_same_v<T, farm::WinApp>) {
        return WrapAs<TimedWinApp>(std::move(object), clock);
    } else if constexpr (std::is_same_v<T, farm::WinFarm>) {
        return WrapAs<TimedWinFarm>(std::move(object), clock);
    } else if constexpr (std::is_same_v<T, farm::Folder>) {
        return WrapAs<TimedFolder>(std::move(object), clock);
    } else if constexpr (std::is_same_v<T, farm::Binding>) {
        return WrapAs<TimedBinding>(std::move(object), clock);
    } else if constexpr (std::is_same_v<T, farm::Account>) {
        return WrapAs<TimedAccount>(std::move(object), clock);
    } else {
        static_assert(std::is_same_v<T, farm::Credential>);
        return WrapAs<TimedCredential>(std::move(object), clock);
    }
}

class TimedStream : public settings::TextStream, public Timing<settings::TextStream> {
  public:
    using Timing::Timing;
    void WriteLine(std::string_view text) override {
        Time([&] { inner_->WriteLine(text); });
    }
    void WriteLine() override {
        Time([&] { inner_->WriteLine(); });
    }
    std::string ReadLine() override {
        return Time([&] { return inner_->ReadLine(); });
    }
    bool AtEndOfStream() override {
        return Time([&] { return inner_->AtEndOfStream(); });
    }
    void Close() override {
        Time([&] { inner_->Close(); });
    }
};

}  // namespace

std::unique_ptr<farm::Farm> TimedFactory::CreateFarm() {
    return Wrap(Timed(clock_, [&] { return inner_.CreateFarm(); }), clock_);
}
std::unique_ptr<farm::Server> TimedFactory::CreateServer() {
    return Wrap(Timed(clock_, [&] { return inner_.CreateServer(); }), clock_);
}
std::unique_ptr<farm::Application> TimedFactory::CreateApplication() {
    return Wrap(Timed(clock_, [&] { return inner_.CreateApplication(); }), clock_);
}
std::unique_ptr<farm::Folder> TimedFactory::CreateFolder() {
    return Wrap(Timed(clock_, [&] { return inner_.CreateFolder(); }), clock_);
}
std::unique_ptr<farm::Binding> TimedFactory::CreateBinding() {
    return Wrap(Timed(clock_, [&] { return inner_.CreateBinding(); }), clock_);
}
std::unique_ptr<farm::Account> TimedFactory::CreateUser() {
    return Wrap(Timed(clock_, [&] { return inner_.CreateUser(); }), clock_);
}
std::unique_ptr<farm::Account> TimedFactory::CreateGroup() {
    return Wrap(Timed(clock_, [&] { return inner_.CreateGroup(); }), clock_);
}
std::unique_ptr<farm::Credential> TimedFactory::CreateCredential() {
    return Wrap(Timed(clock_, [&] { return inner_.CreateCredential(); }), clock_);
}

double TimingCostPerCall() {
    class Trivial : public farm::Binding {
      public:
        void Initialize(int, const std::string&, const std::string&) override {}
        std::string ServerName() override { return "SRV"; }
    };
    constexpr int kCalls = 1000000;
    Stopwatch clock;
    Trivial direct;
    TimedBinding timed(std::make_unique<Trivial>(), clock);
    farm::Binding* objects[2] = {&direct, &timed};
    double seconds[2] = {0, 0};
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 2; ++i) {
            size_t length = 0;
            const auto start = Clock::now();
            for (int call = 0; call < kCalls; ++call) {
                length += objects[i]->ServerName().size();
            }
            const double spent = std::chrono::duration<double>(Clock::now() - start).count();
            seconds[i] = round == 0 || spent < seconds[i] ? spent : seconds[i];
            if (length != 3u * kCalls) {
                return 0;
            }
        }
    }
    return (seconds[1] - seconds[0]) / kCalls;
}

TimedFileSystem::TimedFileSystem(std::unique_ptr<settings::FileSystem> inner, Stopwatch& files,
                                 Stopwatch& lines)
    : inner_(std::move(inner)), files_(files), lines_(lines) {}

std::unique_ptr<settings::TextStream> TimedFileSystem::CreateTextFile(const std::string& p) {
    return std::make_unique<TimedStream>(Timed(files_, [&] { return inner_->CreateTextFile(p); }),
                                         lines_);
}
std::unique_ptr<settings::TextStream> TimedFileSystem::OpenTextFile(const std::string& p) {
    return std::make_unique<TimedStream>(Timed(files_, [&] { return inner_->OpenTextFile(p); }),
                                         lines_);
}
bool TimedFileSystem::FolderExists(const std::string& p) {
    return Timed(files_, [&] { return inner_->FolderExists(p); });
}
void TimedFileSystem::CreateFolder(const std::string& p) {
    Timed(files_, [&] { inner_->CreateFolder(p); });
}
void TimedFileSystem::DeleteFiles(const std::string& p, bool force) {
    Timed(files_, [&] { inner_->DeleteFiles(p, force); });
}
void TimedFileSystem::CopyFileOver(const std::string& s, const std::string& t) {
    Timed(files_, [&] { inner_->CopyFileOver(s, t); });
}
void TimedFileSystem::MoveFileOver(const std::string& s, const std::string& t) {
    Timed(files_, [&] { inner_->MoveFileOver(s, t); });
}
std::vector<settings::FoundFile> TimedFileSystem::FindFiles(const std::string& p) {
    return Timed(files_, [&] { return inner_->FindFiles(p); });
}
std::string TimedFileSystem::GetTempFolder() {
    return Timed(files_, [&] { return inner_->GetTempFolder(); });
}
std::string TimedFileSystem::CurrentDirectory() {
    return Timed(files_, [&] { return inner_->CurrentDirectory(); });
}

}  // namespace bench
