// The fetch tool's files: the embedded curl executable and certificate bundle written into
// a folder before checking and deleted afterwards, and where the window's run finds them.
#pragma once

#include <QString>

class Platform;

namespace CurlFunctions {
inline constexpr const char *ToolFileName = "curl.exe";
inline constexpr const char *BundleFileName = "curl-ca-bundle.crt";
inline constexpr const char *MessageFileName = "message.txt";

// The tool as deployed in one folder. Deploy once, then start any number of fetches,
// one after the other or side by side, each with its own output file.
struct DeployedFetchTool
{
    QString folder;
    QString toolPath; // folder/curl.exe, the program to start
    QString bundlePath; // folder/curl-ca-bundle.crt, named to the tool by its environment
};

// Writes the tool (executable for its owner) and the certificate file into folder, which
// must exist. Existing files of those names are replaced. Throws AppError on failure.
DeployedFetchTool deployFetchToolTo(const QString &folder);
// Deletes the tool and the certificate file from folder; failures are ignored.
void removeFetchToolFrom(const QString &folder);

// The path of the window's message file in the temporary folder, built afresh.
QString messagePathNow();

// The window's run: the path of the tool it starts, set by a successful deployment and
// kept until the next one (empty before the first).
extern QString FetchToolCommand;
// The message file of the last successful deployment; RemoveFetchTool deletes it.
extern QString MessagePath;

// Deploys into the temporary folder and sets FetchToolCommand and MessagePath. Throws
// AppError on failure, leaving both as they were.
void DeployFetchTool();
// Quietly deletes the tool, the certificate file and MessagePath, letting the window
// process events before each deletion.
void RemoveFetchTool(Platform &platform);
} // namespace CurlFunctions
