// What the site says about a video in its own words: the page's playability status object
// read as the JSON it is, for the shell tool's reports.
#pragma once

#include <QByteArrayView>
#include <QString>

struct PlayabilityObject
{
    enum class Found {
        NoMarker, // the page never mentions a playability status
        Unreadable, // it does, but no JSON object follows that the reader can take
        Read,
    };

    Found found = Found::NoMarker;
    QString status; // "OK", "ERROR", ...; empty when the object has no status text
    QString reason; // the top-level reason, else the error screen's; trimmed, may be empty
    QString subreason; // the error screen's subreason, its runs joined; trimmed, may be empty

    // What the site says: "REASON - SUBREASON", or whichever of the two there is.
    QString message() const;

    bool operator==(const PlayabilityObject &) const = default;
};

// Finds the first mention of the playability status in the page (decoded by its byte-order
// mark as the window decodes it, the marker matched without regard to case as the window's
// rule matches it) and reads the object that follows it with Qt's JSON reader. The object may
// stand plain ("playabilityStatus":{...}), pretty-printed across lines, or escaped inside a
// string of the page's script (\"playabilityStatus\":{\"status\":...}, at any depth).
PlayabilityObject readPlayabilityObject(QByteArrayView page);
