// Turns SIGINT, SIGTERM and SIGHUP into a Qt signal on the event loop, so that an interrupted check
// can stop its fetches and clean up like a finished one.
#pragma once

#include <QObject>

class QSocketNotifier;

class SignalWatcher : public QObject
{
    Q_OBJECT

public:
    // Installs the handlers; only one watcher may exist at a time.
    explicit SignalWatcher(QObject *parent = nullptr);
    ~SignalWatcher() override;

signals:
    void received(int signalNumber);

private:
    void readPending();

    QSocketNotifier *m_notifier = nullptr;
};
