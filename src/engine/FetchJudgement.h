// What one fetch of a link proves: a verdict on the video, or only that the site did not
// answer in a way that judges it, and whether asking again may help.
#pragma once

#include "engine/CheckedLink.h"
#include "engine/VideoDetails.h"

#include <QByteArray>
#include <QString>

#include <optional>

// What one fetch brought back, as the fetching reports it.
struct FetchResult
{
    // Why a transfer did not complete; None for a completed one.
    enum class Failure {
        None,
        NoAnswer, // refused, reset, host not found, timed out, nothing sent back
        CutShort, // the body ended before its declared end
        TooSlow, // the answer began but did not end within the time limit
        TooLarge, // the page is over the size limit
        HeadersTooLarge, // the answer's headers are over their size limit
        NotWebAddress, // the link names another protocol
        BadAddress, // the link cannot be an address at all
        BadRedirect, // a redirect to another protocol or to no address
        TooManyRedirects,
        Other, // anything else the fetching reports (a TLS failure, ...)
    };

    Failure failure = Failure::None;
    QString detail; // a few words on the failure, e.g. "connection refused"
    int httpStatus = 0; // of the last answer; 0 when there was none
    std::optional<qint64> retryAfterSeconds; // the last answer's Retry-After, if any
    QByteArray page; // the body of a completed transfer
};

struct FetchJudgement
{
    LinkVerdict verdict = LinkVerdict::Unknown;
    // invalid: the site's message ("REASON - SUBREASON") or a short cause; unknown: what happened
    QString reason;
    std::optional<QString> status; // the page's playability status, when it had one
    bool mayPass = false; // asking again later may get a real answer
    bool hostIsLimiting = false; // the site is slowing this client down
    // What the window would file the link with: empty when it files it as valid, else its
    // reason text exactly ("URL unavailable", or the page's reason as the window cuts it).
    QString windowReason;
    // What the page said in its own words, when it said it.
    std::optional<QString> siteReason;
    std::optional<QString> siteSubreason;
    VideoDetails video; // what the page said about the video, when it said it
};

// Every text in the judgement is shortened to MaxReasonLength, as the window shortens its own.
FetchJudgement judgeFetch(const FetchResult &result);

// The outcome of link as judgement has it; what the fetching counted (the HTTP status, the
// attempts) and the source are the caller's to fill in.
CheckedLink checkedLinkOf(const QString &link, const FetchJudgement &judgement);
