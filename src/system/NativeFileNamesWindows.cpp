// Windows gives names in UTF-16 already, which Qt takes as they are.
#include "system/NativeFileNames.h"

#include <QCoreApplication>

QStringList nativeArguments(int, char *[])
{
    return QCoreApplication::arguments();
}

bool openNativeForReading(QFile &file, const QString &path, QString *why)
{
    file.setFileName(path);
    if (file.open(QIODevice::ReadOnly))
        return true;
    *why = file.errorString();
    return false;
}
