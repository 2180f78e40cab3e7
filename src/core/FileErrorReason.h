// Why a file operation failed, in words a user can act on.
#pragma once

#include <QString>

class QFileDevice;

// Qt's description of file's last failure, or the system's for error (an errno value) when Qt
// has none of its own: for a write cut short (a full disk, a file-size limit) Qt only says
// "Unknown error".
QString fileErrorReason(const QFileDevice &file, int error);
