// The list of transfers handed to one fetch tool process as a config file: each link and the
// page file it is saved to, quoted so that no character of a link can become an option.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace CurlConfig {

struct Transfer
{
    QString link;
    QString outputPath;
};

// True when the link can reach the fetch tool unchanged as one argument: it holds no NUL
// character and fits the longest single argument the system passes to a program.
bool canPassAsOneArgument(const QString &link);

// The value in the config file's double-quoted form: backslash, double quote and the line-break
// and tab characters escaped, every other byte of the UTF-8 text kept as it is.
QByteArray quoted(const QString &value);

// One "url" line and one "output" line per transfer, in order. The tool numbers the transfers
// from 0 in this order.
QByteArray transferList(const QList<Transfer> &transfers);

} // namespace CurlConfig
