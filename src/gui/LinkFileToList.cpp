#include "gui/LinkFileToList.h"

#include "core/FileExists.h"
#include "core/LinkLines.h"
#include "core/TextReader.h"
#include "gui/ErrorTrap.h"
#include "gui/LinkListView.h"
#include "gui/ReportNames.h"
#include "gui/WindowContext.h"
#include "platform/Platform.h"

void loadLinkFileIntoList(WindowContext &window, LinkListView &list, const QString &path)
{
    ErrorTrap trap(window.platform(), window.dialogOwner(), ReportNames::LoadLinkFile);
    if (trap.test(100, [&] { return !fileExists(path); })) {
        trap.step(116, [&] {
            window.platform().messageBox(window.dialogOwner(), QStringLiteral("File not found"),
                                         window.applicationTitle(), Platform::Buttons::Ok,
                                         Platform::Icon::None);
        });
        return;
    }
    QStringList lines;
    trap.step(102, [&] { lines = TextReader::readAllLines(path); });
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
