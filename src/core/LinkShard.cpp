#include "core/LinkShard.h"

#include "core/LinkNormalizer.h"

#include <QCryptographicHash>
#include <QtEndian>

namespace LinkShard {
QString shardKey(QStringView link)
{
    const QStringView trimmed = LinkNormalizer::trimmedBlanks(link);
    if (const std::optional<QString> watch = LinkNormalizer::canonicalVideoLink(trimmed))
        return watch->right(11); // a watch link ends in its id
    return trimmed.toString();
}

int shardOf(QStringView link, int count)
{
    if (count <= 1)
        return 0;
    const QByteArray digest
        = QCryptographicHash::hash(shardKey(link).toUtf8(), QCryptographicHash::Sha1);
    const quint64 prefix = qFromBigEndian<quint64>(digest.constData());
    return int(prefix % quint64(count));
}
} // namespace LinkShard
