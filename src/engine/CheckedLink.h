// What checking one link found: its outcome, why, and what the fetches saw.
#pragma once

#include "engine/VideoDetails.h"

#include <QDateTime>
#include <QString>

#include <optional>

enum class LinkVerdict { Valid, Invalid, Unknown };

struct CheckedLink
{
    QString link;
    LinkVerdict verdict = LinkVerdict::Unknown;
    // invalid: the site's message ("REASON - SUBREASON") or a short cause; unknown: what happened
    QString reason;
    std::optional<QString> status; // the page's playability status; none when it had none
    std::optional<int> http; // the last HTTP status code; none when there was no answer
    int attempts = 0; // how many fetches were made
    QString source; // with --extract: "FILE:LINE" of the first occurrence, else empty
    // What the page said in its own words, when it said it.
    std::optional<QString> siteReason;
    std::optional<QString> siteSubreason;
    // What the window would file the link with: empty for valid, else its reason text.
    QString windowReason;
    VideoDetails video; // what the page said about the video, when it said it
    // What the --cache store knew before this check: the verdict it last decided and when, and
    // when the link's video was last found valid.
    std::optional<LinkVerdict> previousVerdict;
    QDateTime previousDecided;
    QDateTime lastSeenValid;

    bool operator==(const CheckedLink &) const = default;
};

// The link as the window files it (--window-verdicts): valid only when the window would find
// it valid, otherwise invalid with the window's reason text exactly.
inline CheckedLink filedAsTheWindowFilesIt(CheckedLink checked)
{
    if (checked.verdict == LinkVerdict::Valid && checked.windowReason.isEmpty())
        return checked;
    checked.verdict = LinkVerdict::Invalid;
    checked.reason
        = checked.windowReason.isEmpty() ? QStringLiteral("URL unavailable") : checked.windowReason;
    checked.siteReason.reset();
    checked.siteSubreason.reset();
    return checked;
}
