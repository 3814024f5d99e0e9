// What the reader targets share: a lab farm store, a working and a temporary folder in one
// scratch folder made once per process, and a session of the program on one farm.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <set>
#include <string>

#include "lab/lab.h"
#include "shared/feedback.h"
#include "shared/shared.h"

namespace fuzz {

class Feedback : public shared::Feedback {
  public:
    float ProgressValue() override { return progress_; }
    void SetProgressValue(float value) override { progress_ = value; }
    void SetProgressVisible(bool) override {}
    void SetStatusCaption(const std::string&) override {}
    void SetStatusVisible(bool) override {}
    void RepaintStatus() override {}
    void RepaintMain() override {}
    void ShowMessage(const std::string& text, const std::string& title,
                     shared::MessageIcon icon) override;
    int messages = 0;

  private:
    float progress_ = 0;
};

class Lab {
  public:
    // The farm model is written to the store before every run.
    explicit Lab(lab::FarmModel model);
    ~Lab();
    // Restores the farm, writes the input to the file the procedure reads, returns its path.
    std::string Prepare(const uint8_t* data, size_t size);
    // Aborts unless the scratch folder holds exactly what it held before the run (the input
    // file, the store and the temporary folder, which is emptied).
    void CheckFolders();
    lab::FarmModel ReadFarm();
    const lab::FarmModel& Model() const { return model_; }

    std::unique_ptr<shared::Shared> NewSession(Feedback& feedback);

  private:
    std::filesystem::path root_;
    lab::FarmModel model_;
    std::shared_ptr<lab::FarmStore> store_;
    std::unique_ptr<lab::LabFactory> factory_;
    std::set<std::filesystem::path> before_;
};

// Prints the message and aborts, so that libFuzzer keeps the input.
[[noreturn]] void Fail(const std::string& what);

}  // namespace fuzz
