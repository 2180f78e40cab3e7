#include "textio/TextReader.h"

#include "platform/AppError.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace RFTSFSO {
bool unicodeFlag = false;
bool utf8Flag = false;

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
    switch (mark) {
    case ByteOrderMark::Utf32LE:
        return QStringConverter::Utf32LE;
    case ByteOrderMark::Utf32BE:
        return QStringConverter::Utf32BE;
    case ByteOrderMark::Utf16BE:
        return QStringConverter::Utf16BE;
    default:
        // Unicode mode without a UTF-16 or UTF-32 mark (the file changed since detection):
        // little-endian UTF-16 is what that mode reads.
        return QStringConverter::Utf16LE;
    }
}

// Unicode files and mark-less files: the mark tells the exact encoding; a file without one is
// 8-bit text in the system's code page, which is UTF-8 here.
QStringList readLinesOfTextFile(const QString &path, bool unicode)
{
    const QByteArray bytes = readWholeFile(path);
    if (!unicode)
        return splitIntoReadLines(decode(bytes, QStringConverter::System));
    ByteOrderMark mark = byteOrderMarkOf(bytes.constData(), bytes.size());
    if (mark == ByteOrderMark::Utf8)
        mark = ByteOrderMark::None;
    const QByteArrayView text = QByteArrayView(bytes).sliced(byteOrderMarkLength(mark));
    return splitIntoReadLines(decode(text, unicodeEncodingOf(mark)));
}

QStringList readLinesOfUtf8File(const QString &path)
{
    const QByteArray bytes = readWholeFile(path);
    QByteArrayView text(bytes);
    // The file may have changed since detection; only a mark that is really there is dropped.
    if (text.startsWith("\xEF\xBB\xBF"))
        text = text.sliced(3);
    return SplitOnCrLf(decode(text, QStringConverter::Utf8));
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

ByteOrderMark byteOrderMarkOf(const char *firstBytes, qint64 fileLength)
{
    uchar b[4] = {};
    for (qint64 i = 0; i < qMin<qint64>(fileLength, 4); ++i)
        b[i] = uchar(firstBytes[i]);
    if (fileLength >= 4 && b[0] == 0xFF && b[1] == 0xFE && b[2] == 0x00 && b[3] == 0x00)
        return ByteOrderMark::Utf32LE;
    if (fileLength >= 4 && b[0] == 0x00 && b[1] == 0x00 && b[2] == 0xFE && b[3] == 0xFF)
        return ByteOrderMark::Utf32BE;
    if (fileLength >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF)
        return ByteOrderMark::Utf8;
    if (fileLength >= 2 && b[0] == 0xFF && b[1] == 0xFE)
        return ByteOrderMark::Utf16LE;
    if (fileLength >= 2 && b[0] == 0xFE && b[1] == 0xFF)
        return ByteOrderMark::Utf16BE;
    return ByteOrderMark::None;
}

int byteOrderMarkLength(ByteOrderMark mark)
{
    switch (mark) {
    case ByteOrderMark::None:
        return 0;
    case ByteOrderMark::Utf16LE:
    case ByteOrderMark::Utf16BE:
        return 2;
    case ByteOrderMark::Utf8:
        return 3;
    case ByteOrderMark::Utf32LE:
    case ByteOrderMark::Utf32BE:
        return 4;
    }
    return 0;
}

bool DetectByteOrderMark(const QString &path)
{
    utf8Flag = false;
    QFile file(path);
    openForReading(file);
    const qint64 length = file.size();
    char firstBytes[4] = {};
    if (file.read(firstBytes, 4) < 0)
        throw AppError(
            QStringLiteral("Cannot read %1: %2").arg(describedPath(path), file.errorString()));
    file.close();

    const ByteOrderMark mark = byteOrderMarkOf(firstBytes, length);
    if (mark == ByteOrderMark::Utf8) {
        utf8Flag = true;
        return false;
    }
    return mark != ByteOrderMark::None;
}

QStringList SplitOnCrLf(const QString &text)
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
    QStringList lines = SplitOnCrLf(text);
    // The reader is at its end after the last break, so that break opens no line of its own;
    // but a file with nothing in it still reads as one empty line.
    if (lines.isEmpty())
        lines.append(QString());
    else if (lines.size() > 1 && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}
} // namespace RFTSFSO

QStringList ReadAllLines(const QString &path)
{
    RFTSFSO::unicodeFlag = RFTSFSO::DetectByteOrderMark(path);
    if (RFTSFSO::utf8Flag)
        return RFTSFSO::readLinesOfUtf8File(path);
    return RFTSFSO::readLinesOfTextFile(path, RFTSFSO::unicodeFlag);
}
