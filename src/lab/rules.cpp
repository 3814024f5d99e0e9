#include "lab/rules.h"

#include <array>
#include <utility>

#include "base/error.h"
#include "farm/farm.h"

namespace lab {

namespace {

constexpr int32_t Hresult(uint32_t value) {
    return static_cast<int32_t>(value);
}

// Indexed by Rule; keep in the order of the enumeration and of the list in rules.h.
constexpr std::array<int32_t, 27> kNumbers = {
    Hresult(0x80040201),     // kFarmUnreachable
    Hresult(0x80040202),     // kBadTypeCode
    Hresult(0x80040203),     // kNotInitialized
    Hresult(0x80040204),     // kSettingNotReported
    base::kErrUnknownName,   // kUnknownName
    base::kErrTypeMismatch,  // kTypeMismatch
    base::kErrOverflow,      // kOverflow
    Hresult(0x80040205),     // kApplicationNotFound
    Hresult(0x80040206),     // kServerNotFound
    Hresult(0x80040207),     // kInvalidAppName
    Hresult(0x80040208),     // kDuplicateAppName
    Hresult(0x80040209),     // kFolderNotFound
    Hresult(0x8004020A),     // kAlreadyBound
    Hresult(0x8004020B),     // kBindingMismatch
    Hresult(0x8004020C),     // kNotBound
    Hresult(0x8004020D),     // kUnknownAccount
    Hresult(0x8004020E),     // kDuplicateAccount
    Hresult(0x8004020F),     // kIconWriteFailed
    Hresult(0x80040210),     // kIconFileUnreadable
    Hresult(0x80040211),     // kNotAnIcon
    Hresult(0x80040212),     // kFolderExists
    Hresult(0x80040213),     // kInvalidFolderName
    Hresult(0x80040214),     // kReadOnlyKey
    Hresult(0x80040215),     // kZoneNotFound
    Hresult(0x80040216),     // kStoreIo
    Hresult(0x80040217),     // kUnknownAccountKind
    Hresult(0x80040218),     // kWindowSizeBeforeType
};

static_assert(kNumbers.size() == static_cast<size_t>(Rule::kWindowSizeBeforeType) + 1);

}  // namespace

int32_t RuleNumber(Rule rule) {
    return kNumbers.at(static_cast<size_t>(rule));
}

void Refuse(Rule rule, std::string description) {
    throw farm::FarmError(RuleNumber(rule), std::move(description));
}

std::string Quoted(const std::string& text) {
    return "'" + text + "'";
}

}  // namespace lab
