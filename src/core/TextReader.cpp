#include "core/TextReader.h"

#include "core/AppError.h"
#include "system/NativeFileNames.h"
#include "system/StandardStreams.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace TextReader {
namespace {
QString describedPath(const QString &path)
{
    return QStringLiteral("\"%1\"").arg(path);
}

QString describedSize(qint64 bytes)
{
    constexpr qint64 MiB = 1024 * 1024;
    if (bytes % MiB == 0)
        return QStringLiteral("%1 MiB").arg(bytes / MiB);
    return QStringLiteral("%1 bytes").arg(bytes);
}

// How many bytes one code unit of the encoding takes.
qsizetype codeUnitSize(QStringConverter::Encoding encoding)
{
    switch (encoding) {
    case QStringConverter::Utf16LE:
    case QStringConverter::Utf16BE:
        return 2;
    case QStringConverter::Utf32LE:
    case QStringConverter::Utf32BE:
        return 4;
    default:
        return 1;
    }
}

// True when the code unit at bytes is an ASCII character in the encoding.
bool isAsciiCodeUnit(const uchar *unit, QStringConverter::Encoding encoding)
{
    switch (encoding) {
    case QStringConverter::Utf16LE:
        return unit[0] < 0x80 && unit[1] == 0;
    case QStringConverter::Utf16BE:
        return unit[0] == 0 && unit[1] < 0x80;
    case QStringConverter::Utf32LE:
        return unit[0] < 0x80 && unit[1] == 0 && unit[2] == 0 && unit[3] == 0;
    case QStringConverter::Utf32BE:
        return unit[0] == 0 && unit[1] == 0 && unit[2] == 0 && unit[3] < 0x80;
    default:
        return unit[0] < 0x80;
    }
}

// Where the next piece of bytes to decode ends: just after an ASCII character at least
// pieceBytes in, or at the end. After an ASCII character the decoder holds nothing back, so
// decoding piece by piece gives exactly what decoding the whole would.
qsizetype decodingPieceLength(QByteArrayView bytes, QStringConverter::Encoding encoding,
                              qsizetype pieceBytes)
{
    const qsizetype unit = codeUnitSize(encoding);
    const auto *data = reinterpret_cast<const uchar *>(bytes.data());
    const qsizetype first = qMax<qsizetype>(pieceBytes / unit * unit, 0);
    for (qsizetype at = first; at + unit <= bytes.size(); at += unit) {
        if (isAsciiCodeUnit(data + at, encoding))
            return at + unit;
    }
    return bytes.size();
}

// Decodes bytes a piece at a time, handing each piece's text to take until it returns false.
// Stateless makes a cut-off sequence at the end come out as U+FFFD instead of vanishing;
// ConvertInitialBom keeps a second mark right after the real one as text, since the real one
// has already been taken off. Qt's decoder keeps back, and so loses, bytes too few for a
// single code unit when they are all it is given, so a cut-off last code unit of UTF-16 or
// UTF-32 is never handed to it: it becomes U+FFFD here, for a text of any length.
template<typename Take>
void decodePieces(QByteArrayView bytes, QStringConverter::Encoding encoding, qsizetype pieceBytes,
                  QString &buffer, Take &&take)
{
    QStringDecoder decoder(
        encoding, QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    const qsizetype cutOff = bytes.size() % codeUnitSize(encoding);
    bytes.chop(cutOff);
    while (!bytes.isEmpty()) {
        const qsizetype length = decodingPieceLength(bytes, encoding, pieceBytes);
        buffer.resize(decoder.requiredSpace(length));
        QChar *const end = decoder.appendToBuffer(buffer.data(), bytes.first(length));
        if (!take(QStringView(buffer.constData(), end)))
            return;
        bytes = bytes.sliced(length);
    }
    if (cutOff > 0)
        take(QStringView(u"\uFFFD"));
}

// Decodes bytes whole into one string. Qt's decoder needs much more memory than the text it
// makes when given a large page at once, so it is given a megabyte at a time.
QString decode(QByteArrayView bytes, QStringConverter::Encoding encoding)
{
    QString text;
    text.reserve(QStringDecoder(encoding).requiredSpace(bytes.size()) + 1);
    QString piece;
    decodePieces(bytes, encoding, 1 << 20, piece, [&](QStringView decoded) {
        text.append(decoded);
        return true;
    });
    return text;
}

QStringConverter::Encoding unicodeEncodingOf(ByteOrderMark mark)
{
    switch (mark.kind) {
    case ByteOrderMark::Kind::Utf32LE:
        return QStringConverter::Utf32LE;
    case ByteOrderMark::Kind::Utf32BE:
        return QStringConverter::Utf32BE;
    case ByteOrderMark::Kind::Utf16BE:
        return QStringConverter::Utf16BE;
    default:
        return QStringConverter::Utf16LE;
    }
}

// Finds the next line break at or after from: its position and length (1 for LF, 2 for CR LF),
// or position -1 when there is none.
std::pair<qsizetype, qsizetype> nextLineBreak(const QString &text, qsizetype from)
{
    const qsizetype lf = text.indexOf(u'\n', from);
    if (lf < 0)
        return {-1, 0};
    if (lf > from && text[lf - 1] == u'\r')
        return {lf - 1, 2};
    return {lf, 1};
}
} // namespace

ByteOrderMark ByteOrderMark::of(QByteArrayView start)
{
    const qsizetype length = start.size();
    auto at = [&](qsizetype i) {
        return i < length ? uchar(start[i]) : uchar(0);
    };
    if (length >= 4 && at(0) == 0xFF && at(1) == 0xFE && at(2) == 0x00 && at(3) == 0x00)
        return {Kind::Utf32LE};
    if (length >= 4 && at(0) == 0x00 && at(1) == 0x00 && at(2) == 0xFE && at(3) == 0xFF)
        return {Kind::Utf32BE};
    if (length >= 3 && at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF)
        return {Kind::Utf8};
    if (length >= 2 && at(0) == 0xFF && at(1) == 0xFE)
        return {Kind::Utf16LE};
    if (length >= 2 && at(0) == 0xFE && at(1) == 0xFF)
        return {Kind::Utf16BE};
    return {Kind::None};
}

int ByteOrderMark::length() const
{
    switch (kind) {
    case Kind::None:
        return 0;
    case Kind::Utf16LE:
    case Kind::Utf16BE:
        return 2;
    case Kind::Utf8:
        return 3;
    case Kind::Utf32LE:
    case Kind::Utf32BE:
        return 4;
    }
    return 0;
}

bool ByteOrderMark::isUnicode() const
{
    return kind != Kind::None && kind != Kind::Utf8;
}

QStringList splitOnCrLf(const QString &text)
{
    QStringList entries;
    if (text.isEmpty())
        return entries;
    // A fetched page is often one line of many megabytes: hand it back without a copy.
    if (!text.contains(u'\n'))
        return {text};
    qsizetype from = 0;
    for (;;) {
        const auto [at, length] = nextLineBreak(text, from);
        if (at < 0)
            break;
        entries.append(text.sliced(from, at - from));
        from = at + length;
    }
    entries.append(text.sliced(from));
    return entries;
}

QStringList splitIntoReadLines(const QString &text)
{
    QStringList lines = splitOnCrLf(text);
    // The reader is at its end after the last break, so that break opens no line of its own;
    // but a file with nothing in it still reads as one empty line.
    if (lines.isEmpty())
        lines.append(QString());
    else if (lines.size() > 1 && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}
namespace {
// The encoding a whole file's bytes (after the mark) are read in, found by their mark.
QStringConverter::Encoding encodingOf(ByteOrderMark mark, QByteArrayView text)
{
    if (mark.isUtf8())
        return QStringConverter::Utf8;
    if (!mark.isUnicode()) {
        // Without a mark the file is 8-bit text in the system's code page, which is UTF-8 on
        // Linux. Windows' code page cannot hold most characters, and pages come from the web
        // in UTF-8: there only a file that is not UTF-8 is read in the code page.
#ifdef Q_OS_WIN
        if (text.isValidUtf8())
            return QStringConverter::Utf8;
#else
        Q_UNUSED(text);
#endif
        return QStringConverter::System;
    }
    return unicodeEncodingOf(mark);
}

ByteOrderMark markOf(QByteArrayView bytes)
{
    return ByteOrderMark::of(bytes.first(qMin<qsizetype>(bytes.size(), 4)));
}
} // namespace

QStringList linesOfBytes(QByteArrayView bytes)
{
    const ByteOrderMark mark = markOf(bytes);
    const QByteArrayView text = bytes.sliced(mark.length());
    const QString decoded = decode(text, encodingOf(mark, text));
    return mark.isUtf8() ? splitOnCrLf(decoded) : splitIntoReadLines(decoded);
}

void decodeInPieces(QByteArrayView bytes, qsizetype pieceBytes,
                    const std::function<bool(QStringView)> &take)
{
    const ByteOrderMark mark = markOf(bytes);
    QString buffer;
    const QByteArrayView text = bytes.sliced(mark.length());
    decodePieces(text, encodingOf(mark, text), pieceBytes, buffer, take);
}

namespace {
// Reads an open file to its end, refusing it when it holds more than maxBytes.
QByteArray readToEnd(QFile &file, qint64 maxBytes, const QString &path)
{
    const auto tooLarge = [&] {
        return AppError(QStringLiteral("Cannot read %1: it is larger than %2")
                            .arg(describedPath(path), describedSize(maxBytes)));
    };
    QByteArray bytes;
    // A regular file tells its size, so one too large is refused before a byte is read. A
    // pipe, a FIFO or a device does not: it is read until its end, or until one byte more
    // than allowed shows it is too large.
    if (!file.isSequential()) {
        if (file.size() > maxBytes)
            throw tooLarge();
        bytes.reserve(file.size() + 1);
    }
    constexpr qint64 ChunkBytes = 1 << 16;
    for (;;) {
        const qsizetype before = bytes.size();
        const qint64 wanted = qMin(ChunkBytes, maxBytes + 1 - before);
        bytes.resize(before + wanted);
        const qint64 got = file.read(bytes.data() + before, wanted);
        if (got < 0)
            throw AppError(
                QStringLiteral("Cannot read %1: %2").arg(describedPath(path), file.errorString()));
        bytes.resize(before + got);
        if (bytes.size() > maxBytes)
            throw tooLarge();
        if (got == 0)
            return bytes;
    }
}
} // namespace

void openForReading(QFile &file)
{
    const QString path = file.fileName();
    if (QFileInfo(path).isDir())
        throw AppError(
            QStringLiteral("Cannot read %1: it is a folder, not a file").arg(describedPath(path)));
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(
            QStringLiteral("Cannot open %1: %2").arg(describedPath(path), file.errorString()));
}

void openStandardInput(QFile &file)
{
    if (!StandardStreams::openInput(file))
        throw AppError(QStringLiteral("Cannot open %1: %2")
                           .arg(describedPath(file.fileName()), file.errorString()));
}

QByteArray readWholeFile(const QString &path, qint64 maxBytes)
{
    if (QFileInfo(path).isDir())
        throw AppError(
            QStringLiteral("Cannot read %1: it is a folder, not a file").arg(describedPath(path)));
    // By the name's own bytes: a name that is not UTF-8 still opens its file.
    QFile file;
    QString why;
    if (!openNativeForReading(file, path, &why))
        throw AppError(QStringLiteral("Cannot open %1: %2").arg(describedPath(path), why));
    return readToEnd(file, maxBytes, path);
}

QByteArray readStandardInput(qint64 maxBytes)
{
    QFile file;
    openStandardInput(file);
    return readToEnd(file, maxBytes, file.fileName());
}

QStringList readAllLines(const QString &path)
{
    // Read once, mark and all: a pipe or a FIFO has no second reading to give.
    return linesOfBytes(readWholeFile(path, MaxLinkFileBytes));
}
} // namespace TextReader
