// The C runtime's rename() refuses an existing target on Windows; MoveFileEx replaces it. A
// file in use (a fetch tool still running) cannot be replaced, and says so.
#include "system/ReplaceFile.h"

#include <QDir>

#include <windows.h>

namespace {
QString systemMessage(DWORD error)
{
    wchar_t *text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    QString message = length ? QString::fromWCharArray(text, length).trimmed()
                             : QStringLiteral("Windows error %1").arg(error);
    LocalFree(text);
    return message;
}
} // namespace

bool replaceFile(const QString &from, const QString &to, QString *why)
{
    const std::wstring source = QDir::toNativeSeparators(from).toStdWString();
    const std::wstring target = QDir::toNativeSeparators(to).toStdWString();
    if (MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
        return true;
    *why = systemMessage(GetLastError());
    return false;
}

void takeOwnerAndMode(int, const QString &)
{
    // A new file in the same folder inherits that folder's access rights, as the old one did.
}
