// Where the operations keep the state of what they are about to change, before the change
// reaches the farm: the restore record from which an undo puts it back. An operation run
// without one (tests, the import preview's copy) reads and keeps nothing more.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "farm/farm.h"

namespace shared {

// A setting by name and the value it has, or is to have.
using SettingValues = std::vector<std::pair<std::string, farm::Value>>;

class ChangeJournal {
  public:
    virtual ~ChangeJournal() = default;

    // Each is on disk when it returns; the change it announces follows.
    // The application is to be bound to the server (`bound`) or no longer be.
    virtual void BindingChanging(const std::string& application, const std::string& server,
                                 bool boundBefore, bool boundAfter) = 0;
    // The application's settings are to go from `before` to `after` (same names, same order).
    virtual void SettingsChanging(const std::string& application, const SettingValues& before,
                                  const SettingValues& after) = 0;
    // A farm setting is to go from `before` (none: the farm would not say) to `after`.
    virtual void FarmSettingChanging(const std::string& name,
                                     const std::optional<farm::Value>& before,
                                     const farm::Value& after) = 0;
    // The application of that distinguished name is to be replaced, created or removed:
    // `before` is the one there now, loaded (nullptr: there is none), kept whole with its icon.
    virtual void ApplicationChanging(const std::string& distinguishedName,
                                     farm::Application* before) = 0;

    // After the change: the application as it was stored, kept whole (so that an undo can tell
    // whether someone changed it since), or that the farm did not take the change.
    virtual void ApplicationStored(const std::string& distinguishedName,
                                   farm::Application& after) = 0;
    virtual void ApplicationRemoved(const std::string& distinguishedName) = 0;
    // The farm refused the change: the application is as it was.
    virtual void ApplicationNotStored(const std::string& distinguishedName) = 0;
    // A folder the import created: an undo leaves it and says so.
    virtual void FolderCreated(const std::string& path) = 0;
};

}  // namespace shared

namespace shared {

class Shared;

// Tells the run's journal, if it keeps one, that the application's binding to the server is
// about to become `boundAfter`, with the binding as the farm has it now.
void NoteBindingChange(Shared& shared, farm::Application& application,
                       const std::string& distinguishedName, const std::string& server,
                       bool boundAfter);

// Whether the application runs on the server (names compared as the farm compares them).
bool IsBoundTo(farm::Application& application, std::string_view server);

}  // namespace shared
