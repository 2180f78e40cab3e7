// The rule that turns the lines of a link file into links: a line that is empty or holds
// only spaces is skipped, every other line is taken exactly as read.
#pragma once

#include <QString>
#include <QStringList>

// True when the line holds nothing but space characters (a tab is not blank).
bool isBlankLinkLine(const QString &line);
QStringList linksFromLines(const QStringList &lines);
