#include "engine/FetchJudgement.h"

#include "core/PlayabilityVerdict.h"
#include "engine/LimitingPages.h"
#include "engine/PlayabilityObject.h"

namespace {
const QString UrlUnavailable = QStringLiteral("URL unavailable");

FetchJudgement unknown(const QString &cause, bool mayPass, bool hostIsLimiting = false)
{
    FetchJudgement judgement;
    judgement.reason = cause;
    judgement.mayPass = mayPass;
    judgement.hostIsLimiting = hostIsLimiting;
    judgement.windowReason = UrlUnavailable;
    return judgement;
}

// Judged by the fetch alone (404, a link that is no address): the window files it unavailable.
FetchJudgement invalid(const QString &cause)
{
    FetchJudgement judgement;
    judgement.verdict = LinkVerdict::Invalid;
    judgement.reason = cause;
    judgement.windowReason = UrlUnavailable;
    return judgement;
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
    case Failure::HeadersTooLarge:
        return unknown(QStringLiteral("answer headers too large"), false);
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

// A page that holds a playability status, judged by the window's rule where it decides and by
// the status object read as JSON where the rule reads nothing; what the site said is reported
// in its own words.
FetchJudgement judgePage(const QByteArray &page)
{
    const PlayabilityVerdict rule = verdictOfPage(page);
    const PlayabilityObject site = readPlayabilityObject(page);
    const bool read = site.found == PlayabilityObject::Found::Read && !site.status.isEmpty();

    FetchJudgement judgement;
    judgement.video = readVideoDetails(page);
    judgement.windowReason = rule.kind == PlayabilityVerdict::Kind::Valid ? QString()
        : rule.kind == PlayabilityVerdict::Kind::Invalid                  ? rule.reason
                                                                          : UrlUnavailable;
    if (read) {
        judgement.status = site.status;
        if (!site.reason.isEmpty())
            judgement.siteReason = shortenedReason(site.reason);
        if (!site.subreason.isEmpty())
            judgement.siteSubreason = shortenedReason(site.subreason);
    } else if (!rule.status.isEmpty()) {
        judgement.status = rule.status;
    }
    if (site.found == PlayabilityObject::Found::NoMarker) {
        if (const PageSignature *signature = signatureOfPageWithoutStatus(page)) {
            judgement.reason = QLatin1String(signature->cause);
            judgement.mayPass = judgement.hostIsLimiting = signature->limiting;
        } else {
            judgement.reason = QStringLiteral("no playability status on the page");
        }
        return judgement;
    }

    const QString said = shortenedReason(site.message());
    const QString status = judgement.status.value_or(QString());
    if (rule.kind != PlayabilityVerdict::Kind::Valid && status != u"OK") {
        // A page that read as JSON is matched on what the site said; one that did not, on its
        // status object as written (the rule cuts its reason at the first comma), else on the
        // reason the rule read, however far into a dressed-up object it stands.
        const PageSignature *signature = read
            ? signatureOfMessage(status, site.reason + u' ' + site.subreason)
            : signatureOfMessage(status, site.raw);
        if (!signature && !read)
            signature = signatureOfMessage(status, rule.reason);
        if (signature) {
            judgement.reason = QLatin1String(signature->cause);
            judgement.mayPass = judgement.hostIsLimiting = signature->limiting;
            return judgement;
        }
        // An object too large or too deep to read may hide a refusal anywhere in it: what the
        // rule read at its start is then no verdict.
        if (!read && site.found == PlayabilityObject::Found::Unreadable
            && statusMayBeLimiting(status)) {
            judgement.reason = QStringLiteral("unreadable playability status");
            return judgement;
        }
    }

    switch (rule.kind) {
    case PlayabilityVerdict::Kind::Valid:
        judgement.verdict = LinkVerdict::Valid;
        return judgement;
    case PlayabilityVerdict::Kind::Invalid:
        judgement.verdict = LinkVerdict::Invalid;
        judgement.reason = said.isEmpty() ? rule.reason.trimmed() : said;
        return judgement;
    case PlayabilityVerdict::Kind::Unavailable:
        break;
    }
    // The rule read nothing: the status is on another line than its marker, escaped in a way
    // the rule does not clean, or it comes without a reason.
    if (!read) {
        judgement.reason = QStringLiteral("unreadable playability status");
    } else if (status == u"OK") {
        judgement.verdict = LinkVerdict::Valid;
    } else if (!said.isEmpty()) {
        judgement.verdict = LinkVerdict::Invalid;
        judgement.reason = said;
    } else if (status == u"LOGIN_REQUIRED") {
        // A sign-in wall says why when it judges the video (age, privacy); one without a
        // word may be the site refusing us, so nothing is known.
        judgement.reason = QStringLiteral("sign-in wall without a reason");
    } else {
        // LIVE_STREAM_OFFLINE, ERROR, UNPLAYABLE, ...: the status word is the verdict.
        judgement.verdict = LinkVerdict::Invalid;
        judgement.reason = shortenedReason(status);
    }
    return judgement;
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
    return judgePage(result.page);
}

CheckedLink checkedLinkOf(const QString &link, const FetchJudgement &judgement)
{
    CheckedLink checked;
    checked.link = link;
    checked.verdict = judgement.verdict;
    checked.reason = judgement.reason;
    checked.status = judgement.status;
    checked.siteReason = judgement.siteReason;
    checked.siteSubreason = judgement.siteSubreason;
    checked.windowReason = judgement.windowReason;
    checked.video = judgement.video;
    return checked;
}
