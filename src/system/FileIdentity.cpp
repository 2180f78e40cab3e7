// The half of isSameFile both systems share: names of files that do not exist yet.
#include "system/FileIdentity.h"

#include <QDir>
#include <QFileInfo>

namespace {
// A path as the file system will resolve it: symbolic links and "..", and for a file not made
// yet, its folder.
QString resolvedPath(const QString &path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty())
        return canonical;
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? QDir::cleanPath(info.absoluteFilePath())
                            : QDir(folder).filePath(info.fileName());
}
} // namespace

bool isSameFile(const QString &a, const QString &b)
{
    const std::optional<FileIdentity> first = fileIdentity(a);
    const std::optional<FileIdentity> second = fileIdentity(b);
    if (first && second)
        return *first == *second;
#ifdef Q_OS_WIN
    constexpr Qt::CaseSensitivity Case = Qt::CaseInsensitive;
#else
    constexpr Qt::CaseSensitivity Case = Qt::CaseSensitive;
#endif
    return resolvedPath(a).compare(resolvedPath(b), Case) == 0;
}
