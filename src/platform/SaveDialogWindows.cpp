#include "platform/SaveDialog.h"

#include "core/AppError.h"

#include <QDir>
#include <QWidget>

#include <windows.h>

#include <commdlg.h>

#include <vector>

std::optional<QString> systemSaveDialog(QWidget *owner,
                                        const Platform::FileDialogSettings &settings)
{
    // "Description|pattern|…|" becomes the dialog's "Description\0pattern\0…\0\0".
    std::wstring filter = settings.filter.toStdWString();
    for (wchar_t &c : filter) {
        if (c == L'|')
            c = L'\0';
    }
    filter.push_back(L'\0');

    std::vector<wchar_t> file(qMax(settings.maxFileSize, MAX_PATH) + 1, L'\0');
    const std::wstring initial = QDir::toNativeSeparators(settings.fileName)
                                     .left(qsizetype(file.size()) - 1)
                                     .toStdWString();
    std::copy(initial.begin(), initial.end(), file.begin());
    const std::wstring title = settings.title.toStdWString();

    OPENFILENAMEW dialog {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner ? HWND(owner->window()->winId()) : nullptr;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = DWORD(file.size());
    dialog.lpstrTitle = title.empty() ? nullptr : title.c_str();
    // No default extension: a name typed without one is used as typed. The program asks its
    // own overwrite question; one name is chosen, and the process's folder stays where it was.
    dialog.lpstrDefExt = nullptr;
    dialog.Flags = (DWORD(settings.flags) & ~DWORD(OFN_ALLOWMULTISELECT | OFN_OVERWRITEPROMPT))
        | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_ENABLESIZING;
    if (GetSaveFileNameW(&dialog))
        return QDir::toNativeSeparators(QString::fromWCharArray(file.data()));
    if (CommDlgExtendedError() == FNERR_BUFFERTOOSMALL)
        throw AppError(QStringLiteral("The file name buffer is too small to hold the chosen "
                                      "file names."),
                       FileNameBufferTooSmall);
    return QString();
}
