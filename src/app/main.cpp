// zelttool.exe: wires the farm's automation model, the real file system, message boxes,
// file dialogs and process launcher into the forms, and starts with the logon dialog.
#include <windows.h>

#include <exception>
#include <optional>
#include <string>
#include <vector>

#include <shellapi.h>

#include "app/command_line_run.h"
#include "app/user_journal.h"
#include "app/farm_check.h"
#include "farm/mfcom/mfcom.h"
#include "forms/frmLogin.h"
#include "forms/program.h"
#include "forms/ui/form.h"
#include "forms/ui/text.h"
#include "resource.h"
#include "screenshots.h"
#include "settings/file_system.h"
#include "shared/shared.h"
#include "win/com.h"
#include "win/handles.h"
#include "win/text.h"

namespace {

// The demo's screenshot folder, when the demo asks for screenshots.
std::optional<std::wstring> ScreenshotFolder() {
    std::vector<wchar_t> buffer(32768);
    const DWORD length = GetEnvironmentVariableW(L"ZELT_SCREENSHOTS", buffer.data(),
                                                 static_cast<DWORD>(buffer.size()));
    if (length == 0 || length >= buffer.size()) {
        return std::nullopt;
    }
    return std::wstring(buffer.data(), length);
}

forms::AppInfo ProgramFacts(HINSTANCE instance) {
    forms::AppInfo app;
    const std::string path = forms::ProgramPath();
    app.folder = forms::FolderOf(path);
    app.version = forms::ReadVersion(path).value_or(forms::Version{});
    app.icon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_ZELTTOOL));
    return app;
}

// The program's arguments, without its own name.
std::vector<std::wstring> Arguments() {
    int count = 0;
    LPWSTR* raw = CommandLineToArgvW(GetCommandLineW(), &count);
    const win::LocalMemory owned(raw);
    std::vector<std::wstring> arguments;
    for (int i = 1; raw != nullptr && i < count; ++i) {
        arguments.emplace_back(raw[i]);
    }
    return arguments;
}

// The standard handle of the program, or where it has none, of the console of the program
// that started it, if any.
HANDLE StandardHandle(DWORD which) {
    HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
        AttachConsole(ATTACH_PARENT_PROCESS);  // fails when attached already or there is none
        handle = GetStdHandle(which);
    }
    return handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

void Write(DWORD which, const std::string& text) {
    const HANDLE handle = StandardHandle(which);
    DWORD written = 0;
    if (handle != nullptr && !text.empty()) {
        WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
}

// COM for the program's run, with the call security the farm's vendor asks for: calls reach
// the farm with the impersonation level "impersonate", whatever the workstation's DCOM
// defaults say. Set before any farm object is created; where it cannot be set (something set
// it already), the defaults stay and the program goes on.
class FarmCom {
  public:
    FarmCom() { win::SetCallSecurity(); }

  private:
    win::ComInit com_;
};

// A command given on the command line; nothing when the windows are to start (no switch
// given: the windows start as they always have, whatever else the line holds).
std::optional<int> RunCommandLine() {
    std::vector<std::string> arguments;
    for (const std::wstring& argument : Arguments()) {
        arguments.push_back(win::Narrow(argument));
    }
    if (!app::IsCommandLine(arguments)) {
        return std::nullopt;
    }
    FarmCom com;
    mfcom::MfcomFactory factory;
    const app::CommandOutput output =
        app::RunCommandLine(arguments, factory, [] { return settings::CreateFileSystem(); });
    Write(STD_OUTPUT_HANDLE, output.standardOutput);
    Write(STD_ERROR_HANDLE, output.standardError);
    return output.exitCode;
}

int Run(HINSTANCE instance) {
    if (const std::optional<int> code = RunCommandLine()) {
        return *code;
    }
    FarmCom com;
    mfcom::MfcomFactory factory;
    ui::Win32FileDialogs fileDialogs;
    ui::Win32ProcessLauncher launcher;
    const forms::AppInfo app = ProgramFacts(instance);
    const auto makeFileSystem = [] { return settings::CreateFileSystem(); };
    const auto checkFarmInterface = [] { return app::RunFarmCheck().Text(); };
    std::optional<journal::Journal> journal = app::UserJournal();
    journal::Journal* const userJournal = journal ? &*journal : nullptr;

    if (const std::optional<std::wstring> folder = ScreenshotFolder()) {
        app::PrintedMessageBoxes boxes;
        app::ScreenshotModalRunner modal(*folder);
        ui::Desktop desktop(boxes, modal);
        forms::Program program({desktop, fileDialogs, launcher, factory, makeFileSystem, app,
                                checkFarmInterface, userJournal});
        program.Login().Show();
        app::CaptureMainViews(program, *folder);
        return 0;
    }

    ui::Win32MessageBoxes boxes;
    ui::MessageLoopModalRunner modal;
    ui::Desktop desktop(boxes, modal);
    forms::Program program({desktop, fileDialogs, launcher, factory, makeFileSystem, app,
                            checkFarmInterface, userJournal});
    program.Login().Show();
    desktop.RunMessageLoop([&desktop] { return desktop.LoadedForms() == 0; });
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    try {
        return Run(instance);
    } catch (const std::exception& e) {
        MessageBoxW(nullptr, win::Widen(e.what()).c_str(), L"ZeltTool", MB_OK | MB_ICONERROR);
    } catch (...) {
        MessageBoxW(nullptr, L"The program failed to start.", L"ZeltTool", MB_OK | MB_ICONERROR);
    }
    return 1;
}
