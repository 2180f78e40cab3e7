#include "platform/SaveDialog.h"

std::optional<QString> systemSaveDialog(QWidget *, const Platform::FileDialogSettings &)
{
    // Qt's dialogs here leave a typed name as it is.
    return std::nullopt;
}
