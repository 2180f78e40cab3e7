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

// The longest reason either program keeps, in UTF-16 code units. The longest message the site
// is known to write (a members-only offer with its subreason) is about 250 characters; any
// page can send one of megabytes, which would cost seconds to lay out in a list row and bloat
// every file and cache it reaches.
inline constexpr qsizetype MaxReasonLength = 1000;

// text itself when it is at most MaxReasonLength long; otherwise its start with an ellipsis
// (U+2026), MaxReasonLength long in all, never splitting a surrogate pair.
QString shortenedReason(QString text);

// Finds the first line that mentions the playability marker and decides from it alone. The
// reason text is shortened with shortenedReason.
PlayabilityVerdict readPlayabilityVerdict(const QStringList &lines);

// The verdict of a whole page's bytes: decoded by their byte-order mark as
// TextReader::linesOfBytes decodes them, and decided as readPlayabilityVerdict decides those
// lines. The page is read only up to the end of its first line with the marker, and no more
// than that line's cleaned text from the marker on is held besides the page itself.
PlayabilityVerdict verdictOfPage(QByteArrayView page);
