// An error of the text files and the file system, carrying the conventional automation
// runtime error number (6 Overflow, 13 Type mismatch, 53 File not found, ...).
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>

namespace settings {

inline constexpr int32_t kErrInvalidProcedureCall = 5;
inline constexpr int32_t kErrOverflow = 6;
inline constexpr int32_t kErrTypeMismatch = 13;
inline constexpr int32_t kErrBadFileName = 52;  // also: a stream used after Close
inline constexpr int32_t kErrFileNotFound = 53;
inline constexpr int32_t kErrBadFileMode = 54;  // reading a stream opened for writing, ...
inline constexpr int32_t kErrFileAlreadyExists = 58;
inline constexpr int32_t kErrDiskFull = 61;
inline constexpr int32_t kErrInputPastEnd = 62;
inline constexpr int32_t kErrPermissionDenied = 70;
inline constexpr int32_t kErrPathFileAccess = 75;
inline constexpr int32_t kErrPathNotFound = 76;
inline constexpr int32_t kErrCancel = 32755;

class RuntimeError : public std::runtime_error {
public:
    RuntimeError(int32_t number, std::string description)
        : std::runtime_error(description), number_(number), description_(std::move(description)) {}
    int32_t number() const noexcept { return number_; }
    const std::string& description() const noexcept { return description_; }

private:
    int32_t number_;
    std::string description_;
};

}  // namespace settings
