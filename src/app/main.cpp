// zelttool.exe: wires the farm's automation model, the real file system, message boxes,
// file dialogs and process launcher into the forms, and starts with the logon dialog.
#include <windows.h>

#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "farm/mfcom/mfcom.h"
#include "forms/frmLogin.h"
#include "forms/program.h"
#include "forms/ui/form.h"
#include "forms/ui/text.h"
#include "resource.h"
#include "screenshots.h"
#include "settings/file_system.h"
#include "shared/shared.h"

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

int Run(HINSTANCE instance) {
    mfcom::ComInit com;
    mfcom::MfcomFactory factory;
    ui::Win32FileDialogs fileDialogs;
    ui::Win32ProcessLauncher launcher;
    const forms::AppInfo app = ProgramFacts(instance);
    const auto makeFileSystem = [] { return settings::CreateFileSystem(); };

    if (const std::optional<std::wstring> folder = ScreenshotFolder()) {
        app::PrintedMessageBoxes boxes;
        app::ScreenshotModalRunner modal(*folder);
        ui::Desktop desktop(boxes, modal);
        forms::Program program({desktop, fileDialogs, launcher, factory, makeFileSystem, app});
        program.Login().Show();
        app::CaptureMainViews(program, *folder);
        return 0;
    }

    ui::Win32MessageBoxes boxes;
    ui::MessageLoopModalRunner modal;
    ui::Desktop desktop(boxes, modal);
    forms::Program program({desktop, fileDialogs, launcher, factory, makeFileSystem, app});
    program.Login().Show();
    desktop.RunMessageLoop([&desktop] { return desktop.LoadedForms() == 0; });
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    try {
        return Run(instance);
    } catch (const std::exception& e) {
        MessageBoxW(nullptr, ui::Widen(e.what()).c_str(), L"ZeltTool", MB_OK | MB_ICONERROR);
    } catch (...) {
        MessageBoxW(nullptr, L"The program failed to start.", L"ZeltTool", MB_OK | MB_ICONERROR);
    }
    return 1;
}
