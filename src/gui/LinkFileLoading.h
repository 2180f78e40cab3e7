// Loading link files chosen in the open dialog into the input list.
#pragma once

#include <QString>

class WindowContext;

namespace LinkFileLoading {
void loadLinkFiles(WindowContext &window);

// The open dialog as the load button sets it up; the save buttons use the same flags and
// filter. The flags: read-only box ticked, multiple names, explorer style, long names.
inline constexpr int OpenDialogFlags = 2621953;
inline constexpr const char *OpenDialogTitle
    = "Load List(s) - Hold Ctrl to select multiple list files";
inline constexpr const char *TextFileFilter = "Text Files (*.txt)|*.txt|All Files (*.*)|*.*|";
} // namespace LinkFileLoading
