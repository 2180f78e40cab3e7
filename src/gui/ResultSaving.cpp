#include "gui/ResultSaving.h"

#include "core/FileExists.h"
#include "core/ResultFileWriter.h"
#include "gui/ErrorTrap.h"
#include "gui/LinkFileLoading.h"
#include "gui/LinkListView.h"
#include "gui/ReportNames.h"
#include "gui/WindowContext.h"
#include "platform/Platform.h"

namespace {
void saveList(WindowContext &window, LinkListView &list, const QString &routine)
{
    Platform &platform = window.platform();
    ErrorTrap trap(platform, window.dialogOwner(), routine);

    Platform::FileDialogSettings dialog;
    trap.step(106, [&] { dialog.fileName.clear(); });
    trap.step(108, [&] { dialog.flags = LinkFileLoading::OpenDialogFlags; });
    trap.step(110, [&] { dialog.title = QLatin1String(ResultSaving::SaveDialogTitle); });
    trap.step(112, [&] { dialog.filter = QLatin1String(LinkFileLoading::TextFileFilter); });

    QString chosen;
    trap.step(114, [&] { chosen = platform.showSave(window.dialogOwner(), dialog); });
    QString target;
    trap.step(116, [&] { target = chosen; });
    if (trap.test(118, [&] { return target.isEmpty(); }))
        return;

    Platform::Answer answer = Platform::Answer::Yes;
    if (trap.test(120, [&] { return fileExists(target); })) {
        trap.step(122, [&] {
            answer = platform.messageBox(window.dialogOwner(),
                                         QStringLiteral("Are you sure you wish to overwrite ")
                                             + target + QStringLiteral(" ?"),
                                         window.applicationTitle(), Platform::Buttons::YesNo,
                                         Platform::Icon::None);
        });
    } else {
        trap.reach(124);
    }
    if (trap.test(126, [&] { return answer != Platform::Answer::Yes; }))
        return;

    trap.step(128, [&] { window.setMousePointer(WindowContext::HourglassPointer); });

    // Once the target cannot be created or written there is nothing more to do for this save:
    // one report, then only the pointer is set back.
    ResultFileWriter file(target);
    if (trap.step(130, [&] { file.open(); })) {
        // The texts are taken now: the window stays live while the lines are written, and a
        // row removed meanwhile must neither break the save nor go missing from the file.
        QStringList links;
        trap.step(132, [&] { links = list.links(); });
        bool written = true;
        for (const QString &link : std::as_const(links)) {
            trap.step(134, [&] { platform.processEvents(); });
            written = trap.step(136, [&] { file.writeLine(link); });
            if (!written)
                break;
            trap.reach(138);
        }
        if (written)
            trap.step(140, [&] { file.commit(); });
    }
    trap.step(142, [&] { window.setMousePointer(WindowContext::DefaultPointer); });
}
} // namespace

namespace ResultSaving {
void saveValidList(WindowContext &window)
{
    saveList(window, *window.validList(), ReportNames::SaveValidList);
}

void saveInvalidList(WindowContext &window)
{
    saveList(window, *window.invalidList(), ReportNames::SaveInvalidList);
}
} // namespace ResultSaving
