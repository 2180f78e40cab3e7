#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

namespace TestFiles {
QString write(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write test file %s", qPrintable(path));
    file.write(bytes);
    return path;
}

QByteArray read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QString impossiblePath(const QString &folder)
{
    const QString blocker = write(QDir(folder).filePath(QStringLiteral("regular-file")), "x");
    return QDir(blocker).filePath(QStringLiteral("sub"));
}
} // namespace TestFiles
