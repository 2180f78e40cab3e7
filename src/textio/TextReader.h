// The whole-file reader: reads any link file or fetched page into a line list, choosing
// the encoding from the file's byte-order mark.
#pragma once

#include <QString>
#include <QStringList>

// Reads the whole file at path and returns its lines without their line breaks.
// Throws AppError with a clear description when the file cannot be opened or read.
QStringList ReadAllLines(const QString &path);

namespace RFTSFSO {
// What the last detection found. Every ReadAllLines rewrites both before it reads: the Unicode
// flag for a UTF-16 or UTF-32 mark, the UTF-8 flag for EF BB BF (the UTF-8 flag wins).
extern bool unicodeFlag;
extern bool utf8Flag;

// The mark at the start of a file, by the first matching row of the mark table.
enum class ByteOrderMark { None, Utf32LE, Utf32BE, Utf8, Utf16LE, Utf16BE };

// Looks at the first (up to) four bytes of a file of the given length; bytes past the end of a
// shorter file count as 0, and a row is only tried when the file is long enough for its mark.
ByteOrderMark byteOrderMarkOf(const char *firstBytes, qint64 fileLength);
int byteOrderMarkLength(ByteOrderMark mark);

// Reads the file's first bytes and returns true for a UTF-16 or UTF-32 mark; sets utf8Flag for
// a UTF-8 mark. Throws AppError when the file cannot be opened or read.
bool DetectByteOrderMark(const QString &path);

// Cuts text into entries at every CR LF and every lone LF; a lone CR is ordinary text. Empty
// pieces are entries, also the last one after a final break; an empty text gives no entries.
QStringList SplitOnCrLf(const QString &text);

// Cuts text into lines at CR LF and lone LF the way a line reader does: a final break adds no
// empty last line, and a text without a single character gives one empty line.
QStringList splitIntoReadLines(const QString &text);
} // namespace RFTSFSO
