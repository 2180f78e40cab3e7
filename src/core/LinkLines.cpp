#include "core/LinkLines.h"

bool isBlankLinkLine(const QString &line)
{
    for (QChar c : line) {
        if (c != u' ')
            return false;
    }
    return true;
}

QStringList linksFromLines(const QStringList &lines)
{
    QStringList links;
    for (const QString &line : lines) {
        if (!isBlankLinkLine(line))
            links << line;
    }
    return links;
}
