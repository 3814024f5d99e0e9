// The common file dialog as one object with properties (title, filter, initial folder, file
// name, cancel error), shown for saving or opening through the FileDialogs seam. The file
// name it last held stays in it from one showing to the next.
#pragma once

#include <windows.h>

#include <string>

#include "forms/ui/seams.h"

namespace ui {

class CommonDialog {
  public:
    explicit CommonDialog(FileDialogs& dialogs) : dialogs_(dialogs) {}

    std::string dialogTitle;
    std::string filter;  // "Description|pattern", pairs joined by "|"
    std::string initDir;
    std::string fileName;  // the proposed name before, the full path chosen after
    bool cancelError = false;

    // Shows the dialog owned by `owner`. On a choice fileName holds the full path. On cancel
    // fileName stays as it was, and with cancelError set the error kErrCancel (32755) is
    // thrown.
    void ShowSave(HWND owner) { ShowDialog(owner, true); }
    void ShowOpen(HWND owner) { ShowDialog(owner, false); }

  private:
    void ShowDialog(HWND owner, bool save);

    FileDialogs& dialogs_;
};

}  // namespace ui
