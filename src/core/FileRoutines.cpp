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
    QTemporaryFile file(path + QStringLiteral(".XXXXXX"));
    if (!file.open())
        fail(file.errorString());
    if (file.write(bytes) != bytes.size() || !file.flush())
        fail(file.errorString());
    if (!file.setPermissions(permissions))
        fail(file.errorString());
    file.close();
    // Replaces whatever is at path, a symbolic link included, in one step.
    QString why;
    if (!replaceFile(file.fileName(), path, &why))
        fail(why);
    file.setAutoRemove(false);
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
