// Windows' byte-range locks are mandatory for the bytes they cover, so the lock is taken on one
// byte far past any end the file will reach: it keeps runs apart and no write out. The file
// index names a file as the inode does on Linux.
#include "system/SharedFile.h"

#include <QDir>

#include <windows.h>

#include <io.h>

namespace {
constexpr DWORD LockOffsetHigh = 0x40000000; // 2^62: no file grows that far

HANDLE handleOf(const QFile &file)
{
    return HANDLE(::_get_osfhandle(file.handle()));
}

bool lock(QFile &file, DWORD flags)
{
    OVERLAPPED where {};
    where.OffsetHigh = LockOffsetHigh;
    return ::LockFileEx(handleOf(file), flags, 0, 1, 0, &where);
}

bool identityOf(HANDLE handle, BY_HANDLE_FILE_INFORMATION *info)
{
    return handle != INVALID_HANDLE_VALUE && ::GetFileInformationByHandle(handle, info);
}
} // namespace

namespace SharedFile {
bool tryLockAlone(QFile &file)
{
    return lock(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY);
}

void lockShared(QFile &file)
{
    // A handle's exclusive lock would keep its own shared one out: it goes first.
    OVERLAPPED where {};
    where.OffsetHigh = LockOffsetHigh;
    ::UnlockFileEx(handleOf(file), 0, 1, 0, &where);
    lock(file, 0);
}

bool isStillNamedBy(const QFile &file, const QString &path)
{
    BY_HANDLE_FILE_INFORMATION open {}, named {};
    if (!identityOf(handleOf(file), &open))
        return false;
    const QString native = QDir::toNativeSeparators(path);
    const HANDLE other = ::CreateFileW(reinterpret_cast<const wchar_t *>(native.utf16()), 0,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, 0, nullptr);
    const bool known = identityOf(other, &named);
    if (other != INVALID_HANDLE_VALUE)
        ::CloseHandle(other);
    return known && open.dwVolumeSerialNumber == named.dwVolumeSerialNumber
        && open.nFileIndexHigh == named.nFileIndexHigh && open.nFileIndexLow == named.nFileIndexLow;
}

bool canReplaceWhileOpen()
{
    return false;
}
} // namespace SharedFile
