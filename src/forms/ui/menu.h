// A form's menu bar, built in code: popups of entries with captions ("&" marks the access
// key), shortcuts, and visible and enabled flags. A hidden entry is taken out of the
// platform's menu, as the user must not see it; its shortcut does nothing then.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "win/handles.h"

namespace ui {

struct Shortcut {
    WORD key = 0;          // virtual-key code, 0 for none
    bool control = false;  // with Ctrl
};

class MenuBar {
  public:
    MenuBar() = default;
    MenuBar(const MenuBar&) = delete;
    MenuBar& operator=(const MenuBar&) = delete;

    // Builds anew: the entries added next belong to a fresh, empty bar.
    void Clear();
    // A top-level menu; returns its position.
    int AddMenu(const std::string& caption);
    // An entry of the last menu added; returns its command id.
    int AddItem(const std::string& caption, Shortcut shortcut = {}, bool visible = true,
                bool enabled = true);
    int AddSeparator(bool visible = true);

    void SetCaption(int id, const std::string& caption);
    std::string Caption(int id) const;
    void SetVisible(int id, bool visible);
    bool Visible(int id) const;
    void SetEnabled(int id, bool enabled);
    bool Enabled(int id) const;
    // Whether a command may run: the entry is visible and enabled.
    bool Available(int id) const;

    // The platform's menu; owned here until a window takes it (Attach).
    HMENU Handle() const { return menu_; }
    HACCEL Accelerators() const { return accelerators_.get(); }
    // Hands the menu to the window, which then owns it; updates redraw it.
    void Attach(HWND window);
    // What the user sees in the menu at `position`: each shown entry's text as the
    // platform holds it (shortcut after a TAB), "-" for a separator.
    std::vector<std::string> Shown(int position) const;

  private:
    struct Entry {
        int id;
        int menu;
        std::string caption;
        Shortcut shortcut;
        bool separator;
        bool visible;
        bool enabled;
    };
    Entry& Find(int id);
    const Entry& Find(int id) const;
    void Build();
    void Rebuild(int menu);
    void Redraw() const;

    std::vector<std::string> menus_;
    std::vector<Entry> entries_;
    std::vector<HMENU> popups_;
    HMENU menu_ = nullptr;
    win::MenuHandle owned_;  // the bar while no window owns it
    win::AcceleratorHandle accelerators_;
    HWND window_ = nullptr;
    int nextId_ = 0x4000;
};

}  // namespace ui
