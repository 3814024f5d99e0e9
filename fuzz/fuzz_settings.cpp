// The line-level primitives and the ANSI text stream on arbitrary bytes, against simple
// reference versions where one exists. The first byte picks the primitive.
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "base/error.h"
#include "fuzz_support.h"
#include "settings/ansi.h"
#include "settings/file_system.h"
#include "settings/lines.h"

namespace {

namespace fs = std::filesystem;

void CheckSplitKeyLine(std::string_view line) {
    const auto split = settings::SplitKeyLine(line);
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos || equals == 0) {
        if (split) {
            fuzz::Fail("a key line without a key");
        }
        return;
    }
    if (!split || split->key != line.substr(0, equals) || split->value != line.substr(equals + 1)) {
        fuzz::Fail("key line split wrongly");
    }
}

void CheckClassifyHeader(std::string_view line) {
    static const std::vector<std::pair<std::string_view, settings::Header>> kHeaders = {
        {"[FARM]", settings::Header::Farm},       {"[APPLICATION]", settings::Header::Application},
        {"[SERVERS]", settings::Header::Servers}, {"[USERS]", settings::Header::Users},
        {"[GROUPS]", settings::Header::Groups},   {"[ICON]", settings::Header::Icon}};
    std::string upper(line);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    const settings::Header got = settings::ClassifyHeader(line);
    for (const auto& [text, header] : kHeaders) {
        if (upper == text && got != header) {
            fuzz::Fail("header not recognised");
        }
    }
    // Anything else that is pure ASCII is no header.
    bool ascii = true;
    for (char c : line) {
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    }
    if (ascii && got != settings::Header::None) {
        bool known = false;
        for (const auto& [text, header] : kHeaders) {
            known = known || (upper == text && got == header);
        }
        if (!known) {
            fuzz::Fail("a header recognised that is none");
        }
    }
}

// Reference for the plain forms: blanks, sign, 1-12 digits, optional 1-6 fraction digits,
// blanks. Nullopt for anything else; the value before the range check otherwise.
std::optional<long double> ReferenceNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i++] == '-';
    }
    int64_t whole = 0;
    size_t digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        if (++digits <= 12) {
            whole = whole * 10 + (text[i] - '0');
        }
        ++i;
    }
    if (digits == 0 || digits > 12) {
        return std::nullopt;
    }
    int64_t fraction = 0;
    int64_t scale = 1;
    if (i < text.size() && text[i] == '.') {
        ++i;
        size_t fractionDigits = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            if (++fractionDigits <= 6) {
                fraction = fraction * 10 + (text[i] - '0');
                scale *= 10;
            }
            ++i;
        }
        if (fractionDigits == 0 || fractionDigits > 6) {
            return std::nullopt;
        }
    }
    while (i < text.size() && text[i] == ' ') {
        ++i;
    }
    if (i != text.size()) {
        return std::nullopt;
    }
    // Half to even on exact decimal arithmetic.
    int64_t rounded = whole;
    const int64_t twice = fraction * 2;
    if (twice > scale || (twice == scale && whole % 2 == 1)) {
        ++rounded;
    }
    return negative ? -static_cast<long double>(rounded) : static_cast<long double>(rounded);
}

template <typename Int, typename Convert>
void CheckToInt(std::string_view text, Convert convert, long double low, long double high) {
    std::optional<Int> got;
    int32_t error = 0;
    try {
        got = convert(text);
    } catch (const base::Error& failure) {
        error = failure.number();
        if (error != base::kErrTypeMismatch && error != base::kErrOverflow) {
            fuzz::Fail("conversion failed with error " + std::to_string(error));
        }
    }
    const auto expected = ReferenceNumber(text);
    if (!expected) {
        return;
    }
    if (*expected < low || *expected > high) {
        if (error != base::kErrOverflow) {
            fuzz::Fail("out of range not reported: '" + std::string(text) + "'");
        }
    } else if (!got || static_cast<long double>(*got) != *expected) {
        fuzz::Fail("wrong number for '" + std::string(text) + "'");
    }
}

void CheckSplitEntry(std::string_view value) {
    const std::vector<std::string> parts = settings::SplitEntry(value);
    std::string joined;
    for (size_t i = 0; i < parts.size(); ++i) {
        joined += (i == 0 ? "" : ":") + parts[i];
    }
    size_t colons = 0;
    for (char c : value) {
        colons += c == ':' ? 1 : 0;
    }
    if (joined != value || parts.size() != colons + 1) {
        fuzz::Fail("entry split wrongly");
    }
}

void CheckCodec(std::string_view bytes) {
    // Every byte is a character of the code page and comes back as itself.
    const std::string utf8 = settings::AnsiToUtf8(bytes);
    for (char32_t c : settings::DecodeUtf8(utf8)) {
        if (c == U'\uFFFD') {
            fuzz::Fail("ANSI text decoded to ill-formed UTF-8");
        }
    }
    if (settings::Utf8ToAnsi(utf8) != bytes) {
        fuzz::Fail("ANSI round trip lost bytes");
    }
    // Arbitrary bytes read as UTF-8: the conversion is stable after one step.
    const std::string ansi = settings::Utf8ToAnsi(bytes);
    if (settings::Utf8ToAnsi(settings::AnsiToUtf8(ansi)) != ansi) {
        fuzz::Fail("UTF-8 to ANSI not stable");
    }
}

// CR, LF and CR LF each end a line; a last line without a line end still counts.
std::vector<std::string> ReferenceLines(std::string_view bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' || bytes[i] == '\n') {
            lines.emplace_back(bytes.substr(start, i - start));
            if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < bytes.size()) {
        lines.emplace_back(bytes.substr(start));
    }
    return lines;
}

void CheckStream(std::string_view bytes) {
    // One scratch file per process, removed at exit.
    static const struct Scratch {
        fs::path path =
            fs::temp_directory_path() / ("zelt-fuzz-lines-" + std::to_string(::getpid()) + ".txt");
        ~Scratch() {
            std::error_code ignored;
            fs::remove(path, ignored);
        }
    } scratch;
    const fs::path& path = scratch.path;
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    const auto files = settings::CreateFileSystem();
    const auto stream = files->OpenTextFile(path.string());
    const std::vector<std::string> expected = ReferenceLines(bytes);
    size_t count = 0;
    while (!stream->AtEndOfStream()) {
        const std::string line = stream->ReadLine();
        if (count >= expected.size() || line != settings::AnsiToUtf8(expected[count])) {
            fuzz::Fail("line " + std::to_string(count) + " read wrongly");
        }
        ++count;
    }
    if (count != expected.size()) {
        fuzz::Fail("lines missing");
    }
    try {
        stream->ReadLine();
        fuzz::Fail("reading past the end succeeded");
    } catch (const base::Error& error) {
        if (error.number() != base::kErrInputPastEnd) {
            fuzz::Fail("reading past the end: error " + std::to_string(error.number()));
        }
    }
    stream->Close();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (data[0] % 8) {
        case 0:
            CheckSplitKeyLine(text);
            break;
        case 1:
            CheckClassifyHeader(text);
            break;
        case 2:
            CheckToInt<int32_t>(text, settings::ToInt32, -2147483648.0L, 2147483647.0L);
            break;
        case 3:
            CheckToInt<int16_t>(text, settings::ToInt16, -32768.0L, 32767.0L);
            break;
        case 4:
            CheckSplitEntry(text);
            break;
        case 5:
            CheckCodec(text);
            break;
        default:
            CheckStream(text);
            break;
    }
    return 0;
}
