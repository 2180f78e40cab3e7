// ScriptObject: finding an object the page's script names ("playabilityStatus":{...}), plain or
// escaped inside the script's strings, and reading it as JSON within a bound.
#pragma once

#include <QByteArrayView>
#include <QJsonObject>
#include <QLatin1StringView>
#include <QString>

struct ScriptObject
{
    enum class Found {
        NoName, // the page never mentions the name
        Unreadable, // it does, but the first object under that name cannot be taken
        Read,
    };

    Found found = Found::NoName;
    QJsonObject object; // when read
    // The object as the page writes it, from its opening brace, at most RawReach characters:
    // what is left to look at when it cannot be read.
    QString raw;

    // The few KiB that hold what the site says on any page it sends.
    static constexpr qsizetype RawReach = 4096;
};

// Reads the first object the page's script gives under name (lower-case ASCII; the page's
// letter case is not minded, as the window's rule does not mind it). The page is decoded by its
// byte-order mark as the window decodes it. A mention of the name that is no object's label
// (a title, a sentence) is passed over; the object may stand plain ("name":{...}),
// pretty-printed, or escaped inside a string of the script (\"name\":{\"status\":...}, at any
// depth). An object that does not close within a mebi-character of the page is not read.
ScriptObject readScriptObject(QByteArrayView page, QLatin1StringView name);
