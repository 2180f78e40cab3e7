#include "core/FileErrorReason.h"

#include <QFileDevice>

QString fileErrorReason(const QFileDevice &file, int error)
{
    const QString reason = file.errorString();
    if (error != 0 && (reason.isEmpty() || reason == QLatin1String("Unknown error")))
        return qt_error_string(error);
    return reason;
}
