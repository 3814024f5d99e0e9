#include <cstdlib>
#include <utility>

#include "lab/lab.h"

namespace lab {

void FaultInjector::FailCall(int64_t callNumber, int32_t number, std::string description) {
    byCall_[callNumber] = Planned{number, std::move(description)};
}

void FaultInjector::FailOperation(std::string operation, int32_t number, std::string description) {
    byOperation_[std::move(operation)] = Planned{number, std::move(description)};
}

void FaultInjector::Clear() {
    byCall_.clear();
    byOperation_.clear();
}

void FaultInjector::ResetCount() {
    calls_ = 0;
}

int64_t FaultInjector::CallCount() const {
    return calls_;
}

void FaultInjector::EndProcessAtCall(int64_t callNumber) {
    endAt_ = callNumber;
}

void FaultInjector::OnCall(const char* operation) {
    ++calls_;
    if (calls_ == endAt_) {
        std::_Exit(kEndedByFault);  // as a killed program ends: nothing unwinds
    }
    if (const auto byCall = byCall_.find(calls_); byCall != byCall_.end()) {
        throw farm::FarmError(byCall->second.number, byCall->second.description);
    }
    if (const auto byName = byOperation_.find(std::string_view(operation));
        byName != byOperation_.end()) {
        throw farm::FarmError(byName->second.number, byName->second.description);
    }
}

}  // namespace lab
