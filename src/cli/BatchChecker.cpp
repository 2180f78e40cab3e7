#include "cli/BatchChecker.h"

#include "cli/CurlConfig.h"
#include "core/AppError.h"
#include "core/PlayabilityVerdict.h"
#include "core/TextReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

#include <csignal>
#include <sys/prctl.h>
#include <sys/resource.h>

namespace {
const QString UrlUnavailable = QStringLiteral("URL unavailable");

// The tool's exit codes for a page it refused or stopped writing (CURLE_FILESIZE_EXCEEDED,
// CURLE_WRITE_ERROR).
constexpr int FileSizeExceeded = 63;
constexpr int WriteError = 23;

CheckedLink unavailable(const QString &link)
{
    CheckedLink checked;
    checked.link = link;
    checked.reason = UrlUnavailable;
    return checked;
}
} // namespace

BatchChecker::BatchChecker(BatchFetchSetup setup, QStringList links, QObject *parent)
    : QObject(parent)
    , m_setup(std::move(setup))
    , m_links(std::move(links))
    , m_reported(size_t(m_links.size()), false)
{
}

BatchChecker::~BatchChecker()
{
    stop();
}

QString BatchChecker::pagePath(qsizetype index) const
{
    return QDir(m_setup.workFolder).filePath(QStringLiteral("page-%1.html").arg(index));
}

QStringList BatchChecker::toolArguments() const
{
    QStringList arguments = m_setup.fetchOptions;
    // One process fetches the whole list, at most `jobs` pages at a time; the report line
    // names the finished transfer and its exit code. It goes to standard error, which the
    // tool does not buffer, so each line arrives the moment its fetch is over. The progress
    // meter and error texts are silenced so that nothing else shares that stream. Without
    // --parallel-immediate the tool holds every further fetch from a host until the first
    // answer shows whether it can share a connection, so one slow page would stall the rest.
    arguments << QStringLiteral("--silent") << QStringLiteral("--no-progress-meter")
              << QStringLiteral("--parallel") << QStringLiteral("--parallel-immediate")
              << QStringLiteral("--parallel-max") << QString::number(m_setup.jobs)
              << QStringLiteral("--write-out")
              << QStringLiteral("%{stderr}%{urlnum} %{exitcode}\\n") << QStringLiteral("--config")
              << QDir(m_setup.workFolder).filePath(QStringLiteral("transfers.conf"));
    return arguments;
}

void BatchChecker::start()
{
    QList<CurlConfig::Transfer> transfers;
    QList<qsizetype> refused;
    for (qsizetype index = 0; index < m_links.size(); ++index) {
        if (CurlConfig::canPassAsOneArgument(m_links[index])) {
            transfers.append({m_links[index], pagePath(index)});
            m_linkOfTransfer.push_back(index);
        } else {
            refused.append(index);
        }
    }

    for (qsizetype index : std::as_const(refused))
        report(index, unavailable(m_links[index]));
    if (transfers.isEmpty()) {
        m_ended = true;
        QTimer::singleShot(0, this, &BatchChecker::finished);
        return;
    }

    QFile list(QDir(m_setup.workFolder).filePath(QStringLiteral("transfers.conf")));
    if (!list.open(QIODevice::WriteOnly | QIODevice::NewOnly)
        || list.write(CurlConfig::transferList(transfers)) < 0 || !list.flush()) {
        throw AppError(QStringLiteral("Cannot write the fetch list \"%1\": %2")
                           .arg(list.fileName(), list.errorString()));
    }
    list.close();

    m_process = new QProcess(this);
    m_process->setProgram(m_setup.toolPath);
    m_process->setArguments(toolArguments());
    m_process->setProcessEnvironment(m_setup.environment);
    m_process->setStandardInputFile(QProcess::nullDevice());
    m_process->setStandardOutputFile(QProcess::nullDevice());
    // The size limit must hold for a page of unknown length too, which the tool's own limit
    // only checks against a declared length. The file-size limit makes the kernel refuse any
    // write past it; the transfer fails at that point, and only that transfer.
    const rlim_t limit = rlim_t(m_setup.pageLimitBytes);
    m_process->setChildProcessModifier([limit] {
        const struct rlimit fileSize = {limit, limit};
        setrlimit(RLIMIT_FSIZE, &fileSize);
        struct sigaction ignore = {};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGXFSZ, &ignore, nullptr);
        // Ctrl-C on a terminal reaches the whole process group. The checker alone answers
        // it and ends the tool itself; a tool dying first would look like fetches that
        // failed, and their links would be printed as unavailable.
        sigaction(SIGINT, &ignore, nullptr);
        sigaction(SIGTERM, &ignore, nullptr);
        sigaction(SIGHUP, &ignore, nullptr);
        // Should this program be killed outright, the fetches end with it instead of
        // running on against a folder nobody will clean.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
    });
    connect(m_process, &QProcess::readyReadStandardError, this, &BatchChecker::readReports);
    connect(m_process, &QProcess::finished, this, &BatchChecker::toolEnded);
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart || m_ended)
            return;
        // Not one link was fetched, so none can be called unavailable: the caller reports
        // the tool instead.
        m_ended = true;
        m_startError = m_process->errorString();
        emit finished();
    });
    m_process->start();
}

void BatchChecker::stop()
{
    m_stopped = true;
    if (!m_process)
        return;
    m_ended = true;
    m_process->disconnect(this);
    if (m_process->state() != QProcess::NotRunning) {
        m_process->kill();
        m_process->waitForFinished(5000);
    }
}

void BatchChecker::readReports()
{
    m_partialReport += m_process->readAllStandardError();
    qsizetype from = 0;
    for (qsizetype end = m_partialReport.indexOf('\n'); end >= 0;
         end = m_partialReport.indexOf('\n', from)) {
        handleReport(m_partialReport.mid(from, end - from));
        from = end + 1;
    }
    m_partialReport.remove(0, from);
}

void BatchChecker::handleReport(const QByteArray &line)
{
    const QList<QByteArray> fields = line.split(' ');
    if (fields.size() != 2)
        return;
    bool numberOk = false;
    bool codeOk = false;
    const qsizetype transfer = fields[0].toLongLong(&numberOk);
    const int exitCode = fields[1].toInt(&codeOk);
    if (!numberOk || !codeOk || transfer < 0 || transfer >= qsizetype(m_linkOfTransfer.size()))
        return;
    const qsizetype index = m_linkOfTransfer[size_t(transfer)];
    if (!m_reported[size_t(index)])
        report(index, decide(index, exitCode));
}

CheckedLink BatchChecker::decide(qsizetype index, int exitCode) const
{
    const QString page = pagePath(index);
    const QFileInfo info(page);
    CheckedLink checked = unavailable(m_links[index]);
    // A page cut off at the size limit is not kept, as in the window's run.
    const bool oversized = exitCode == FileSizeExceeded
        || (exitCode == WriteError && info.exists() && info.size() >= m_setup.pageLimitBytes);
    if (!oversized && info.exists()) {
        try {
            const PlayabilityVerdict verdict
                = readPlayabilityVerdict(TextReader::readAllLines(page));
            checked.status = verdict.status;
            if (verdict.kind == PlayabilityVerdict::Kind::Valid) {
                checked.valid = true;
                checked.reason.clear();
            } else if (verdict.kind == PlayabilityVerdict::Kind::Invalid) {
                checked.reason = verdict.reason;
            }
        } catch (const AppError &) {
            // A page that cannot be read says nothing: the link stays "URL unavailable".
        }
    }
    QFile::remove(page);
    return checked;
}

void BatchChecker::report(qsizetype index, const CheckedLink &checked)
{
    // A receiver may stop the check while results are still being handed out.
    if (m_stopped)
        return;
    m_reported[size_t(index)] = true;
    emit linkChecked(index, checked);
}

void BatchChecker::toolEnded()
{
    if (m_ended)
        return;
    m_ended = true;
    readReports();
    // A fetch the tool never reported (it ended early) has no page that can be trusted.
    for (qsizetype transfer = 0; transfer < qsizetype(m_linkOfTransfer.size()); ++transfer) {
        const qsizetype index = m_linkOfTransfer[size_t(transfer)];
        if (!m_reported[size_t(index)]) {
            QFile::remove(pagePath(index));
            ++m_unreported;
            report(index, unavailable(m_links[index]));
        }
    }
    emit finished();
}
