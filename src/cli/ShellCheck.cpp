#include "cli/ShellCheck.h"

#include "cli/BatchChecker.h"
#include "cli/CheckedLinkFormat.h"
#include "cli/OrderedOutput.h"
#include "cli/ProgressBar.h"
#include "cli/SignalWatcher.h"
#include "core/AppError.h"
#include "core/FetchCommand.h"
#include "core/FetchTool.h"
#include "core/LinkLines.h"
#include "core/ResultFileWriter.h"
#include "core/TemporaryFolder.h"
#include "core/TextReader.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <optional>

#include <csignal>
#include <unistd.h>

namespace ShellCheck {

namespace {
const QString ProgramName = QStringLiteral("brindlewood-check");

void complain(QTextStream &err, const QString &message)
{
    QString line = message;
    line.replace(u'\n', u' ').replace(u'\r', u' ');
    err << ProgramName << ": " << line << '\n';
    err.flush();
}

QStringList linesOfStandardInput()
{
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Cannot read standard input: %1").arg(input.errorString()));
    QByteArray bytes = input.readAll();
    if (input.error() != QFileDevice::NoError)
        throw AppError(QStringLiteral("Cannot read standard input: %1").arg(input.errorString()));
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    return TextReader::splitIntoReadLines(decoder.decode(bytes));
}

// Fails before any fetch when a result file could not be written later, so a long check is
// not wasted on a mistyped path. Nothing is left behind: the probe is never committed.
void probeResultFile(const QString &path)
{
    if (path.isEmpty())
        return;
    QSaveFile probe(path);
    if (!probe.open(QIODevice::WriteOnly))
        throw AppError(QStringLiteral("Cannot write \"%1\": %2").arg(path, probe.errorString()));
    probe.cancelWriting();
}
} // namespace

QStringList loadLinks(const QStringList &files)
{
    QStringList links;
    for (const QString &file : files)
        links += linksFromLines(file == u"-" ? linesOfStandardInput()
                                             : TextReader::readAllLines(file));
    return links;
}

int run(const CheckCommandLine::Options &options, QTextStream &out, QTextStream &err)
{
    QStringList links;
    try {
        links = loadLinks(options.files);
        probeResultFile(options.validOut);
        probeResultFile(options.invalidOut);
    } catch (const AppError &error) {
        complain(err, error.description());
        return ExitUsageOrFileError;
    }

    // Output that goes away (a pipe into "head") must end the run through the same clean-up
    // as an interrupt, not kill the program with its temporary files in place.
    std::signal(SIGPIPE, SIG_IGN);

    QStringList validLinks;
    QStringList invalidLinks;
    // SIGINT, SIGTERM or SIGHUP when interrupted, SIGPIPE when the output went away.
    int interruptedBy = 0;
    bool toolFailed = false;
    if (!links.isEmpty()) {
        // From here on an interrupt is only noted, and acted on by the event loop below, so
        // it cannot leave the work folder behind.
        SignalWatcher interrupts;
        // Made only once the temporary folder is known: a default QTemporaryDir would land in
        // the system's shared folder instead.
        std::optional<QTemporaryDir> work;
        BatchFetchSetup setup;
        try {
            // A private folder of its own (mode 0700, fresh name) inside the temporary folder
            // holds the tool, the fetch list and the pages, so a window's run beside us keeps
            // its own files and nothing planted in the shared folder is ever followed.
            work.emplace(
                QDir(temporaryFolder()).filePath(QStringLiteral("brindlewood-check-XXXXXX")));
            if (!work->isValid())
                throw AppError(QStringLiteral("Cannot create a folder in the temporary folder: %1")
                                   .arg(work->errorString()));
            const FetchTool::DeployedFetchTool tool = FetchTool::deployFetchToolTo(work->path());
            setup.toolPath = tool.toolPath;
            setup.fetchOptions = FetchCommand::fetchOptions();
            setup.environment = FetchCommand::fetchEnvironment(tool.toolPath);
            setup.workFolder = work->path();
            setup.jobs = options.jobs;
            setup.pageLimitBytes = FetchCommand::MaxPageBytes;
        } catch (const AppError &error) {
            complain(err, error.description());
            return ExitUsageOrFileError;
        }

        QEventLoop loop;
        BatchChecker checker(setup, links);
        const bool showProgress = options.progress && ::isatty(STDERR_FILENO);
        ProgressBar progress(showProgress, links.size());
        // The rate and the time left move on while a slow page keeps every count still.
        QTimer refresh;
        if (showProgress) {
            QObject::connect(&refresh, &QTimer::timeout, &loop, [&] { progress.draw(); });
            refresh.start(1000);
        }
        const bool outputSharesTheTerminal = ::isatty(STDOUT_FILENO) && ::isatty(STDERR_FILENO);
        OrderedOutput ordered(links.size(), [&](const CheckedLink &checked) {
            if (outputSharesTheTerminal)
                progress.clear();
            out << (options.json ? CheckedLinkFormat::jsonLine(checked)
                                 : CheckedLinkFormat::textLine(checked));
            (checked.valid ? validLinks : invalidLinks) << checked.link;
        });

        auto end = [&](int signalNumber) {
            if (interruptedBy == 0)
                interruptedBy = signalNumber;
            checker.stop();
            loop.quit();
        };
        QObject::connect(&interrupts, &SignalWatcher::received, &loop, end);
        QObject::connect(&checker, &BatchChecker::linkChecked, &loop,
                         [&](qsizetype index, const CheckedLink &checked) {
                             progress.linkDone(checked.valid);
                             ordered.add(index, checked);
                             out.flush();
                             if (out.status() != QTextStream::Ok) {
                                 end(SIGPIPE);
                                 return;
                             }
                             progress.draw();
                         });
        QObject::connect(&checker, &BatchChecker::finished, &loop, &QEventLoop::quit);

        try {
            checker.start();
        } catch (const AppError &error) {
            complain(err, error.description());
            FetchTool::removeFetchToolFrom(work->path());
            return ExitUsageOrFileError;
        }
        if (!checker.isFinished() && interruptedBy == 0)
            loop.exec();
        checker.stop();
        progress.clear();
        FetchTool::removeFetchToolFrom(work->path());
        if (!checker.startError().isEmpty()) {
            complain(err,
                     QStringLiteral("Cannot start the fetch tool: %1").arg(checker.startError()));
            return ExitUsageOrFileError;
        }
        if (checker.unreportedCount() > 0 && interruptedBy == 0) {
            complain(err,
                     QStringLiteral("The fetch tool ended before it had fetched %1 of the "
                                    "links; they are shown as unavailable.")
                         .arg(checker.unreportedCount()));
            toolFailed = true;
        }
        // The work folder goes with everything still in it when `work` ends here.
    }

    if (interruptedBy != 0)
        return 128 + interruptedBy;

    int status = toolFailed      ? ExitUsageOrFileError
        : invalidLinks.isEmpty() ? ExitAllValid
                                 : ExitSomeInvalid;
    for (const auto &[path, list] :
         {std::pair {options.validOut, validLinks}, std::pair {options.invalidOut, invalidLinks}}) {
        if (path.isEmpty())
            continue;
        try {
            writeResultFile(path, list);
        } catch (const AppError &error) {
            complain(err, error.description());
            status = ExitUsageOrFileError;
        }
    }
    return status;
}

} // namespace ShellCheck
