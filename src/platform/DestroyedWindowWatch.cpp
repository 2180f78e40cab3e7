#include "platform/DestroyedWindowWatch.h"

#include <QGuiApplication>
#include <QWindow>

namespace {
// The X protocol's DestroyNotify event as xcb hands it over (xcb_destroy_notify_event_t).
struct DestroyNotifyEvent
{
    quint8 responseType;
    quint8 pad;
    quint16 sequence;
    quint32 event;
    quint32 window;
};
constexpr quint8 DestroyNotify = 17;
} // namespace

bool DestroyedWindowWatch::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const DestroyNotifyEvent *>(message);
    // Only the server reports a window truly destroyed; a copy another client sent (with the
    // type's high bit set) proves nothing.
    if (event->responseType != DestroyNotify)
        return false;
    for (QWindow *window : QGuiApplication::topLevelWindows()) {
        // A window Qt destroyed itself has no platform window any more; winId() would
        // create a new one.
        if (window->handle() && window->winId() == event->window) {
            // Not inside Qt's own handling of the event that brought the news.
            QMetaObject::invokeMethod(
                window, [window] { window->destroy(); }, Qt::QueuedConnection);
        }
    }
    return false;
}
