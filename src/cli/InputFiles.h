// How the shell tool reads its input files: each file once, so pipes, FIFOs and process
// substitution read like regular files, "-" standing for standard input.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>

class QTextStream;

namespace InputFiles {
// The whole content of path ("-" for standard input), never more than maxBytes: a larger
// input, or an endless device, is refused. Throws AppError naming the file.
QByteArray readBytes(const QString &path, qint64 maxBytes);

// The lines of a link file, read as the window's load button reads them; a UTF-16 file without
// a byte-order mark (as some editors save) is recognised and read as UTF-16, with a note on
// err saying so.
QStringList linkFileLines(const QString &path, QTextStream &err);

// Hands each line of a link file to take as it is decoded, without holding the file's lines
// (the lines linkFileLines would give, the empty last one after a final break aside). When
// takeUndecodable is given, a line that cannot be read as it was written goes to it instead,
// with why: "not valid UTF-8" for one of a file read as UTF-8 whose bytes are not (its bad
// bytes read as U+FFFD), "not valid UTF-16" (or UTF-32) for the last line of a file that ends
// in part of a character.
void forEachLinkFileLine(const QString &path, QTextStream &err,
                         const std::function<void(QStringView)> &take,
                         const std::function<void(QStringView, const QString &)> &takeUndecodable
                         = {});

// Hands the lines of a file of any size ("-" for standard input) to take while reading it a
// block at a time, so memory stays bounded whatever the file holds: no size limit, and a line
// longer than maxLineLength comes in pieces, each but the last with endsLine false, cut after
// a separator (a comma, a bracket, a blank) where one stands in the piece's second half. The
// encoding is chosen as for linkFileLines (mark, UTF-16 without a mark, else UTF-8); lines end
// at LF, a CR just before it going with it.
void forEachStreamedLine(const QString &path, QTextStream &err, qsizetype maxLineLength,
                         const std::function<void(QStringView text, bool endsLine)> &take);

// What a file is called in messages and sources: "-" is standard input.
QString displayName(const QString &path);
} // namespace InputFiles
