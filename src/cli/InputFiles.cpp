#include "cli/InputFiles.h"

#include "core/AppError.h"
#include "core/MarklessUtf16.h"
#include "core/TextReader.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTextStream>

#include <cstdio>

namespace InputFiles {

QString displayName(const QString &path)
{
    return path == u"-" ? QStringLiteral("standard input") : path;
}

QByteArray readBytes(const QString &path)
{
    const QString described = QStringLiteral("\"%1\"").arg(displayName(path));
    QFile file;
    if (path == u"-") {
        if (!file.open(stdin, QIODevice::ReadOnly))
            throw AppError(QStringLiteral("Cannot read %1: %2").arg(described, file.errorString()));
    } else {
        if (QFileInfo(path).isDir())
            throw AppError(
                QStringLiteral("Cannot read %1: it is a folder, not a file").arg(described));
        file.setFileName(path);
        if (!file.open(QIODevice::ReadOnly))
            throw AppError(QStringLiteral("Cannot open %1: %2").arg(described, file.errorString()));
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw AppError(QStringLiteral("Cannot read %1: %2").arg(described, file.errorString()));
    return bytes;
}

QStringList linkFileLines(const QString &path, QTextStream &err)
{
    const QByteArray bytes = readBytes(path);
    const MarklessUtf16 utf16
        = detectMarklessUtf16(bytes.first(qMin<qsizetype>(bytes.size(), 1024)));
    if (utf16 == MarklessUtf16::None
        || TextReader::ByteOrderMark::of(bytes.first(qMin<qsizetype>(bytes.size(), 4))).kind
            != TextReader::ByteOrderMark::Kind::None)
        return TextReader::linesOfBytes(bytes);
    const bool littleEndian = utf16 == MarklessUtf16::Utf16LE;
    err << "brindlewood-check: note: " << displayName(path)
        << " has no byte-order mark but reads as UTF-16" << (littleEndian ? "LE" : "BE")
        << "; reading it as such.\n";
    err.flush();
    QStringDecoder decoder(littleEndian ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                           QStringConverter::Flag::Stateless);
    return TextReader::splitIntoReadLines(decoder.decode(bytes));
}

} // namespace InputFiles
