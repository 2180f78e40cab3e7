#include "check/CheckRun.h"

#include "app/ErrorTrap.h"
#include "app/Form1.h"
#include "check/ConnectionMode.h"
#include "check/CurlFunctions.h"
#include "check/FetchCommand.h"
#include "check/FileRoutines.h"
#include "check/PlayabilityVerdict.h"
#include "check/ProcessWait.h"
#include "lists/LinkListView.h"
#include "platform/Platform.h"
#include "textio/FileExists.h"
#include "textio/TextReader.h"

#include <QFileInfo>

namespace CheckRun {
namespace {
// A page written in full and small enough to read; one cut off at the size limit is not
// the page, and reading it would take that much memory.
bool pageIsThere(const QString &path)
{
    return FileExists(path) && QFileInfo(path).size() <= FetchCommand::MaxPageBytes;
}
} // namespace

void startChecking(Form1 &form)
{
    using namespace CurlFunctions;
    Platform &platform = form.platform();
    ErrorTrap trap(platform, &form, QStringLiteral("Form1.PushButton4_Click"));

    trap.reach(100);
    if (form.IsChecking)
        return;
    trap.step(102, [&] { form.IsChecking = true; });

    bool checking = true;
    if (trap.test(104, [&] { return form.ListView1->count() == 0; })) {
        trap.step(210, [&] {
            platform.messageBox(&form, QStringLiteral("No YouTube Link(s) added."),
                                form.applicationTitle(), Platform::Buttons::Ok,
                                Platform::Icon::None);
        });
        checking = false;
    }
    if (checking && trap.test(106, [&] { return !GoOnline(platform); }))
        checking = false;

    if (checking) {
        trap.step(108, [&] { form.setMousePointer(Form1::HourglassPointer); });
        trap.step(110, [&] { DeployFetchTool(); });
        trap.reach(112); // the user agent is a constant of FetchCommand

        // Rows appended while the run goes on lie beyond this count and wait for a later run.
        int count = 0;
        trap.step(114, [&] { count = form.ListView1->count(); });
        for (int i = 1; i <= count; ++i) {
            trap.reach(120); // status, reason and subreason start empty in every verdict
            QString link;
            // A row that has gone (a file load inside the run can reset the pointer and
            // let rows be removed) has no link to check: report it and go on with the next.
            if (!trap.step(122, [&] { link = form.ListView1->text(i); }))
                continue;
            QString messagePath;
            trap.step(124, [&] { messagePath = messagePathNow(); });
            // No page of an earlier link may be taken for this one.
            trap.step(126, [&] { DeleteFileQuiet(platform, messagePath); });
            trap.reach(128); // the link is one argument of its own, never quoted into a line
            QStringList arguments;
            trap.step(130, [&] { arguments = FetchCommand::fetchArguments(link, messagePath); });
            trap.step(132, [&] {
                RunProcessAndWait(
                    platform,
                    {FetchToolCommand, arguments, FetchCommand::fetchEnvironment(FetchToolCommand)},
                    {messagePath, FetchCommand::MaxPageBytes});
            });
            bool notDecided = true;
            trap.reach(134);
            if (trap.test(136, [&] { return pageIsThere(messagePath); })) {
                PlayabilityVerdict verdict;
                trap.step(138,
                          [&] { verdict = ReadPlayabilityVerdict(ReadAllLines(messagePath)); });
                if (verdict.kind == PlayabilityVerdict::Kind::Valid) {
                    trap.step(160, [&] { form.ListView2->append(link); });
                    notDecided = false;
                } else if (verdict.kind == PlayabilityVerdict::Kind::Invalid) {
                    trap.step(188, [&] { form.ListView3->append(link, verdict.reason); });
                    notDecided = false;
                }
            }
            if (trap.test(194, [&] { return notDecided; }))
                trap.step(198,
                          [&] { form.ListView3->append(link, QStringLiteral("URL unavailable")); });
            trap.step(200, [&] { DeleteFileQuiet(platform, messagePath); });
            trap.reach(202);
        }
        trap.step(204, [&] { RemoveFetchTool(platform); });
        trap.step(206, [&] { form.setMousePointer(Form1::DefaultPointer); });
        trap.step(208, [&] {
            platform.messageBox(&form, QStringLiteral("Done."), form.applicationTitle(),
                                Platform::Buttons::Ok, Platform::Icon::None);
        });
    }
    trap.step(212, [&] { form.IsChecking = false; });
}
} // namespace CheckRun
