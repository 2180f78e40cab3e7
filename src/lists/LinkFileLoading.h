// Loading link files chosen in the open dialog into the input list.
#pragma once

#include <QString>

class Form1;
class LinkListView;

namespace LinkFileLoading {
void loadLinkFiles(Form1 &form); // PushButton3_Click

// The open dialog as the load button sets it up.
inline constexpr int OpenDialogFlags
    = 2621953; // read-only box, multiple names, explorer, long names
inline constexpr const char *OpenDialogTitle
    = "Load List(s) - Hold Ctrl to select multiple list files";
inline constexpr const char *TextFileFilter = "Text Files (*.txt)|*.txt|All Files (*.*)|*.*|";
} // namespace LinkFileLoading

// Appends every line of the file at path that is not empty or spaces only to list, in file
// order and exactly as read. A missing file gets the "File not found" box; other failures get
// the error report and the load goes on.
void FileToListview(Form1 &form, LinkListView &list, const QString &path);
