#include "core/FetchCommand.h"

#include "core/FetchTool.h"

#include <QDir>
#include <QFileInfo>

namespace FetchCommand {
FetchPolicy fetchPolicy()
{
    return {QLatin1String(UserAgent),
            QLatin1String(ConsentCookie),
            {QStringLiteral("http"), QStringLiteral("https")},
            true,
            true,
            MaxRedirects,
            ConnectTimeoutSeconds,
            MaxTimeSeconds,
            MaxPageBytes};
}

QStringList fetchOptions()
{
    const FetchPolicy policy = fetchPolicy();
    const QString protocols = u'=' + policy.protocols.join(u',');
    QStringList options {
        // Must come first: a user's ~/.curlrc must not change what a fetch does.
        QStringLiteral("-q"),
    };
    if (policy.followRedirects)
        options << QStringLiteral("-L");
    // The tool then writes none of an error answer's body and ends with a failure status.
    if (policy.failOnHttpError)
        options << QStringLiteral("--fail");
    options << QStringLiteral("--max-redirs") << QString::number(policy.maxRedirects)
            << QStringLiteral("--user-agent") << policy.userAgent << QStringLiteral("--cookie")
            << policy.cookie
            // Brackets and braces in a link are characters, not ranges to fetch one by one.
            << QStringLiteral("--globoff")
            // Only web pages, also after a redirect: never file:, ftp: or the like.
            << QStringLiteral("--proto") << protocols << QStringLiteral("--proto-redir")
            << protocols
            // A dead server or an endless page must not hold the run for ever.
            << QStringLiteral("--connect-timeout") << QString::number(policy.connectTimeoutSeconds)
            << QStringLiteral("--max-time") << QString::number(policy.maxTimeSeconds)
            << QStringLiteral("--max-filesize") << QString::number(policy.maxPageBytes);
    return options;
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
    environment.insert(QStringLiteral("CURL_CA_BUNDLE"),
                       QDir::toNativeSeparators(QFileInfo(toolPath).dir().filePath(
                           QLatin1String(FetchTool::BundleFileName))));
    return environment;
}

ProcessStart fetchProcess(const QString &toolPath, const QString &link, const QString &outputPath)
{
    return {toolPath, fetchArguments(link, outputPath), fetchEnvironment(toolPath)};
}
} // namespace FetchCommand
