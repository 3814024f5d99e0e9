// What an operation did, as a value it returns: what it changed, what it passed over and the
// failure that ended it. The windows turn it into their messages; tests assert on it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shared/error_info.h"
#include "shared/feedback.h"

namespace shared {

enum class Operation {
    ExportFarm,
    ImportFarm,
    ExportServerApps,  // take offline
    ImportServerApps,  // bring online
    CloneServerApps,
    PublishAppOnServer,
    UnpublishAppFromServer,
    SetAppOptions,
    Undo,  // of another operation, from its restore record
};

enum class ChangeKind {
    FarmSetting,         // a farm setting assigned: setting, new value
    ApplicationSetting,  // an application setting assigned: application, setting, new value
    ApplicationStored,   // an application saved by the import: application
    ApplicationWritten,  // an application written to a file by an export: application
    BindingAdded,        // the application published on the server
    BindingRemoved,      // the application unpublished from the server
    ApplicationRemoved,  // an application deleted by an undo: application
};

struct Change {
    ChangeKind kind = ChangeKind::ApplicationStored;
    std::string application;  // distinguished name, where it applies
    std::string server;
    std::string setting;
    std::optional<std::string> oldValue;  // where the operation read it
    std::optional<std::string> newValue;
    bool operator==(const Change&) const = default;
};

// Where a step was passed over.
enum class PassedOver {
    FarmSetting,         // a farm setting left as it was: no number, refused, or not on the farm
    ApplicationSetting,  // an application setting the farm does not have
    Folder,              // a step of creating the folders of ParentFolderDN
    FolderExisted,       // such a step, where the application was then stored in the folder:
                         // it was there already (as the outcome has it; the observer hears Folder)
    Namesake,            // reading the names of, loading or deleting the root folder's
                         // application of the same name
    NoNamesake,          // looking up that application: most often there is none
    NotRead,             // a line the import does not read (no failure: the reason's number is 0)
    ServerLeftOut,       // a Server line the server mapping leaves out (number 0 as well)
    ServerMerged,        // a Server line the mapping makes name a server bound already (number 0)
    Commit,              // a final commit the farm refused: a binding added or removed, a save
    ChangedSince,        // an undo found the item changed since the operation: left as it is
    FolderKept,          // a folder the undone import created: it stays (number 0)
};

struct PassedOverItem {
    PassedOver where = PassedOver::NotRead;
    ErrorInfo reason;        // the farm's number and text
    int64_t lineNumber = 0;  // the file's line, counted from 1; 0 where there is no file line
    std::string line;
    std::string application;  // distinguished name, where it applies
    std::string server;
    std::string setting;  // the setting's name, where it applies
    bool operator==(const PassedOverItem&) const = default;
};

// The failure that ended an operation, and the file line it stopped at (0: none, or before
// the first line was read).
struct Failure {
    ErrorInfo error;
    int64_t lineNumber = 0;
    std::string line;
    bool operator==(const Failure&) const = default;
};

struct Outcome {
    explicit Outcome(Operation op) : operation(op) {}

    Operation operation;
    std::vector<Change> changes;
    std::vector<PassedOverItem> passedOver;
    std::optional<Failure> failure;

    // Nothing passed over and no failure.
    bool Clean() const { return !failure && passedOver.empty(); }
};

// The first commit the farm refused, when there is one.
std::optional<ErrorInfo> FirstRefusal(const Outcome& outcome);

// Throws the failure as the error it was (base::Error), when there is one: for callers that
// end a run of many operations at the first failure.
void RethrowFailure(const Outcome& outcome);

// A message box the windows show for an outcome.
struct OutcomeMessage {
    std::string text;
    std::string title;
    MessageIcon icon = MessageIcon::Information;
    bool operator==(const OutcomeMessage&) const = default;
};

// The messages the main window shows at the end of an export or import (farm or server
// file), in order: the unexpected-error message for a failure, else the notice of what was
// passed over, if anything. Publish, unpublish, options and clone report a whole run: their
// dialogs build it from RunRefusals; for a single operation this gives only its failure.
std::vector<OutcomeMessage> MessagesOf(const Outcome& outcome);

// Whether a passed-over item left the farm without something the operation was asked for:
// not a line the import does not read, a server the mapping leaves out or merges, a folder
// that was there already or a namesake that is not there.
bool Lost(const PassedOverItem& item);

// What was refused, with the farm's number and text.
struct ListedRefusal {
    std::string what;
    ErrorInfo reason;
};

// The first RunRefusals-size few of `refused`, each as "\r\n<what>\r\n     Error <n>: <text>",
// then "\r\n... and <k> more." for the rest.
std::string RefusalList(const std::vector<ListedRefusal>& refused);
inline constexpr size_t kRefusalsListed = 5;

// The settings a farm export or import passed over because the farm does not have them,
// each once, farm settings before application settings ("Name (farm setting)").
std::vector<std::string> SettingsNotOnFarm(const Outcome& outcome);

}  // namespace shared
