// The two small file routines of the fetch tool: writing a whole file safely and deleting
// one without a word.
#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>

// Writes bytes as the whole content of path. The bytes go to a fresh file in the same
// folder that is then renamed over path, so a symbolic link planted at path is replaced,
// never followed, and a running copy of an earlier file does not block the write.
// Throws AppError when the file cannot be written.
void writeBytesToFile(const QByteArray &bytes, const QString &path,
                      QFileDevice::Permissions permissions
                      = QFileDevice::ReadOwner | QFileDevice::WriteOwner);

// Deletes path plainly and, when that fails, once more after making the file writable.
// Never fails and never reports.
void deleteFileForced(const QString &path);
