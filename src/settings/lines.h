// The line-level rules of the farm file and the server file, as the writers and readers
// apply them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace settings {

class TextStream;

// Writing: each line ends in CR LF (the stream adds it).
void WriteKeyLine(TextStream& stream, std::string_view key, std::string_view value);

enum class Header { None, Farm, Application, Servers, Users, Groups, Icon };

// The whole line, in upper case, against "[FARM]", "[APPLICATION]", "[SERVERS]", "[USERS]",
// "[GROUPS]", "[ICON]". No trimming.
Header ClassifyHeader(std::string_view line);

struct KeyLine {
    std::string key;
    std::string value;
};

// A key line has its first "=" at the second character or later. The key is the text before
// it; the value is the rest of the line. Neither is trimmed.
std::optional<KeyLine> SplitKeyLine(std::string_view line);

// Conversion of a value to a 32-bit or 16-bit signed integer: optional sign and surrounding
// blanks, a fraction rounded half to even. Not a number: error 13; out of range: error 6.
int32_t ToInt32(std::string_view text);
int16_t ToInt16(std::string_view text);

// A value divided by 1024, written without a fraction when whole, else with up to 15
// significant digits and the regional decimal separator.
std::string FormatKilobytes(int32_t value);

// User and group entries: "first:second:text1:text2".
std::string JoinEntry(int32_t first, int32_t second, std::string_view text1,
                      std::string_view text2);
// Splits on every ":".
std::vector<std::string> SplitEntry(std::string_view value);

}  // namespace settings
