#include "forms/ui/common_dialog.h"

#include "base/error.h"

namespace ui {

void CommonDialog::ShowDialog(HWND owner, bool save) {
    FileDialogRequest request;
    request.owner = owner;
    request.save = save;
    request.title = dialogTitle;
    request.filter = filter;
    request.initialFolder = initDir;
    request.fileName = fileName;
    const std::optional<std::string> chosen = dialogs_.Show(request);
    if (chosen) {
        fileName = *chosen;
        return;
    }
    if (cancelError) {
        throw base::Error(base::kErrCancel, "Cancel was selected.");
    }
}

}  // namespace ui
