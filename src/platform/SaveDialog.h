// SaveDialog: the system's own save dialog where Qt's would change the name the user typed.
#pragma once

#include "platform/Platform.h"

#include <optional>

// Shows the system's save dialog and returns the chosen path in native separators (empty
// after a cancel), or nothing where the system has no dialog of its own to offer, and Qt's
// serves as it is. On Windows, Qt's dialog appends the selected filter's suffix to a name
// typed without one; the common save dialog asked for no default extension uses the name as
// typed, which is what the program promises.
std::optional<QString> systemSaveDialog(QWidget *owner,
                                        const Platform::FileDialogSettings &settings);
