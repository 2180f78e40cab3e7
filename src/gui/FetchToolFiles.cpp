#include "gui/FetchToolFiles.h"

#include "core/AppError.h"
#include "core/FetchTool.h"
#include "core/FileRoutines.h"
#include "core/TemporaryFolder.h"
#include "platform/Platform.h"

#include <QDir>
#include <QTemporaryDir>

void FetchToolFiles::deploy()
{
    // A folder of the run's own, so that two windows checking at once never run, read or
    // delete each other's files. It is made for the owner alone.
    const QString temporary = temporaryFolder();
    QTemporaryDir runFolder(QDir(temporary).filePath(QStringLiteral("brindlewood-XXXXXX")));
    if (!runFolder.isValid())
        throw AppError(QStringLiteral("Cannot make a folder in \"%1\": %2")
                           .arg(temporary, runFolder.errorString()),
                       75);
    // Thrown on failure, which removes the new folder with whatever was written into it.
    const FetchTool::DeployedFetchTool tool = FetchTool::deployFetchToolTo(runFolder.path());
    runFolder.setAutoRemove(false);
    m_folder = tool.folder;
    m_toolPath = tool.toolPath;
    m_messagePath = QDir::toNativeSeparators(
        QDir(tool.folder).filePath(QLatin1String(FetchTool::MessageFileName)));
}

void FetchToolFiles::removeQuietly(Platform &platform) const
{
    if (m_folder.isEmpty())
        return; // never deployed: nothing of ours to delete
    const QDir folder(m_folder);
    deleteFileQuietly(
        platform,
        QDir::toNativeSeparators(folder.filePath(QLatin1String(FetchTool::ToolFileName))));
    deleteFileQuietly(
        platform,
        QDir::toNativeSeparators(folder.filePath(QLatin1String(FetchTool::BundleFileName))));
    deleteFileQuietly(platform, m_messagePath);
    // Only once it is empty: a file that could not be deleted stays where it was found.
    QDir().rmdir(m_folder);
}

void deleteFileQuietly(Platform &platform, const QString &path)
{
    platform.processEvents();
    deleteFileForced(path);
}
