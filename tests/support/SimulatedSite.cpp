#include "SimulatedSite.h"

#include <QUrl>

using namespace Qt::StringLiterals;

QByteArray pageWithStatus(const char *status, const char *reason)
{
    return QByteArray("<script>var ytInitialPlayerResponse = {\"playabilityStatus\":{\"status\":\"")
        + status + "\",\"reason\":\"" + reason + "\",\"contextParams\":\"x\"}};</script>\n";
}

SimulatedSite::SimulatedSite(const QString &rules, qint64 latencyMs)
    : m_latencyMs(latencyMs)
{
    for (const QString &text : rules.split(u';', Qt::SkipEmptyParts))
        m_rules.append(text.trimmed().split(u' '));
}

void SimulatedSite::start(quint64 id, const QString &link, qint64 timeLimitMs)
{
    if (onStart)
        onStart(id);
    const QString host = QUrl(link).host();
    const int number = ++m_perHost[host];
    ++m_requests;
    FetchResult result;
    result.httpStatus = 200;
    result.page = pageWithStatus("OK", "");
    qint64 endsAt = m_now + m_latencyMs;
    for (const QStringList &rule : std::as_const(m_rules)) {
        if (rule.value(0) != host)
            continue;
        const QString kind = rule.value(1);
        if (kind == u"block" || kind == u"allowance") {
            if (blocked(host, rule, number))
                result.page
                    = pageWithStatus("LOGIN_REQUIRED", "Sign in to confirm you're not a bot");
            continue;
        }
        if (!applies(rule.value(2), number, int(id)))
            continue;
        for (const QString &option : rule.mid(2)) {
            if (option.startsWith(u"ra="))
                result.retryAfterSeconds = option.mid(3).toLongLong();
            else if (option.startsWith(u"late="))
                endsAt += option.mid(5).toLongLong();
        }
        if (kind == u"bot") {
            result.page = pageWithStatus("LOGIN_REQUIRED", "Sign in to confirm you're not a bot");
        } else if (kind == u"none" || kind == u"hang") {
            result = {};
            result.failure = FetchResult::Failure::NoAnswer;
            result.detail = kind == u"none" ? u"connection refused"_qs : u"timed out"_qs;
            if (kind == u"hang")
                endsAt = m_now + timeLimitMs;
        } else if (kind == u"trickle") {
            result.failure = FetchResult::Failure::TooSlow;
            endsAt = m_now + timeLimitMs;
        } else {
            result.httpStatus = kind.toInt();
            result.page.clear();
        }
    }
    m_pending.emplace(endsAt, std::pair {id, result});
}

QList<std::pair<quint64, FetchResult>> SimulatedSite::wait(int timeoutMs, int)
{
    QList<std::pair<quint64, FetchResult>> ended;
    if (m_pending.empty() || m_pending.begin()->first > m_now + timeoutMs) {
        m_now += timeoutMs;
        return ended;
    }
    m_now = qMax(m_now, m_pending.begin()->first);
    while (!m_pending.empty() && m_pending.begin()->first <= m_now) {
        ended.append(m_pending.begin()->second);
        m_pending.erase(m_pending.begin());
    }
    return ended;
}

bool SimulatedSite::applies(const QString &when, int number, int link) const
{
    if (when.isEmpty() || when.startsWith(u"ra=") || when.startsWith(u"late="))
        return true;
    if (when.startsWith(u'#'))
        return number == when.mid(1).toInt();
    if (when.startsWith(u"link="))
        return link == when.mid(5).toInt();
    const QStringList range = when.split(u'-');
    return m_now >= range.value(0).toLongLong()
        && (range.value(1).isEmpty() || m_now < range.value(1).toLongLong());
}

bool SimulatedSite::blocked(const QString &host, const QStringList &rule, int number)
{
    Block &block = m_blockOf[host];
    if (m_now < block.until) {
        const bool allowance = rule.value(1) == u"allowance";
        block.until += rule.value(allowance ? 5 : 4, u"+0"_qs).mid(1).toLongLong();
        ++m_blockedRequests;
        return true;
    }
    bool starts = false;
    qint64 length = 0;
    if (rule.value(1) == u"block") {
        starts = number == rule.value(2).mid(1).toInt();
        length = rule.value(3).toLongLong();
    } else {
        if (!block.allowanceSet) {
            block.allowance = rule.value(2).toDouble();
            block.allowanceSet = true;
        }
        block.allowance
            = qMin(rule.value(2).toDouble(),
                   block.allowance + (m_now - block.allowanceAt) * rule.value(3).toDouble() / 1000);
        block.allowanceAt = m_now;
        starts = block.allowance < 1;
        if (!starts)
            block.allowance -= 1;
        length = rule.value(4).toLongLong();
    }
    if (!starts)
        return false;
    block.until = m_now + length;
    ++m_blocks;
    ++m_blockedRequests;
    return true;
}
