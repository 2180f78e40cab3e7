// EndSignals: SIGTERM and SIGHUP (what logout and shutdown send) close the window as a click on
// its close box does, so a check under way stops its fetch and deletes its files before the end.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <memory>

class QSocketNotifier;

class EndSignals : public QObject
{
    Q_OBJECT
public:
    // Closes window when one of the signals comes; only one may exist at a time. Windows sends
    // no such signals to a window's program: there it does nothing.
    explicit EndSignals(QWidget *window);
    ~EndSignals() override;

private:
    void closeWindow();

    QPointer<QWidget> m_window;
    std::unique_ptr<QSocketNotifier> m_notifier;
};
