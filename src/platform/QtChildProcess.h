// QtChildProcess: a child process started with QProcess from an argument list, with no
// shell in between and its standard streams on the null device.
#pragma once

#include "platform/Platform.h"

#include <QProcess>

class QtChildProcess : public ChildProcess
{
public:
    // Starts the child and waits until it runs; returns nothing when it cannot be started.
    static std::unique_ptr<ChildProcess> start(const ProcessStart &start);

    ~QtChildProcess() override;
    std::optional<int> exitCode() override;
    void stop() override;

private:
    QtChildProcess() = default;
    static std::unique_ptr<ChildProcess> startOnce(const ProcessStart &start);

    QProcess m_process;
};
