#include "forms/ui/seams.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "base/error.h"
#include "forms/ui/text.h"
#include "win/handles.h"
#include "win/system_message.h"
#include "win/text.h"

namespace ui {

namespace {

// Waits until the object is signalled or the time limit passes, dispatching the thread's
// messages meanwhile, so that its windows repaint and answer. A WM_QUIT ends the wait and is
// posted again for the message loop.
void WaitHandlingMessages(HANDLE object, std::chrono::milliseconds timeLimit) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline =
        Clock::now() + std::max(timeLimit, std::chrono::milliseconds::zero());
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        const DWORD timeout =
            left <= 0 ? 0 : static_cast<DWORD>(std::min<long long>(left, INFINITE - 1));
        const DWORD woke =
            MsgWaitForMultipleObjectsEx(1, &object, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woke != WAIT_OBJECT_0 + 1) {
            return;  // signalled, timed out or failed
        }
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (Clock::now() >= deadline) {
            return;
        }
    }
}

}  // namespace

std::wstring DialogFilter(const std::string& filter) {
    std::wstring out = win::Widen(filter);
    for (wchar_t& c : out) {
        if (c == L'|') {
            c = L'\0';
        }
    }
    out.push_back(L'\0');
    out.push_back(L'\0');
    return out;
}

std::string QuoteProgram(const std::string& program) {
    if (program.find_first_of(" \t") == std::string::npos) {
        return program;
    }
    return "\"" + program + "\"";
}

void Win32MessageBoxes::Show(HWND owner, const std::string& text, const std::string& title,
                             shared::MessageIcon icon) {
    UINT style = MB_OK | MB_APPLMODAL;
    switch (icon) {
        case shared::MessageIcon::Information:
            style |= MB_ICONINFORMATION;
            break;
        case shared::MessageIcon::Warning:
            style |= MB_ICONWARNING;
            break;
        case shared::MessageIcon::Critical:
            style |= MB_ICONERROR;
            break;
    }
    // The text goes as it is: the box breaks its lines at a lone CR as well as at CR LF.
    MessageBoxW(owner, win::Widen(text).c_str(), win::Widen(title).c_str(), style);
}

std::optional<std::string> Win32FileDialogs::Show(const FileDialogRequest& request) {
    std::vector<wchar_t> file(32768, L'\0');
    const std::wstring proposed = win::Widen(request.fileName);
    if (proposed.size() < file.size()) {
        std::copy(proposed.begin(), proposed.end(), file.begin());
    }
    const std::wstring filter = DialogFilter(request.filter);
    const std::wstring title = win::Widen(request.title);
    const std::wstring folder = win::Widen(request.initialFolder);

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = request.owner;
    ofn.lpstrFilter = request.filter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
    // The working directory stays where it is: the icons folder and the connection tool are
    // found through it.
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;

    const BOOL chosen = request.save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    if (!chosen) {
        const DWORD error = CommDlgExtendedError();
        if (error != 0) {
            throw base::Error(base::kErrInvalidArgument,
                              "The file dialog failed (error " + std::to_string(error) + ").");
        }
        return std::nullopt;
    }
    return win::Narrow(file.data());
}

void Win32ProcessLauncher::Run(const LaunchRequest& request, std::chrono::milliseconds timeLimit) {
    const std::wstring program = win::Widen(request.program);
    std::wstring commandLine = win::Widen(request.commandLine);
    commandLine.push_back(L'\0');

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWMINIMIZED;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            throw base::Error(base::kErrFileNotFound, "File not found");
        }
        if (error == ERROR_ACCESS_DENIED) {
            throw base::Error(base::kErrPermissionDenied, "Permission denied");
        }
        throw base::Error(base::kErrInvalidArgument, win::SystemMessage(error));
    }
    win::KernelHandle processHandle(process.hProcess);
    win::KernelHandle threadHandle(process.hThread);
    WaitHandlingMessages(processHandle.get(), timeLimit);
}

}  // namespace ui
