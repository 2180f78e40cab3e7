#include "cli/CheckCommandLine.h"

#include "cli/CheckScheduler.h"
#include "cli/CheckedLinkFormat.h"
#include "cli/FetchJudgement.h"
#include "cli/InputFiles.h"
#include "cli/LinkCache.h"
#include "cli/ReportFormat.h"
#include "cli/ShellCheck.h"
#include "core/AppError.h"
#include "core/FetchCommand.h"
#include "core/LinkLines.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTextStream>

#include <cmath>

namespace CheckCommandLine {
void complain(QTextStream &err, const QString &message)
{
    QString line = message;
    line.replace(u'\n', u' ').replace(u'\r', u' ');
    err << ProgramName << ": " << line << '\n';
    err.flush();
}

QString jsonString(const QString &text)
{
    // Qt's writer does the escaping; a one-element array is the smallest document that holds a
    // bare string, and its brackets come off. Objects are written field by field so the fields
    // keep their reading order instead of Qt's sorted one.
    const QByteArray array = QJsonDocument(QJsonArray {text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.sliced(1, array.size() - 2));
}

namespace {
// A path as the file system will resolve it, so two spellings of one file compare equal.
QString resolvedPath(const QString &path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty())
        return canonical;
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? QDir::cleanPath(info.absoluteFilePath())
                            : QDir(folder).filePath(info.fileName());
}

// A whole number from low to high, or nothing.
std::optional<int> wholeNumber(const QString &text, int low, int high)
{
    bool isNumber = false;
    const int value = text.toInt(&isNumber);
    if (!isNumber || value < low || value > high)
        return std::nullopt;
    return value;
}
} // namespace

ParsedCommandLine parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Checks YouTube watch-page links from the shell.\n\n"
        "brindlewood-check LINKFILE... fetches every link of the link files (\"-\" reads\n"
        "standard input) and prints one line per link in input order: valid<TAB>LINK,\n"
        "invalid<TAB>LINK<TAB>MESSAGE (the site's reason - subreason, cut at 1000\n"
        "characters), or unknown<TAB>LINK<TAB>CAUSE when the site gave no verdict (it\n"
        "limited us, did not answer, or sent no watch page). Control characters in the\n"
        "plain output are shown as escapes (\\t, \\r, \\x1b, ...).\n"
        "Exit status: 0 when every link is valid, 1 when any is invalid, 3 when none is\n"
        "invalid but some are unknown, 2 on a usage error, a file that cannot be read or\n"
        "written, or output that cannot be written; 128 + the signal when interrupted.\n"
        "--page prints one line per file: FILE<TAB>valid, FILE<TAB>invalid<TAB>MESSAGE or\n"
        "FILE<TAB>unknown<TAB>CAUSE, with the same exit statuses.\n"
        "--dry-run prints the links that loading the link files would add, one per line."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    auto flag = [](const char *name, const QString &description) {
        return QCommandLineOption(QLatin1String(name), description);
    };
    auto valued = [](QStringList names, const QString &description, const char *value,
                     const QString &defaultValue = {}) {
        return QCommandLineOption(names, description, QLatin1String(value), defaultValue);
    };
    const auto pageOption
        = flag("page", QStringLiteral("Read saved watch pages and print their verdicts."));
    const auto dryRunOption = flag(
        "dry-run", QStringLiteral("Print the links the link files hold, without checking them."));
    const auto jsonOption = flag("json", QStringLiteral("Same as --format json."));
    const auto formatOption = valued(
        {QStringLiteral("format")},
        QStringLiteral("Output as lines (the default), json (one object per line), csv (with "
                       "a header) or markdown (a table per outcome, at the end)."),
        "FORMAT");
    const auto jobsOption = valued({QStringLiteral("j"), QStringLiteral("jobs")},
                                   QStringLiteral("Fetch up to N links at once (1 to %1, "
                                                  "default %2).")
                                       .arg(MaxJobs)
                                       .arg(DefaultJobs),
                                   "N");
    const auto retriesOption
        = valued({QStringLiteral("retries")},
                 QStringLiteral("Ask again up to N times when the site did not answer, was "
                                "busy or limited us (default %1, 0 for never). A link's fetches "
                                "take %2 minutes at most, all together; a page that stalls once "
                                "it has begun is not asked again (\"page too slow\").")
                     .arg(DefaultRetries)
                     .arg(SchedulerSettings::LinkTimeLimitMs / 60'000),
                 "N");
    const auto maxWaitOption = valued(
        {QStringLiteral("max-wait")},
        QStringLiteral("Give up on a link at once when the site asks to wait longer than this, "
                       "and on the links left of a site that has blocked us for longer than "
                       "this (default %1).")
            .arg(DefaultMaxWaitSeconds),
        "SECONDS");
    const auto rateOption
        = valued({QStringLiteral("rate")},
                 QStringLiteral("Ask each host at most R times a second (fractions allowed); "
                                "without it the pace adapts to what each host allows."),
                 "R");
    const auto windowVerdictsOption
        = flag("window-verdicts",
               QStringLiteral("File every link (or page) as the window does: valid or invalid "
                              "with the window's reason (\"URL unavailable\" or the page's)."));
    const auto normalizeOption
        = flag("normalize",
               QStringLiteral("Trim lines, skip # comments, rewrite every spelling of a "
                              "video link to its watch link and drop repeats."));
    const auto extractOption
        = flag("extract",
               QStringLiteral("Find every video link anywhere in the files (HTML, "
                              "Markdown, text, playlist CSV), normalized."));
    const auto noProgressOption
        = flag("no-progress",
               QStringLiteral("Draw no progress bar (one is drawn only when standard error is a "
                              "terminal)."));
    const auto quietOption
        = flag("quiet",
               QStringLiteral("No progress bar, no summary and no notes on sites that "
                              "limit or block us: only results and errors."));
    const auto summaryOption
        = flag("summary",
               QStringLiteral("Print the summary line on standard error even when it "
                              "is not a terminal."));
    const auto validOutOption = valued(
        {QStringLiteral("valid-out")},
        QStringLiteral("Save the valid links to FILE, one per line ending in CR LF."), "FILE");
    const auto invalidOutOption = valued(
        {QStringLiteral("invalid-out")},
        QStringLiteral("Save the invalid links to FILE, one per line ending in CR LF."), "FILE");
    const auto unknownOutOption = valued(
        {QStringLiteral("unknown-out")},
        QStringLiteral("Save the unknown links to FILE, one per line ending in CR LF."), "FILE");
    const auto cacheOption = valued(
        {QStringLiteral("cache")},
        QStringLiteral("Remember decided links in FILE and take them from it on later runs."),
        "FILE");
    const auto maxAgeOption = valued(
        {QStringLiteral("max-age")},
        QStringLiteral("Take cached outcomes no older than AGE (7d, 12h, 30m, 45s; default 1d)."),
        "AGE");
    parser.addOptions({pageOption, dryRunOption, jsonOption, formatOption, jobsOption,
                       retriesOption, maxWaitOption, rateOption, windowVerdictsOption,
                       normalizeOption, extractOption, noProgressOption, quietOption, summaryOption,
                       validOutOption, invalidOutOption, unknownOutOption, cacheOption,
                       maxAgeOption});
    parser.addPositionalArgument(
        QStringLiteral("files"),
        QStringLiteral("Link files to check, saved watch pages (--page) or link files "
                       "(--dry-run)."),
        QStringLiteral("FILE..."));

    ParsedCommandLine parsed;
    parsed.helpText = parser.helpText();
    auto refuse = [&](const QString &message) {
        parsed.errorMessage = message;
        return parsed;
    };
    if (!parser.parse(arguments))
        return refuse(parser.errorText());
    // Qt adds --help-all beside --help; both show the help here.
    if (parser.isSet(helpOption) || parser.isSet(QStringLiteral("help-all"))) {
        parsed.action = ParsedCommandLine::Action::ShowHelp;
        return parsed;
    }
    if (parser.isSet(versionOption)) {
        parsed.action = ParsedCommandLine::Action::ShowVersion;
        return parsed;
    }

    Options &options = parsed.options;
    const bool page = parser.isSet(pageOption);
    const bool dryRun = parser.isSet(dryRunOption);
    options.files = parser.positionalArguments();
    if (page && dryRun)
        return refuse(QStringLiteral("--page and --dry-run cannot be used together."));
    const bool checking = !page && !dryRun;
    if (dryRun && parser.isSet(windowVerdictsOption))
        return refuse(QStringLiteral("--window-verdicts applies to checking links and to --page, "
                                     "not to --dry-run."));
    for (const QCommandLineOption &option :
         {jobsOption, retriesOption, maxWaitOption, rateOption, summaryOption, validOutOption,
          invalidOutOption, unknownOutOption, cacheOption, maxAgeOption}) {
        if (!checking && parser.isSet(option))
            return refuse(QStringLiteral("--%1 applies only to checking links, not to "
                                         "--page or --dry-run.")
                              .arg(option.names().constLast()));
    }
    for (const QCommandLineOption &option : {normalizeOption, extractOption}) {
        if (page && parser.isSet(option))
            return refuse(QStringLiteral("--%1 applies to link files, not to --page.")
                              .arg(option.names().constFirst()));
    }

    if (parser.isSet(formatOption)) {
        const QString format = parser.value(formatOption);
        if (format == u"lines")
            options.format = Format::Lines;
        else if (format == u"json")
            options.format = Format::Json;
        else if (format == u"csv")
            options.format = Format::Csv;
        else if (format == u"markdown")
            options.format = Format::Markdown;
        else
            return refuse(QStringLiteral("--format takes lines, json, csv or markdown, not "
                                         "\"%1\".")
                              .arg(format));
        if (parser.isSet(jsonOption) && options.format != Format::Json)
            return refuse(
                QStringLiteral("--json and --format %1 cannot be used together.").arg(format));
    } else if (parser.isSet(jsonOption)) {
        options.format = Format::Json;
    }
    if (dryRun && (options.format == Format::Csv || options.format == Format::Markdown))
        return refuse(QStringLiteral("--format csv and markdown apply to checking links and to "
                                     "--page, not to --dry-run."));

    if (parser.isSet(jobsOption)) {
        const auto jobs = wholeNumber(parser.value(jobsOption), 1, MaxJobs);
        if (!jobs)
            return refuse(QStringLiteral("--jobs takes a whole number from 1 to %1, not \"%2\".")
                              .arg(MaxJobs)
                              .arg(parser.value(jobsOption)));
        options.jobs = *jobs;
    }
    if (parser.isSet(retriesOption)) {
        const auto retries = wholeNumber(parser.value(retriesOption), 0, 100);
        if (!retries)
            return refuse(QStringLiteral("--retries takes a whole number from 0 to 100, not "
                                         "\"%1\".")
                              .arg(parser.value(retriesOption)));
        options.retries = *retries;
    }
    if (parser.isSet(maxWaitOption)) {
        const auto wait = wholeNumber(parser.value(maxWaitOption), 0, 86400);
        if (!wait)
            return refuse(QStringLiteral("--max-wait takes whole seconds from 0 to 86400, not "
                                         "\"%1\".")
                              .arg(parser.value(maxWaitOption)));
        options.maxWaitSeconds = *wait;
    }
    if (parser.isSet(rateOption)) {
        bool isNumber = false;
        const double rate = parser.value(rateOption).toDouble(&isNumber);
        // Said outright: "nan" and "inf" read as numbers, and NaN would mean no cap at all.
        if (!isNumber || !std::isfinite(rate) || rate < 0.001 || rate > 1000)
            return refuse(QStringLiteral("--rate takes requests per second from 0.001 to 1000, "
                                         "not \"%1\".")
                              .arg(parser.value(rateOption)));
        options.rate = rate;
    }
    if (parser.isSet(maxAgeOption)) {
        try {
            options.maxAgeSeconds = LinkCache::parseMaxAge(parser.value(maxAgeOption)).count();
        } catch (const AppError &error) {
            return refuse(error.description());
        }
    }
    options.normalize = parser.isSet(normalizeOption);
    options.extract = parser.isSet(extractOption);
    options.windowVerdicts = parser.isSet(windowVerdictsOption);
    options.quiet = parser.isSet(quietOption);
    options.summary = parser.isSet(summaryOption);
    options.progress = !parser.isSet(noProgressOption) && !options.quiet;

    // Every file the run writes: each needs a name, and no two may be the same file.
    QStringList written;
    for (const auto &[option, target] : {std::pair {&validOutOption, &options.validOut},
                                         std::pair {&invalidOutOption, &options.invalidOut},
                                         std::pair {&unknownOutOption, &options.unknownOut},
                                         std::pair {&cacheOption, &options.cache}}) {
        if (!parser.isSet(*option))
            continue;
        *target = parser.value(*option);
        if (target->isEmpty())
            return refuse(QStringLiteral("--%1 needs a file name.").arg(option->names().first()));
        const QString resolved = resolvedPath(*target);
        if (written.contains(resolved))
            return refuse(QStringLiteral("--%1 names a file another option already writes: "
                                         "\"%2\".")
                              .arg(option->names().first(), *target));
        written << resolved;
    }
    if (options.files.isEmpty())
        return refuse(QStringLiteral("No files given."));
    // Entries appended to a link file would be read as links on the next run.
    if (options.cache == u"-")
        return refuse(QStringLiteral("--cache needs a file, not standard input (\"-\")."));
    if (!options.cache.isEmpty()) {
        const QString cache = resolvedPath(options.cache);
        for (const QString &file : std::as_const(options.files)) {
            // "-" may be the cache itself, given as standard input.
            if (resolvedPath(file == u"-" ? QStringLiteral("/dev/stdin") : file) == cache)
                return refuse(QStringLiteral("--cache names a link file: \"%1\".").arg(file));
        }
    }
    options.mode = page ? Mode::Page : dryRun ? Mode::DryRun : Mode::Check;
    parsed.action = ParsedCommandLine::Action::Run;
    return parsed;
}

int run(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    const ParsedCommandLine parsed = parse(arguments);
    switch (parsed.action) {
    case ParsedCommandLine::Action::ShowHelp:
        out << parsed.helpText;
        return ExitSuccess;
    case ParsedCommandLine::Action::ShowVersion:
        out << ProgramName << ' ' << BRINDLEWOOD_VERSION << '\n';
        return ExitSuccess;
    case ParsedCommandLine::Action::UsageError:
        complain(err, parsed.errorMessage);
        err << "Try \"" << ProgramName << " --help\" for more information.\n";
        return ExitUsageOrUnreadableFile;
    case ParsedCommandLine::Action::Run:
        break;
    }

    switch (parsed.options.mode) {
    case Mode::Check:
        return ShellCheck::run(parsed.options, out, err);
    case Mode::Page:
        return runPageMode(parsed.options, out, err);
    case Mode::DryRun:
        return runDryRunMode(parsed.options, out, err);
    }
    return ExitUsageOrUnreadableFile;
}

int runPageMode(const Options &options, QTextStream &out, QTextStream &err)
{
    using CheckedLinkFormat::printableField;
    using ReportFormat::Subject;
    bool unreadable = false;
    bool anyInvalid = false;
    bool anyUnknown = false;
    QList<CheckedLink> everything; // for the Markdown report, written at the end
    if (options.format == Format::Csv)
        out << ReportFormat::csvHeader(ReportFormat::SourceColumn::Without, Subject::Pages);
    for (const QString &file : options.files) {
        FetchResult page;
        try {
            page.page = InputFiles::readBytes(file, FetchCommand::MaxPageBytes);
        } catch (const AppError &error) {
            complain(err, error.description());
            unreadable = true;
            continue;
        }
        // A saved page is judged as a fetched one that came with a plain 200.
        page.httpStatus = 200;
        const FetchJudgement judgement = judgeFetch(page);
        CheckedLink checked;
        checked.link = file;
        checked.verdict = judgement.verdict;
        checked.reason = judgement.reason;
        checked.status = judgement.status;
        checked.siteReason = judgement.siteReason;
        checked.siteSubreason = judgement.siteSubreason;
        checked.windowReason = judgement.windowReason;
        if (options.windowVerdicts)
            checked = filedAsTheWindowFilesIt(checked);
        anyInvalid = anyInvalid || checked.verdict == LinkVerdict::Invalid;
        anyUnknown = anyUnknown || checked.verdict == LinkVerdict::Unknown;
        switch (options.format) {
        case Format::Lines:
            out << printableField(file) << '\t' << ReportFormat::verdictWord(checked.verdict);
            if (checked.verdict != LinkVerdict::Valid)
                out << '\t' << printableField(checked.reason);
            out << '\n';
            break;
        case Format::Json:
            out << CheckedLinkFormat::jsonLine(checked, Subject::Pages);
            break;
        case Format::Csv:
            out << ReportFormat::csvRow(checked, ReportFormat::SourceColumn::Without,
                                        Subject::Pages);
            break;
        case Format::Markdown:
            everything << checked;
            break;
        }
    }
    if (options.format == Format::Markdown)
        out << ReportFormat::markdownReport(everything, Subject::Pages);
    return unreadable ? ExitUsageOrUnreadableFile
        : anyInvalid  ? ExitSomeInvalid
        : anyUnknown  ? ExitSomeUnknown
                      : ExitSuccess;
}

int runDryRunMode(const Options &options, QTextStream &out, QTextStream &err)
{
    const auto print = [&](QStringView link, const QString &source) {
        if (options.format == Format::Json) {
            out << "{\"link\":" << jsonString(link.toString());
            if (!source.isEmpty())
                out << ",\"source\":" << jsonString(source);
            out << "}\n";
        } else {
            out << CheckedLinkFormat::printableField(link.toString()) << '\n';
        }
    };
    int status = ExitSuccess;
    if (options.normalize || options.extract) {
        for (const ShellCheck::LoadedLink &link : ShellCheck::loadLinks(options, err, &status))
            print(link.link, link.source);
        return status;
    }
    // Plain lines go out as they are read: a file of millions of short lines is never held
    // as millions of strings.
    for (const QString &file : options.files) {
        try {
            InputFiles::forEachLinkFileLine(file, err, [&](QStringView line) {
                if (!isBlankLinkLine(line.toString()))
                    print(line, {});
            });
        } catch (const AppError &error) {
            complain(err, error.description());
            status = ExitUsageOrUnreadableFile;
        }
    }
    return status;
}
} // namespace CheckCommandLine
