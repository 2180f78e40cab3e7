// Runs the real brindlewood-check executable for a test, with TEMP pointing at a folder of
// the test's own, and collects its exit status and output.
#pragma once

#include "system/ChildEnd.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/prctl.h>
#endif

struct CheckToolOutcome
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

inline QProcessEnvironment checkToolEnvironment(const QString &temporaryFolder)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TEMP"), temporaryFolder);
    return environment;
}

// Text as the tool prints it: on Windows every line ends in CR LF, as consoles expect there.
inline QByteArray printed(QByteArray text)
{
#ifdef Q_OS_WIN
    text.replace("\r\n", "\n");
    text.replace("\n", "\r\n");
#endif
    return text;
}

// Text as the tool prints it on Linux, where the tests' expectations are written: on Windows
// each line must end in CR LF (a bare LF fails the test), and the CR is taken off. CSV rows
// end in CR LF everywhere and are left as they are; only standard output carries them, so
// standard error is given no arguments.
inline QByteArray asOnLinux(QByteArray text, const QStringList &arguments)
{
#ifdef Q_OS_WIN
    if (arguments.contains(u"csv"_qs))
        return text;
    for (qsizetype at = text.indexOf('\n'); at >= 0; at = text.indexOf('\n', at + 1)) {
        if (at == 0 || text.at(at - 1) != '\r')
            qFatal("a line ends in a bare LF: %s", text.constData());
    }
    text.replace("\r\n", "\n");
#else
    Q_UNUSED(arguments);
#endif
    return text;
}

// How long one run of the tool may take: well inside the five minutes CTest gives a whole
// test program, so a hung tool is ended and reported while the program can still go on.
inline constexpr int CheckToolTimeoutMs = 120'000;

// childSetUp runs in the child before the tool starts (for example to set a file-size limit);
// it may only make async-signal-safe calls, and is not run on Windows, which has no such hook. A
// tool that does not finish in time is killed and the test fails with exitCode -1.
inline CheckToolOutcome runCheckTool(const QString &temporaryFolder, const QStringList &arguments,
                                     const QByteArray &input = {},
                                     const std::function<void()> &childSetUp = {})
{
    QProcess process;
    process.setProcessEnvironment(checkToolEnvironment(temporaryFolder));
#ifdef Q_OS_WIN
    // On Windows the output goes into files, read once the tool has ended. Reading standard
    // output and standard error through two pipes at once, QProcess under Wine has lost output
    // printed after a notice on standard error (a blocking site's pause: 5 of 20 lines came),
    // though the tool wrote every line; a plain reader of the same pipes got them all. (On
    // Linux, where a test may limit the tool's file sizes, the pipes stay.)
    QTemporaryDir outputFolder;
    process.setStandardOutputFile(outputFolder.filePath(u"out"_qs));
    process.setStandardErrorFile(outputFolder.filePath(u"err"_qs));
    const auto collected = [&outputFolder](QProcess::ProcessChannel channel) {
        QFile file(
            outputFolder.filePath(channel == QProcess::StandardOutput ? u"out"_qs : u"err"_qs));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
#else
    const auto collected = [&process](QProcess::ProcessChannel channel) {
        return channel == QProcess::StandardOutput ? process.readAllStandardOutput()
                                                   : process.readAllStandardError();
    };
#endif
#ifdef Q_OS_LINUX
    process.setChildProcessModifier([&childSetUp] {
        // The tool never outlives the test program, however that ends.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (childSetUp)
            childSetUp();
    });
#else
    Q_UNUSED(childSetUp);
#endif
    // Wine now and then fails a start with "Internal error"; the next start goes through.
    bool started = false;
    for (int attempt = 0; attempt < 3 && !started; ++attempt) {
        process.start(qEnvironmentVariable("BRINDLEWOOD_CHECK"), arguments);
        started = process.waitForStarted();
    }
    if (!started) {
        QTest::qFail(qPrintable(u"brindlewood-check did not start: "_qs + process.errorString()),
                     __FILE__, __LINE__);
        return {};
    }
    process.write(input);
    process.closeWriteChannel();
    if (!ChildEnd::waitFor(process, CheckToolTimeoutMs)) {
        process.kill();
        ChildEnd::waitFor(process, 30000);
        QTest::qFail(qPrintable(u"brindlewood-check %1 did not finish in %2 s and was killed"_qs
                                    .arg(arguments.join(u' '))
                                    .arg(CheckToolTimeoutMs / 1000)),
                     __FILE__, __LINE__);
        return {};
    }
    const CheckToolOutcome outcome {
        process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
        asOnLinux(collected(QProcess::StandardOutput), arguments),
        asOnLinux(collected(QProcess::StandardError), {})};
#ifdef Q_OS_WIN
    // Wine closes an ended child's files a moment (up to some 60 ms) after its end is seen, and
    // an open file cannot be deleted on Windows.
    const auto removed = [&outputFolder] {
        return QDir(outputFolder.path()).removeRecursively();
    };
    if (!QTest::qWaitFor(removed, 10'000))
        qWarning("the folder of brindlewood-check's output could not be removed");
#endif
    return outcome;
}

// Everything left in a folder, its subfolders' contents included.
inline QStringList leftIn(const QString &folder)
{
    QStringList left;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        left << it.next();
    return left;
}

// Each line of JSON output as an object; a line that is not JSON fails the test.
inline QList<QJsonObject> jsonLines(const QByteArray &out)
{
    QList<QJsonObject> objects;
    for (const QByteArray &line : out.split('\n')) {
        if (line.isEmpty())
            continue;
        QJsonParseError error;
        objects << QJsonDocument::fromJson(line, &error).object();
        if (error.error != QJsonParseError::NoError)
            qFatal("not JSON: %s", line.constData());
    }
    return objects;
}
