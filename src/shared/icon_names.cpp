#include "shared/icon_names.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "settings/ansi.h"

namespace shared {

namespace {

// Leaves room for " (NNNNN).ico" within the 255 characters of a file name.
constexpr size_t kMaxBaseBytes = 120;

constexpr std::string_view kForbidden = "\\/:*?\"<>|";

// Length of the UTF-8 sequence that starts at text[pos], or 0 when it is not valid.
size_t SequenceLength(std::string_view text, size_t pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    size_t length = 0;
    uint32_t minimum = 0;
    uint32_t code = 0;
    if (lead < 0x80) {
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        minimum = 0x80;
        code = lead & 0x1Fu;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        minimum = 0x800;
        code = lead & 0x0Fu;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        minimum = 0x10000;
        code = lead & 0x07u;
    } else {
        return 0;
    }
    if (pos + length > text.size()) {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[pos + i]);
        if ((byte & 0xC0) != 0x80) {
            return 0;
        }
        code = (code << 6) | (byte & 0x3Fu);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return 0;
    }
    return length;
}

bool AnsiCanHold(std::string_view character) {
    return settings::AnsiToUtf8(settings::Utf8ToAnsi(character)) == character;
}

// Characters first: every unusable one becomes "_".
std::string ReplaceUnsafeCharacters(std::string_view name) {
    std::string out;
    size_t pos = 0;
    while (pos < name.size()) {
        const size_t length = SequenceLength(name, pos);
        if (length == 0) {
            out += '_';
            ++pos;
            continue;
        }
        const std::string_view character = name.substr(pos, length);
        pos += length;
        if (length == 1) {
            const auto c = static_cast<unsigned char>(character[0]);
            out += (c < 0x20 || kForbidden.find(character[0]) != std::string_view::npos)
                       ? '_'
                       : character[0];
        } else {
            out += AnsiCanHold(character) ? std::string(character) : std::string("_");
        }
        if (out.size() > kMaxBaseBytes) {
            break;
        }
    }
    if (out.size() > kMaxBaseBytes) {
        size_t cut = kMaxBaseBytes;
        while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        out.resize(cut);
    }
    return out;
}

void ReplaceDotRuns(std::string& name) {
    for (size_t i = 0; i < name.size();) {
        if (name[i] != '.') {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < name.size() && name[end] == '.') {
            ++end;
        }
        if (end - i > 1) {
            name.replace(i, end - i, end - i, '_');
        }
        i = end;
    }
}

void ReplaceTrailingDotsAndBlanks(std::string& name) {
    for (size_t i = name.size(); i > 0 && (name[i - 1] == '.' || name[i - 1] == ' '); --i) {
        name[i - 1] = '_';
    }
}

char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsReservedDeviceName(std::string_view stem) {
    std::string upper;
    for (char c : stem) {
        upper += AsciiUpper(c);
    }
    while (!upper.empty() && upper.back() == ' ') {
        upper.pop_back();
    }
    static constexpr std::array<std::string_view, 4> kPlain{"CON", "PRN", "AUX", "NUL"};
    for (std::string_view reserved : kPlain) {
        if (upper == reserved) {
            return true;
        }
    }
    return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) &&
           upper[3] >= '1' && upper[3] <= '9';
}

constexpr std::string_view kExtension = ".ico";

// Windows compares file names without regard to case: ASCII and the Latin-1 letters.
std::string Fold(std::string_view name) {
    std::string folded(name);
    for (size_t i = 0; i < folded.size(); ++i) {
        const auto c = static_cast<unsigned char>(folded[i]);
        if (c >= 'A' && c <= 'Z') {
            folded[i] = static_cast<char>(c - 'A' + 'a');
        } else if (c == 0xC3 && i + 1 < folded.size()) {
            const auto next = static_cast<unsigned char>(folded[i + 1]);
            if (next >= 0x80 && next <= 0x9E && next != 0x97) {
                folded[i + 1] = static_cast<char>(next + 0x20);
            }
            ++i;
        }
    }
    return folded;
}

}  // namespace

std::string SafeIconBaseName(std::string_view appName) {
    std::string name = ReplaceUnsafeCharacters(appName);
    ReplaceDotRuns(name);
    ReplaceTrailingDotsAndBlanks(name);
    if (name.empty()) {
        return "_";
    }
    const size_t stemEnd = std::min(name.find('.'), name.size());
    if (IsReservedDeviceName(std::string_view(name).substr(0, stemEnd))) {
        return name.substr(0, stemEnd) + "_" + name.substr(stemEnd);
    }
    return name;
}

std::string IconNames::Claim(std::string_view appName) {
    const std::string base = SafeIconBaseName(appName);
    std::string candidate = base;
    for (int n = 2; used_.contains(Fold(candidate)); ++n) {
        candidate = base + " (" + std::to_string(n) + ")";
    }
    used_.insert(Fold(candidate));
    return candidate.append(kExtension);
}

bool IconNames::Claimed(std::string_view fileName) const {
    const std::string folded = Fold(fileName);
    return folded.ends_with(kExtension) &&
           used_.contains(folded.substr(0, folded.size() - kExtension.size()));
}

}  // namespace shared
