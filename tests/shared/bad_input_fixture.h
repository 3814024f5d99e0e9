// What the hostile-file tests share, in-process and through COM: a snapshot of the scratch
// folders to prove nothing was written outside the chosen file, the check that a failure
// shows only the unexpected-error message, binary bytes, and an application block of a farm
// file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>

#include "files_fixture.h"
#include "shared/shared.h"
#include "support/recording_feedback.h"

namespace files_test {

class BadInputFixture : public FilesTest {
  protected:
    // The scratch folders apart from the store, which the farm owns.
    std::set<std::string> Snapshot() const {
        std::set<std::string> found;
        for (const char* dir : {"work", "tmp"}) {
            for (const auto& entry : fs::recursive_directory_iterator(root_ / dir)) {
                found.insert(std::string(dir) + "/" +
                             fs::relative(entry.path(), root_ / dir).generic_string());
            }
        }
        for (const auto& entry : fs::directory_iterator(root_)) {
            found.insert(entry.path().filename().string());
        }
        return found;
    }

    // Nothing new apart from the names given (the file chosen; "work/icons" allows the icons
    // folder's files).
    void ExpectNothingElseWritten(const std::set<std::string>& allowed = {}) const {
        for (const std::string& name : Snapshot()) {
            if (!before_.contains(name) && !allowed.contains(name) &&
                !(name.starts_with("work/icons") && allowed.contains("work/icons"))) {
                ADD_FAILURE() << "written outside the chosen file: " << name;
            }
        }
    }

    // The feedback shows at most `most` messages, each the unexpected-error message.
    static void ExpectOnlyErrorMessages(const testing_support::RecordingFeedback& feedback,
                                        size_t most) {
        EXPECT_LE(feedback.messages.size(), most);
        const std::string empty = shared::UnexpectedErrorText(0, "");
        const std::string head = empty.substr(0, empty.find(':') + 1);
        for (const auto& message : feedback.messages) {
            EXPECT_TRUE(message.text.starts_with(head)) << message.text;
            EXPECT_EQ(message.title, "Error");
        }
    }

    // Every byte value, then pseudo-random bytes with many line ends and "=" signs.
    static std::string BinaryBytes() {
        std::string bytes;
        for (int c = 0; c < 256; ++c) {
            bytes += static_cast<char>(c);
        }
        uint32_t state = 12345;
        for (int i = 0; i < 20000; ++i) {
            state = state * 1103515245u + 12345u;
            const uint32_t r = state >> 16;
            bytes += r % 7 == 0 ? '\n' : r % 11 == 0 ? '=' : static_cast<char>(r & 0xFF);
        }
        return bytes;
    }

    std::string Block(const std::string& name, const std::string& keys = "") const {
        return "[Application]\nAppName=" + name + "\nParentFolderDN=Applications\n" + keys +
               "[Icon]\nIcon=" + PathOf("icon.ico") + "\n";
    }

    std::set<std::string> before_;  // the scratch folders before the test's own work
};

}  // namespace files_test
