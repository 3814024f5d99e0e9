// The farm work of the deployment dialogs, one source/destination or application/server pair
// per call. An unguarded farm failure ends the call and is its outcome's failure; a refused
// final commit (adding or removing the binding, saving) is passed over (PassedOver::Commit),
// so that the run goes on and its completion message can tell what the farm refused.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shared/error_info.h"
#include "shared/feedback.h"
#include "shared/outcome.h"

namespace shared {

class Shared;

// A final commit that the farm refused: the farm's number and text.
using Refusal = ErrorInfo;

// Publishes every application of the source server also on the destination server (a change
// per binding added, naming the destination). Nothing is passed over here: the first refusal ends
// the clone.
[[nodiscard]] Outcome CloneServerApps(Shared& shared, const std::string& sourceServer,
                                      const std::string& destinationServer);
// Each changes one binding, or passes over the refusals of its commit (the binding's first,
// when the binding and the save were both refused).
[[nodiscard]] Outcome PublishAppOnServer(Shared& shared, const std::string& distinguishedName,
                                         const std::string& serverName);
[[nodiscard]] Outcome UnpublishAppFromServer(Shared& shared, const std::string& distinguishedName,
                                             const std::string& serverName);

// The session options SetAppOptions writes, with their 16-bit sizes.
struct AppOptions {
    int32_t windowType = 0;
    int32_t windowColor = 0;
    int32_t encryption = 0;
    int32_t soundType = 0;
    int16_t windowScale = 0;
    int16_t windowHeight = 0;
    int16_t windowWidth = 0;
};

// Writes the session options into one application: a change per setting, once the farm took
// the save.
[[nodiscard]] Outcome SetAppOptions(Shared& shared, const std::string& distinguishedName,
                                    const AppOptions& options);

// What one run of a dialog worked on: application-server pairs (publish, unpublish) or
// applications (options).
enum class RunItems { Pairs, Applications };

// The refusals a run passed over, in the order they came.
class RunRefusals {
  public:
    struct Item {
        std::string application;  // distinguished name
        std::string server;       // empty for an options run
        Refusal refusal;
    };

    explicit RunRefusals(RunItems items) : items_(items) {}

    // Notes one item of the run and the refusal its procedure handed back, if any.
    void Note(const std::string& application, const std::string& server,
              const std::optional<Refusal>& refusal);

    // The run's completion message: `done` alone when nothing was refused; else `done`, a
    // blank line, how many of the run's items the farm refused, and the first five of them
    // with the farm's number and text.
    std::string CompletionText(std::string_view done) const;
    // Information, or a warning when something was refused.
    MessageIcon CompletionIcon() const;

  private:
    RunItems items_;
    int itemsRun_ = 0;
    std::vector<Item> refused_;
};

// The settings of the Windows-application view SetAppOptions assigns.
std::vector<std::string_view> ApplicationOptionSettings();

}  // namespace shared
