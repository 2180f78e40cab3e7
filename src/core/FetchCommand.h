// The fetch of one link: what every fetch asks for and accepts, whichever program makes it,
// and the fetch tool's arguments the window's check run derives from that.
#pragma once

#include "core/ProcessStart.h"

#include <QString>
#include <QStringList>

namespace FetchCommand {
// The user agent every fetch announces.
inline constexpr const char *UserAgent
    = "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_10_3) AppleWebKit/537.36 (KHTML, like Gecko) "
      "Chrome/80.0.1111.11 Safari/537.36 Firefox/74.0";
// The consent cookie of a visitor who declined the consent form; without it visitors from
// regions with a consent gate get the consent page instead of the watch page.
inline constexpr const char *ConsentCookie = "SOCS=CAI";
// A page larger than this is not kept, and its link counts as unavailable.
inline constexpr qint64 MaxPageBytes = 64 * 1024 * 1024;
inline constexpr int ConnectTimeoutSeconds = 30;
inline constexpr int MaxTimeSeconds = 120;

// The longest link, in UTF-8 bytes, that the system passes to a program as one argument.
inline constexpr qsizetype LongestLinkBytes = 128 * 1024 - 1;

// True when link can reach the fetch tool as one argument exactly as it is: it holds no NUL
// (which would end it early), no lone UTF-16 surrogate (which has no UTF-8 form and would be
// sent as another address), and fits within LongestLinkBytes.
bool isFetchableLink(const QString &link);

// Redirects followed before a fetch gives up (curl's own default, made explicit so both ways
// of fetching agree).
inline constexpr int MaxRedirects = 50;

// Every fetch's request and limits. The window's curl arguments (fetchOptions) and the shell
// tool's libcurl set-up are both made from this one description.
struct FetchPolicy
{
    QString userAgent;
    QString cookie;
    QStringList protocols; // for the link and for every redirect
    bool followRedirects = true;
    // An answer with an HTTP status of 400 or more is no watch page, whatever its body says.
    bool failOnHttpError = true;
    int maxRedirects = 0;
    int connectTimeoutSeconds = 0;
    int maxTimeSeconds = 0;
    qint64 maxPageBytes = 0;

    bool operator==(const FetchPolicy &) const = default;
};
FetchPolicy fetchPolicy();

// Every option of a fetch with the fetch tool except its output file and its address, made
// from fetchPolicy().
QStringList fetchOptions();

// The arguments that fetch link into outputPath. The link is always one argument taken as
// the address, whatever it holds.
QStringList fetchArguments(const QString &link, const QString &outputPath);

// The fetch tool's environment: the program's own, with CURL_CA_BUNDLE naming the
// certificate file deployed beside the tool at toolPath.
QProcessEnvironment fetchEnvironment(const QString &toolPath);

// Everything needed to start the fetch of link into outputPath with the tool at toolPath.
ProcessStart fetchProcess(const QString &toolPath, const QString &link, const QString &outputPath);
} // namespace FetchCommand
