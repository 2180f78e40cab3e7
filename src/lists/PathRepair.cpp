#include "lists/PathRepair.h"

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

QString NormalizeBackslashes(const QString &path, QChar separator)
{
    if (!path.startsWith(separator))
        return collapsePairs(path, separator);
    qsizetype rest = 1;
    while (rest < path.size() && path.at(rest) == separator)
        ++rest;
    return QString(2, separator) + collapsePairs(QStringView(path).mid(rest), separator);
}

QString joinChosenPath(const QString &folder, const QString &name, QChar separator)
{
    if (folder.endsWith(separator))
        return folder + name;
    return folder + separator + name;
}
