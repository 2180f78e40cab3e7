#include "check/CurlFunctions.h"

#include "check/FileRoutines.h"
#include "check/TemporaryFolder.h"
#include "platform/AppError.h"

#include <QDir>
#include <QFile>

namespace CurlFunctions {
QString FetchToolCommand;
QString MessagePath;

namespace {
QByteArray loadPayload(const char *name)
{
    QFile resource(QStringLiteral(":/fetchtool/") + QLatin1String(name));
    if (!resource.open(QIODevice::ReadOnly))
        throw AppError(
            QStringLiteral("The program's copy of \"%1\" is missing.").arg(QLatin1String(name)),
            325);
    return resource.readAll();
}

QString pathIn(const QString &folder, const char *name)
{
    return QDir(folder).filePath(QLatin1String(name));
}
} // namespace

DeployedFetchTool deployFetchToolTo(const QString &folder)
{
    DeployedFetchTool tool {folder, pathIn(folder, ToolFileName), pathIn(folder, BundleFileName)};
    WriteBytesToFile(loadPayload(ToolFileName), tool.toolPath,
                     QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    WriteBytesToFile(loadPayload(BundleFileName), tool.bundlePath);
    return tool;
}

void removeFetchToolFrom(const QString &folder)
{
    deleteFileForced(pathIn(folder, ToolFileName));
    deleteFileForced(pathIn(folder, BundleFileName));
}

QString messagePathNow()
{
    return pathIn(TemporaryFolder(), MessageFileName);
}

void DeployFetchTool()
{
    const DeployedFetchTool tool = deployFetchToolTo(TemporaryFolder());
    FetchToolCommand = tool.toolPath;
    MessagePath = messagePathNow();
}

void RemoveFetchTool(Platform &platform)
{
    // The folder is read afresh for the tool's two files, as when they were written.
    // Removal never fails: without a temporary folder there is nothing of ours to delete.
    auto inTemporaryFolder = [](const char *name) {
        try {
            return pathIn(TemporaryFolder(), name);
        } catch (const AppError &) {
            return QString();
        }
    };
    DeleteFileQuiet(platform, inTemporaryFolder(ToolFileName));
    DeleteFileQuiet(platform, inTemporaryFolder(BundleFileName));
    DeleteFileQuiet(platform, MessagePath);
}
} // namespace CurlFunctions
