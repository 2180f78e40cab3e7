#include "gui/ListEditing.h"

#include "gui/ErrorTrap.h"
#include "gui/LinkListView.h"
#include "gui/ReportNames.h"
#include "gui/WindowContext.h"
#include "platform/Platform.h"

namespace {
const QString SampleLinks[] = {
    QStringLiteral("https://www.youtube.com/watch?v=r7NS3uN8G9w"),
    QStringLiteral("https://www.youtube.com/watch?v=r7NS3uN8G93"),
    QStringLiteral("https://www.youtube.com/watch?v=QcmsotXwGyw"),
};

// The desktop's default handler runs whatever it is given: a local path or a file: address
// could start a program. Only web addresses go to the browser; the check is on the text
// exactly as the user typed it.
bool isWebAddress(const QString &text)
{
    return text.startsWith(QLatin1String("http:"), Qt::CaseInsensitive)
        || text.startsWith(QLatin1String("https:"), Qt::CaseInsensitive);
}

void clearList(WindowContext &window, LinkListView &list, const QString &routine)
{
    ErrorTrap trap(window.platform(), window.dialogOwner(), routine);
    trap.step(100, [&] { list.clear(); });
}
} // namespace

namespace ListEditing {
void addTypedLink(WindowContext &window)
{
    ErrorTrap trap(window.platform(), window.dialogOwner(), ReportNames::AddLink);
    QString answer;
    trap.step(100, [&] {
        answer = window.platform().inputBox(window.dialogOwner(),
                                            QStringLiteral("Enter website address to add: "),
                                            window.applicationTitle(), QString());
    });
    if (trap.test(102, [&] { return answer.isEmpty(); }))
        return;
    trap.step(104, [&] { window.inputList()->append(answer); });
}

void appendSampleLinks(WindowContext &window)
{
    ErrorTrap trap(window.platform(), window.dialogOwner(), ReportNames::LoadSampleLinks);
    int line = 100;
    for (const QString &link : SampleLinks) {
        trap.step(line, [&] { window.inputList()->append(link); });
        line += 2;
    }
}

void clearInputList(WindowContext &window)
{
    ErrorTrap trap(window.platform(), window.dialogOwner(), ReportNames::ClearInputList);
    // A check run walks the input list; emptying it under the run is not allowed.
    trap.step(100, [&] {
        if (!window.isBusy())
            window.inputList()->clear();
    });
}

void clearValidList(WindowContext &window)
{
    clearList(window, *window.validList(), ReportNames::ClearValidList);
}

void clearInvalidList(WindowContext &window)
{
    clearList(window, *window.invalidList(), ReportNames::ClearInvalidList);
}

void openSelectedLink(WindowContext &window)
{
    ErrorTrap trap(window.platform(), window.dialogOwner(), ReportNames::OpenSelectedLink);
    int row = 0;
    if (trap.test(100, [&] { return (row = window.inputList()->selectedRow()) > 0; })) {
        trap.step(102, [&] {
            const QString link = window.inputList()->text(row);
            if (isWebAddress(link))
                window.platform().openUrl(link);
        });
        return;
    }
    trap.step(104, [&] {
        window.platform().messageBox(
            window.dialogOwner(), QStringLiteral("No YouTube Link selected above."),
            window.applicationTitle(), Platform::Buttons::Ok, Platform::Icon::None);
    });
}

void showHelp(WindowContext &window)
{
    ErrorTrap trap(window.platform(), window.dialogOwner(), ReportNames::ShowHelp);
    trap.step(100, [&] {
        window.platform().messageBox(window.dialogOwner(),
                                     QStringLiteral("Questions? Please contact Team Tallowmere at ")
                                         + QLatin1String(ContactPageAddress),
                                     window.applicationTitle(), Platform::Buttons::Ok,
                                     Platform::Icon::None);
    });
}

void removeSelectedRow(WindowContext &window, LinkListView &list)
{
    // While the hourglass shows, a run, a load or a save may be walking the lists.
    if (window.isBusy())
        return;
    if (list.count() == 0)
        return;
    const int row = list.selectedRow();
    if (row == 0)
        return;
    list.removeRow(row);
}
} // namespace ListEditing
