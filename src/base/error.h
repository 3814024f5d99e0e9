// The one error of the program: a number and a description. The farm raises it with its
// HRESULT (a negative number) or a runtime error number; the files, the text conversions
// and the windows raise it with the conventional runtime error numbers below. Header only,
// below every other folder, so that the farm interface and the file primitives share it.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>

namespace base {

class Error : public std::runtime_error {
  public:
    Error(int32_t number, std::string description)
        : std::runtime_error(description), number_(number), description_(std::move(description)) {}
    int32_t number() const noexcept { return number_; }
    const std::string& description() const noexcept { return description_; }

  private:
    int32_t number_;
    std::string description_;
};

// The conventional runtime error numbers the program raises and reports.
inline constexpr int32_t kErrInvalidArgument = 5;  // "Invalid procedure call or argument"
inline constexpr int32_t kErrOverflow = 6;
inline constexpr int32_t kErrOutOfMemory = 7;
inline constexpr int32_t kErrSubscriptOutOfRange = 9;
inline constexpr int32_t kErrTypeMismatch = 13;
inline constexpr int32_t kErrInternal = 51;
inline constexpr int32_t kErrBadFileName = 52;  // also: a stream used after Close
inline constexpr int32_t kErrFileNotFound = 53;
inline constexpr int32_t kErrBadFileMode = 54;  // reading a stream opened for writing, ...
inline constexpr int32_t kErrFileAlreadyExists = 58;
inline constexpr int32_t kErrDiskFull = 61;
inline constexpr int32_t kErrInputPastEnd = 62;
inline constexpr int32_t kErrPermissionDenied = 70;
inline constexpr int32_t kErrPathFileAccess = 75;
inline constexpr int32_t kErrPathNotFound = 76;
inline constexpr int32_t kErrObjectNotSet = 91;
inline constexpr int32_t kErrInvalidUseOfNull = 94;
inline constexpr int32_t kErrInvalidPropertyArrayIndex = 381;
inline constexpr int32_t kErrCancel = 32755;  // a cancelled file dialog

// The farm's number for a member or setting name it does not know at all
// (DISP_E_UNKNOWNNAME, 0x80020006, as a signed 32-bit number).
inline constexpr int32_t kErrUnknownName = -2147352570;

// The farm does not know the name: it has no such member or setting (an older farm, or
// another version of the object model).
inline bool IsUnknownName(const Error& error) {
    return error.number() == kErrUnknownName;
}

}  // namespace base
