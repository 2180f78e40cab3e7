#include "core/PathRepair.h"

namespace {
QString collapsePairs(QStringView text, QChar separator)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        result += text.at(i);
        if (text.at(i) == separator && i + 1 < text.size() && text.at(i + 1) == separator)
            ++i;
    }
    return result;
}
} // namespace

QString normalizeBackslashes(const QString &path, QChar separator)
{
    // Two leading separators name a network path, which keeps exactly two. A single one is
    // the root of an absolute path on a slash platform and must stay single.
    const QString networkPrefix(2, separator);
    if (!path.startsWith(networkPrefix))
        return collapsePairs(path, separator);
    qsizetype rest = 2;
    while (rest < path.size() && path.at(rest) == separator)
        ++rest;
    return networkPrefix + collapsePairs(QStringView(path).mid(rest), separator);
}

QString joinChosenPath(const QString &folder, const QString &name, QChar separator)
{
    if (folder.endsWith(separator))
        return folder + name;
    return folder + separator + name;
}
