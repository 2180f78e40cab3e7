// The two small file routines of the check run: writing a whole file safely and deleting
// one without a word.
#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>

class Platform;

// Writes bytes as the whole content of path. The bytes go to a fresh file in the same
// folder that is then renamed over path, so a symbolic link planted at path is replaced,
// never followed, and a running copy of an earlier file does not block the write.
// Throws AppError when the file cannot be written.
void WriteBytesToFile(const QByteArray &bytes, const QString &path,
                      QFileDevice::Permissions permissions
                      = QFileDevice::ReadOwner | QFileDevice::WriteOwner);

// Lets the window process its pending events, then deletes path plainly and, when that
// fails, once more after making the file writable. Never fails and never reports.
void DeleteFileQuiet(Platform &platform, const QString &path);

// The two deletions of DeleteFileQuiet without the event processing, for callers that
// have no window.
void deleteFileForced(const QString &path);
