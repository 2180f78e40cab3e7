#include "engine/ParallelFetcher.h"

#include <curl/curl.h>

#include <cerrno>
#include <unordered_map>

namespace {
// The most header bytes one answer may bring: far beyond what any site sends, and below
// libcurl's own limits, whose failures it reports as running out of memory or as a broken
// connection.
constexpr qint64 MaxHeaderBytes = 256 * 1024;

struct Transfer
{
    quint64 id = 0;
    CURL *easy = nullptr;
    QByteArray body;
    qint64 maxBytes = 0;
    bool tooLarge = false;
    qint64 headerBytes = 0; // of the answer being received
    int answerStatus = 0; // of the answer being received
    bool headersTooLarge = false;
    // The headers of a successful answer are all in: what breaks off now cuts the page short.
    bool pageUnderWay = false;
    char error[CURL_ERROR_SIZE] = {};
};

size_t receiveHeader(char *data, size_t size, size_t count, void *userData)
{
    auto *transfer = static_cast<Transfer *>(userData);
    const QByteArrayView line(data, qsizetype(size * count));
    if (line.startsWith("HTTP/")) {
        // Each answer (a redirect, then the page) starts with its status line.
        transfer->headerBytes = 0;
        transfer->pageUnderWay = false;
        const qsizetype space = line.indexOf(' ');
        transfer->answerStatus = space > 0
            ? line.sliced(space + 1).first(qMin(line.size() - space - 1, qsizetype(3))).toInt()
            : 0;
    }
    transfer->headerBytes += line.size();
    if (transfer->headerBytes > MaxHeaderBytes) {
        transfer->headersTooLarge = true;
        return 0;
    }
    if (line == "\r\n" || line == "\n")
        transfer->pageUnderWay = transfer->answerStatus >= 200 && transfer->answerStatus < 300;
    return size * count;
}

size_t receive(char *data, size_t size, size_t count, void *userData)
{
    auto *transfer = static_cast<Transfer *>(userData);
    const qint64 bytes = qint64(size * count);
    if (transfer->body.size() + bytes > transfer->maxBytes) {
        // A page of unknown length that grows past the limit stops here, to the byte.
        transfer->tooLarge = true;
        return 0;
    }
    if (transfer->body.isEmpty()) {
        curl_off_t declared = -1;
        curl_easy_getinfo(transfer->easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &declared);
        if (declared > 0 && declared <= transfer->maxBytes)
            transfer->body.reserve(qsizetype(declared));
    }
    transfer->body.append(data, qsizetype(bytes));
    return size * count;
}

// True when text holds a UTF-16 surrogate without its partner: UTF-8 has no form for it, so
// the address libcurl got would not be the link.
bool hasLoneSurrogate(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return true;
    }
    return false;
}

QString noAnswerDetail(CURLcode code, long systemError)
{
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return QStringLiteral("host not found");
    case CURLE_COULDNT_CONNECT:
        return systemError == ECONNREFUSED ? QStringLiteral("connection refused")
                                           : QStringLiteral("could not connect");
    case CURLE_OPERATION_TIMEDOUT:
        return QStringLiteral("timed out");
    case CURLE_GOT_NOTHING:
        return QStringLiteral("empty reply");
    default:
        return QStringLiteral("connection reset");
    }
}

FetchResult resultOf(Transfer &transfer, CURLcode code)
{
    using Failure = FetchResult::Failure;
    FetchResult result;
    long status = 0;
    curl_easy_getinfo(transfer.easy, CURLINFO_RESPONSE_CODE, &status);
    result.httpStatus = int(status);
    curl_off_t retryAfter = 0;
    if (curl_easy_getinfo(transfer.easy, CURLINFO_RETRY_AFTER, &retryAfter) == CURLE_OK
        && retryAfter > 0)
        result.retryAfterSeconds = qint64(retryAfter);
    long redirects = 0;
    curl_easy_getinfo(transfer.easy, CURLINFO_REDIRECT_COUNT, &redirects);

    const char *message = transfer.error[0] ? transfer.error : curl_easy_strerror(code);
    switch (code) {
    case CURLE_OK:
        result.page = std::move(transfer.body);
        return result;
    case CURLE_HTTP_RETURNED_ERROR:
        // An error answer: its status says what happened, and it brought no page.
        return result;
    case CURLE_UNSUPPORTED_PROTOCOL:
        result.failure = redirects > 0 ? Failure::BadRedirect : Failure::NotWebAddress;
        break;
    case CURLE_URL_MALFORMAT:
        result.failure = redirects > 0 ? Failure::BadRedirect : Failure::BadAddress;
        break;
    case CURLE_OPERATION_TIMEDOUT:
        // A page whose answer began and then ran out of time is too slow to wait for, not a
        // site that did not answer: asking again would only wait as long once more. (A
        // redirect's status stays while the next address is silent: that is no answer.)
        if (status >= 200 && status < 300) {
            result.failure = Failure::TooSlow;
            break;
        }
        [[fallthrough]];
    case CURLE_RECV_ERROR:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
        // Broken off after a good answer's headers: the page was under way, not unanswered.
        if (transfer.pageUnderWay) {
            result.failure = Failure::CutShort;
            break;
        }
        [[fallthrough]];
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_CONNECT:
    case CURLE_GOT_NOTHING:
    case CURLE_SEND_ERROR: {
        result.failure = Failure::NoAnswer;
        long systemError = 0;
        curl_easy_getinfo(transfer.easy, CURLINFO_OS_ERRNO, &systemError);
        result.detail = noAnswerDetail(code, systemError);
        break;
    }
    case CURLE_PARTIAL_FILE:
        result.failure = Failure::CutShort;
        break;
    case CURLE_FILESIZE_EXCEEDED:
        result.failure = Failure::TooLarge;
        break;
    case CURLE_WRITE_ERROR:
        result.failure = transfer.tooLarge ? Failure::TooLarge
            : transfer.headersTooLarge     ? Failure::HeadersTooLarge
                                           : Failure::Other;
        break;
    case CURLE_OUT_OF_MEMORY:
        // libcurl's way of refusing one header line over its limit (100 KiB).
        result.failure = transfer.pageUnderWay ? Failure::Other : Failure::HeadersTooLarge;
        break;
    case CURLE_TOO_MANY_REDIRECTS:
        result.failure = Failure::TooManyRedirects;
        break;
    default:
        result.failure = Failure::Other;
        break;
    }
    if (result.detail.isEmpty())
        result.detail = QString::fromUtf8(message);
    return result;
}
} // namespace

struct ParallelFetcher::Private
{
    FetchCommand::FetchPolicy policy;
    QByteArray userAgent;
    QByteArray cookie;
    QByteArray protocols;
    CURLM *multi = nullptr;
    std::unordered_map<CURL *, std::unique_ptr<Transfer>> transfers;
    QList<std::pair<quint64, FetchResult>> refused; // links libcurl could not take

    bool configure(Transfer &transfer, const QByteArray &address)
    {
        CURL *easy = transfer.easy;
        // Every option the window's fetch tool is given, from the same description.
        return curl_easy_setopt(easy, CURLOPT_URL, address.constData()) == CURLE_OK
            && curl_easy_setopt(easy, CURLOPT_USERAGENT, userAgent.constData()) == CURLE_OK
            && curl_easy_setopt(easy, CURLOPT_COOKIE, cookie.constData()) == CURLE_OK
            && curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, long(policy.followRedirects))
            == CURLE_OK
            && curl_easy_setopt(easy, CURLOPT_MAXREDIRS, long(policy.maxRedirects)) == CURLE_OK
            && curl_easy_setopt(easy, CURLOPT_FAILONERROR, long(policy.failOnHttpError)) == CURLE_OK
            && curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, protocols.constData()) == CURLE_OK
            && curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, protocols.constData())
            == CURLE_OK
            && curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, long(policy.connectTimeoutSeconds))
            == CURLE_OK
            && curl_easy_setopt(easy, CURLOPT_TIMEOUT, long(policy.maxTimeSeconds)) == CURLE_OK
            && curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(policy.maxPageBytes))
            == CURLE_OK
            && curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L) == CURLE_OK
            && curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, transfer.error) == CURLE_OK
            && curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, receive) == CURLE_OK
            && curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer) == CURLE_OK
            && curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, receiveHeader) == CURLE_OK
            && curl_easy_setopt(easy, CURLOPT_HEADERDATA, &transfer) == CURLE_OK;
    }
};

ParallelFetcher::ParallelFetcher(FetchCommand::FetchPolicy policy)
    : d(std::make_unique<Private>())
{
    // Once per process; later calls only count up.
    curl_global_init(CURL_GLOBAL_DEFAULT);
    d->policy = std::move(policy);
    d->userAgent = d->policy.userAgent.toUtf8();
    d->cookie = d->policy.cookie.toUtf8();
    d->protocols = d->policy.protocols.join(u',').toUtf8();
    d->multi = curl_multi_init();
}

ParallelFetcher::~ParallelFetcher()
{
    for (auto &[easy, transfer] : d->transfers) {
        curl_multi_remove_handle(d->multi, easy);
        curl_easy_cleanup(easy);
    }
    curl_multi_cleanup(d->multi);
    curl_global_cleanup();
}

void ParallelFetcher::start(quint64 id, const QString &link, qint64 timeLimitMs)
{
    auto refuse = [&](FetchResult::Failure failure) {
        FetchResult result;
        result.failure = failure;
        d->refused.append({id, result});
    };
    if (link.contains(QChar(u'\0')) || hasLoneSurrogate(link)) {
        refuse(FetchResult::Failure::BadAddress);
        return;
    }
    auto transfer = std::make_unique<Transfer>();
    transfer->id = id;
    transfer->maxBytes = d->policy.maxPageBytes;
    transfer->easy = curl_easy_init();
    const qint64 limitMs = qBound<qint64>(1, timeLimitMs, d->policy.maxTimeSeconds * 1000LL);
    if (!transfer->easy || !d->configure(*transfer, link.toUtf8())
        || curl_easy_setopt(transfer->easy, CURLOPT_TIMEOUT_MS, long(limitMs)) != CURLE_OK) {
        if (transfer->easy)
            curl_easy_cleanup(transfer->easy);
        // libcurl refuses an address over its length limit when it is set.
        refuse(FetchResult::Failure::BadAddress);
        return;
    }
    CURL *easy = transfer->easy;
    d->transfers.emplace(easy, std::move(transfer));
    curl_multi_add_handle(d->multi, easy);
}

QList<std::pair<quint64, FetchResult>> ParallelFetcher::wait(int timeoutMs, int wakeDescriptor)
{
    QList<std::pair<quint64, FetchResult>> ended;
    ended.swap(d->refused);

    auto collect = [&] {
        int queued = 0;
        while (CURLMsg *message = curl_multi_info_read(d->multi, &queued)) {
            if (message->msg != CURLMSG_DONE)
                continue;
            CURL *easy = message->easy_handle;
            const CURLcode code = message->data.result;
            auto it = d->transfers.find(easy);
            if (it == d->transfers.end())
                continue;
            ended.append({it->second->id, resultOf(*it->second, code)});
            curl_multi_remove_handle(d->multi, easy);
            curl_easy_cleanup(easy);
            d->transfers.erase(it);
        }
    };

    // What has already ended is handed back at once; only then is there reason to wait.
    int stillRunning = 0;
    curl_multi_perform(d->multi, &stillRunning);
    collect();
    if (ended.isEmpty() && timeoutMs > 0) {
        curl_waitfd extra {curl_socket_t(wakeDescriptor), CURL_WAIT_POLLIN, 0};
        curl_multi_poll(d->multi, wakeDescriptor >= 0 ? &extra : nullptr,
                        wakeDescriptor >= 0 ? 1 : 0, timeoutMs, nullptr);
        curl_multi_perform(d->multi, &stillRunning);
        collect();
    }
    return ended;
}

int ParallelFetcher::running() const
{
    return int(d->transfers.size());
}
