// The changes a store worker makes, in the order it makes them, so that the test that runs
// it knows each change from its serial number alone.
#pragma once

#include <string>

namespace store_test {

enum class ChangeKind { kAddApplication, kSetSetting, kRewriteDescription };

// Serial 0, 3, 6, ... adds an application; 1, 4, ... sets the worker's farm setting to the
// serial; 2, 5, ... rewrites the description of the worker's busy application (one that
// exists already) with a long text, so that the journal grows and is compacted now and then.
inline ChangeKind KindOf(int serial) {
    return static_cast<ChangeKind>(serial % 3);
}

inline std::string AddedNameOf(const std::string& tag, int serial) {
    return tag + "-" + std::to_string(serial);
}

inline std::string DescriptionOf(const std::string& tag, int serial) {
    if (KindOf(serial) == ChangeKind::kAddApplication) {
        return "new " + AddedNameOf(tag, serial);
    }
    return tag + " #" + std::to_string(serial) + std::string(32 * 1024, '.');
}

}  // namespace store_test
