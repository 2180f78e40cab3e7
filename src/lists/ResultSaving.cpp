#include "lists/ResultSaving.h"

#include "app/ErrorTrap.h"
#include "app/Form1.h"
#include "lists/LinkFileLoading.h"
#include "lists/LinkListView.h"
#include "lists/ResultFileWriter.h"
#include "platform/Platform.h"
#include "textio/FileExists.h"

namespace {
void saveList(Form1 &form, LinkListView &list, const QString &routine)
{
    Platform &platform = form.platform();
    ErrorTrap trap(platform, &form, routine);

    Platform::FileDialogSettings dialog;
    trap.step(106, [&] { dialog.fileName.clear(); });
    trap.step(108, [&] { dialog.flags = LinkFileLoading::OpenDialogFlags; });
    trap.step(110, [&] { dialog.title = QLatin1String(ResultSaving::SaveDialogTitle); });
    trap.step(112, [&] { dialog.filter = QLatin1String(LinkFileLoading::TextFileFilter); });

    QString chosen;
    trap.step(114, [&] { chosen = platform.showSave(&form, dialog); });
    QString target;
    trap.step(116, [&] { target = chosen; });
    if (trap.test(118, [&] { return target.isEmpty(); }))
        return;

    Platform::Answer answer = Platform::Answer::Yes;
    if (trap.test(120, [&] { return FileExists(target); })) {
        trap.step(122, [&] {
            answer = platform.messageBox(&form,
                                         QStringLiteral("Are you sure you wish to overwrite ")
                                             + target + QStringLiteral(" ?"),
                                         form.applicationTitle(), Platform::Buttons::YesNo,
                                         Platform::Icon::None);
        });
    } else {
        trap.reach(124);
    }
    if (trap.test(126, [&] { return answer != Platform::Answer::Yes; }))
        return;

    trap.step(128, [&] { form.setMousePointer(Form1::HourglassPointer); });

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
    trap.step(142, [&] { form.setMousePointer(Form1::DefaultPointer); });
}
} // namespace

namespace ResultSaving {
void saveValidList(Form1 &form)
{
    saveList(form, *form.ListView2, QStringLiteral("Form1.PushButton6_Click"));
}

void saveInvalidList(Form1 &form)
{
    saveList(form, *form.ListView3, QStringLiteral("Form1.PushButton1_Click"));
}

void writeResultFile(const QString &path, const QStringList &links,
                     const std::function<void()> &beforeEachLine)
{
    ResultFileWriter file(path);
    file.open();
    for (const QString &link : links) {
        if (beforeEachLine)
            beforeEachLine();
        file.writeLine(link);
    }
    file.commit();
}
} // namespace ResultSaving
