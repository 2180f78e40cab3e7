// A file's identity on Windows: its volume's serial number and its file index, which the system
// gives for any name that leads to the file, whatever its letter case or slashes.
#include "system/FileIdentity.h"

#include <QDir>

#include <windows.h>

std::optional<FileIdentity> fileIdentity(const QString &path)
{
    // No access is asked for, so a file another program holds open is still identified;
    // backup semantics let a folder be opened too.
    const std::wstring name = QDir::toNativeSeparators(path).toStdWString();
    const HANDLE file
        = CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    BY_HANDLE_FILE_INFORMATION information;
    const bool known = GetFileInformationByHandle(file, &information);
    CloseHandle(file);
    if (!known)
        return std::nullopt;
    return FileIdentity {quint64(information.dwVolumeSerialNumber),
                         (quint64(information.nFileIndexHigh) << 32) | information.nFileIndexLow};
}
