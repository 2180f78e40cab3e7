#include "core/FileExists.h"

#include <QDateTime>
#include <QFileInfo>

bool fileExists(const QString &path) noexcept
{
    try {
        if (path.isEmpty())
            return false;
        const QFileInfo info(path);
        return info.isFile() && info.lastModified().isValid();
    } catch (...) {
        return false;
    }
}
