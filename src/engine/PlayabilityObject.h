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
    // The object as the page writes it, its first few KiB, read or not (see ScriptObject).
    QString raw;

    // What the site says: "REASON - SUBREASON", or whichever of the two there is.
    QString message() const;

    bool operator==(const PlayabilityObject &) const = default;
};

// Reads the page's first playability status object, found and read as readScriptObject does:
// a mention of the word that is no object's label (a video's title) is passed over.
PlayabilityObject readPlayabilityObject(QByteArrayView page);
