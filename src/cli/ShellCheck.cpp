#include "cli/ShellCheck.h"

#include "cli/CheckedLinkFormat.h"
#include "cli/InputFiles.h"
#include "cli/OrderedOutput.h"
#include "cli/ProgressBar.h"
#include "cli/ReportFormat.h"
#include "core/AppError.h"
#include "core/FetchCommand.h"
#include "core/LinkExtractor.h"
#include "core/LinkLines.h"
#include "core/LinkNormalizer.h"
#include "core/ResultFileWriter.h"
#include "engine/CheckScheduler.h"
#include "engine/FetchJudgement.h"
#include "engine/LinkCache.h"
#include "system/SignalWatcher.h"
#include "system/StandardStreams.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFileDevice>
#include <QHash>
#include <QTextStream>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

namespace ShellCheck {

using CheckCommandLine::complain;
using CheckCommandLine::Format;
using CheckCommandLine::Options;

namespace {
// Standard output after a write: nothing wrong, gone (a closed pipe), or failed otherwise.
enum class OutputState { Fine, Gone, Failed };
OutputState flushOutput(QTextStream &out, QString *why)
{
    errno = 0;
    out.flush();
    if (out.status() == QTextStream::Ok)
        return OutputState::Fine;
    const int error = errno;
    if (error == EPIPE)
        return OutputState::Gone;
    *why = error != 0 ? QString::fromLocal8Bit(std::strerror(error))
                      : QStringLiteral("the write failed");
    return OutputState::Failed;
}

constexpr qsizetype MostCausesShown = 8;

// The summary: a line of counts, then one line per cause of the unknown links, the most
// frequent first, so that "try again later" and "no answer" are told apart at a glance.
QString summary(qsizetype valid, qsizetype invalid, const QStringList &unknownCauses,
                qsizetype cached, qint64 elapsedMs)
{
    const qsizetype unknown = unknownCauses.size();
    QString text = QStringLiteral("%1 links: %2 valid, %3 invalid, %4 unknown in %5 s")
                       .arg(valid + invalid + unknown)
                       .arg(valid)
                       .arg(invalid)
                       .arg(unknown)
                       .arg(elapsedMs / 1000.0, 0, 'f', 1);
    if (cached > 0)
        text += QStringLiteral(", %1 from the cache").arg(cached);
    text += u'\n';
    QHash<QString, qsizetype> counts;
    for (const QString &cause : unknownCauses)
        ++counts[cause];
    QList<std::pair<qsizetype, QString>> byCount;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        byCount.append({-it.value(), it.key()});
    std::sort(byCount.begin(), byCount.end());
    const int width = int(QString::number(unknown).size());
    qsizetype shown = 0;
    for (const auto &[count, cause] : byCount.first(qMin(byCount.size(), MostCausesShown))) {
        text += QStringLiteral("  %1 %2\n")
                    .arg(-count, width)
                    .arg(CheckedLinkFormat::printableField(cause));
        shown -= count;
    }
    if (shown < unknown)
        text += QStringLiteral("  %1 for other causes\n").arg(unknown - shown, width);
    return text;
}
} // namespace

QList<LoadedLink> loadLinks(const Options &options, QTextStream &err, int *status)
{
    QList<LoadedLink> loaded;
    LinkExtractor extractor;
    // Repeats are dropped over all the files together, the first one kept.
    LinkNormalizer::Normalizer normalizer;
    for (const QString &file : options.files) {
        try {
            if (options.extract) {
                extractor.addFile(InputFiles::displayName(file),
                                  InputFiles::linkFileLines(file, err));
                continue;
            }
            // Line by line: only the links are held, never the file's lines as well.
            const auto take = [&](QStringView line, const QString &undecodable) {
                std::optional<QString> link;
                if (options.normalize)
                    link = normalizer.take(line);
                else if (!isBlankLinkLine(line.toString()))
                    link = line.toString();
                if (!link)
                    return;
                // Checked as --normalize reads it, printed and saved as it stood.
                QString address = LinkNormalizer::trimmedBlanks(*link).toString();
                // A link rewritten to its canonical spelling lost the bad bytes with the rest.
                const bool unread
                    = !undecodable.isEmpty() && address.contains(QChar::ReplacementCharacter);
                loaded.append(
                    {std::move(*link), {}, std::move(address), unread ? undecodable : QString()});
            };
            InputFiles::forEachLinkFileLine(
                file, err, [&](QStringView line) { take(line, {}); },
                [&](QStringView line, const QString &why) { take(line, why); });
        } catch (const AppError &error) {
            complain(err, error.description());
            *status = CheckCommandLine::ExitUsageOrUnreadableFile;
        }
    }
    for (const ExtractedLink &link : extractor.links())
        loaded.append({link.link, link.source, link.link, {}});
    return loaded;
}

namespace {
// One checking run: the links already known (from the cache, or unreadable) are filed at once,
// the rest fetched; every outcome goes to standard output in input order, to the result lists
// and, when it was the site's verdict, to the cache.
class CheckRun
{
public:
    // clock runs from the start of the run, loading the link files included.
    CheckRun(const Options &options, QList<LoadedLink> loaded, QTextStream &out, QTextStream &err,
             const QElapsedTimer &clock)
        : m_options(options)
        , m_loaded(std::move(loaded))
        , m_out(out)
        , m_err(err)
        , m_showProgress(options.progress
                         && StandardStreams::isTerminal(StandardStreams::Stream::Error))
        , m_outputSharesTheTerminal(StandardStreams::isTerminal(StandardStreams::Stream::Output)
                                    && StandardStreams::isTerminal(StandardStreams::Stream::Error))
        , m_sourceColumn(options.extract ? ReportFormat::SourceColumn::With
                                         : ReportFormat::SourceColumn::Without)
        , m_clock(clock)
        , m_progress(m_showProgress, m_loaded.size())
        , m_ordered(m_loaded.size(), [this](const CheckedLink &checked) { report(checked); })
    {
    }

    int run()
    {
        if (!prepareFiles())
            return CheckCommandLine::ExitUsageOrUnreadableFile;
        // Output that goes away (a pipe into "head") ends the run cleanly instead of killing
        // it; so does a file-size limit on the output (the write then fails and is reported).
        StandardStreams::letFailedWritesReturn();
        if (m_options.format == Format::Csv)
            write(ReportFormat::csvHeader(m_sourceColumn));
        fileKnownLinks();
        m_progress.draw();
        const int interruptedBy = fetchTheRest();
        m_progress.clear();
        if (interruptedBy != 0)
            return 128 + interruptedBy;
        return finish();
    }

private:
    // Before any fetch: a long check must not be wasted on a mistyped path.
    bool prepareFiles()
    {
        try {
            for (const QString &path :
                 {m_options.validOut, m_options.invalidOut, m_options.unknownOut}) {
                if (!path.isEmpty())
                    probeResultFile(path);
            }
            if (!m_options.cache.isEmpty()) {
                m_cache.emplace(m_options.cache, std::chrono::seconds(m_options.maxAgeSeconds));
                if (!m_cache->compactionFailure().isEmpty())
                    complain(m_err,
                             u"note: %1; using it as it is."_qs.arg(m_cache->compactionFailure()));
            }
        } catch (const AppError &error) {
            complain(m_err, error.description());
            return false;
        }
        return true;
    }

    void write(const QString &text)
    {
        if (m_outputState != OutputState::Fine)
            return;
        if (m_outputSharesTheTerminal)
            m_progress.clear();
        m_out << text;
        m_outputState = flushOutput(m_out, &m_outputError);
    }

    // Takes an outcome whose turn in input order has come.
    void report(const CheckedLink &checked)
    {
        switch (m_options.format) {
        case Format::Lines:
            write(CheckedLinkFormat::textLine(checked));
            break;
        case Format::Json:
            write(CheckedLinkFormat::jsonLine(checked));
            break;
        case Format::Csv:
            write(ReportFormat::csvRow(checked, m_sourceColumn));
            break;
        case Format::Markdown:
            m_everything.append(checked);
            break;
        }
        (checked.verdict == LinkVerdict::Valid         ? m_validLinks
             : checked.verdict == LinkVerdict::Invalid ? m_invalidLinks
                                                       : m_unknownLinks)
            << checked.link;
        if (checked.verdict == LinkVerdict::Unknown)
            m_unknownCauses << checked.reason;
    }

    // Takes an outcome as soon as it is known, in any order.
    void decided(qsizetype position, const CheckedLink &checked)
    {
        m_progress.linkDone(checked.verdict == LinkVerdict::Valid,
                            checked.verdict == LinkVerdict::Invalid,
                            checked.verdict == LinkVerdict::Unknown);
        m_ordered.add(position, checked);
    }

    // Links decided within --max-age come from the cache, and a line that was not UTF-8 is
    // not fetched at all; the rest are put aside for fetching.
    void fileKnownLinks()
    {
        const QDateTime now = QDateTime::currentDateTimeUtc();
        for (qsizetype i = 0; i < m_loaded.size(); ++i) {
            const LoadedLink &link = m_loaded.at(i);
            if (!link.undecodable.isEmpty()) {
                CheckedLink unread;
                unread.link = link.link;
                unread.reason = link.undecodable;
                unread.source = link.source;
                if (m_options.windowVerdicts) {
                    unread.verdict = LinkVerdict::Invalid;
                    unread.reason = QStringLiteral("URL unavailable");
                }
                decided(i, unread);
                continue;
            }
            // A bare video id is no address: fetched, it would name a host that is not there
            // and be tried for seconds. --normalize makes a link of it; without, it is refused as
            // the window's fetch refuses it.
            if (!m_options.normalize && LinkNormalizer::isVideoId(link.address)) {
                FetchResult noAddress;
                noAddress.failure = FetchResult::Failure::NotWebAddress;
                CheckedLink refused = checkedLinkOf(link.link, judgeFetch(noAddress));
                refused.source = link.source;
                if (m_options.windowVerdicts)
                    refused = filedAsTheWindowFilesIt(refused);
                decided(i, refused);
                continue;
            }
            if (m_cache) {
                if (std::optional<CheckedLink> known = m_cache->lookup(link.address, now)) {
                    known->link = link.link;
                    known->source = link.source;
                    known->attempts = 0;
                    if (m_options.windowVerdicts)
                        known = filedAsTheWindowFilesIt(*known);
                    ++m_fromCache;
                    decided(i, *known);
                    continue;
                }
            }
            m_toFetch << link.address;
            m_positionOf << i;
        }
    }

    // Fetches the links put aside; returns the signal that interrupted it, or 0.
    int fetchTheRest()
    {
        if (m_toFetch.isEmpty() || m_outputState != OutputState::Fine)
            return 0;
        SignalWatcher interrupts;
        SchedulerSettings settings;
        settings.jobs = m_options.jobs;
        settings.retries = m_options.retries;
        settings.maxWaitMs = qint64(m_options.maxWaitSeconds) * 1000;
        settings.rate = m_options.rate;
        CheckScheduler scheduler(m_toFetch, settings, FetchCommand::fetchPolicy());
        if (!m_options.quiet)
            scheduler.setNotice([this](const QString &line) {
                m_progress.clear();
                complain(m_err, line);
            });
        int interruptedBy = 0;
        scheduler.run(
            [this](qsizetype index, const CheckedLink &checked) {
                fetched(m_positionOf.at(index), checked);
            },
            [&] {
                interruptedBy = interrupts.received();
                if (m_showProgress) {
                    m_progress.setWaiting(scheduler.waitingText());
                    m_progress.draw();
                }
                return interruptedBy == 0 && m_outputState == OutputState::Fine;
            },
            interrupts.wakeDescriptor());
        return interruptedBy != 0 ? interruptedBy : interrupts.received();
    }

    void fetched(qsizetype position, CheckedLink checked)
    {
        checked.source = m_loaded.at(position).source;
        // Only what the site judged is remembered: an unknown link is asked again.
        if (m_cache && checked.verdict != LinkVerdict::Unknown) {
            try {
                m_cache->append(checked, QDateTime::currentDateTimeUtc());
            } catch (const AppError &error) {
                complain(m_err, error.description());
                m_cache.reset();
                m_cacheFailed = true;
            }
        }
        checked.link = m_loaded.at(position).link;
        if (m_options.windowVerdicts)
            checked = filedAsTheWindowFilesIt(checked);
        decided(position, checked);
    }

    // After the last outcome: the Markdown report, the result files, the summary and the exit
    // status.
    int finish()
    {
        if (m_options.format == Format::Markdown)
            write(ReportFormat::markdownReport(m_everything));
        if (m_outputState == OutputState::Gone)
            return 128 + StandardStreams::BrokenPipeSignal;
        if (m_outputState == OutputState::Failed) {
            complain(m_err,
                     QStringLiteral("Cannot write to standard output: %1").arg(m_outputError));
            return CheckCommandLine::ExitUsageOrUnreadableFile;
        }

        int status = !m_invalidLinks.isEmpty() ? CheckCommandLine::ExitSomeInvalid
            : !m_unknownLinks.isEmpty()        ? CheckCommandLine::ExitSomeUnknown
                                               : CheckCommandLine::ExitSuccess;
        // The results stand, but a cache that could not keep them is a failed write.
        if (m_cacheFailed)
            status = CheckCommandLine::ExitUsageOrUnreadableFile;
        for (const auto &[path, list] : {std::pair {m_options.validOut, m_validLinks},
                                         std::pair {m_options.invalidOut, m_invalidLinks},
                                         std::pair {m_options.unknownOut, m_unknownLinks}}) {
            if (path.isEmpty())
                continue;
            try {
                writeResultFile(path, list);
            } catch (const AppError &error) {
                complain(m_err, error.description());
                status = CheckCommandLine::ExitUsageOrUnreadableFile;
            }
        }
        if (m_options.summary
            || (!m_options.quiet && StandardStreams::isTerminal(StandardStreams::Stream::Error))) {
            m_err << summary(m_validLinks.size(), m_invalidLinks.size(), m_unknownCauses,
                             m_fromCache, m_clock.elapsed());
            m_err.flush();
        }
        return status;
    }

    const Options &m_options;
    const QList<LoadedLink> m_loaded;
    QTextStream &m_out;
    QTextStream &m_err;
    const bool m_showProgress;
    const bool m_outputSharesTheTerminal;
    const ReportFormat::SourceColumn m_sourceColumn;
    QElapsedTimer m_clock;
    std::optional<LinkCache> m_cache;
    bool m_cacheFailed = false;
    ProgressBar m_progress;
    OrderedOutput m_ordered;
    OutputState m_outputState = OutputState::Fine;
    QString m_outputError;
    QStringList m_toFetch;
    QList<qsizetype> m_positionOf; // in the input, of each link to fetch
    QStringList m_validLinks, m_invalidLinks, m_unknownLinks, m_unknownCauses;
    QList<CheckedLink> m_everything; // for the Markdown report, written at the end
    qsizetype m_fromCache = 0;
};
} // namespace

int run(const Options &options, QTextStream &out, QTextStream &err)
{
    QElapsedTimer clock;
    clock.start();
    int loadStatus = CheckCommandLine::ExitSuccess;
    QList<LoadedLink> loaded = loadLinks(options, err, &loadStatus);
    if (loadStatus != CheckCommandLine::ExitSuccess)
        return loadStatus;
    return CheckRun(options, std::move(loaded), out, err, clock).run();
}

} // namespace ShellCheck
