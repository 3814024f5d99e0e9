// The farm work of the deployment dialogs, one source/destination or application/server pair
// per call. An unguarded farm failure ends the call and is its outcome's failure; a refused
// final commit (adding or removing the binding, saving) is passed over (PassedOver::Commit),
// so that the run goes on and its completion message can tell what the farm refused.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "shared/error_info.h"
#include "shared/feedback.h"
#include "shared/outcome.h"

namespace shared {

class Shared;

// A final commit that the farm refused: the farm's number and text.
using Refusal = ErrorInfo;

// Publishes every application of the source server also on the destination server (a change
// per binding added). Nothing is passed over here: the first refusal ends the clone.
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

// A choice the options dialog lists: its text and the value written.
struct OptionChoice {
    const char* text;
    int32_t value;
};

// The choices of the four lists, in the dialog's order.
inline constexpr std::array<OptionChoice, 4> kWindowColorChoices{
    {{"16 colors", 1}, {"256 colors", 2}, {"High color (16 bit)", 3}, {"True color (24 bit)", 4}}};
inline constexpr std::array<OptionChoice, 7> kWindowSizeChoices{
    {{"640x480", 1},
     {"800x600", 2},
     {"1024x768", 3},
     {"1280x1024", 4},
     {"Custom...", 5},
     {"Percent of client desktop...", 6},
     {"Full screen...", 7}}};
inline constexpr std::array<OptionChoice, 5> kEncryptionChoices{{{"Basic", 1},
                                                                 {"RC5 (128-bit) logon only", 2},
                                                                 {"RC5 (40-bit)", 3},
                                                                 {"RC5 (56-bit)", 4},
                                                                 {"RC5 (128-bit)", 5}}};
inline constexpr std::array<OptionChoice, 2> kAudioChoices{{{"Audio on", 2}, {"Audio off", 1}}};

// What the dialog shows before the user changes anything: 256 colors, 640x480, Basic, audio
// on, 90 percent, 480 by 640.
inline constexpr AppOptions kDefaultAppOptions{.windowType = 1,
                                               .windowColor = 2,
                                               .encryption = 1,
                                               .soundType = 2,
                                               .windowScale = 90,
                                               .windowHeight = 480,
                                               .windowWidth = 640};

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

// The settings SetAppOptions assigns and their values, in the order it assigns them.
std::vector<std::pair<std::string_view, int32_t>> OptionValues(const AppOptions& options);

// The settings of the Windows-application view SetAppOptions assigns.
std::vector<std::string_view> ApplicationOptionSettings();

}  // namespace shared
