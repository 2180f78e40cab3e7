// The playability verdict of a fetched watch page: valid, invalid with the page's reason,
// or unavailable when the page does not say.
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

struct PlayabilityVerdict
{
    enum class Kind { Valid, Invalid, Unavailable };

    Kind kind = Kind::Unavailable;
    QString reason; // the reason text, for Invalid only
    QString status; // the status text of the deciding line, when one was cut out

    bool operator==(const PlayabilityVerdict &) const = default;
};

// Finds the first line that mentions the playability marker and decides from it alone.
PlayabilityVerdict readPlayabilityVerdict(const QStringList &lines);

// The verdict of a whole page's bytes: decoded by their byte-order mark as
// TextReader::linesOfBytes decodes them, and decided as readPlayabilityVerdict decides those
// lines. The page is read only up to the end of its first line with the marker, and no more
// than that line's cleaned text from the marker on is held besides the page itself.
PlayabilityVerdict verdictOfPage(QByteArrayView page);
