// Functions labfarm.dll exports for tests and benchmarks in the same process (find them
// with GetModuleHandleW(L"labfarm.dll") and GetProcAddress after the first object is
// created). Texts are UTF-8. None of them throws.
#pragma once

namespace labcom::hooks {

// The Invoke and GetIDsOfNames calls the dll's objects received.
using GetCallCounts = void (*)(long long* invokes, long long* getIdsOfNames);
inline constexpr const char* kGetCallCounts = "LabFarm_GetCallCounts";
using ResetCallCounts = void (*)();
inline constexpr const char* kResetCallCounts = "LabFarm_ResetCallCounts";
// The names the dll's objects answered as unknown since the last ResetCallCounts, one line
// each: "Kind.Name count". Copies at most `size` bytes with a closing NUL into `buffer` and
// returns the length of the whole text.
using GetUnknownNames = int (*)(char* buffer, int size);
inline constexpr const char* kGetUnknownNames = "LabFarm_GetUnknownNames";

// The fault injector of the dll's lab farm: calls of the farm interface, counted from 1.
using FailCall = void (*)(long long callNumber, int number, const char* description);
inline constexpr const char* kFailCall = "LabFarm_FailCall";
using FailOperation = void (*)(const char* operation, int number, const char* description);
inline constexpr const char* kFailOperation = "LabFarm_FailOperation";
using ClearFaults = void (*)();
inline constexpr const char* kClearFaults = "LabFarm_ClearFaults";
using CallCount = long long (*)();
inline constexpr const char* kCallCount = "LabFarm_CallCount";
using ResetCallCount = void (*)();
inline constexpr const char* kResetCallCount = "LabFarm_ResetCallCount";

}  // namespace labcom::hooks
