#include "gui/ApplicationIcon.h"

QStringList applicationIconFiles()
{
    QStringList files;
    for (int size : {32, 48, 128, 256})
        files << QStringLiteral(":/brindlewood/icons/brindlewood-%1.png").arg(size);
    return files;
}

QIcon applicationIcon()
{
    QIcon icon;
    for (const QString &file : applicationIconFiles())
        icon.addFile(file);
    return icon;
}
