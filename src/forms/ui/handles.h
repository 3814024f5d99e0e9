// Owners for the Win32 handles the kit keeps: each frees its handle once, in its destructor.
#pragma once

#include <windows.h>

#include <utility>

namespace ui {

template <class H, BOOL(WINAPI* Free)(H)>
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
    // Gives the handle up without freeing it (e.g. a menu handed to a window).
    H Release() { return std::exchange(handle_, nullptr); }

  private:
    H handle_ = nullptr;
};

inline BOOL WINAPI FreeGdiObject(HFONT font) {
    return DeleteObject(font);
}
inline BOOL WINAPI FreeBitmap(HBITMAP bitmap) {
    return DeleteObject(bitmap);
}
inline BOOL WINAPI FreeDc(HDC dc) {
    return DeleteDC(dc);
}

using FontHandle = Owned<HFONT, FreeGdiObject>;
using BitmapHandle = Owned<HBITMAP, FreeBitmap>;
using MemoryDc = Owned<HDC, FreeDc>;
using MenuHandle = Owned<HMENU, DestroyMenu>;
using AcceleratorHandle = Owned<HACCEL, DestroyAcceleratorTable>;
using IconHandle = Owned<HICON, DestroyIcon>;
using KernelHandle = Owned<HANDLE, CloseHandle>;

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

}  // namespace ui
