// The repeat check of --normalize and --extract: which links were already seen, remembered by a
// 64-bit hash of each instead of its text, so that ten million links fit in a few hundred MB.
#pragma once

#include <QSet>
#include <QStringView>

class SeenLinks
{
public:
    // True the first time a link is offered, false for every later repeat. Two different links
    // share a hash with a chance of about n^2 / 2^65 over n links (one in three hundred
    // thousand for ten million): the later one would be dropped as a repeat.
    bool firstTime(QStringView link);

private:
    QSet<quint64> m_hashes;
};
