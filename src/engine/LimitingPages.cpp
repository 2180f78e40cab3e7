#include "engine/LimitingPages.h"

#include <algorithm>
#include <cctype>

namespace {
// The captcha and consent pages are a few KiB; a watch page is far longer, and is not searched
// further than this for their markers.
constexpr qsizetype PageMarkerReach = 256 * 1024;

bool containsIgnoringCase(QByteArrayView text, const char *marker)
{
    const QByteArrayView wanted(marker);
    return std::search(text.begin(), text.end(), wanted.begin(), wanted.end(),
                       [](char a, char b) {
                           return std::tolower(static_cast<unsigned char>(a))
                               == std::tolower(static_cast<unsigned char>(b));
                       })
        != text.end();
}
} // namespace

const PageSignature *signatureOfMessage(const QString &status, QStringView message)
{
    for (const PageSignature &signature : PageSignatures) {
        if (signature.where == PageSignature::Where::Message
            && (!signature.status || status == QLatin1String(signature.status))
            && message.contains(QLatin1String(signature.marker), Qt::CaseInsensitive))
            return &signature;
    }
    return nullptr;
}

bool statusMayBeLimiting(const QString &status)
{
    return std::any_of(
        std::begin(PageSignatures), std::end(PageSignatures), [&](const PageSignature &signature) {
            return signature.where == PageSignature::Where::Message && signature.limiting
                && (!signature.status || status == QLatin1String(signature.status));
        });
}

const PageSignature *signatureOfPageWithoutStatus(QByteArrayView page)
{
    const QByteArrayView start = page.first(qMin(page.size(), PageMarkerReach));
    for (const PageSignature &signature : PageSignatures) {
        if (signature.where == PageSignature::Where::PageWithoutStatus
            && containsIgnoringCase(start, signature.marker))
            return &signature;
    }
    return nullptr;
}
