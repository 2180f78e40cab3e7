#include "cli/LimitingPages.h"

namespace {
// The playability status object follows its label within this many bytes on any page the
// site sends; the reason comes early in it.
constexpr qsizetype StatusObjectReach = 4096;
} // namespace

std::optional<QString> limitingCause(const QString &status, QByteArrayView page)
{
    const qsizetype label = page.indexOf(QByteArrayView("playabilityStatus"));
    if (label < 0)
        return std::nullopt;
    const QString statusObject
        = QString::fromUtf8(page.sliced(label, qMin(StatusObjectReach, page.size() - label)));
    for (const LimitingSignature &signature : LimitingSignatures) {
        if (status == QLatin1String(signature.status)
            && statusObject.contains(QLatin1String(signature.reasonPart), Qt::CaseInsensitive))
            return QLatin1String(signature.cause);
    }
    return std::nullopt;
}
