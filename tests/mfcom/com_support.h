// What the tests of the COM path share: COM initialised for the whole test program, the
// workstation's lab-farm setting pointed at a test store and put back afterwards, the test
// hooks of the registered labfarm.dll, and the paths of the programs built with the tests.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>

#include "farm/mfcom/members.h"
#include "lab/com/hooks.h"
#include "lab/com/lab_client.h"
#include "lab/com/workstation.h"
#include "win/com.h"
#include "win/handles.h"

namespace comtest {

// COM, apartment-threaded, from before the first test to after the last one.
class ComEnvironment : public ::testing::Environment {
  public:
    void SetUp() override { com_ = std::make_unique<win::ComInit>(); }
    void TearDown() override { com_.reset(); }

  private:
    std::unique_ptr<win::ComInit> com_;
};

inline const bool kComEnvironmentAdded = [] {
    ::testing::AddGlobalTestEnvironment(new ComEnvironment);  // gtest owns it
    return true;
}();

using labcom::Hook;
using labcom::LabFarmModule;
using labcom::ScopedLabSetting;

struct DllCounts {
    long long invokes = 0;
    long long getIdsOfNames = 0;
};

inline DllCounts ReadDllCounts() {
    DllCounts counts;
    Hook<labcom::hooks::GetCallCounts>(labcom::hooks::kGetCallCounts)(&counts.invokes,
                                                                      &counts.getIdsOfNames);
    return counts;
}

// The folder of the test program; the programs built with it lie below its parent.
inline std::filesystem::path BuildFolder() {
    wchar_t path[MAX_PATH * 4] = {};
    GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
    return std::filesystem::path(path).parent_path().parent_path();
}

// Runs a program with the whole command line given (program name first), in the working
// folder given (none: this one), and returns its exit code; 255 when it does not start or
// does not end within a minute. With `errorFile` or `outputFile`, the program's standard
// error or output goes there.
inline DWORD RunProcess(const std::filesystem::path& exe, std::wstring commandLine,
                        const std::filesystem::path& workingFolder = {},
                        const std::filesystem::path& errorFile = {},
                        const std::filesystem::path& outputFile = {}) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    win::KernelHandle error;
    win::KernelHandle output;
    const auto create = [](const std::filesystem::path& file, win::KernelHandle& handle) {
        SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
        const HANDLE created = CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited,
                                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (created == INVALID_HANDLE_VALUE) {
            ADD_FAILURE() << "cannot create " << file.string();
            return false;
        }
        handle = win::KernelHandle(created);
        return true;
    };
    const bool redirected = !errorFile.empty() || !outputFile.empty();
    if (redirected) {
        if ((!errorFile.empty() && !create(errorFile, error)) ||
            (!outputFile.empty() && !create(outputFile, output))) {
            return 255;
        }
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = output ? output.get() : GetStdHandle(STD_OUTPUT_HANDLE);
        startup.hStdError = error ? error.get() : GetStdHandle(STD_ERROR_HANDLE);
    }
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, redirected, 0, nullptr,
                        workingFolder.empty() ? nullptr : workingFolder.c_str(), &startup,
                        &process)) {
        ADD_FAILURE() << exe.string() << " does not start: " << GetLastError();
        return 255;
    }
    const win::KernelHandle processHandle(process.hProcess);
    const win::KernelHandle threadHandle(process.hThread);
    DWORD code = 255;
    if (WaitForSingleObject(processHandle.get(), 60000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(processHandle.get(), &code);
    }
    return code;
}

// Runs the zelttool.exe built with the tests with `arguments`, as RunProcess runs a program.
inline DWORD RunZelttool(const std::wstring& arguments,
                         const std::filesystem::path& workingFolder = {},
                         const std::filesystem::path& errorFile = {},
                         const std::filesystem::path& outputFile = {}) {
    const auto exe = BuildFolder() / "src" / "app" / "zelttool.exe";
    EXPECT_TRUE(std::filesystem::exists(exe)) << "not built: " << exe.string();
    return RunProcess(exe, L"zelttool.exe " + arguments, workingFolder, errorFile, outputFile);
}

// A file's bytes; empty when it cannot be read.
inline std::string FileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

}  // namespace comtest
