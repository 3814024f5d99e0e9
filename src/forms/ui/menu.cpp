#include "forms/ui/menu.h"

#include <stdexcept>

#include "forms/ui/text.h"
#include "win/text.h"

namespace ui {

namespace {

std::string ShortcutText(const Shortcut& shortcut) {
    if (shortcut.key == 0) {
        return {};
    }
    std::string text = shortcut.control ? "Ctrl+" : "";
    if (shortcut.key >= VK_F1 && shortcut.key <= VK_F24) {
        text += 'F';
        text += std::to_string(shortcut.key - VK_F1 + 1);
    } else {
        text += static_cast<char>(shortcut.key);
    }
    return text;
}

}  // namespace

void MenuBar::Clear() {
    menus_.clear();
    entries_.clear();
    popups_.clear();
    owned_.Reset();
    accelerators_.Reset();
    menu_ = nullptr;
    window_ = nullptr;
    nextId_ = 0x4000;
}

int MenuBar::AddMenu(const std::string& caption) {
    menus_.push_back(caption);
    menu_ = nullptr;
    return static_cast<int>(menus_.size()) - 1;
}

int MenuBar::AddItem(const std::string& caption, Shortcut shortcut, bool visible, bool enabled) {
    if (menus_.empty()) {
        throw std::logic_error("MenuBar::AddItem before AddMenu");
    }
    entries_.push_back(Entry{nextId_, static_cast<int>(menus_.size()) - 1, caption, shortcut, false,
                             visible, enabled});
    menu_ = nullptr;
    return nextId_++;
}

int MenuBar::AddSeparator(bool visible) {
    const int id = AddItem({}, {}, visible, true);
    entries_.back().separator = true;
    return id;
}

MenuBar::Entry& MenuBar::Find(int id) {
    for (Entry& entry : entries_) {
        if (entry.id == id) {
            return entry;
        }
    }
    throw std::out_of_range("no menu entry " + std::to_string(id));
}

const MenuBar::Entry& MenuBar::Find(int id) const {
    return const_cast<MenuBar*>(this)->Find(id);
}

void MenuBar::SetCaption(int id, const std::string& caption) {
    Find(id).caption = caption;
    Rebuild(Find(id).menu);
}

std::string MenuBar::Caption(int id) const {
    return Find(id).caption;
}

void MenuBar::SetVisible(int id, bool visible) {
    Entry& entry = Find(id);
    if (entry.visible != visible) {
        entry.visible = visible;
        Rebuild(entry.menu);
    }
}

bool MenuBar::Visible(int id) const {
    return Find(id).visible;
}

void MenuBar::SetEnabled(int id, bool enabled) {
    Entry& entry = Find(id);
    entry.enabled = enabled;
    if (menu_ != nullptr) {
        EnableMenuItem(menu_, static_cast<UINT>(id),
                       MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    }
}

bool MenuBar::Enabled(int id) const {
    return Find(id).enabled;
}

bool MenuBar::Available(int id) const {
    for (const Entry& entry : entries_) {
        if (entry.id == id) {
            return entry.visible && entry.enabled && !entry.separator;
        }
    }
    return false;
}

void MenuBar::Build() {
    owned_.Reset(CreateMenu());
    menu_ = owned_.get();
    popups_.clear();
    for (const std::string& caption : menus_) {
        HMENU popup = CreatePopupMenu();
        popups_.push_back(popup);
        AppendMenuW(menu_, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup),
                    win::Widen(caption).c_str());
    }
    for (int menu = 0; menu < static_cast<int>(menus_.size()); ++menu) {
        Rebuild(menu);
    }
    std::vector<ACCEL> table;
    for (const Entry& entry : entries_) {
        if (entry.shortcut.key != 0) {
            const BYTE flags =
                static_cast<BYTE>(FVIRTKEY | (entry.shortcut.control ? FCONTROL : 0));
            table.push_back(ACCEL{flags, entry.shortcut.key, static_cast<WORD>(entry.id)});
        }
    }
    accelerators_.Reset(
        table.empty() ? nullptr
                      : CreateAcceleratorTableW(table.data(), static_cast<int>(table.size())));
}

void MenuBar::Rebuild(int menu) {
    if (menu_ == nullptr || menu < 0 || menu >= static_cast<int>(popups_.size())) {
        return;
    }
    HMENU popup = popups_[static_cast<size_t>(menu)];
    while (GetMenuItemCount(popup) > 0) {
        DeleteMenu(popup, 0, MF_BYPOSITION);
    }
    for (const Entry& entry : entries_) {
        if (entry.menu != menu || !entry.visible) {
            continue;
        }
        if (entry.separator) {
            AppendMenuW(popup, MF_SEPARATOR, static_cast<UINT_PTR>(entry.id), nullptr);
            continue;
        }
        std::string text = entry.caption;
        if (entry.shortcut.key != 0) {
            text += '\t';
            text += ShortcutText(entry.shortcut);
        }
        AppendMenuW(popup, MF_STRING | (entry.enabled ? MF_ENABLED : MF_GRAYED),
                    static_cast<UINT_PTR>(entry.id), win::Widen(text).c_str());
    }
    Redraw();
}

void MenuBar::Redraw() const {
    if (window_ != nullptr && IsWindow(window_)) {
        DrawMenuBar(window_);
    }
}

void MenuBar::Attach(HWND window) {
    if (menu_ == nullptr) {
        Build();
    }
    if (SetMenu(window, menu_)) {
        owned_.Release();  // the window destroys it with itself
        window_ = window;
    }
}

std::vector<std::string> MenuBar::Shown(int position) const {
    std::vector<std::string> shown;
    if (menu_ == nullptr) {
        return shown;
    }
    HMENU popup = GetSubMenu(menu_, position);
    const int count = popup == nullptr ? 0 : GetMenuItemCount(popup);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE;
        GetMenuItemInfoW(popup, static_cast<UINT>(i), TRUE, &info);
        if ((info.fType & MFT_SEPARATOR) != 0) {
            shown.push_back("-");
            continue;
        }
        wchar_t buffer[256] = {};
        GetMenuStringW(popup, static_cast<UINT>(i), buffer, 256, MF_BYPOSITION);
        shown.push_back(win::Narrow(buffer));
    }
    return shown;
}

}  // namespace ui
