// The farm work of the deployment dialogs, one source/destination or application/server pair
// per call. Unguarded farm failures propagate to the caller as farm::FarmError; a refused
// final commit (adding or removing the binding, saving) is passed over and handed back, so
// that the run goes on and its completion message can tell what the farm refused.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shared/error_info.h"
#include "shared/feedback.h"

namespace shared {

class Shared;

// A final commit that the farm refused: the farm's number and text.
using Refusal = ErrorInfo;

// Publishes every application of the source server also on the destination server. Nothing
// is passed over here: the first refusal ends the clone.
void CloneServerApps(Shared& shared, const std::string& sourceServer,
                     const std::string& destinationServer);
// Each returns the refusal it passed over (the first, when the binding and the save were
// both refused), or nothing when the farm took the change.
[[nodiscard]] std::optional<Refusal> PublishAppOnServer(Shared& shared,
                                                        const std::string& distinguishedName,
                                                        const std::string& serverName);
[[nodiscard]] std::optional<Refusal> UnpublishAppFromServer(Shared& shared,
                                                            const std::string& distinguishedName,
                                                            const std::string& serverName);
// Writes the session options into one application.
[[nodiscard]] std::optional<Refusal> SetAppOptions(Shared& shared,
                                                   const std::string& distinguishedName,
                                                   int32_t windowType, int32_t windowColor,
                                                   int32_t encryption, int32_t soundType,
                                                   int16_t windowScale, int16_t windowHeight,
                                                   int16_t windowWidth);

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

    static constexpr size_t kItemsListed = 5;

  private:
    RunItems items_;
    int itemsRun_ = 0;
    std::vector<Item> refused_;
};

// The settings of the Windows-application view SetAppOptions assigns.
std::vector<std::string_view> ApplicationOptionSettings();

}  // namespace shared
