// rename(2) replaces the target in one step; QFile::rename would refuse an existing target.
#include "system/ReplaceFile.h"

#include <QFile>

#include <cerrno>
#include <cstdio>

bool replaceFile(const QString &from, const QString &to, QString *why)
{
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    *why = qt_error_string(errno);
    return false;
}
