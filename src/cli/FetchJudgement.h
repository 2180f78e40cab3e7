// What one fetch of a link proves: a verdict on the video, or only that the site did not
// answer in a way that judges it, and whether asking again may help.
#pragma once

#include "cli/CheckedLink.h"

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
    QString reason; // invalid: the page's reason or a short cause; unknown: what happened
    std::optional<QString> status; // the page's playability status, when it had one
    bool mayPass = false; // asking again later may get a real answer
    bool hostIsLimiting = false; // the site is slowing this client down
    // What the window would file an unknown link with: "URL unavailable", or a limiting
    // page's own reason.
    QString windowReason;
};

FetchJudgement judgeFetch(const FetchResult &result);
