#include "gui/LinkFileLoading.h"

#include "core/AppError.h"
#include "core/PathRepair.h"
#include "gui/ErrorTrap.h"
#include "gui/LinkFileToList.h"
#include "gui/LinkListView.h"
#include "gui/ReportNames.h"
#include "gui/WindowContext.h"
#include "platform/Platform.h"

static_assert(LinkFileLoading::OpenDialogFlags
              == (Platform::ReadOnlyFlag | Platform::AllowMultiSelectFlag | Platform::ExplorerFlag
                  | Platform::LongNamesFlag));

namespace LinkFileLoading {
void loadLinkFiles(WindowContext &window)
{
    Platform &platform = window.platform();
    ErrorTrap trap(platform, window.dialogOwner(), ReportNames::LoadLinkFiles);

    Platform::FileDialogSettings dialog;
    trap.step(100, [&] { dialog.fileName.clear(); });
    trap.step(102, [&] { dialog.flags = OpenDialogFlags; });
    trap.step(104, [&] { dialog.title = QLatin1String(OpenDialogTitle); });
    trap.step(106, [&] { dialog.filter = QLatin1String(TextFileFilter); });

    QString answer;
    bool tooManyFiles = false;
    trap.step(108, [&] {
        try {
            answer = platform.showOpen(window.dialogOwner(), dialog);
        } catch (const AppError &error) {
            if (error.number() != FileNameBufferTooSmall)
                throw;
            tooManyFiles = true;
        }
    });
    if (tooManyFiles) {
        platform.messageBox(window.dialogOwner(),
                            QStringLiteral("You've selected too many files to add.\r\rPlease try "
                                           "adding via the \"Add All\" button."),
                            window.applicationTitle(), Platform::Buttons::Ok, Platform::Icon::None);
        return;
    }

    // One full path, or the folder followed by NUL and each chosen name.
    QStringList parts;
    trap.step(110, [&] {
        if (!answer.isEmpty())
            parts = answer.split(QChar(u'\0'));
    });
    trap.step(112, [&] { window.setMousePointer(WindowContext::HourglassPointer); });

    if (trap.test(114, [&] { return parts.size() == 1; })) {
        QString path;
        trap.step(116, [&] { path = parts.value(0); });
        trap.step(118, [&] { loadLinkFileIntoList(window, *window.inputList(), path); });
    } else if (trap.test(120, [&] { return parts.size() >= 2; })) {
        // 122 to 126 are the loop's own statements; none of them can fail.
        trap.reach(124);
        for (qsizetype i = 1; i < parts.size(); ++i) {
            trap.reach(126);
            QString path;
            trap.step(128, [&] { path = joinChosenPath(parts.at(0), parts.at(i)); });
            trap.step(130, [&] { path = normalizeBackslashes(path); });
            trap.step(132, [&] { loadLinkFileIntoList(window, *window.inputList(), path); });
            trap.reach(134);
        }
    }
    trap.step(136, [&] { window.setMousePointer(WindowContext::DefaultPointer); });
}
} // namespace LinkFileLoading
