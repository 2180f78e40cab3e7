#include "core/FetchTool.h"

#include "core/AppError.h"
#include "core/FileRoutines.h"

#include <QDir>
#include <QFile>

namespace FetchTool {
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
    return QDir::toNativeSeparators(QDir(folder).filePath(QLatin1String(name)));
}
} // namespace

DeployedFetchTool deployFetchToolTo(const QString &folder)
{
    DeployedFetchTool tool {folder, pathIn(folder, ToolFileName), pathIn(folder, BundleFileName)};
    writeBytesToFile(loadPayload(ToolFileName), tool.toolPath,
                     QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    writeBytesToFile(loadPayload(BundleFileName), tool.bundlePath);
    return tool;
}

void removeFetchToolFrom(const QString &folder)
{
    deleteFileForced(pathIn(folder, ToolFileName));
    deleteFileForced(pathIn(folder, BundleFileName));
}

} // namespace FetchTool
