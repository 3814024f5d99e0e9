#include "settings/lines.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <limits>
#include <utility>

#include "base/error.h"
#include "settings/file_system.h"

#ifdef _WIN32
#include <windows.h>

#include "win/text.h"

#endif

namespace settings {
namespace {

constexpr std::array<std::pair<std::string_view, Header>, 6> kHeaders = {{
    {"[FARM]", Header::Farm},
    {"[APPLICATION]", Header::Application},
    {"[SERVERS]", Header::Servers},
    {"[USERS]", Header::Users},
    {"[GROUPS]", Header::Groups},
    {"[ICON]", Header::Icon},
}};

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The user's decimal separator; "." in the portable build.
std::string DecimalSeparator() {
#ifdef _WIN32
    std::array<wchar_t, 8> buffer{};
    const int length = GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer.data(),
                                      static_cast<int>(buffer.size()));
    if (length > 1) {
        std::string separator = win::Narrow(std::wstring_view(buffer.data(), length - 1));
        // A separator that could be read as part of a number is no separator.
        bool usable = true;
        for (char c : separator) {
            usable = usable && !IsDigit(c) && !IsBlank(c) && c != '+' && c != '-';
        }
        if (usable) {
            return separator;
        }
    }
#endif
    return ".";
}

// Reads blanks, sign, digits and an optional fraction, and rounds the fraction half to even.
// Returns the magnitude capped just above any 32-bit value, so huge digit strings cannot
// overflow; the caller checks the range.
int64_t ParseRounded(std::string_view text) {
    constexpr int64_t kCap = int64_t{1} << 40;
    std::size_t i = 0;
    const std::size_t size = text.size();
    while (i < size && IsBlank(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < size && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int64_t magnitude = 0;
    bool anyDigit = false;
    for (; i < size && IsDigit(text[i]); ++i) {
        anyDigit = true;
        magnitude = std::min(kCap, magnitude * 10 + (text[i] - '0'));
    }
    int firstFraction = 0;
    bool restNonZero = false;
    if (i < size && !IsBlank(text[i])) {
        std::size_t separatorLength = 0;
        if (text[i] == '.') {
            separatorLength = 1;
        } else if (const std::string regional = DecimalSeparator();
                   text.substr(i).starts_with(regional)) {
            separatorLength = regional.size();
        }
        if (separatorLength > 0) {
            i += separatorLength;
            if (i < size && IsDigit(text[i])) {
                anyDigit = true;
                firstFraction = text[i] - '0';
                ++i;
            }
            for (; i < size && IsDigit(text[i]); ++i) {
                restNonZero = restNonZero || text[i] != '0';
            }
        }
    }
    while (i < size && IsBlank(text[i])) {
        ++i;
    }
    if (!anyDigit || i != size) {
        throw base::Error(base::kErrTypeMismatch, "Type mismatch");
    }
    const bool tie = firstFraction == 5 && !restNonZero;
    if (firstFraction > 5 || (firstFraction == 5 && restNonZero) || (tie && magnitude % 2 == 1)) {
        ++magnitude;
    }
    return negative ? -magnitude : magnitude;
}

template <typename Int>
Int ToInteger(std::string_view text) {
    const int64_t value = ParseRounded(text);
    if (value < std::numeric_limits<Int>::min() || value > std::numeric_limits<Int>::max()) {
        throw base::Error(base::kErrOverflow, "Overflow");
    }
    return static_cast<Int>(value);
}

// Adds one to the last digit of a decimal digit string; true when the carry runs out at the
// front ("999" becomes "000").
bool IncrementDigits(std::string& digits) {
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return false;
        }
        *it = '0';
    }
    return true;
}

}  // namespace

void WriteKeyLine(TextStream& stream, std::string_view key, std::string_view value) {
    std::string line;
    line.reserve(key.size() + 1 + value.size());
    line += key;
    line += '=';
    line += value;
    stream.WriteLine(line);
}

Header ClassifyHeader(std::string_view line) {
    std::string upper(line);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    for (const auto& [text, header] : kHeaders) {
        if (upper == text) {
            return header;
        }
    }
    return Header::None;
}

std::optional<KeyLine> SplitKeyLine(std::string_view line) {
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos || equals == 0) {
        return std::nullopt;
    }
    return KeyLine{std::string(line.substr(0, equals)), std::string(line.substr(equals + 1))};
}

int32_t ToInt32(std::string_view text) {
    return ToInteger<int32_t>(text);
}

int16_t ToInt16(std::string_view text) {
    return ToInteger<int16_t>(text);
}

std::string FormatKilobytes(int32_t value) {
    constexpr std::size_t kSignificant = 15;
    constexpr std::size_t kFractionDigits = 10;  // 1/1024 = 0.0009765625 exactly
    const uint64_t magnitude = value < 0 ? uint64_t{0} - static_cast<uint64_t>(int64_t{value})
                                         : static_cast<uint64_t>(value);
    const std::string sign = value < 0 ? "-" : "";
    const uint64_t remainder = magnitude % 1024;
    std::string integer = std::to_string(magnitude / 1024);
    if (remainder == 0) {
        return sign + integer;
    }
    // remainder / 1024 == remainder * 5^10 / 10^10, so the fraction has exactly ten digits.
    std::string fraction = std::to_string(remainder * 9765625);
    fraction.insert(0, kFractionDigits - fraction.size(), '0');

    std::string digits = integer + fraction;
    std::size_t point = integer.size();
    const std::size_t first = digits.find_first_not_of('0');
    const std::size_t end = first + kSignificant;
    if (end < digits.size()) {
        // Round to 15 significant digits, half to even.
        const char next = digits[end];
        const bool restNonZero = digits.find_first_not_of('0', end + 1) != std::string::npos;
        const bool lastOdd = (digits[end - 1] - '0') % 2 == 1;
        const bool up = next > '5' || (next == '5' && (restNonZero || lastOdd));
        digits.resize(end);
        if (up && IncrementDigits(digits)) {
            digits.insert(digits.begin(), '1');
            ++point;
        }
        if (digits.size() < point) {
            digits.append(point - digits.size(), '0');
        }
    }
    integer = digits.substr(0, point);
    fraction = digits.substr(point);
    integer.erase(0, std::min(integer.find_first_not_of('0'), integer.size() - 1));
    fraction.erase(std::min(fraction.find_last_not_of('0') + 1, fraction.size()));
    if (fraction.empty()) {
        return sign + integer;
    }
    return sign + integer + DecimalSeparator() + fraction;
}

std::string JoinEntry(int32_t first, int32_t second, std::string_view text1,
                      std::string_view text2) {
    std::string entry = std::to_string(first);
    entry += ':';
    entry += std::to_string(second);
    entry += ':';
    entry += text1;
    entry += ':';
    entry += text2;
    return entry;
}

std::vector<std::string> SplitEntry(std::string_view value) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t colon = value.find(':', start);
        if (colon == std::string_view::npos) {
            fields.emplace_back(value.substr(start));
            return fields;
        }
        fields.emplace_back(value.substr(start, colon - start));
        start = colon + 1;
    }
}

}  // namespace settings
