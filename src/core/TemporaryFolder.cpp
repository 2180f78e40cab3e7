#include "core/TemporaryFolder.h"

#include "core/AppError.h"

#include <QDir>
#include <QStandardPaths>

QString temporaryFolder()
{
    const QString temp = qEnvironmentVariable("TEMP");
    // In the system's own spelling: on Windows "C:\Users\...\Temp", with backslashes.
    if (!temp.isEmpty())
        return QDir::toNativeSeparators(QDir(temp).absolutePath());
    // TEMP is rarely set on Linux. The runtime folder belongs to the user alone (mode
    // 0700), unlike /tmp, so nobody else can plant or swap the files we run and read.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty())
        throw AppError(QStringLiteral("No temporary folder: TEMP is not set and the user's "
                                      "runtime folder is not available."));
    return runtime;
}
