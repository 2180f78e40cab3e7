#include "lists/LinkFileLoading.h"

#include "app/ErrorTrap.h"
#include "app/Form1.h"
#include "lists/FileToListview.h"
#include "lists/LinkListView.h"
#include "lists/PathRepair.h"
#include "platform/AppError.h"
#include "platform/Platform.h"

static_assert(LinkFileLoading::OpenDialogFlags
              == (Platform::ReadOnlyFlag | Platform::AllowMultiSelectFlag | Platform::ExplorerFlag
                  | Platform::LongNamesFlag));

namespace LinkFileLoading {
void loadLinkFiles(Form1 &form)
{
    Platform &platform = form.platform();
    ErrorTrap trap(platform, &form, QStringLiteral("Form1.PushButton3_Click"));

    Platform::FileDialogSettings dialog;
    trap.step(100, [&] { dialog.fileName.clear(); });
    trap.step(102, [&] { dialog.flags = OpenDialogFlags; });
    trap.step(104, [&] { dialog.title = QLatin1String(OpenDialogTitle); });
    trap.step(106, [&] { dialog.filter = QLatin1String(TextFileFilter); });

    QString answer;
    bool tooManyFiles = false;
    trap.step(108, [&] {
        try {
            answer = platform.showOpen(&form, dialog);
        } catch (const AppError &error) {
            if (error.number() != FileNameBufferTooSmall)
                throw;
            tooManyFiles = true;
        }
    });
    if (tooManyFiles) {
        platform.messageBox(&form,
                            QStringLiteral("You've selected too many files to add.\r\rPlease try "
                                           "adding via the \"Add All\" button."),
                            form.applicationTitle(), Platform::Buttons::Ok, Platform::Icon::None);
        return;
    }

    // One full path, or the folder followed by NUL and each chosen name.
    QStringList parts;
    trap.step(110, [&] {
        if (!answer.isEmpty())
            parts = answer.split(QChar(u'\0'));
    });
    trap.step(112, [&] { form.setMousePointer(Form1::HourglassPointer); });

    if (trap.test(114, [&] { return parts.size() == 1; })) {
        QString path;
        trap.step(116, [&] { path = parts.value(0); });
        trap.step(118, [&] { FileToListview(form, *form.ListView1, path); });
    } else if (trap.test(120, [&] { return parts.size() >= 2; })) {
        // 122 to 126 are the loop's own statements; none of them can fail.
        trap.reach(124);
        for (qsizetype i = 1; i < parts.size(); ++i) {
            trap.reach(126);
            QString path;
            trap.step(128, [&] { path = joinChosenPath(parts.at(0), parts.at(i)); });
            trap.step(130, [&] { path = NormalizeBackslashes(path); });
            trap.step(132, [&] { FileToListview(form, *form.ListView1, path); });
            trap.reach(134);
        }
    }
    trap.step(136, [&] { form.setMousePointer(Form1::DefaultPointer); });
}
} // namespace LinkFileLoading
