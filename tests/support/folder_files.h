// Every file below a folder with its bytes: what a test compares to prove that a failed run
// left a folder exactly as it was.
#pragma once

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace testing_support {

// A file's bytes; empty when it cannot be read.
inline std::string FileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// By the path below the folder ("icons/Word.ico").
inline std::map<std::string, std::string> FilesBelow(const std::filesystem::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            std::ifstream in(entry.path(), std::ios::binary);
            std::ostringstream bytes;
            bytes << in.rdbuf();
            files[std::filesystem::relative(entry.path(), folder).generic_string()] = bytes.str();
        }
    }
    return files;
}

}  // namespace testing_support
