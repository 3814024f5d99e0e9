// Paths as the program holds them: UTF-8 text, converted to the system's form at the edge.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace base {

inline std::string Utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// Throws std::system_error where the system cannot hold the name (invalid UTF-8 on Windows).
inline std::filesystem::path PathOf(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

}  // namespace base
