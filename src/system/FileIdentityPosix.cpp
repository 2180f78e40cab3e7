// A file's identity on POSIX systems: its device and inode.
#include "system/FileIdentity.h"

#include <QFile>

#include <sys/stat.h>

std::optional<FileIdentity> fileIdentity(const QString &path)
{
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return std::nullopt;
    return FileIdentity {quint64(status.st_dev), quint64(status.st_ino)};
}
