// Owners of Win32 handles: each frees its handle once, in its destructor, so that no function
// frees one by hand and every early return is safe. An empty owner holds null.
#pragma once

#include <windows.h>

#include <utility>

namespace win {

// Owns one handle that `Free` releases.
template <class H, auto Free>
class Owned {
  public:
    Owned() = default;
    explicit Owned(H handle) : handle_(handle) {}
    ~Owned() { Reset(); }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    Owned(Owned&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) {
            Reset(std::exchange(other.handle_, nullptr));
        }
        return *this;
    }

    H get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void Reset(H handle = nullptr) {
        if (handle_ != nullptr) {
            Free(handle_);
        }
        handle_ = handle;
    }
    // Gives the handle up without freeing it (e.g. a menu handed to a window, or a handle
    // whose closing the caller checks).
    H Release() { return std::exchange(handle_, nullptr); }

  private:
    H handle_ = nullptr;
};

using FontHandle = Owned<HFONT, DeleteObject>;
using BitmapHandle = Owned<HBITMAP, DeleteObject>;
using MemoryDc = Owned<HDC, DeleteDC>;
using MenuHandle = Owned<HMENU, DestroyMenu>;
using AcceleratorHandle = Owned<HACCEL, DestroyAcceleratorTable>;
using IconHandle = Owned<HICON, DestroyIcon>;
// A process, thread, file or mapping handle. A file that failed to open is
// INVALID_HANDLE_VALUE, which the caller turns into an error instead of keeping.
using KernelHandle = Owned<HANDLE, CloseHandle>;
using EventSourceHandle = Owned<HANDLE, DeregisterEventSource>;
using RegistryHandle = Owned<HKEY, RegCloseKey>;
// Memory the system allocated for the caller (FormatMessage, CommandLineToArgvW).
using LocalMemory = Owned<HLOCAL, LocalFree>;
// Memory moved between programs (the clipboard) until the system takes it over.
using GlobalMemory = Owned<HGLOBAL, GlobalFree>;

// The screen's device context, released with its owner.
class ScreenDc {
  public:
    ScreenDc() : dc_(GetDC(nullptr)) {}
    ~ScreenDc() {
        if (dc_ != nullptr) {
            ReleaseDC(nullptr, dc_);
        }
    }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;

    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

  private:
    HDC dc_;
};

}  // namespace win
