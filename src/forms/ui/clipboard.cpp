#include "forms/ui/clipboard.h"

#include <cstring>
#include <string>

#include "base/error.h"
#include "win/handles.h"
#include "win/text.h"

namespace ui {

namespace {

// The clipboard open for this thread, closed with its owner. Another program may hold it for
// a moment, so opening is tried a few times.
class OpenClipboardScope {
  public:
    explicit OpenClipboardScope(HWND owner) {
        for (int attempt = 0; attempt < 5 && !open_; ++attempt) {
            open_ = OpenClipboard(owner) != FALSE;
            if (!open_) {
                Sleep(20);
            }
        }
    }
    ~OpenClipboardScope() {
        if (open_) {
            CloseClipboard();
        }
    }
    OpenClipboardScope(const OpenClipboardScope&) = delete;
    OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;

    bool IsOpen() const { return open_; }

  private:
    bool open_ = false;
};

[[noreturn]] void Fail(const char* what) {
    throw base::Error(base::kErrPermissionDenied,
                      std::string(what) + " (error " + std::to_string(GetLastError()) + ").");
}

}  // namespace

void SetClipboardText(HWND owner, std::string_view text) {
    const std::wstring wide = win::Widen(text);
    const size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
    win::GlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, bytes));
    if (!memory) {
        throw base::Error(base::kErrOutOfMemory, "Out of memory");
    }
    void* block = GlobalLock(memory.get());
    if (block == nullptr) {
        Fail("The text could not be put on the clipboard");
    }
    std::memcpy(block, wide.c_str(), bytes);
    GlobalUnlock(memory.get());

    const OpenClipboardScope clipboard(owner);
    if (!clipboard.IsOpen()) {
        Fail("The clipboard could not be opened");
    }
    if (EmptyClipboard() == FALSE) {
        Fail("The clipboard could not be emptied");
    }
    if (SetClipboardData(CF_UNICODETEXT, memory.get()) == nullptr) {
        Fail("The text could not be put on the clipboard");
    }
    memory.Release();  // the system's now
}

std::optional<std::string> ClipboardText() {
    const OpenClipboardScope clipboard(nullptr);
    if (!clipboard.IsOpen()) {
        return std::nullopt;
    }
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    if (data == nullptr) {
        return std::nullopt;
    }
    const auto* wide = static_cast<const wchar_t*>(GlobalLock(data));
    if (wide == nullptr) {
        return std::nullopt;
    }
    std::string text = win::Narrow(wide);
    GlobalUnlock(data);
    return text;
}

}  // namespace ui
