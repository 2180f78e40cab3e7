// The playability verdict of a fetched watch page: valid, invalid with the page's reason,
// or unavailable when the page does not say.
#pragma once

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
