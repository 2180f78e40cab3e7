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
#include "core/LinkShard.h"
#include "core/ResultFileWriter.h"
#include "engine/CheckScheduler.h"
#include "engine/FetchJudgement.h"
#include "engine/LinkCache.h"
#include "engine/OutcomeMemory.h"
#include "engine/OutcomeStore.h"
#include "system/SignalWatcher.h"
#include "system/StandardStreams.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFileDevice>
#include <QFileInfo>
#include <QHash>
#include <QTextStream>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

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
QString summary(qsizetype valid, qsizetype invalid, const QHash<QString, qsizetype> &counts,
                qsizetype cached, qint64 elapsedMs)
{
    qsizetype unknown = 0;
    for (const qsizetype count : counts)
        unknown += count;
    QString text = QStringLiteral("%1 links: %2 valid, %3 invalid, %4 unknown in %5 s")
                       .arg(valid + invalid + unknown)
                       .arg(valid)
                       .arg(invalid)
                       .arg(unknown)
                       .arg(elapsedMs / 1000.0, 0, 'f', 1);
    if (cached > 0)
        text += QStringLiteral(", %1 from the cache").arg(cached);
    text += u'\n';
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

// The links of one file as --extract finds them, read a block at a time.
void extractFrom(const QString &file, LinkExtractor &extractor, QTextStream &err)
{
    const QString name = InputFiles::displayName(file);
    extractor.startFile(name);
    InputFiles::forEachStreamedLine(
        file, err, LinkExtractor::MaxLineLength,
        [&](QStringView text, bool endsLine) { extractor.addText(text, endsLine); });
    extractor.endFile();
    if (const qint64 skipped = extractor.skippedInFile(); skipped > 0)
        complain(err,
                 QStringLiteral("note: %1: skipped %2 row(s) with no video id in the id column "
                                "or too long to read as a row; any links in them were still "
                                "taken.")
                     .arg(name)
                     .arg(skipped));
}
} // namespace

void forEachLoadedLink(const Options &options, QTextStream &err, int *status,
                       const std::function<void(LoadedLink)> &take)
{
    // Only this machine's shard goes on; the others' links are dropped as they come.
    const auto offer = [&](LoadedLink link) {
        if (!options.shard || LinkShard::belongsTo(link.address, *options.shard))
            take(std::move(link));
    };
    // Repeats are dropped over all the files together, the first one kept.
    LinkExtractor extractor([&](const ExtractedLink &link) {
        offer({link.link, link.source, link.link, {}});
    });
    LinkNormalizer::Normalizer normalizer;
    for (const QString &file : options.files) {
        try {
            if (options.extract) {
                extractFrom(file, extractor, err);
                continue;
            }
            // Line by line: only the links are held, never the file's lines as well.
            const auto takeLine = [&](QStringView line, const QString &undecodable) {
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
                offer({std::move(*link), {}, std::move(address), unread ? undecodable : QString()});
            };
            InputFiles::forEachLinkFileLine(
                file, err, [&](QStringView line) { takeLine(line, {}); },
                [&](QStringView line, const QString &why) { takeLine(line, why); });
        } catch (const AppError &error) {
            complain(err, error.description());
            *status = CheckCommandLine::ExitUsageOrUnreadableFile;
        }
    }
}

LoadedLinks loadLinks(const Options &options, QTextStream &err, int *status)
{
    LoadedLinks loaded;
    // A large link file's size is room for its links (small ones grow the list as usual); a
    // shard or an extraction keeps only part of a file, so it grows as it goes.
    if (!options.shard && !options.extract) {
        for (const QString &file : options.files) {
            if (const QFileInfo info(file); info.isFile() && info.size() > (1 << 20))
                loaded.reserveText(info.size());
        }
    }
    forEachLoadedLink(options, err, status, [&](const LoadedLink &link) {
        loaded.append(link.link, link.source, link.undecodable);
    });
    return loaded;
}

namespace {
// One checking run: the links already known (from the cache, or unreadable) are filed at once,
// the rest fetched; every outcome goes to standard output in input order, to the result lists
// and, when it was the site's verdict, to the cache. With a store, every check goes there, and
// each is compared with the verdict the store decided before.
class CheckRun
{
public:
    // clock runs from the start of the run, loading the link files included.
    CheckRun(const Options &options, LoadedLinks loaded, QTextStream &out, QTextStream &err,
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
        if (m_options.format == Format::Csv) {
            QString header = ReportFormat::csvHeader(m_sourceColumn);
            if (m_history)
                header.insert(header.size() - 2, ReportFormat::csvStoreHeader());
            write(header);
        }
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
            if (!m_options.cache.isEmpty())
                openMemory();
        } catch (const AppError &error) {
            complain(m_err, error.description());
            return false;
        }
        return true;
    }

    void openMemory()
    {
        // A report takes the latest outcome at any age.
        const std::chrono::seconds maxAge(m_options.reportOnly
                                              ? std::numeric_limits<qint64>::max() / 1000
                                              : m_options.maxAgeSeconds);
        // A report creates nothing: a mistyped store name is an error, not an empty store.
        if (m_options.reportOnly && !QFileInfo::exists(m_options.cache))
            throw AppError(u"Cannot read \"%1\": there is no such file"_qs.arg(m_options.cache));
        m_memory = openOutcomeMemory(m_options.cache, maxAge);
        m_history = m_memory->keepsHistory();
        if (m_options.changes && !m_history)
            throw AppError(
                u"--changes needs a store, and \"%1\" is a cache of JSON lines; add "
                "it to a new store with --cache NEW.db --merge \"%1\""_qs.arg(m_options.cache));
        if (!m_memory->note().isEmpty())
            complain(m_err, u"note: %1; using it as it is."_qs.arg(m_memory->note()));
        if (m_options.changes)
            m_changed.resize(size_t(m_loaded.size()));
    }

    void write(const QString &text)
    {
        if (m_outputState != OutputState::Fine)
            return;
        if (m_outputSharesTheTerminal)
            m_progress.clear();
        m_out << text;
        // Outcomes filed at once from the store go out in large writes, not one per line:
        // a million lines cost seconds as a million writes.
        if (m_holdingBack && ++m_heldBack < HeldBackLines)
            return;
        m_heldBack = 0;
        m_outputState = flushOutput(m_out, &m_outputError);
    }

    // Takes an outcome whose turn in input order has come.
    void report(const CheckedLink &checked)
    {
        const qsizetype position = m_reported++;
        (checked.verdict == LinkVerdict::Valid         ? m_validCount
             : checked.verdict == LinkVerdict::Invalid ? m_invalidCount
                                                       : m_unknownCount)++;
        if (checked.verdict == LinkVerdict::Unknown)
            ++m_unknownCauses[checked.reason];
        // The lists are kept only for the result files asked for.
        for (const auto &[verdict, path, list] :
             {std::tuple {LinkVerdict::Valid, &m_options.validOut, &m_validLinks},
              std::tuple {LinkVerdict::Invalid, &m_options.invalidOut, &m_invalidLinks},
              std::tuple {LinkVerdict::Unknown, &m_options.unknownOut, &m_unknownLinks}}) {
            if (checked.verdict == verdict && !path->isEmpty())
                *list << checked.link;
        }
        if (m_options.changes && !m_changed[size_t(position)])
            return;
        switch (m_options.format) {
        case Format::Lines: {
            QString line = CheckedLinkFormat::textLine(checked);
            if (m_options.changes)
                line.insert(line.size() - 1, u'\t' + CheckedLinkFormat::changeText(checked));
            write(line);
            break;
        }
        case Format::Json:
            write(CheckedLinkFormat::jsonLine(checked));
            break;
        case Format::Csv: {
            QString row = ReportFormat::csvRow(checked, m_sourceColumn);
            if (m_history)
                row.insert(row.size() - 2, ReportFormat::csvStoreCells(checked));
            write(row);
            break;
        }
        case Format::Markdown:
            m_everything.append(checked);
            break;
        }
    }

    // Takes an outcome as soon as it is known, in any order.
    void decided(qsizetype position, const CheckedLink &checked)
    {
        m_progress.linkDone(checked.verdict == LinkVerdict::Valid,
                            checked.verdict == LinkVerdict::Invalid,
                            checked.verdict == LinkVerdict::Unknown);
        m_ordered.add(position, checked);
    }

    // What the store knew before: the verdict to compare with, and for a link now invalid the
    // last details of its video and when it was last seen valid.
    static void addHistory(CheckedLink &checked, const LinkHistory &history)
    {
        checked.previousVerdict = history.lastVerdict;
        checked.previousDecided = history.lastDecided;
        if (checked.verdict != LinkVerdict::Invalid)
            return;
        if (checked.video.isEmpty())
            checked.video = history.lastVideo;
        checked.lastSeenValid = history.lastSeenValid;
    }

    // The outcome the store or cache holds for the link at position, when it may be taken
    // instead of fetching: decided within --max-age, or with --report the latest at all.
    std::optional<CheckedLink> knownOutcome(qsizetype position, const QDateTime &now)
    {
        const QString address = m_loaded.address(position);
        if (!m_history)
            return m_memory->lookup(address, now);
        std::optional<std::pair<CheckedLink, QDateTime>> last = m_memory->latest(address);
        if (!m_options.reportOnly) {
            const qint64 age = last ? last->second.secsTo(now) : -1;
            if (!last || last->first.verdict == LinkVerdict::Unknown || age < 0
                || age > m_options.maxAgeSeconds)
                return std::nullopt;
        }
        if (!last)
            return std::nullopt;
        CheckedLink known = last->first;
        // Nothing new was decided: the store's decision is the one before and after.
        if (known.verdict != LinkVerdict::Unknown) {
            known.previousVerdict = known.verdict;
            known.previousDecided = last->second;
        }
        if (known.verdict == LinkVerdict::Invalid) {
            const LinkHistory history = m_memory->history(address);
            if (known.video.isEmpty())
                known.video = history.lastVideo;
            known.lastSeenValid = history.lastSeenValid;
        }
        return known;
    }

    // Links decided within --max-age come from the cache, and a line that was not UTF-8 is
    // not fetched at all; the rest are put aside for fetching.
    void fileKnownLinks()
    {
        const QDateTime now = QDateTime::currentDateTimeUtc();
        m_holdingBack = !m_outputSharesTheTerminal;
        for (qsizetype i = 0; i < m_loaded.size() && m_outputState == OutputState::Fine; ++i) {
            if (const QString undecodable = m_loaded.undecodable(i); !undecodable.isEmpty()) {
                CheckedLink unread;
                unread.link = m_loaded.link(i);
                unread.reason = undecodable;
                unread.source = m_loaded.source(i);
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
            if (!m_options.normalize && LinkNormalizer::isVideoId(m_loaded.address(i))) {
                FetchResult noAddress;
                noAddress.failure = FetchResult::Failure::NotWebAddress;
                CheckedLink refused = checkedLinkOf(m_loaded.link(i), judgeFetch(noAddress));
                refused.source = m_loaded.source(i);
                if (m_options.windowVerdicts)
                    refused = filedAsTheWindowFilesIt(refused);
                decided(i, refused);
                continue;
            }
            std::optional<CheckedLink> known;
            if (m_memory) {
                try {
                    known = knownOutcome(i, now);
                } catch (const AppError &error) {
                    storeFailed(error);
                }
            }
            if (!known && m_options.reportOnly) {
                known.emplace();
                known->reason = QStringLiteral("not in the store");
            }
            if (known) {
                known->link = m_loaded.link(i);
                known->source = m_loaded.source(i);
                known->attempts = 0;
                if (m_options.windowVerdicts)
                    known = filedAsTheWindowFilesIt(*known);
                ++m_fromCache;
                decided(i, *known);
                continue;
            }
            m_positionOf.push_back(i);
        }
        m_holdingBack = false;
        if (m_heldBack > 0 && m_outputState == OutputState::Fine) {
            m_heldBack = 0;
            m_outputState = flushOutput(m_out, &m_outputError);
        }
        commitMemory(true);
    }

    // Fetches the links put aside; returns the signal that interrupted it, or 0.
    int fetchTheRest()
    {
        if (m_positionOf.empty() || m_outputState != OutputState::Fine)
            return 0;
        SignalWatcher interrupts;
        SchedulerSettings settings;
        settings.jobs = m_options.jobs;
        settings.retries = m_options.retries;
        settings.maxWaitMs = qint64(m_options.maxWaitSeconds) * 1000;
        settings.rate = m_options.rate;
        CheckScheduler scheduler(
            qsizetype(m_positionOf.size()),
            [this](qsizetype index) { return m_loaded.address(m_positionOf[size_t(index)]); },
            settings, FetchCommand::fetchPolicy());
        if (!m_options.quiet)
            scheduler.setNotice([this](const QString &line) {
                m_progress.clear();
                complain(m_err, line);
            });
        int interruptedBy = 0;
        scheduler.run(
            [this](qsizetype index, const CheckedLink &checked) {
                fetched(m_positionOf[size_t(index)], checked);
            },
            [&] {
                interruptedBy = interrupts.received();
                // What was decided reaches the store within a second, whatever happens next.
                commitMemory(false);
                if (m_showProgress) {
                    m_progress.setWaiting(scheduler.waitingText());
                    m_progress.draw();
                }
                return interruptedBy == 0 && m_outputState == OutputState::Fine;
            },
            interrupts.wakeDescriptor());
        commitMemory(true);
        return interruptedBy != 0 ? interruptedBy : interrupts.received();
    }

    void storeFailed(const AppError &error)
    {
        complain(m_err, error.description());
        m_memory.reset();
        m_cacheFailed = true;
    }

    void commitMemory(bool force)
    {
        if (!m_memory)
            return;
        try {
            m_memory->commit(force);
        } catch (const AppError &error) {
            storeFailed(error);
        }
    }

    void fetched(qsizetype position, CheckedLink checked)
    {
        checked.source = m_loaded.source(position);
        if (m_memory) {
            try {
                LinkHistory history;
                if (m_history)
                    history = m_memory->history(checked.link);
                // A store keeps every check; the cache only what the site judged, so an
                // unknown link is asked again.
                if (m_history || checked.verdict != LinkVerdict::Unknown)
                    m_memory->record(checked, QDateTime::currentDateTimeUtc());
                if (m_history)
                    noteChange(position, checked, history);
            } catch (const AppError &error) {
                storeFailed(error);
            }
        }
        checked.link = m_loaded.link(position);
        if (m_options.windowVerdicts)
            checked = filedAsTheWindowFilesIt(checked);
        decided(position, checked);
    }

    // Compares a decided outcome with the store's last decided verdict.
    void noteChange(qsizetype position, CheckedLink &checked, const LinkHistory &history)
    {
        addHistory(checked, history);
        if (checked.verdict == LinkVerdict::Unknown || checked.previousVerdict == checked.verdict)
            return;
        if (!checked.previousVerdict)
            ++m_new;
        else if (checked.verdict == LinkVerdict::Invalid)
            ++m_died;
        else
            ++m_cameBack;
        if (m_options.changes)
            m_changed[size_t(position)] = true;
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

        int status = m_invalidCount > 0 ? CheckCommandLine::ExitSomeInvalid
            : m_unknownCount > 0        ? CheckCommandLine::ExitSomeUnknown
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
            m_err << summary(m_validCount, m_invalidCount, m_unknownCauses, m_fromCache,
                             m_clock.elapsed());
            if (m_history && !m_options.reportOnly)
                m_err << QStringLiteral("since the last check: %1 died, %2 came back, %3 new\n")
                             .arg(m_died)
                             .arg(m_cameBack)
                             .arg(m_new);
            m_err.flush();
        }
        return status;
    }

    const Options &m_options;
    const LoadedLinks m_loaded;
    QTextStream &m_out;
    QTextStream &m_err;
    const bool m_showProgress;
    const bool m_outputSharesTheTerminal;
    const ReportFormat::SourceColumn m_sourceColumn;
    QElapsedTimer m_clock;
    std::unique_ptr<OutcomeMemory> m_memory;
    bool m_history = false; // the memory is a store, which keeps every check
    bool m_cacheFailed = false;
    ProgressBar m_progress;
    OrderedOutput m_ordered;
    OutputState m_outputState = OutputState::Fine;
    QString m_outputError;
    static constexpr int HeldBackLines = 4096;
    bool m_holdingBack = false; // while filing outcomes known at once
    int m_heldBack = 0; // lines written since the last flush
    std::vector<qsizetype> m_positionOf; // in the input, of each link to fetch
    std::vector<bool> m_changed; // with --changes: by position, whether to print it
    qsizetype m_reported = 0;
    qsizetype m_validCount = 0, m_invalidCount = 0, m_unknownCount = 0;
    QStringList m_validLinks, m_invalidLinks, m_unknownLinks;
    QHash<QString, qsizetype> m_unknownCauses;
    QList<CheckedLink> m_everything; // for the Markdown report, written at the end
    qsizetype m_fromCache = 0;
    qsizetype m_died = 0, m_cameBack = 0, m_new = 0;
};
} // namespace

int run(const Options &options, QTextStream &out, QTextStream &err)
{
    QElapsedTimer clock;
    clock.start();
    int loadStatus = CheckCommandLine::ExitSuccess;
    LoadedLinks loaded = loadLinks(options, err, &loadStatus);
    if (loadStatus != CheckCommandLine::ExitSuccess)
        return loadStatus;
    return CheckRun(options, std::move(loaded), out, err, clock).run();
}

int merge(const Options &options, QTextStream &err)
{
    int status = CheckCommandLine::ExitSuccess;
    qsizetype added = 0;
    try {
        // What is no regular file is refused as the cache is anywhere; a cache of JSON lines
        // is refused before it is opened, which might compact it.
        const QFileInfo target(options.cache);
        if ((!target.exists() || target.isFile()) && !isOutcomeStore(options.cache))
            throw AppError(
                u"Cannot merge into \"%1\": it is a cache of JSON lines; name a new "
                "file (ending in .db) to merge it and the others into"_qs.arg(options.cache));
        std::unique_ptr<OutcomeMemory> memory
            = openOutcomeMemory(options.cache, std::chrono::seconds(options.maxAgeSeconds));
        auto &store = dynamic_cast<OutcomeStore &>(*memory);
        for (const QString &source : options.files) {
            try {
                added += store.merge(source);
            } catch (const AppError &error) {
                complain(err, error.description());
                status = CheckCommandLine::ExitUsageOrUnreadableFile;
            }
        }
    } catch (const AppError &error) {
        complain(err, error.description());
        return CheckCommandLine::ExitUsageOrUnreadableFile;
    }
    if (options.summary
        || (!options.quiet && StandardStreams::isTerminal(StandardStreams::Stream::Error))) {
        err << QStringLiteral("%1 checks added to %2\n").arg(added).arg(options.cache);
        err.flush();
    }
    return status;
}

} // namespace ShellCheck
