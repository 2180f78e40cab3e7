// rename(2) replaces the target in one step; QFile::rename would refuse an existing target.
#include "system/ReplaceFile.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

bool replaceFile(const QString &from, const QString &to, QString *why)
{
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    *why = qt_error_string(errno);
    return false;
}

void takeOwnerAndMode(int descriptor, const QString &original)
{
    struct stat status;
    if (descriptor < 0 || ::stat(QFile::encodeName(original).constData(), &status) != 0)
        return;
    // The owner first: changing it may clear the set-id bits the mode then puts back. Only root
    // may give a file away; for anyone else the file is theirs already.
    [[maybe_unused]] const int owned = ::fchown(descriptor, status.st_uid, status.st_gid);
    ::fchmod(descriptor, status.st_mode & 07777);
}
