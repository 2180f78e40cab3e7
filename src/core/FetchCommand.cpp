#include "core/FetchCommand.h"

#include "core/FetchTool.h"

#include <QDir>
#include <QFileInfo>

namespace FetchCommand {
QStringList fetchOptions()
{
    return {
        // Must come first: a user's ~/.curlrc must not change what a fetch does.
        QStringLiteral("-q"),
        QStringLiteral("-L"),
        // An answer with an HTTP status of 400 or more is no watch page, whatever its body
        // says: the tool writes none of it and ends with a failure status instead.
        QStringLiteral("--fail"),
        QStringLiteral("--user-agent"),
        QLatin1String(UserAgent),
        QStringLiteral("--cookie"),
        QLatin1String(ConsentCookie),
        // Brackets and braces in a link are characters, not ranges to fetch one by one.
        QStringLiteral("--globoff"),
        // Only web pages, also after a redirect: never file:, ftp: or the like.
        QStringLiteral("--proto"),
        QStringLiteral("=http,https"),
        QStringLiteral("--proto-redir"),
        QStringLiteral("=http,https"),
        // A dead server or an endless page must not hold the run for ever.
        QStringLiteral("--connect-timeout"),
        QString::number(ConnectTimeoutSeconds),
        QStringLiteral("--max-time"),
        QString::number(MaxTimeSeconds),
        QStringLiteral("--max-filesize"),
        QString::number(MaxPageBytes),
    };
}

bool isFetchableLink(const QString &link)
{
    return !link.contains(QChar(u'\0')) && QStringView(link).isValidUtf16()
        && link.toUtf8().size() <= LongestLinkBytes;
}

QStringList fetchArguments(const QString &link, const QString &outputPath)
{
    // The link as the value of --url, so even a link starting with "-" is an address.
    return fetchOptions()
        + QStringList {QStringLiteral("--output"), outputPath, QStringLiteral("--url"), link};
}

QProcessEnvironment fetchEnvironment(const QString &toolPath)
{
    // Debian's curl does not look for a certificate file beside itself; name it.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(
        QStringLiteral("CURL_CA_BUNDLE"),
        QFileInfo(toolPath).dir().filePath(QLatin1String(FetchTool::BundleFileName)));
    return environment;
}

ProcessStart fetchProcess(const QString &toolPath, const QString &link, const QString &outputPath)
{
    return {toolPath, fetchArguments(link, outputPath), fetchEnvironment(toolPath)};
}
} // namespace FetchCommand
