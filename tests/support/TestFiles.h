// Small helpers for tests that read and write files in a temporary folder.
#pragma once

#include <QByteArray>
#include <QString>

namespace TestFiles {
// Writes bytes to path (creating folders on the way) and returns path.
QString write(const QString &path, const QByteArray &bytes);
QByteArray read(const QString &path);
// A path that cannot exist: a folder under a regular file.
QString impossiblePath(const QString &folder);
} // namespace TestFiles
