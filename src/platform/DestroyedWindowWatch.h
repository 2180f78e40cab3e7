// DestroyedWindowWatch: an X11 window of ours destroyed from outside (xdotool windowclose, a
// misbehaving window manager) is destroyed in Qt too, so the window hears that it has gone.
#pragma once

#include <QAbstractNativeEventFilter>

class DestroyedWindowWatch : public QAbstractNativeEventFilter
{
public:
    // Qt's X11 plugin only sees such a window unmapped and keeps it as if it were shown.
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;
};
