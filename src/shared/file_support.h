// Small steps the four file procedures share: the 16-bit application counter, the progress
// bar step, the status text of an application, a path in a folder, blanks trimming, and
// closing a stream inside a failure handler.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace settings {
class TextStream;
}

namespace shared {

class Feedback;

// Error 91, raised where a line needs an application and none has been started.
[[noreturn]] void ThrowObjectNotSet();

// The counter plus one; past 32767 it is error 6 "Overflow".
int16_t CountOne(int16_t counter);

// Reads the bar's value, adds 99 divided by the count, and stores the sum.
void AdvanceProgress(Feedback& feedback, int16_t count);

// The text from its 14th character on: a distinguished name without "Applications/".
std::string StatusName(std::string_view distinguishedName);

// The path of `name` inside `folder`.
std::string Path(std::string_view folder, std::string_view name);

// Blanks (spaces) removed at both ends, or at the right end only.
std::string TrimBlanks(std::string_view text);
std::string TrimRightBlanks(std::string_view text);

// Closes a stream after a failure has been reported; a second failure of the file is not
// reported.
void CloseQuietly(settings::TextStream* stream);

}  // namespace shared
