#include "forms/ui/controls.h"

#include <commctrl.h>

#include <cmath>
#include <vector>

#include "base/error.h"
#include "forms/ui/form.h"
#include "forms/ui/text.h"
#include "win/text.h"

namespace ui {

namespace {

int16_t ToIndex(LRESULT value) {
    return value < 0 ? int16_t{-1} : static_cast<int16_t>(value > 32767 ? 32767 : value);
}

std::string ItemText(HWND window, UINT lengthMessage, UINT textMessage, int16_t index) {
    const LRESULT length = SendMessageW(window, lengthMessage, static_cast<WPARAM>(index), 0);
    if (length <= 0) {
        return {};
    }
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(window, textMessage, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(buffer.data()));
    return win::Narrow(buffer.data());
}

void RefuseBadIndex(int16_t index, int16_t count) {
    if (index < 0 || index >= count) {
        throw base::Error(base::kErrInvalidPropertyArrayIndex, "Invalid property array index");
    }
}

}  // namespace

void Control::CreateWindowFor(Form& form, const wchar_t* className, DWORD style, DWORD exStyle,
                              const Twips& bounds, std::string_view text, HFONT font) {
    form_ = &form;
    id_ = form.NextControlId();
    const Desktop& desktop = form.GetDesktop();
    window_ = CreateWindowExW(
        exStyle, className, win::Widen(text).c_str(), style | WS_CHILD | WS_VISIBLE,
        desktop.Pixels(bounds.left), desktop.Pixels(bounds.top), desktop.Pixels(bounds.width),
        desktop.Pixels(bounds.height), form.Handle(),
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_)), GetModuleHandleW(nullptr), nullptr);
    if (window_ == nullptr) {
        throw base::Error(base::kErrOutOfMemory, "The control could not be created (error " +
                                                     std::to_string(GetLastError()) + ").");
    }
    SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

bool Control::Visible() const {
    return window_ != nullptr && (GetWindowLongPtrW(window_, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Control::SetVisible(bool visible) {
    ShowWindow(window_, visible ? SW_SHOWNA : SW_HIDE);
}

bool Control::Enabled() const {
    return window_ != nullptr && IsWindowEnabled(window_);
}

void Control::SetEnabled(bool enabled) {
    EnableWindow(window_, enabled ? TRUE : FALSE);
}

void Control::Move(const Twips& bounds) {
    const Desktop& desktop = form_->GetDesktop();
    MoveWindow(window_, desktop.Pixels(bounds.left), desktop.Pixels(bounds.top),
               desktop.Pixels(bounds.width), desktop.Pixels(bounds.height), TRUE);
}

RECT Control::PixelBounds() const {
    RECT rect{};
    GetWindowRect(window_, &rect);
    MapWindowPoints(nullptr, GetParent(window_), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string Control::Text() const {
    return WindowText(window_);
}

void Control::SetText(std::string_view text) {
    SetWindowTextUtf8(window_, text);
}

void Control::SetFocus() {
    ::SetFocus(window_);
}

void Control::Refresh() {
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void Label::Create(Form& form, const Twips& bounds, std::string_view caption, LabelFont font) {
    const Desktop& desktop = form.GetDesktop();
    CreateWindowFor(form, L"STATIC", SS_LEFT | SS_NOPREFIX, 0, bounds, caption,
                    font == LabelFont::Heading ? desktop.HeadingFont() : desktop.DialogFont());
}

void TextBox::Create(Form& form, const Twips& bounds, std::string_view text) {
    CreateWindowFor(form, L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT, WS_EX_CLIENTEDGE, bounds,
                    text, form.GetDesktop().DialogFont());
}

void ReportText::Create(Form& form, const Twips& bounds) {
    CreateWindowFor(form, L"EDIT",
                    WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY |
                        ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_LEFT,
                    WS_EX_CLIENTEDGE, bounds, {},
                    static_cast<HFONT>(GetStockObject(ANSI_FIXED_FONT)));
}

void Button::Create(Form& form, const Twips& bounds, std::string_view caption) {
    CreateWindowFor(form, L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, 0, bounds, caption,
                    form.GetDesktop().DialogFont());
}

void Button::Click() {
    if (Handle() != nullptr && Owner().IsLoaded() && Enabled() && Visible()) {
        Owner().Command(Id(), BN_CLICKED);
    }
}

void ListBox::Create(Form& form, const Twips& bounds, ListOptions options) {
    options_ = options;
    // Integral height: the list shows whole lines only, a little shorter than asked.
    DWORD style = WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_HASSTRINGS | LBS_USETABSTOPS;
    if (options.sorted) {
        style |= LBS_SORT;
    }
    if (options.selection == Selection::Extended) {
        style |= LBS_EXTENDEDSEL;
    }
    CreateWindowFor(form, L"LISTBOX", style, WS_EX_CLIENTEDGE, bounds, {},
                    form.GetDesktop().DialogFont());
    // The list fitted its height to lines of the system font when it was made: fit it again
    // to lines of its own font. (Later moves fit it by themselves.)
    const int line = static_cast<int>(SendMessageW(Handle(), LB_GETITEMHEIGHT, 0, 0));
    RECT outside{};
    RECT inside{};
    GetWindowRect(Handle(), &outside);
    GetClientRect(Handle(), &inside);
    const int frame = (outside.bottom - outside.top) - inside.bottom;
    const int asked = form.GetDesktop().Pixels(bounds.height);
    if (line > 0 && asked > frame) {
        SetWindowPos(Handle(), nullptr, 0, 0, outside.right - outside.left,
                     frame + (asked - frame) / line * line,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void ListBox::AddItem(std::string_view text) {
    if (ListCount() >= kMaxLines) {
        throw base::Error(base::kErrOverflow, "Overflow");
    }
    const LRESULT added =
        SendMessageW(Handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(win::Widen(text).c_str()));
    if (added < 0) {
        throw base::Error(base::kErrOutOfMemory, "Out of memory");
    }
}

void ListBox::RemoveItem(int16_t index) {
    RefuseBadIndex(index, ListCount());
    SendMessageW(Handle(), LB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

void ListBox::Clear() {
    SendMessageW(Handle(), LB_RESETCONTENT, 0, 0);
}

ListBox::PaintHold::PaintHold(ListBox& list) : list_(list) {
    if (list_.paintHolds_++ == 0) {
        SendMessageW(list_.Handle(), WM_SETREDRAW, FALSE, 0);
    }
}

ListBox::PaintHold::~PaintHold() {
    if (--list_.paintHolds_ == 0) {
        SendMessageW(list_.Handle(), WM_SETREDRAW, TRUE, 0);
        RedrawWindow(list_.Handle(), nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE);
    }
}

int16_t ListBox::ListCount() const {
    const LRESULT count = SendMessageW(Handle(), LB_GETCOUNT, 0, 0);
    return count < 0 ? int16_t{0} : ToIndex(count);
}

std::string ListBox::List(int16_t index) const {
    RefuseBadIndex(index, ListCount());
    return ItemText(Handle(), LB_GETTEXTLEN, LB_GETTEXT, index);
}

bool ListBox::Selected(int16_t index) const {
    RefuseBadIndex(index, ListCount());
    if (MultiSelect()) {
        return SendMessageW(Handle(), LB_GETSEL, static_cast<WPARAM>(index), 0) > 0;
    }
    return SendMessageW(Handle(), LB_GETCURSEL, 0, 0) == index;
}

void ListBox::SetSelected(int16_t index, bool selected) {
    RefuseBadIndex(index, ListCount());
    if (MultiSelect()) {
        SendMessageW(Handle(), LB_SETSEL, selected ? TRUE : FALSE, index);
    } else if (selected) {
        SendMessageW(Handle(), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    } else if (SendMessageW(Handle(), LB_GETCURSEL, 0, 0) == index) {
        SendMessageW(Handle(), LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    }
}

int16_t ListBox::ListIndex() const {
    if (ListCount() == 0) {
        return -1;
    }
    return ToIndex(SendMessageW(Handle(), MultiSelect() ? LB_GETCARETINDEX : LB_GETCURSEL, 0, 0));
}

void ListBox::SetListIndex(int16_t index) {
    if (index != -1) {
        RefuseBadIndex(index, ListCount());
    }
    if (MultiSelect()) {
        SendMessageW(Handle(), LB_SETCARETINDEX, static_cast<WPARAM>(index), FALSE);
    } else {
        SendMessageW(Handle(), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
}

void ComboBox::Create(Form& form, const Twips& bounds, int dropDownLines) {
    // The window's height includes the dropped-down list.
    const int lineTwips = 195;
    Twips withList = bounds;
    withList.height = bounds.height + dropDownLines * lineTwips;
    CreateWindowFor(form, L"COMBOBOX", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_HASSTRINGS,
                    0, withList, {}, form.GetDesktop().DialogFont());
}

void ComboBox::AddItem(std::string_view text, int32_t itemData) {
    if (ListCount() >= ListBox::kMaxLines) {
        throw base::Error(base::kErrOverflow, "Overflow");
    }
    const LRESULT index =
        SendMessageW(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(win::Widen(text).c_str()));
    if (index < 0) {
        throw base::Error(base::kErrOutOfMemory, "Out of memory");
    }
    SendMessageW(Handle(), CB_SETITEMDATA, static_cast<WPARAM>(index), itemData);
}

void ComboBox::Clear() {
    SendMessageW(Handle(), CB_RESETCONTENT, 0, 0);
}

int16_t ComboBox::ListCount() const {
    const LRESULT count = SendMessageW(Handle(), CB_GETCOUNT, 0, 0);
    return count < 0 ? int16_t{0} : ToIndex(count);
}

std::string ComboBox::List(int16_t index) const {
    RefuseBadIndex(index, ListCount());
    return ItemText(Handle(), CB_GETLBTEXTLEN, CB_GETLBTEXT, index);
}

int32_t ComboBox::ItemData(int16_t index) const {
    RefuseBadIndex(index, ListCount());
    return static_cast<int32_t>(
        SendMessageW(Handle(), CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
}

void ComboBox::SetItemData(int16_t index, int32_t itemData) {
    RefuseBadIndex(index, ListCount());
    SendMessageW(Handle(), CB_SETITEMDATA, static_cast<WPARAM>(index), itemData);
}

int16_t ComboBox::ListIndex() const {
    return ToIndex(SendMessageW(Handle(), CB_GETCURSEL, 0, 0));
}

void ComboBox::SetListIndex(int16_t index) {
    if (index != -1) {
        RefuseBadIndex(index, ListCount());
    }
    SendMessageW(Handle(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void ProgressBar::Create(Form& form, const Twips& bounds) {
    CreateWindowFor(form, PROGRESS_CLASSW, 0, 0, bounds, {}, form.GetDesktop().DialogFont());
    SendMessageW(Handle(), PBM_SETRANGE32, 0, 100);
    SetValue(0);
}

void ProgressBar::SetValue(float value) {
    value_ = value;
    SendMessageW(Handle(), PBM_SETPOS, static_cast<WPARAM>(ShownPosition()), 0);
}

int ProgressBar::ShownPosition() const {
    if (!(value_ > 0)) {
        return 0;
    }
    return value_ >= 100 ? 100 : static_cast<int>(std::lround(value_));
}

void EtchedLine::Create(Form& form, int left, int top, int right) {
    const Desktop& desktop = form.GetDesktop();
    // Two pixels high whatever the DPI: the grey line and the white one.
    const int twoPixels = MulDiv(2, 1440, desktop.Dpi());
    CreateWindowFor(form, L"STATIC", SS_ETCHEDHORZ, 0, {left, top, right - left, twoPixels}, {},
                    desktop.DialogFont());
}

void IconBox::Create(Form& form, const Twips& bounds, HICON icon) {
    CreateWindowFor(form, L"STATIC", SS_ICON | SS_REALSIZEIMAGE, 0, bounds, {},
                    form.GetDesktop().DialogFont());
    if (icon != nullptr) {
        SendMessageW(Handle(), STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    }
}

HICON IconBox::Icon() const {
    return reinterpret_cast<HICON>(SendMessageW(Handle(), STM_GETICON, 0, 0));
}

}  // namespace ui
