// Windows ends a window's program with window messages, which the window already hears as a
// close; there are no end signals to watch.
#include "platform/EndSignals.h"

#include <QSocketNotifier>

EndSignals::EndSignals(QWidget *window)
    : m_window(window)
{
}

EndSignals::~EndSignals() = default;

void EndSignals::closeWindow()
{
    if (m_window)
        m_window->close();
}
