#include "cli/ShellCheck.h"

#include "cli/CheckScheduler.h"
#include "cli/CheckedLinkFormat.h"
#include "cli/InputFiles.h"
#include "cli/LinkCache.h"
#include "cli/OrderedOutput.h"
#include "cli/ProgressBar.h"
#include "cli/ReportFormat.h"
#include "core/AppError.h"
#include "core/FetchCommand.h"
#include "core/LinkExtractor.h"
#include "core/LinkLines.h"
#include "core/LinkNormalizer.h"
#include "core/ResultFileWriter.h"
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
            const auto take = [&](QStringView line, bool validUtf8) {
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
                const bool notUtf8 = !validUtf8 && address.contains(QChar::ReplacementCharacter);
                loaded.append({std::move(*link), {}, std::move(address), notUtf8});
            };
            InputFiles::forEachLinkFileLine(
                file, err, [&](QStringView line) { take(line, true); },
                [&](QStringView line) { take(line, false); });
        } catch (const AppError &error) {
            complain(err, error.description());
            *status = CheckCommandLine::ExitUsageOrUnreadableFile;
        }
    }
    for (const ExtractedLink &link : extractor.links())
        loaded.append({link.link, link.source, link.link});
    return loaded;
}

int run(const Options &options, QTextStream &out, QTextStream &err)
{
    QElapsedTimer clock;
    clock.start();
    int loadStatus = CheckCommandLine::ExitSuccess;
    const QList<LoadedLink> loaded = loadLinks(options, err, &loadStatus);
    if (loadStatus != CheckCommandLine::ExitSuccess)
        return loadStatus;

    std::optional<LinkCache> cache;
    try {
        // Before any fetch: a long check must not be wasted on a mistyped path.
        for (const QString &path : {options.validOut, options.invalidOut, options.unknownOut}) {
            if (!path.isEmpty())
                probeResultFile(path);
        }
        if (!options.cache.isEmpty()) {
            cache.emplace(options.cache, std::chrono::seconds(options.maxAgeSeconds));
            if (!cache->compactionFailure().isEmpty())
                complain(err, u"note: %1; using it as it is."_qs.arg(cache->compactionFailure()));
        }
    } catch (const AppError &error) {
        complain(err, error.description());
        return CheckCommandLine::ExitUsageOrUnreadableFile;
    }

    // Output that goes away (a pipe into "head") ends the run cleanly instead of killing it;
    // so does a file-size limit on the output (the write then fails and is reported).
    StandardStreams::letFailedWritesReturn();

    const qsizetype total = loaded.size();
    const ReportFormat::SourceColumn sourceColumn
        = options.extract ? ReportFormat::SourceColumn::With : ReportFormat::SourceColumn::Without;
    QStringList validLinks, invalidLinks, unknownLinks, unknownCauses;
    QList<CheckedLink> everything; // for the Markdown report, written at the end
    qsizetype fromCache = 0;
    bool cacheFailed = false;
    QString outputError;
    OutputState outputState = OutputState::Fine;

    const bool showProgress
        = options.progress && StandardStreams::isTerminal(StandardStreams::Stream::Error);
    ProgressBar progress(showProgress, total);
    const bool outputSharesTheTerminal
        = StandardStreams::isTerminal(StandardStreams::Stream::Output)
        && StandardStreams::isTerminal(StandardStreams::Stream::Error);
    auto write = [&](const QString &text) {
        if (outputState != OutputState::Fine)
            return;
        if (outputSharesTheTerminal)
            progress.clear();
        out << text;
        outputState = flushOutput(out, &outputError);
    };
    if (options.format == Format::Csv)
        write(ReportFormat::csvHeader(sourceColumn));

    OrderedOutput ordered(total, [&](const CheckedLink &checked) {
        switch (options.format) {
        case Format::Lines:
            write(CheckedLinkFormat::textLine(checked));
            break;
        case Format::Json:
            write(CheckedLinkFormat::jsonLine(checked));
            break;
        case Format::Csv:
            write(ReportFormat::csvRow(checked, sourceColumn));
            break;
        case Format::Markdown:
            everything.append(checked);
            break;
        }
        (checked.verdict == LinkVerdict::Valid         ? validLinks
             : checked.verdict == LinkVerdict::Invalid ? invalidLinks
                                                       : unknownLinks)
            << checked.link;
        if (checked.verdict == LinkVerdict::Unknown)
            unknownCauses << checked.reason;
    });
    auto counted = [&](const CheckedLink &checked) {
        progress.linkDone(checked.verdict == LinkVerdict::Valid,
                          checked.verdict == LinkVerdict::Invalid,
                          checked.verdict == LinkVerdict::Unknown);
    };

    // Links decided within --max-age come from the cache; only the rest are fetched.
    QStringList toFetch;
    QList<qsizetype> positionOf; // in the input, of each link to fetch
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (qsizetype i = 0; i < total; ++i) {
        const LoadedLink &link = loaded.at(i);
        if (link.notUtf8) {
            CheckedLink unread;
            unread.link = link.link;
            unread.reason = QStringLiteral("not valid UTF-8");
            unread.source = link.source;
            if (options.windowVerdicts) {
                unread.verdict = LinkVerdict::Invalid;
                unread.reason = QStringLiteral("URL unavailable");
            }
            counted(unread);
            ordered.add(i, unread);
            continue;
        }
        if (cache) {
            if (std::optional<CheckedLink> known = cache->lookup(link.address, now)) {
                known->link = link.link;
                known->source = link.source;
                known->attempts = 0;
                if (options.windowVerdicts)
                    known = filedAsTheWindowFilesIt(*known);
                ++fromCache;
                counted(*known);
                ordered.add(i, *known);
                continue;
            }
        }
        toFetch << link.address;
        positionOf << i;
    }
    progress.draw();

    int interruptedBy = 0;
    if (!toFetch.isEmpty() && outputState == OutputState::Fine) {
        SignalWatcher interrupts;
        SchedulerSettings settings;
        settings.jobs = options.jobs;
        settings.retries = options.retries;
        settings.maxWaitMs = qint64(options.maxWaitSeconds) * 1000;
        settings.rate = options.rate;
        CheckScheduler scheduler(toFetch, settings, FetchCommand::fetchPolicy());
        if (!options.quiet)
            scheduler.setNotice([&](const QString &line) {
                progress.clear();
                complain(err, line);
            });
        scheduler.run(
            [&](qsizetype index, const CheckedLink &decided, const QString &windowReason) {
                CheckedLink checked = decided;
                const qsizetype position = positionOf.at(index);
                checked.source = loaded.at(position).source;
                checked.windowReason = windowReason;
                // Only what the site judged is remembered: an unknown link is asked again.
                if (cache && checked.verdict != LinkVerdict::Unknown) {
                    try {
                        cache->append(checked, QDateTime::currentDateTimeUtc());
                    } catch (const AppError &error) {
                        complain(err, error.description());
                        cache.reset();
                        cacheFailed = true;
                    }
                }
                checked.link = loaded.at(position).link;
                if (options.windowVerdicts)
                    checked = filedAsTheWindowFilesIt(checked);
                counted(checked);
                ordered.add(position, checked);
            },
            [&] {
                interruptedBy = interrupts.received();
                if (showProgress) {
                    progress.setWaiting(scheduler.waitingText());
                    progress.draw();
                }
                return interruptedBy == 0 && outputState == OutputState::Fine;
            },
            interrupts.wakeDescriptor());
        if (interruptedBy == 0)
            interruptedBy = interrupts.received();
    }
    progress.clear();

    if (interruptedBy != 0)
        return 128 + interruptedBy;
    if (options.format == Format::Markdown)
        write(ReportFormat::markdownReport(everything));
    if (outputState == OutputState::Gone)
        return 128 + StandardStreams::BrokenPipeSignal;
    if (outputState == OutputState::Failed) {
        complain(err, QStringLiteral("Cannot write to standard output: %1").arg(outputError));
        return CheckCommandLine::ExitUsageOrUnreadableFile;
    }

    int status = !invalidLinks.isEmpty() ? CheckCommandLine::ExitSomeInvalid
        : !unknownLinks.isEmpty()        ? CheckCommandLine::ExitSomeUnknown
                                         : CheckCommandLine::ExitSuccess;
    // The results stand, but a cache that could not keep them is a failed write.
    if (cacheFailed)
        status = CheckCommandLine::ExitUsageOrUnreadableFile;
    for (const auto &[path, list] :
         {std::pair {options.validOut, validLinks}, std::pair {options.invalidOut, invalidLinks},
          std::pair {options.unknownOut, unknownLinks}}) {
        if (path.isEmpty())
            continue;
        try {
            writeResultFile(path, list);
        } catch (const AppError &error) {
            complain(err, error.description());
            status = CheckCommandLine::ExitUsageOrUnreadableFile;
        }
    }
    if (options.summary
        || (!options.quiet && StandardStreams::isTerminal(StandardStreams::Stream::Error))) {
        err << summary(validLinks.size(), invalidLinks.size(), unknownCauses, fromCache,
                       clock.elapsed());
        err.flush();
    }
    return status;
}

} // namespace ShellCheck
