#include "gui/FetchToolFiles.h"

#include "core/AppError.h"
#include "core/FetchTool.h"
#include "core/FileRoutines.h"
#include "core/TemporaryFolder.h"
#include "platform/Platform.h"

#include <QDir>

void FetchToolFiles::deploy()
{
    const FetchTool::DeployedFetchTool tool = FetchTool::deployFetchToolTo(temporaryFolder());
    m_toolPath = tool.toolPath;
    m_messagePath = FetchTool::messagePathNow();
}

void FetchToolFiles::removeQuietly(Platform &platform) const
{
    // The folder is read afresh for the tool's two files, as when they were written.
    // Removal never fails: without a temporary folder there is nothing of ours to delete.
    auto inTemporaryFolder = [](const char *name) {
        try {
            return QDir::toNativeSeparators(QDir(temporaryFolder()).filePath(QLatin1String(name)));
        } catch (const AppError &) {
            return QString();
        }
    };
    deleteFileQuietly(platform, inTemporaryFolder(FetchTool::ToolFileName));
    deleteFileQuietly(platform, inTemporaryFolder(FetchTool::BundleFileName));
    deleteFileQuietly(platform, m_messagePath);
}

void deleteFileQuietly(Platform &platform, const QString &path)
{
    platform.processEvents();
    deleteFileForced(path);
}
