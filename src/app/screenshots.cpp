#include "screenshots.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "forms/frmLogin.h"
#include "forms/frmMain.h"
#include "forms/program.h"
#include "forms/ui/form.h"
#include "forms/ui/text.h"
#include "win/handles.h"
#include "win/text.h"

namespace app {

namespace {

// Lets the window paint itself completely before it is captured.
void Settle(ui::Desktop& desktop, HWND window) {
    for (int round = 0; round < 6; ++round) {
        RedrawWindow(window, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        desktop.DoEvents();
        Sleep(100);
    }
}

void Capture(ui::Desktop& desktop, HWND window, const std::wstring& path) {
    Settle(desktop, window);
    if (!SaveWindowBitmap(window, path)) {
        std::fprintf(stderr, "screenshot failed: %s\n", win::Narrow(path).c_str());
    }
}

}  // namespace

bool SaveWindowBitmap(HWND window, const std::wstring& path) {
    RECT rect{};
    if (!GetWindowRect(window, &rect)) {
        return false;
    }
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) {
        return false;
    }
    const win::ScreenDc screen;
    if (!screen) {
        return false;
    }
    win::MemoryDc memory(CreateCompatibleDC(screen.get()));
    win::BitmapHandle bitmap(CreateCompatibleBitmap(screen.get(), width, height));
    bool copied = false;
    if (memory && bitmap) {
        HGDIOBJ previous = SelectObject(memory.get(), bitmap.get());
        copied = BitBlt(memory.get(), 0, 0, width, height, screen.get(), rect.left, rect.top,
                        SRCCOPY | CAPTUREBLT) != FALSE;
        SelectObject(memory.get(), previous);
    }

    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;  // bottom-up, as BMP files keep it
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    std::vector<char> pixels(stride * static_cast<size_t>(height));
    if (copied) {
        copied = GetDIBits(memory.get(), bitmap.get(), 0, static_cast<UINT>(height), pixels.data(),
                           reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS) == height;
    }
    if (!copied) {
        return false;
    }

    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = static_cast<DWORD>(file.bfOffBits + pixels.size());
    info.biSizeImage = static_cast<DWORD>(pixels.size());
    std::ofstream out(std::filesystem::path(path), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
    return out.good();
}

void PrintedMessageBoxes::Show(HWND, const std::string& text, const std::string& title,
                               shared::MessageIcon) {
    std::string shown = text;
    for (char& c : shown) {
        if (c == '\r') {
            c = '\n';
        }
    }
    std::fprintf(stderr, "[%s] %s\n", title.c_str(), shown.c_str());
}

void ScreenshotModalRunner::Run(ui::Form& form) {
    ++shown_;
    const std::wstring name = shown_ == 1 ? L"about.bmp"
                              : form.Caption() == "Farm Interface Check"
                                  ? L"check.bmp"
                                  : L"modal" + std::to_wstring(shown_) + L".bmp";
    Capture(form.GetDesktop(), form.Handle(), folder_ + L"\\" + name);
    form.Unload();
}

void CaptureMainViews(forms::Program& program, const std::wstring& folder) {
    ui::Desktop& desktop = program.Desktop();
    forms::frmMain& main = program.Main();
    if (!main.IsLoaded()) {
        if (program.Login().IsLoaded()) {
            Capture(desktop, program.Login().Handle(), folder + L"\\login.bmp");
            program.Login().Unload();
        }
        return;
    }
    Capture(desktop, main.Handle(), folder + L"\\farm.bmp");
    main.Command(main.mnuViewApps, 0);
    Capture(desktop, main.Handle(), folder + L"\\applications.bmp");
    main.Command(main.mnuViewServers, 0);
    Capture(desktop, main.Handle(), folder + L"\\servers.bmp");
    if (main.mnuHelpCheck != 0) {
        main.Command(main.mnuHelpCheck, 0);  // the modal runner captures it
    }
    main.Unload();
}

}  // namespace app
