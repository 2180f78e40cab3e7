#include "core/FileRoutines.h"

#include "core/AppError.h"
#include "system/ReplaceFile.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

void writeBytesToFile(const QByteArray &bytes, const QString &path,
                      QFileDevice::Permissions permissions)
{
    auto fail = [&](const QString &why) {
        throw AppError(QStringLiteral("Cannot write \"%1\": %2").arg(path, why), 75);
    };
    // The fresh file is closed for good before it is renamed: QTemporaryFile::close() keeps it
    // open, and Windows renames no open file.
    QString written;
    {
        QTemporaryFile file(path + QStringLiteral(".XXXXXX"));
        if (!file.open())
            fail(file.errorString());
        if (file.write(bytes) != bytes.size() || !file.flush())
            fail(file.errorString());
        if (!file.setPermissions(permissions))
            fail(file.errorString());
        written = file.fileName();
        file.setAutoRemove(false);
    }
    // Replaces whatever is at path, a symbolic link included, in one step.
    QString why;
    if (!replaceFile(written, path, &why)) {
        QFile::remove(written);
        fail(why);
    }
}

void deleteFileForced(const QString &path)
{
    if (path.isEmpty() || QFile::remove(path))
        return;
    // The forced attempt: give the owner write permission and try again. A symbolic link
    // is left as it is, so its target's permissions are never touched.
    const QFileInfo info(path);
    if (info.isSymLink() || !info.exists())
        return;
    QFile::setPermissions(path,
                          info.permissions() | QFileDevice::WriteOwner | QFileDevice::WriteUser);
    QFile::remove(path);
}
