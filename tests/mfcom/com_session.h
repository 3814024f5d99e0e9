// The program's module on the farm the workstation's lab setting names, through the COM
// backend, with the test's file system and a feedback that records.
#pragma once

#include <memory>

#include "farm/mfcom/mfcom.h"
#include "shared/files_fixture.h"
#include "shared/shared.h"
#include "support/recording_feedback.h"

namespace files_test {

struct ComSession {
    ComSession(const fs::path& root, FsLog& log)
        : shared(
              factory, [root, &log] { return std::make_unique<TestFileSystem>(root, log); },
              feedback) {}
    mfcom::MfcomFactory factory;
    testing_support::RecordingFeedback feedback;
    shared::Shared shared;
};

}  // namespace files_test
