#include "lab/mfreg/arguments.h"

namespace mfreg {

namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

// Where an unquoted program path ends that holds blanks ("C:\\Some Folder\\mfreg.exe NAME"):
// after the first ".exe" that a blank or the end of the line follows.
size_t ExeEnd(std::wstring_view line) {
    for (size_t at = 0; at + 4 <= line.size(); ++at) {
        const bool exe = line[at] == L'.' && (line[at + 1] | 0x20) == L'e' &&
                         (line[at + 2] | 0x20) == L'x' && (line[at + 3] | 0x20) == L'e';
        if (exe && (at + 4 == line.size() || IsBlank(line[at + 4]))) {
            return at + 4;
        }
    }
    return std::wstring_view::npos;
}

// The command line after the program name and the blanks that follow it.
std::wstring_view AfterProgram(std::wstring_view line) {
    size_t i = 0;
    if (!line.empty() && line[0] == L'"') {
        i = line.find(L'"', 1);
        i = i == std::wstring_view::npos ? line.size() : i + 1;
    } else if (size_t exe = ExeEnd(line); exe != std::wstring_view::npos) {
        i = exe;
    } else {
        while (i < line.size() && !IsBlank(line[i])) {
            ++i;
        }
    }
    while (i < line.size() && IsBlank(line[i])) {
        ++i;
    }
    return line.substr(i);
}

}  // namespace

Request ParseCommandLine(std::wstring_view commandLine) {
    std::wstring_view rest = AfterProgram(commandLine);
    if (rest.size() >= 2 && rest[0] == L'/' && (rest[1] == L'u' || rest[1] == L'U')) {
        return {Request::Action::Disconnect, std::wstring(rest.substr(2))};
    }
    if (rest.size() >= 2 && rest.front() == L'"' && rest.back() == L'"') {
        rest = rest.substr(1, rest.size() - 2);
    }
    if (rest.empty()) {
        return {};
    }
    return {Request::Action::Connect, std::wstring(rest)};
}

}  // namespace mfreg
