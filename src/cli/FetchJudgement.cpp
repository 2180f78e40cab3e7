#include "cli/FetchJudgement.h"

#include "cli/LimitingPages.h"
#include "core/PlayabilityVerdict.h"

namespace {
const QString UrlUnavailable = QStringLiteral("URL unavailable");

FetchJudgement unknown(const QString &cause, bool mayPass, bool hostIsLimiting = false)
{
    return {LinkVerdict::Unknown, cause, std::nullopt, mayPass, hostIsLimiting, UrlUnavailable};
}

FetchJudgement invalid(const QString &cause)
{
    return {LinkVerdict::Invalid, cause, std::nullopt, false, false, {}};
}

FetchJudgement judgeFailure(const FetchResult &result)
{
    using Failure = FetchResult::Failure;
    switch (result.failure) {
    case Failure::NoAnswer:
        return unknown(QStringLiteral("no answer: ") + result.detail, true);
    case Failure::CutShort:
        return unknown(QStringLiteral("page cut short"), true);
    case Failure::TooSlow:
        return unknown(QStringLiteral("page too slow"), false);
    case Failure::TooLarge:
        return unknown(QStringLiteral("page over 64 MiB"), false);
    case Failure::NotWebAddress:
        return invalid(QStringLiteral("not a web address"));
    case Failure::BadAddress:
        return invalid(QStringLiteral("not a valid address"));
    case Failure::BadRedirect:
        return unknown(QStringLiteral("redirect to a non-web address"), false);
    case Failure::TooManyRedirects:
        return unknown(QStringLiteral("too many redirects"), false);
    case Failure::Other:
    case Failure::None:
        break;
    }
    return unknown(QStringLiteral("fetch failed: ") + result.detail, false);
}

FetchJudgement judgeHttpError(int code)
{
    const QString http = QStringLiteral("HTTP %1").arg(code);
    switch (code) {
    case 404:
        return invalid(http + QStringLiteral(" (not found)"));
    case 410:
        return invalid(http + QStringLiteral(" (gone)"));
    case 429:
        return unknown(http + QStringLiteral(" (rate limited)"), true, true);
    case 503:
        return unknown(http + QStringLiteral(" (service unavailable)"), true, true);
    case 408:
        return unknown(http + QStringLiteral(" (request timeout)"), true);
    case 403:
        return unknown(http + QStringLiteral(" (forbidden)"), false);
    default:
        break;
    }
    if (code >= 500)
        return unknown(http + QStringLiteral(" (server error)"), true);
    return unknown(http, false);
}
} // namespace

FetchJudgement judgeFetch(const FetchResult &result)
{
    if (result.failure != FetchResult::Failure::None)
        return judgeFailure(result);
    // An error answer is no watch page, whatever its body says.
    if (result.httpStatus >= 400)
        return judgeHttpError(result.httpStatus);
    if (result.page.isEmpty())
        return unknown(QStringLiteral("empty page"), false);

    const PlayabilityVerdict verdict = verdictOfPage(result.page);
    switch (verdict.kind) {
    case PlayabilityVerdict::Kind::Valid:
        return {LinkVerdict::Valid, {}, verdict.status, false, false, {}};
    case PlayabilityVerdict::Kind::Invalid:
        if (const auto cause = limitingCause(verdict.status, result.page))
            return {LinkVerdict::Unknown, *cause, verdict.status, true, true, verdict.reason};
        return {LinkVerdict::Invalid, verdict.reason, verdict.status, false, false, {}};
    case PlayabilityVerdict::Kind::Unavailable:
        break;
    }
    FetchJudgement judgement = unknown(QStringLiteral("no playability status on the page"), false);
    if (!verdict.status.isEmpty())
        judgement.status = verdict.status;
    return judgement;
}
