#include "cli/InputFiles.h"

#include "cli/CheckCommandLine.h"

#include "core/AppError.h"
#include "core/MarklessUtf16.h"
#include "core/TextReader.h"

#include <QFile>
#include <QStringDecoder>
#include <QTextStream>

#include <optional>

namespace InputFiles {

QString displayName(const QString &path)
{
    return path == u"-" ? QStringLiteral("standard input") : path;
}

QByteArray readBytes(const QString &path, qint64 maxBytes)
{
    return path == u"-" ? TextReader::readStandardInput(maxBytes)
                        : TextReader::readWholeFile(path, maxBytes);
}

namespace {
// A UTF-16 text without a mark, when the bytes look like one; its note goes to err.
std::optional<QStringConverter::Encoding> marklessUtf16(const QString &path,
                                                        const QByteArray &bytes, QTextStream &err)
{
    const auto start = [&](qsizetype length) {
        return QByteArrayView(bytes).first(qMin(bytes.size(), length));
    };
    const MarklessUtf16 utf16 = detectMarklessUtf16(start(1024));
    if (utf16 == MarklessUtf16::None
        || TextReader::ByteOrderMark::of(start(4)).kind != TextReader::ByteOrderMark::Kind::None)
        return std::nullopt;
    const bool littleEndian = utf16 == MarklessUtf16::Utf16LE;
    CheckCommandLine::complain(err,
                               QStringLiteral("note: %1 has no byte-order mark but reads as "
                                              "UTF-16%2; reading it as such.")
                                   .arg(displayName(path), littleEndian ? u"LE"_qs : u"BE"_qs));
    return littleEndian ? QStringConverter::Utf16LE : QStringConverter::Utf16BE;
}

// The lines of a link file's bytes, read as UTF-16 when they are that without a mark.
QStringList linesOf(const QByteArray &bytes, std::optional<QStringConverter::Encoding> utf16)
{
    if (!utf16)
        return TextReader::linesOfBytes(bytes);
    QStringDecoder decoder(*utf16, QStringConverter::Flag::Stateless);
    return TextReader::splitIntoReadLines(decoder.decode(bytes));
}

// What hands the decoded lines of bytes on: straight to take, unless the bytes are read as
// UTF-8 and are not valid UTF-8. Then each line's bytes (up to its LF: a bad byte never hides
// an LF) are checked as the line goes by, and a bad line goes to takeNotUtf8.
std::function<void(QStringView)>
utf8LineChecker(const QByteArray &bytes, const std::function<void(QStringView)> &take,
                const std::function<void(QStringView)> &takeNotUtf8)
{
    const TextReader::ByteOrderMark mark = TextReader::ByteOrderMark::of(bytes);
    if (!takeNotUtf8 || mark.isUnicode() || QByteArrayView(bytes).isValidUtf8())
        return take;
    return
        [&bytes, &take, &takeNotUtf8, from = qsizetype(mark.length())](QStringView line) mutable {
            qsizetype end = bytes.indexOf('\n', from);
            if (end < 0)
                end = bytes.size();
            const bool valid = QByteArrayView(bytes).sliced(from, end - from).isValidUtf8();
            from = qMin(end + 1, bytes.size());
            (valid ? take : takeNotUtf8)(line);
        };
}
} // namespace

QStringList linkFileLines(const QString &path, QTextStream &err)
{
    const QByteArray bytes = readBytes(path, TextReader::MaxLinkFileBytes);
    return linesOf(bytes, marklessUtf16(path, bytes, err));
}

void forEachLinkFileLine(const QString &path, QTextStream &err,
                         const std::function<void(QStringView)> &take,
                         const std::function<void(QStringView, const QString &)> &takeUndecodable)
{
    const QByteArray bytes = readBytes(path, TextReader::MaxLinkFileBytes);
    const TextReader::ByteOrderMark mark = TextReader::ByteOrderMark::of(bytes);
    // A text of two- or four-byte units that ends in part of one: its last line's end is not
    // known, so that line says nothing certain.
    using Kind = TextReader::ByteOrderMark::Kind;
    const auto utf16 = marklessUtf16(path, bytes, err);
    const bool wide16 = utf16 || mark.kind == Kind::Utf16LE || mark.kind == Kind::Utf16BE;
    const bool wide32 = mark.kind == Kind::Utf32LE || mark.kind == Kind::Utf32BE;
    const qsizetype unitBytes = wide16 ? 2 : wide32 ? 4 : 1;
    const QString cutShort = wide16 ? u"not valid UTF-16"_qs : u"not valid UTF-32"_qs;
    const bool endsInPart = takeUndecodable && (bytes.size() - mark.length()) % unitBytes != 0;
    const auto takeLast = [&](QStringView line, const std::function<void(QStringView)> &deliver) {
        if (endsInPart)
            takeUndecodable(line, cutShort);
        else
            deliver(line);
    };
    if (utf16) {
        // Rare enough to take the plain way, from the bytes already read: a pipe has no
        // second reading to give.
        QStringList lines = linesOf(bytes, utf16);
        const QString last = lines.isEmpty() ? QString() : lines.takeLast();
        for (const QString &line : std::as_const(lines))
            take(line);
        takeLast(last, take);
        return;
    }
    // Lines end at LF, a CR just before it going with it; the decoded text arrives a piece at
    // a time, so a line may start in one piece and end in the next.
    QString partial;
    std::function<void(QStringView)> notUtf8;
    if (takeUndecodable)
        notUtf8 = [&](QStringView line) {
            takeUndecodable(line, u"not valid UTF-8"_qs);
        };
    const auto deliver = utf8LineChecker(bytes, take, notUtf8);
    TextReader::decodeInPieces(bytes, 1 << 20, [&](QStringView piece) {
        qsizetype from = 0;
        for (;;) {
            const qsizetype lf = piece.indexOf(u'\n', from);
            if (lf < 0)
                break;
            QStringView line = piece.sliced(from, lf - from);
            if (!partial.isEmpty()) {
                partial += line;
                line = partial;
            }
            if (line.endsWith(u'\r'))
                line.chop(1);
            deliver(line);
            partial.clear();
            from = lf + 1;
        }
        partial += piece.sliced(from);
        return true;
    });
    if (!partial.isEmpty())
        takeLast(partial, deliver);
}

namespace {
// Where an overlong line is cut: after the last separator in the second half of its first
// maxLength characters, or at maxLength when there is none, so that a link is rarely split.
qsizetype cutOfLongLine(QStringView text, qsizetype maxLength)
{
    for (qsizetype at = maxLength - 1; at >= maxLength / 2; --at) {
        if (QStringView(u",;{}[] \t").contains(text[at]))
            return at + 1;
    }
    return maxLength;
}

// The decoder of a streamed file, chosen from its first bytes; sets *markLength to the bytes
// of the mark to pass over.
QStringDecoder decoderFor(const QString &path, const QByteArray &start, QTextStream &err,
                          qsizetype *markLength)
{
    using TextReader::ByteOrderMark;
    const ByteOrderMark mark
        = ByteOrderMark::of(QByteArrayView(start).first(qMin(4, int(start.size()))));
    *markLength = mark.length();
    switch (mark.kind) {
    case ByteOrderMark::Kind::Utf32LE:
        return QStringDecoder(QStringConverter::Utf32LE);
    case ByteOrderMark::Kind::Utf32BE:
        return QStringDecoder(QStringConverter::Utf32BE);
    case ByteOrderMark::Kind::Utf16LE:
        return QStringDecoder(QStringConverter::Utf16LE);
    case ByteOrderMark::Kind::Utf16BE:
        return QStringDecoder(QStringConverter::Utf16BE);
    case ByteOrderMark::Kind::Utf8:
    case ByteOrderMark::Kind::None:
        break;
    }
    if (const auto utf16 = marklessUtf16(path, start, err))
        return QStringDecoder(*utf16);
    return QStringDecoder(QStringConverter::Utf8);
}
} // namespace

void forEachStreamedLine(const QString &path, QTextStream &err, qsizetype maxLineLength,
                         const std::function<void(QStringView text, bool endsLine)> &take)
{
    QFile file(path);
    if (path == u"-")
        TextReader::openStandardInput(file);
    else
        TextReader::openForReading(file);
    constexpr qint64 BlockBytes = 1 << 20;
    constexpr qint64 StartBytes = 1024; // enough to tell the encoding
    QByteArray block;
    const auto readBlock = [&](qint64 wanted) {
        block.resize(wanted);
        qint64 got = 0;
        // A pipe hands over what it holds: the start is read until it is long enough.
        while (got < wanted) {
            const qint64 read = file.read(block.data() + got, wanted - got);
            if (read < 0)
                throw AppError(QStringLiteral("Cannot read \"%1\": %2")
                                   .arg(displayName(path), file.errorString()));
            if (read == 0)
                break;
            got += read;
            if (wanted > StartBytes)
                break;
        }
        block.resize(got);
    };

    readBlock(StartBytes);
    qsizetype markLength = 0;
    QStringDecoder decoder = decoderFor(path, block, err, &markLength);
    QString line;
    bool cutLine = false; // pieces of the line under way went out already
    const auto feed = [&](QStringView text) {
        qsizetype from = 0;
        for (;;) {
            const qsizetype lf = text.indexOf(u'\n', from);
            line += lf < 0 ? text.sliced(from) : text.sliced(from, lf - from);
            while (line.size() > maxLineLength) {
                const qsizetype cut = cutOfLongLine(line, maxLineLength);
                take(QStringView(line).first(cut), false);
                line.remove(0, cut);
                cutLine = true;
            }
            if (lf < 0)
                return;
            if (line.endsWith(u'\r'))
                line.chop(1);
            take(line, true);
            line.clear();
            cutLine = false;
            from = lf + 1;
        }
    };
    feed(QString(decoder.decode(QByteArrayView(block).sliced(markLength))));
    for (;;) {
        readBlock(BlockBytes);
        if (block.isEmpty())
            break;
        feed(QString(decoder.decode(block)));
    }
    if (!line.isEmpty() || cutLine)
        take(line, true);
}

} // namespace InputFiles
