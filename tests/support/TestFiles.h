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

#ifndef Q_OS_WIN
// While it lives, no file of this process may grow beyond bytes, as on a full disk: a write
// past it fails with "File too large" (its signal is ignored). Both are put back afterwards.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(qint64 bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    quint64 m_before = 0;
    void (*m_handler)(int) = nullptr;
};
#endif
} // namespace TestFiles
