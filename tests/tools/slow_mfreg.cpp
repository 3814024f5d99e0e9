// A connection tool for the logon tests that takes its time. Started by the logon dialog as
// mfreg.exe, it looks at the dialog while the dialog waits for it and notes in
// "slow-tool.log" beside itself:
//   start ARGUMENT
//   seen ARGUMENT: answered repainted busy disabled   (each word only when it held)
// The dialog answers when a message sent to it is handled within a few seconds, has repainted
// when the region the tool invalidated is painted, is busy when it answers WM_SETCURSOR with
// the hourglass, and is disabled when it takes no input. The first run also sends the dialog
// a second click on "&Passtrough", which must do nothing.
// With the argument "/hold" it does nothing but sleep for eight seconds.
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

constexpr UINT kAnswerLimitMs = 5000;

std::wstring OwnFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L'\\'));
}

int LinesIn(const std::wstring& file) {
    std::ifstream in{std::filesystem::path(file)};
    int lines = 0;
    for (std::string line; std::getline(in, line);) {
        ++lines;
    }
    return lines;
}

void Append(const std::wstring& file, const std::string& line) {
    std::ofstream(std::filesystem::path(file), std::ios::app) << line << "\n";
}

bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR& result) {
    return SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kAnswerLimitMs,
                               &result) != 0;
}

// Polls `done` for up to the answer limit.
template <class Check>
bool Eventually(Check done) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kAnswerLimitMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR arguments, int) {
    const std::wstring argument(arguments);
    if (argument == L"/hold") {
        std::this_thread::sleep_for(std::chrono::seconds(8));
        return 0;
    }
    const std::string shown(argument.begin(), argument.end());
    const std::wstring log = OwnFolder() + L"\\slow-tool.log";
    const bool firstRun = LinesIn(log) == 0;
    Append(log, "start " + shown);

    HWND dialog = nullptr;
    Eventually(
        [&] { return (dialog = FindWindowW(nullptr, L"Log on to Server Farm")) != nullptr; });
    std::string seen = "seen " + shown + ":";
    DWORD_PTR result = 0;
    if (dialog != nullptr && Send(dialog, WM_NULL, 0, 0, result)) {
        seen += " answered";
    }
    if (dialog != nullptr) {
        RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
        if (Eventually([&] { return !GetUpdateRect(dialog, nullptr, FALSE); })) {
            seen += " repainted";
        }
        if (Send(dialog, WM_SETCURSOR, reinterpret_cast<WPARAM>(dialog),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE), result) &&
            result == TRUE) {
            seen += " busy";
        }
        if (!IsWindowEnabled(dialog)) {
            seen += " disabled";
        }
        if (HWND button = FindWindowExW(dialog, nullptr, L"Button", L"&Passtrough");
            firstRun && button != nullptr) {
            // What the button sends its dialog when it is clicked.
            Send(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button), result);
        }
    }
    Append(log, seen);
    return 0;
}
