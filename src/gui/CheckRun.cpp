#include "gui/CheckRun.h"

#include "core/FetchCommand.h"
#include "core/FileExists.h"
#include "core/PlayabilityVerdict.h"
#include "core/TextReader.h"
#include "gui/ConnectionMode.h"
#include "gui/ErrorTrap.h"
#include "gui/FetchToolFiles.h"
#include "gui/LinkListView.h"
#include "gui/ProcessWait.h"
#include "gui/ReportNames.h"
#include "gui/WindowContext.h"
#include "platform/Platform.h"

#include <QFileInfo>

namespace CheckRun {
namespace {
// A page written in full and small enough to read; one cut off at the size limit is not
// the page, and reading it would take that much memory.
bool pageIsThere(const QString &path)
{
    return fileExists(path) && QFileInfo(path).size() <= FetchCommand::MaxPageBytes;
}

// Fetches the link in the given row of the input list and files it in the valid or the
// invalid list. A window closed during the fetch leaves the link unfiled.
void checkLink(WindowContext &window, ErrorTrap &trap, int row)
{
    Platform &platform = window.platform();
    trap.reach(120); // status, reason and subreason start empty in every verdict
    QString link;
    // A row that has gone (a file load inside the run can reset the pointer and
    // let rows be removed) has no link to check: report it and go on with the next.
    if (!trap.step(122, [&] { link = window.inputList()->text(row); }))
        return;
    QString messagePath;
    trap.step(124, [&] { messagePath = window.fetchToolFiles().messagePath(); });
    // No page of an earlier link may be taken for this one.
    trap.step(126, [&] { deleteFileQuietly(platform, messagePath); });
    trap.reach(128); // the link is one argument of its own, never quoted into a line
    QStringList arguments;
    // A link the tool cannot be given exactly is not fetched at all: a different
    // address would be fetched in its place.
    bool fetchable = false;
    trap.step(130, [&] {
        fetchable = FetchCommand::isFetchableLink(link);
        arguments = FetchCommand::fetchArguments(link, messagePath);
    });
    // Only a transfer the tool finished without a failure (a connection lost, the time
    // limit, an HTTP error status) leaves a page; whatever else is in the file is not.
    bool fetched = false;
    trap.step(132, [&] {
        if (!fetchable)
            return;
        const QString toolPath = window.fetchToolFiles().toolPath();
        const ProcessStart start {toolPath, arguments, FetchCommand::fetchEnvironment(toolPath)};
        fetched = runProcessAndWait(platform, start, {messagePath, FetchCommand::MaxPageBytes},
                                    [&] { return window.isClosing(); })
            == 0;
    });
    if (window.isClosing())
        return;
    bool notDecided = true;
    trap.reach(134);
    if (trap.test(136, [&] { return fetched && pageIsThere(messagePath); })) {
        PlayabilityVerdict verdict;
        trap.step(138, [&] {
            verdict
                = verdictOfPage(TextReader::readWholeFile(messagePath, FetchCommand::MaxPageBytes));
        });
        if (verdict.kind == PlayabilityVerdict::Kind::Valid) {
            trap.step(160, [&] { window.validList()->append(link); });
            notDecided = false;
        } else if (verdict.kind == PlayabilityVerdict::Kind::Invalid) {
            trap.step(188, [&] { window.invalidList()->append(link, verdict.reason); });
            notDecided = false;
        }
    }
    if (trap.test(194, [&] { return notDecided; }))
        trap.step(198,
                  [&] { window.invalidList()->append(link, QStringLiteral("URL unavailable")); });
    trap.step(200, [&] { deleteFileQuietly(platform, messagePath); });
    trap.reach(202);
}
} // namespace

void startChecking(WindowContext &window)
{
    Platform &platform = window.platform();
    ErrorTrap trap(platform, window.dialogOwner(), ReportNames::StartChecking);

    trap.reach(100);
    if (window.isChecking())
        return;
    trap.step(102, [&] { window.setChecking(true); });

    bool checking = true;
    if (trap.test(104, [&] { return window.inputList()->count() == 0; })) {
        trap.step(210, [&] {
            platform.messageBox(window.dialogOwner(), QStringLiteral("No YouTube Link(s) added."),
                                window.applicationTitle(), Platform::Buttons::Ok,
                                Platform::Icon::None);
        });
        checking = false;
    }
    if (checking && trap.test(106, [&] { return !goOnline(platform); }))
        checking = false;

    if (checking) {
        trap.step(108, [&] { window.setMousePointer(WindowContext::HourglassPointer); });
        // Without the tool no link can be fetched, so none can be judged: after the report the
        // run ends with nothing filed, as a failed connection step ends it.
        const bool deployed = trap.step(110, [&] { window.fetchToolFiles().deploy(); });
        if (deployed) {
            trap.reach(112); // the user agent is a constant of FetchCommand

            // Rows appended while the run goes on lie beyond this count and wait for a later
            // run.
            int count = 0;
            trap.step(114, [&] { count = window.inputList()->count(); });
            // A window closed during the run ends the run: the fetch under way is stopped,
            // nothing more is filed, and the run's files are deleted as at any end.
            for (int i = 1; i <= count && !window.isClosing(); ++i) {
                checkLink(window, trap, i);
            }
            trap.step(204, [&] { window.fetchToolFiles().removeQuietly(platform); });
        }
        trap.step(206, [&] { window.setMousePointer(WindowContext::DefaultPointer); });
        // Nobody is left to tell once the window has gone.
        if (deployed && !window.isClosing()) {
            trap.step(208, [&] {
                platform.messageBox(window.dialogOwner(), QStringLiteral("Done."),
                                    window.applicationTitle(), Platform::Buttons::Ok,
                                    Platform::Icon::None);
            });
        }
    }
    trap.step(212, [&] { window.setChecking(false); });
}
} // namespace CheckRun
