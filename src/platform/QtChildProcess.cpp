#include "platform/QtChildProcess.h"

#include "platform/HiddenStart.h"
#include "system/ChildEnd.h"

std::unique_ptr<ChildProcess> QtChildProcess::start(const ProcessStart &start)
{
    // A start can fail for a moment (Wine fails one now and then with "Internal error"), and
    // a fetch that never ran must not be filed as one that failed: try twice more.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (std::unique_ptr<ChildProcess> child = startOnce(start))
            return child;
    }
    return nullptr;
}

std::unique_ptr<ChildProcess> QtChildProcess::startOnce(const ProcessStart &start)
{
    std::unique_ptr<QtChildProcess> child(new QtChildProcess);
    QProcess &process = child->m_process;
    // Output goes nowhere: a page is written by the child itself, and a chatty child must
    // never fill a pipe nobody reads or the program's memory.
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.setProcessEnvironment(start.environment);
    startHidden(process);
    process.start(start.program, start.arguments);
    if (!process.waitForStarted(-1) || process.error() == QProcess::FailedToStart)
        return nullptr;
    return child;
}

QtChildProcess::~QtChildProcess()
{
    // Owners poll until the end; a child still running here is ended rather than left.
    if (m_process.state() != QProcess::NotRunning)
        stop();
}

std::optional<int> QtChildProcess::exitCode()
{
    if (!ChildEnd::hasEnded(m_process))
        return std::nullopt;
    return m_process.exitCode();
}

void QtChildProcess::stop()
{
    m_process.kill();
    ChildEnd::waitFor(m_process, -1);
}
