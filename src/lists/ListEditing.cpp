#include "lists/ListEditing.h"

#include "app/ErrorTrap.h"
#include "app/Form1.h"
#include "lists/LinkListView.h"
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

void clearList(Form1 &form, LinkListView &list, const QString &routine)
{
    ErrorTrap trap(form.platform(), &form, routine);
    trap.step(100, [&] { list.clear(); });
}
} // namespace

namespace ListEditing {
void addTypedLink(Form1 &form)
{
    ErrorTrap trap(form.platform(), &form, QStringLiteral("Form1.PushButton5_Click"));
    QString answer;
    trap.step(100, [&] {
        answer = form.platform().inputBox(&form, QStringLiteral("Enter website address to add: "),
                                          form.applicationTitle(), QString());
    });
    if (trap.test(102, [&] { return answer.isEmpty(); }))
        return;
    trap.step(104, [&] { form.ListView1->append(answer); });
}

void appendSampleLinks(Form1 &form)
{
    ErrorTrap trap(form.platform(), &form, QStringLiteral("Form1.PushButton8_Click"));
    int line = 100;
    for (const QString &link : SampleLinks) {
        trap.step(line, [&] { form.ListView1->append(link); });
        line += 2;
    }
}

void clearInputList(Form1 &form)
{
    ErrorTrap trap(form.platform(), &form, QStringLiteral("Form1.PushButton11_Click"));
    // A check run walks the input list; emptying it under the run is not allowed.
    trap.step(100, [&] {
        if (form.mousePointer() != Form1::HourglassPointer)
            form.ListView1->clear();
    });
}

void clearValidList(Form1 &form)
{
    clearList(form, *form.ListView2, QStringLiteral("Form1.PushButton9_Click"));
}

void clearInvalidList(Form1 &form)
{
    clearList(form, *form.ListView3, QStringLiteral("Form1.PushButton2_Click"));
}

void openSelectedLink(Form1 &form)
{
    ErrorTrap trap(form.platform(), &form, QStringLiteral("Form1.PushButton7_Click"));
    int row = 0;
    if (trap.test(100, [&] { return (row = form.ListView1->selectedRow()) > 0; })) {
        trap.step(102, [&] {
            const QString link = form.ListView1->text(row);
            if (isWebAddress(link))
                form.platform().openUrl(link);
        });
        return;
    }
    trap.step(104, [&] {
        form.platform().messageBox(&form, QStringLiteral("No YouTube Link selected above."),
                                   form.applicationTitle(), Platform::Buttons::Ok,
                                   Platform::Icon::None);
    });
}

void showHelp(Form1 &form)
{
    ErrorTrap trap(form.platform(), &form, QStringLiteral("Form1.PushButton10_Click"));
    trap.step(100, [&] {
        form.platform().messageBox(&form,
                                   QStringLiteral("Questions? Please contact Team Tallowmere at ")
                                       + QLatin1String(Form1::ContactPageAddress),
                                   form.applicationTitle(), Platform::Buttons::Ok,
                                   Platform::Icon::None);
    });
}

void removeSelectedRow(Form1 &form, LinkListView &list)
{
    // While the hourglass shows, a run, a load or a save may be walking the lists.
    if (form.mousePointer() == Form1::HourglassPointer)
        return;
    if (list.count() == 0)
        return;
    const int row = list.selectedRow();
    if (row == 0)
        return;
    list.removeRow(row);
}
} // namespace ListEditing
