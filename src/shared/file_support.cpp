#include "shared/file_support.h"

#include <limits>

#include "base/error.h"
#include "settings/file_system.h"
#include "shared/feedback.h"

namespace shared {

namespace {
constexpr size_t kStatusSkip = 13;  // the characters of "Applications/"

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}
}  // namespace

void ThrowObjectNotSet() {
    throw base::Error(base::kErrObjectNotSet, "Object variable or With block variable not set");
}

int16_t CountOne(int16_t counter) {
    if (counter == std::numeric_limits<int16_t>::max()) {
        throw base::Error(base::kErrOverflow, "Overflow");
    }
    return static_cast<int16_t>(counter + 1);
}

void AdvanceProgress(Feedback& feedback, int16_t count) {
    const double next = static_cast<double>(feedback.ProgressValue()) + 99.0 / count;
    feedback.SetProgressValue(static_cast<float>(next));
}

std::string StatusName(std::string_view distinguishedName) {
    // Counts characters, not bytes, so that a multi-byte character is never cut.
    size_t pos = 0;
    for (size_t skipped = 0; skipped < kStatusSkip && pos < distinguishedName.size(); ++skipped) {
        ++pos;
        while (pos < distinguishedName.size() && IsContinuationByte(distinguishedName[pos])) {
            ++pos;
        }
    }
    return std::string(distinguishedName.substr(pos));
}

std::string Path(std::string_view folder, std::string_view name) {
    std::string path(folder);
    path += settings::kPathSeparator;
    path += name;
    return path;
}

std::string TrimRightBlanks(std::string_view text) {
    const size_t end = text.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string() : std::string(text.substr(0, end + 1));
}

std::string TrimBlanks(std::string_view text) {
    const size_t begin = text.find_first_not_of(' ');
    if (begin == std::string_view::npos) {
        return {};
    }
    return TrimRightBlanks(text.substr(begin));
}

void CloseQuietly(settings::TextStream* stream) {
    if (stream == nullptr) {
        return;
    }
    try {
        stream->Close();
    } catch (const base::Error&) {
        // The failure that brought us here has been reported already.
    }
}

}  // namespace shared
