// The production farm backend: every object of the farm interface reached by late binding
// through the farm's automation model (MetaFrameCOM ProgIDs). COM must be initialised
// apartment-threaded on the calling thread (see ComInit) for as long as objects live.
#pragma once

#include <memory>

#include "farm/farm.h"
#include "farm/mfcom/com.h"
#include "farm/mfcom/dispatch.h"

namespace mfcom {

class MfcomFactory : public farm::ObjectFactory {
  public:
    explicit MfcomFactory(NameLookup lookup = NameLookup::Cached);
    ~MfcomFactory() override;

    std::unique_ptr<farm::Farm> CreateFarm() override;
    std::unique_ptr<farm::Server> CreateServer() override;
    std::unique_ptr<farm::Application> CreateApplication() override;
    std::unique_ptr<farm::Folder> CreateFolder() override;
    std::unique_ptr<farm::Binding> CreateBinding() override;
    std::unique_ptr<farm::Account> CreateUser() override;
    std::unique_ptr<farm::Account> CreateGroup() override;
    std::unique_ptr<farm::Credential> CreateCredential() override;

    // Invoke and GetIDsOfNames calls made so far by the objects of this factory.
    CallCounts Counts() const;
    // Every name the objects of this factory asked, with the kind of object asked.
    const std::set<std::pair<Kind, std::string>>& NamesAsked() const;

  private:
    std::shared_ptr<Session> session_;
};

}  // namespace mfcom
