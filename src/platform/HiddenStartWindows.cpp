// Hidden start on Windows: no console for the child (a console program started from a window
// would get one of its own), and the show-window style SW_HIDE for anything it shows.
#include "platform/HiddenStart.h"

#include <QProcess>

#include <windows.h>

void startHidden(QProcess &process)
{
    process.setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments *arguments) {
        arguments->flags |= CREATE_NO_WINDOW;
        arguments->startupInfo->dwFlags |= STARTF_USESHOWWINDOW;
        arguments->startupInfo->wShowWindow = SW_HIDE;
    });
}
