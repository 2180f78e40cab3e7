// flock(2) locks belong to the open file and go with it when it is closed; st_dev and st_ino
// tell one file from another of the same name.
#include "system/SharedFile.h"

#include <sys/file.h>
#include <sys/stat.h>

namespace SharedFile {
bool tryLockAlone(QFile &file)
{
    return ::flock(file.handle(), LOCK_EX | LOCK_NB) == 0;
}

void lockShared(QFile &file)
{
    ::flock(file.handle(), LOCK_SH);
}

bool isStillNamedBy(const QFile &file, const QString &path)
{
    struct stat open
    {
    };
    struct stat named
    {
    };
    return ::fstat(file.handle(), &open) == 0
        && ::stat(QFile::encodeName(path).constData(), &named) == 0 && open.st_dev == named.st_dev
        && open.st_ino == named.st_ino;
}

bool canReplaceWhileOpen()
{
    return true;
}
} // namespace SharedFile
