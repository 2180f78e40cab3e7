// The whole-file reader: reads any link file or fetched page into a line list, choosing
// the encoding from the byte-order mark at its start.
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <functional>

class QFile;

namespace TextReader {
// The mark a text starts with, found by the first matching row of the mark table.
struct ByteOrderMark
{
    enum class Kind { None, Utf32LE, Utf32BE, Utf8, Utf16LE, Utf16BE };

    Kind kind = Kind::None;

    // Looks at the first (up to) four bytes of a text; a row is only tried when the text is
    // long enough for its mark.
    static ByteOrderMark of(QByteArrayView start);

    int length() const;
    // A UTF-16 or UTF-32 mark: the text is read in that encoding.
    bool isUnicode() const;
    // EF BB BF: the text is UTF-8 and is cut into lines at every break, the last one included.
    bool isUtf8() const { return kind == Kind::Utf8; }

    bool operator==(const ByteOrderMark &) const = default;
};

// The largest link file readAllLines reads: far beyond any list of links a person keeps,
// and small enough that its line list fits in memory.
inline constexpr qint64 MaxLinkFileBytes = qint64(256) * 1024 * 1024;

// Opens the file named by file.fileName() for reading, or throws AppError with one line naming
// it. A folder is refused by name: it cannot hold lines, and the system's own wording varies.
void openForReading(QFile &file);
// Opens standard input into file as openForReading opens a file.
void openStandardInput(QFile &file);

// Reads the whole file at path once, a pipe, a FIFO or a device as well as a regular file,
// but never more than maxBytes: a larger file (or an endless device such as /dev/zero) is
// refused. Throws AppError with one line naming the file when it cannot be opened or read or
// is larger than maxBytes.
QByteArray readWholeFile(const QString &path, qint64 maxBytes);
// Reads standard input whole as readWholeFile reads a file, with the same limit.
QByteArray readStandardInput(qint64 maxBytes);

// Reads the whole file at path once (at most MaxLinkFileBytes, see readWholeFile) and
// returns its lines without their line breaks.
QStringList readAllLines(const QString &path);

// The lines of a whole file's bytes, as readAllLines gives them.
QStringList linesOfBytes(QByteArrayView bytes);

// Decodes a whole file's bytes by their mark exactly as linesOfBytes does, but hands the text
// (without the mark) to take a piece at a time instead of making one string: each piece but
// the last ends just after an ASCII character, at least pieceBytes bytes on. Stops early when
// take returns false.
void decodeInPieces(QByteArrayView bytes, qsizetype pieceBytes,
                    const std::function<bool(QStringView)> &take);

// Cuts text into entries at every CR LF and every lone LF; a lone CR is ordinary text. Empty
// pieces are entries, also the last one after a final break; an empty text gives no entries.
QStringList splitOnCrLf(const QString &text);

// Cuts text into lines at CR LF and lone LF the way a line reader does: a final break adds no
// empty last line, and a text without a single character gives one empty line.
QStringList splitIntoReadLines(const QString &text);
} // namespace TextReader
