// Saving a result list as a text file, one link per line.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class Form1;
class LinkListView;

namespace ResultSaving {
void saveValidList(Form1 &form); // PushButton6_Click
void saveInvalidList(Form1 &form); // PushButton1_Click

// Writes links to path as a result file (see ResultFileWriter), calling beforeEachLine before
// each line. Throws AppError when the file cannot be created or written; the old file then
// stays as it was and no partial file is left.
void writeResultFile(const QString &path, const QStringList &links,
                     const std::function<void()> &beforeEachLine = {});

inline constexpr const char *SaveDialogTitle = "Save";
} // namespace ResultSaving
