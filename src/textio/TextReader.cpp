#include "textio/TextReader.h"

#include "platform/AppError.h"

#include <QFile>

// Placeholder until the byte-order-mark reader lands: plain UTF-8 lines.
QStringList ReadAllLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Cannot open \"%1\": %2").arg(path, file.errorString()));
    QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
    return lines;
}
