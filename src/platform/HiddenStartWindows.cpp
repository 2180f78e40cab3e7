// Hidden start on Windows: no console for the child (a console program started from a window
// would get one of its own), and the show-window style SW_HIDE for anything it shows.
#include "platform/HiddenStart.h"

#include <QProcess>

#include <windows.h>

void startHidden(QProcess &process)
{
    process.setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments *arguments) {
        // Detached rather than CREATE_NO_WINDOW: the child gets no console at all, instead of a
        // hidden one, so no console host process is made for it. Such a host can outlive a
        // child that is ended early (under Wine it then holds the starter's output open), and
        // the child needs none: its standard handles are files QProcess gives it. QProcess
        // asks for CREATE_NO_WINDOW when the starter has no console window; Windows ignores
        // it beside DETACHED_PROCESS, and it is taken off so that no other system reads it.
        arguments->flags = (arguments->flags & ~DWORD(CREATE_NO_WINDOW)) | DETACHED_PROCESS;
        arguments->startupInfo->dwFlags |= STARTF_USESHOWWINDOW;
        arguments->startupInfo->wShowWindow = SW_HIDE;
    });
}
