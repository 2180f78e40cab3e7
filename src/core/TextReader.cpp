#include "core/TextReader.h"

#include "core/AppError.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace TextReader {
namespace {
QString describedPath(const QString &path)
{
    return QStringLiteral("\"%1\"").arg(path);
}

// Opens path for reading, or throws with a description that names the file. A folder is
// refused by name: it cannot hold lines, and the system's own wording for it varies.
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

QByteArray readWholeFile(const QString &path)
{
    QFile file(path);
    openForReading(file);
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw AppError(
            QStringLiteral("Cannot read %1: %2").arg(describedPath(path), file.errorString()));
    return bytes;
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

// Where the next piece of bytes to decode ends: just after an ASCII character at least a
// megabyte in, or at the end. After an ASCII character the decoder holds nothing back, so
// decoding piece by piece gives exactly what decoding the whole would.
qsizetype decodingPieceLength(QByteArrayView bytes, QStringConverter::Encoding encoding)
{
    constexpr qsizetype PieceLength = 1 << 20;
    const qsizetype unit = codeUnitSize(encoding);
    const auto *data = reinterpret_cast<const uchar *>(bytes.data());
    for (qsizetype at = PieceLength; at + unit <= bytes.size(); at += unit) {
        if (isAsciiCodeUnit(data + at, encoding))
            return at + unit;
    }
    return bytes.size();
}

// Decodes bytes whole into one string. Qt's decoder needs much more memory than the text it
// makes when given a large page at once, so it is given a megabyte at a time. Stateless makes a
// cut-off sequence at the end come out as U+FFFD instead of vanishing; ConvertInitialBom keeps a
// second mark right after the real one as text, since the real one has already been taken off.
QString decode(QByteArrayView bytes, QStringConverter::Encoding encoding)
{
    QStringDecoder decoder(
        encoding, QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    QString text(decoder.requiredSpace(bytes.size()), Qt::Uninitialized);
    QChar *const start = text.data();
    QChar *end = start;
    while (!bytes.isEmpty()) {
        const qsizetype length = decodingPieceLength(bytes, encoding);
        end = decoder.appendToBuffer(end, bytes.first(length));
        bytes = bytes.sliced(length);
    }
    text.truncate(end - start);
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
QStringList linesOfBytes(QByteArrayView bytes)
{
    const ByteOrderMark mark = ByteOrderMark::of(bytes.first(qMin<qsizetype>(bytes.size(), 4)));
    const QByteArrayView text = bytes.sliced(mark.length());
    if (mark.isUtf8())
        return splitOnCrLf(decode(text, QStringConverter::Utf8));
    // Without a mark the file is 8-bit text in the system's code page, which is UTF-8 here.
    if (!mark.isUnicode())
        return splitIntoReadLines(decode(text, QStringConverter::System));
    return splitIntoReadLines(decode(text, unicodeEncodingOf(mark)));
}

QStringList readAllLines(const QString &path)
{
    // Read once, mark and all: a pipe or a FIFO has no second reading to give.
    return linesOfBytes(readWholeFile(path));
}
} // namespace TextReader
