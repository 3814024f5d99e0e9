// What the reader targets share: a lab farm kept in memory and restored before every input,
// a scratch folder on a RAM disk (the input file, the icons the seeds name, the temporary
// folder), a session of the program on the farm, and the checks every input must pass.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "lab/farm_state.h"
#include "lab/lab.h"
#include "shared/feedback.h"
#include "shared/outcome.h"
#include "shared/shared.h"

namespace fuzz {

// Keeps the messages the windows would show for the outcomes shown to it, and aborts on any
// but the unexpected-error message.
class Feedback : public shared::QuietFeedback {
  public:
    void Show(const shared::Outcome& outcome);

    std::vector<std::string> messages;
};

// A folder on a RAM disk when there is one (/dev/shm), else the temporary folder.
std::filesystem::path RamFolder();
// The icons the seed files name: RamFolder()/zelt-fuzz-icons/0.ico ... 3.ico.
std::filesystem::path IconsFolder();

class Lab {
  public:
    // The farm is the model again before every run: a run that changed it is undone by the
    // few changes that put back what differs (in memory, through the store's journal records).
    explicit Lab(lab::FarmModel model);
    ~Lab();
    Lab(const Lab&) = delete;
    Lab& operator=(const Lab&) = delete;

    // Restores the farm, writes the input to the file the procedure reads, returns its path.
    std::string Prepare(const uint8_t* data, size_t size);
    // Aborts unless the scratch folder holds exactly what it held before the run: the input
    // file and the temporary folder, which is emptied.
    void CheckFolders();
    // Runs the target's own `check` on the farm as the store holds it, then aborts unless
    // the farm holds no application twice (distinguished names in any case) and every
    // application that differs from the model reads back through the farm interface as
    // stored. A farm that nothing was written to is the model, checked once when the lab is
    // made.
    void CheckFarm(const std::function<void(const lab::FarmState&)>& check);
    const lab::FarmModel& Model() const { return model_; }

    // Readers may write only directly inside the temporary folder; any other write through
    // the session's file system aborts before it happens. Exporters write anywhere.
    enum class Writes { kTemporaryOnly, kAnywhere };
    std::unique_ptr<shared::Shared> NewSession(Feedback& feedback,
                                               Writes writes = Writes::kTemporaryOnly);

  private:
    // The application is the model's, in its place, as the model has it.
    bool IsModelApp(const lab::StoredApp& app) const;
    void Restore();

    std::filesystem::path root_;
    lab::FarmModel model_;
    lab::FarmModel modelBase_;  // the model without its applications
    bool changed_ = false;      // the farm differs from the model
    int64_t writes_ = 0;        // the store's writes when the farm was last the model
    int64_t puts_ = 0;          // and the application records it had stored
    bool appsStored_ = false;   // the last run stored an application
    std::shared_ptr<lab::FarmStore> store_;
    std::unique_ptr<lab::LabFactory> factory_;
};

// Prints the message and aborts, so that libFuzzer keeps the input.
[[noreturn]] void Fail(const std::string& what);

}  // namespace fuzz
