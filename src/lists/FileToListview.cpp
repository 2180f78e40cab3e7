#include "lists/FileToListview.h"

#include "app/ErrorTrap.h"
#include "app/Form1.h"
#include "lists/LinkLines.h"
#include "lists/LinkListView.h"
#include "platform/Platform.h"
#include "textio/FileExists.h"
#include "textio/TextReader.h"

void FileToListview(Form1 &form, LinkListView &list, const QString &path)
{
    ErrorTrap trap(form.platform(), &form, QStringLiteral("FileToListview1.FileToListview"));
    if (trap.test(100, [&] { return !FileExists(path); })) {
        trap.step(116, [&] {
            form.platform().messageBox(&form, QStringLiteral("File not found"),
                                       form.applicationTitle(), Platform::Buttons::Ok,
                                       Platform::Icon::None);
        });
        return;
    }
    QStringList lines;
    trap.step(102, [&] { lines = ReadAllLines(path); });
    trap.reach(104);
    for (const QString &line : std::as_const(lines)) {
        trap.reach(106);
        if (trap.test(108, [&] { return !isBlankLinkLine(line); })) {
            trap.reach(110);
            trap.step(112, [&] { list.append(line); });
        }
        trap.reach(114);
    }
}
