// A factory that hands out the inner factory's objects and records, in order, the settings
// assigned through the view of every application it creates, for tests of the order in which
// a procedure assigns them.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "farm/farm.h"

namespace testing_support {

using PutLog = std::vector<std::string>;

class RecordingWinApp : public farm::WinApp {
  public:
    RecordingWinApp(std::unique_ptr<farm::WinApp> inner, PutLog& log)
        : inner_(std::move(inner)), log_(log) {}
    farm::Value Get(std::string_view key) override { return inner_->Get(key); }
    void Put(std::string_view key, const farm::Value& value) override {
        inner_->Put(key, value);
        log_.emplace_back(key);
    }
    void SaveData() override { inner_->SaveData(); }
    void AddServer(farm::Binding& binding) override { inner_->AddServer(binding); }
    void RemoveServer(const std::string& serverName) override { inner_->RemoveServer(serverName); }
    void AddUser(farm::Account& user) override { inner_->AddUser(user); }
    void AddGroup(farm::Account& group) override { inner_->AddGroup(group); }
    void WriteIconToFile(const std::string& path) override { inner_->WriteIconToFile(path); }
    void LoadIconFromFile(const std::string& path, int32_t index) override {
        inner_->LoadIconFromFile(path, index);
    }

  private:
    std::unique_ptr<farm::WinApp> inner_;
    PutLog& log_;
};

class RecordingApplication : public farm::Application {
  public:
    RecordingApplication(std::unique_ptr<farm::Application> inner, PutLog& log)
        : inner_(std::move(inner)), log_(log) {}
    void Initialize(int type, const std::string& dn) override { inner_->Initialize(type, dn); }
    void LoadData(bool full) override { inner_->LoadData(full); }
    void SaveData() override { inner_->SaveData(); }
    std::string AppName() override { return inner_->AppName(); }
    std::string DistinguishedName() override { return inner_->DistinguishedName(); }
    std::string Description() override { return inner_->Description(); }
    std::unique_ptr<farm::Collection<farm::Binding>> Servers() override {
        return inner_->Servers();
    }
    std::unique_ptr<farm::Collection<farm::Account>> Users() override { return inner_->Users(); }
    std::unique_ptr<farm::Collection<farm::Account>> Groups() override { return inner_->Groups(); }
    std::unique_ptr<farm::WinApp> WinAppObject() override {
        return std::make_unique<RecordingWinApp>(inner_->WinAppObject(), log_);
    }
    void AddServer(farm::Binding& binding) override { inner_->AddServer(binding); }
    void RemoveServer(const std::string& serverName) override { inner_->RemoveServer(serverName); }
    void Delete() override { inner_->Delete(); }

  private:
    std::unique_ptr<farm::Application> inner_;
    PutLog& log_;
};

class PutRecordingFactory : public farm::ObjectFactory {
  public:
    explicit PutRecordingFactory(farm::ObjectFactory& inner) : inner_(inner) {}
    std::unique_ptr<farm::Farm> CreateFarm() override { return inner_.CreateFarm(); }
    std::unique_ptr<farm::Server> CreateServer() override { return inner_.CreateServer(); }
    std::unique_ptr<farm::Application> CreateApplication() override {
        return std::make_unique<RecordingApplication>(inner_.CreateApplication(), puts);
    }
    std::unique_ptr<farm::Folder> CreateFolder() override { return inner_.CreateFolder(); }
    std::unique_ptr<farm::Binding> CreateBinding() override { return inner_.CreateBinding(); }
    std::unique_ptr<farm::Account> CreateUser() override { return inner_.CreateUser(); }
    std::unique_ptr<farm::Account> CreateGroup() override { return inner_.CreateGroup(); }
    std::unique_ptr<farm::Credential> CreateCredential() override {
        return inner_.CreateCredential();
    }

    PutLog puts;  // the keys assigned, in order

  private:
    farm::ObjectFactory& inner_;
};

}  // namespace testing_support
