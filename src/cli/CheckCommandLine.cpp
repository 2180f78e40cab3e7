#include "cli/CheckCommandLine.h"

#include "cli/CheckedLinkFormat.h"
#include "cli/InputFiles.h"
#include "cli/ReportFormat.h"
#include "cli/ShardOption.h"
#include "cli/ShellCheck.h"
#include "core/AppError.h"
#include "core/FetchCommand.h"
#include "engine/CheckScheduler.h"
#include "engine/FetchJudgement.h"
#include "engine/LinkCache.h"
#include "system/FileIdentity.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
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

namespace {
QCommandLineOption flag(const char *name, const QString &description)
{
    return QCommandLineOption(QLatin1String(name), description);
}

QCommandLineOption valued(const QStringList &names, const QString &description, const char *value)
{
    return QCommandLineOption(names, description, QLatin1String(value));
}

// Every option brindlewood-check takes besides --help and --version, with its help text.
struct CheckOptions
{
    QCommandLineOption page
        = flag("page", QStringLiteral("Read saved watch pages and print their verdicts."));
    QCommandLineOption dryRun = flag(
        "dry-run", QStringLiteral("Print the links the link files hold, without checking them."));
    QCommandLineOption json = flag("json", QStringLiteral("Same as --format json."));
    QCommandLineOption format = valued(
        {QStringLiteral("format")},
        QStringLiteral("Output as lines (the default), json (one object per line), csv (with "
                       "a header) or markdown (a table per outcome, at the end)."),
        "FORMAT");
    QCommandLineOption jobs = valued({QStringLiteral("j"), QStringLiteral("jobs")},
                                     QStringLiteral("Fetch up to N links at once (1 to %1, "
                                                    "default %2).")
                                         .arg(MaxJobs)
                                         .arg(DefaultJobs),
                                     "N");
    QCommandLineOption retries
        = valued({QStringLiteral("retries")},
                 QStringLiteral("Ask again up to N times when the site did not answer, was "
                                "busy or limited us (default %1, 0 for never). A link's fetches "
                                "take %2 minutes at most, all together; a page that stalls once "
                                "it has begun is not asked again (\"page too slow\").")
                     .arg(DefaultRetries)
                     .arg(SchedulerSettings::LinkTimeLimitMs / 60'000),
                 "N");
    QCommandLineOption maxWait = valued(
        {QStringLiteral("max-wait")},
        QStringLiteral("Give up on a link at once when the site asks to wait longer than this, "
                       "and on the links left of a site that has blocked us for longer than "
                       "this (default %1).")
            .arg(DefaultMaxWaitSeconds),
        "SECONDS");
    QCommandLineOption rate
        = valued({QStringLiteral("rate")},
                 QStringLiteral("Ask each host at most R times a second (fractions allowed); "
                                "without it the pace adapts to what each host allows."),
                 "R");
    QCommandLineOption windowVerdicts
        = flag("window-verdicts",
               QStringLiteral("File every link (or page) as the window does: valid or invalid "
                              "with the window's reason (\"URL unavailable\" or the page's)."));
    QCommandLineOption normalize
        = flag("normalize",
               QStringLiteral("Trim lines, skip # comments, rewrite every spelling of a "
                              "video link to its watch link and drop repeats."));
    QCommandLineOption extract
        = flag("extract",
               QStringLiteral("Find every video link anywhere in the files (HTML, "
                              "Markdown, text, playlist CSV), normalized."));
    QCommandLineOption shard = valued(
        {QStringLiteral("shard")},
        QStringLiteral("Check (or list) only shard K of N, counting from 0; each video falls in "
                       "one shard however its link is spelt. auto takes K and N from a Slurm "
                       "job array, auto/N takes K from a Kubernetes Indexed Job."),
        "K/N");
    QCommandLineOption noProgress
        = flag("no-progress",
               QStringLiteral("Draw no progress bar (one is drawn only when standard error is a "
                              "terminal)."));
    QCommandLineOption quiet
        = flag("quiet",
               QStringLiteral("No progress bar, no summary and no notes on sites that "
                              "limit or block us: only results and errors."));
    QCommandLineOption summary
        = flag("summary",
               QStringLiteral("Print the summary line on standard error even when it "
                              "is not a terminal."));
    QCommandLineOption validOut = valued(
        {QStringLiteral("valid-out")},
        QStringLiteral("Save the valid links to FILE, one per line ending in CR LF."), "FILE");
    QCommandLineOption invalidOut = valued(
        {QStringLiteral("invalid-out")},
        QStringLiteral("Save the invalid links to FILE, one per line ending in CR LF."), "FILE");
    QCommandLineOption unknownOut = valued(
        {QStringLiteral("unknown-out")},
        QStringLiteral("Save the unknown links to FILE, one per line ending in CR LF."), "FILE");
    QCommandLineOption cache = valued(
        {QStringLiteral("cache")},
        QStringLiteral("Remember decided links in FILE and take them from it on later runs."),
        "FILE");
    QCommandLineOption maxAge = valued(
        {QStringLiteral("max-age")},
        QStringLiteral("Take cached outcomes no older than AGE (7d, 12h, 30m, 45s; default 1d)."),
        "AGE");
    QCommandLineOption changes
        = flag("changes",
               QStringLiteral("Print only the links whose verdict differs from the last one the "
                              "--cache store decided, and those it never decided."));
    QCommandLineOption report
        = flag("report",
               QStringLiteral("Fetch nothing: print the --cache store's latest outcome of each "
                              "link."));
    QCommandLineOption merge
        = flag("merge",
               QStringLiteral("Add every check of the FILEs (stores or JSON-lines caches) to the "
                              "--cache store."));

    QList<QCommandLineOption> all() const
    {
        return {page,           dryRun,     json,    format, jobs,       retries, maxWait, rate,
                windowVerdicts, normalize,  extract, shard,  noProgress, quiet,   summary, validOut,
                invalidOut,     unknownOut, cache,   maxAge, changes,    report,  merge};
    }
};

const QString Description = QStringLiteral(
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
    "--dry-run prints the links that loading the link files would add, one per line.\n"
    "--cache STORE --merge FILE... adds the checks of other stores or caches to STORE.");

// Each step of reading the options says why it refuses them, or nothing.
using Refusal = std::optional<QString>;

// Options that do not go with the chosen mode.
Refusal refuseMismatchedOptions(const QCommandLineParser &parser, const CheckOptions &declared)
{
    const bool page = parser.isSet(declared.page);
    const bool dryRun = parser.isSet(declared.dryRun);
    if (page && dryRun)
        return QStringLiteral("--page and --dry-run cannot be used together.");
    const bool checking = !page && !dryRun;
    for (const QCommandLineOption &option : {declared.changes, declared.report, declared.merge}) {
        if (parser.isSet(option) && !parser.isSet(declared.cache))
            return QStringLiteral("--%1 needs a store: give it with --cache FILE.")
                .arg(option.names().constFirst());
    }
    if (parser.isSet(declared.changes) + parser.isSet(declared.report)
            + parser.isSet(declared.merge)
        > 1)
        return QStringLiteral("--changes, --report and --merge cannot be used together.");
    if (dryRun && parser.isSet(declared.windowVerdicts))
        return QStringLiteral("--window-verdicts applies to checking links and to --page, "
                              "not to --dry-run.");
    for (const QCommandLineOption &option :
         {declared.jobs, declared.retries, declared.maxWait, declared.rate, declared.summary,
          declared.validOut, declared.invalidOut, declared.unknownOut, declared.cache,
          declared.maxAge, declared.changes, declared.report, declared.merge}) {
        if (!checking && parser.isSet(option))
            return QStringLiteral("--%1 applies only to checking links, not to "
                                  "--page or --dry-run.")
                .arg(option.names().constLast());
    }
    for (const QCommandLineOption &option :
         {declared.normalize, declared.extract, declared.shard}) {
        if (page && parser.isSet(option))
            return QStringLiteral("--%1 applies to link files, not to --page.")
                .arg(option.names().constFirst());
    }
    return std::nullopt;
}

Refusal readFormat(const QCommandLineParser &parser, const CheckOptions &declared, Options &options)
{
    if (parser.isSet(declared.format)) {
        const QString format = parser.value(declared.format);
        if (format == u"lines")
            options.format = Format::Lines;
        else if (format == u"json")
            options.format = Format::Json;
        else if (format == u"csv")
            options.format = Format::Csv;
        else if (format == u"markdown")
            options.format = Format::Markdown;
        else
            return QStringLiteral("--format takes lines, json, csv or markdown, not \"%1\".")
                .arg(format);
        if (parser.isSet(declared.json) && options.format != Format::Json)
            return QStringLiteral("--json and --format %1 cannot be used together.").arg(format);
    } else if (parser.isSet(declared.json)) {
        options.format = Format::Json;
    }
    if (parser.isSet(declared.dryRun)
        && (options.format == Format::Csv || options.format == Format::Markdown))
        return QStringLiteral("--format csv and markdown apply to checking links and to "
                              "--page, not to --dry-run.");
    return std::nullopt;
}

// --jobs, --retries, --max-wait, --rate and --max-age, each within its bounds.
Refusal readNumbers(const QCommandLineParser &parser, const CheckOptions &declared,
                    Options &options)
{
    const auto whole = [&](const QCommandLineOption &option, int low, int high, int *target,
                           const QString &refusal) -> Refusal {
        if (!parser.isSet(option))
            return std::nullopt;
        const auto value = wholeNumber(parser.value(option), low, high);
        if (!value)
            return refusal.arg(parser.value(option));
        *target = *value;
        return std::nullopt;
    };
    if (Refusal refused = whole(declared.jobs, 1, MaxJobs, &options.jobs,
                                QStringLiteral("--jobs takes a whole number from 1 to %1, not "
                                               "\"%2\".")
                                    .arg(MaxJobs)))
        return refused;
    if (Refusal refused = whole(declared.retries, 0, 100, &options.retries,
                                QStringLiteral("--retries takes a whole number from 0 to 100, "
                                               "not \"%1\".")))
        return refused;
    if (Refusal refused = whole(declared.maxWait, 0, 86400, &options.maxWaitSeconds,
                                QStringLiteral("--max-wait takes whole seconds from 0 to 86400, "
                                               "not \"%1\".")))
        return refused;
    if (parser.isSet(declared.rate)) {
        bool isNumber = false;
        const double rate = parser.value(declared.rate).toDouble(&isNumber);
        // Said outright: "nan" and "inf" read as numbers, and NaN would mean no cap at all.
        if (!isNumber || !std::isfinite(rate) || rate < 0.001 || rate > 1000)
            return QStringLiteral("--rate takes requests per second from 0.001 to 1000, not "
                                  "\"%1\".")
                .arg(parser.value(declared.rate));
        options.rate = rate;
    }
    if (parser.isSet(declared.maxAge)) {
        try {
            options.maxAgeSeconds = LinkCache::parseMaxAge(parser.value(declared.maxAge)).count();
        } catch (const AppError &error) {
            return error.description();
        }
    }
    return std::nullopt;
}

// Every file the run writes: each needs a name, no two may be the same file, and the cache
// may be neither standard input nor a link file, whose next reading would take its entries
// for links.
Refusal readWrittenFiles(const QCommandLineParser &parser, const CheckOptions &declared,
                         Options &options)
{
    QStringList written;
    for (const auto &[option, target] : {std::pair {&declared.validOut, &options.validOut},
                                         std::pair {&declared.invalidOut, &options.invalidOut},
                                         std::pair {&declared.unknownOut, &options.unknownOut},
                                         std::pair {&declared.cache, &options.cache}}) {
        if (!parser.isSet(*option))
            continue;
        *target = parser.value(*option);
        if (target->isEmpty())
            return QStringLiteral("--%1 needs a file name.").arg(option->names().first());
        for (const QString &other : std::as_const(written)) {
            if (isSameFile(other, *target))
                return QStringLiteral("--%1 names a file another option already writes: \"%2\".")
                    .arg(option->names().first(), *target);
        }
        written << *target;
    }
    if (options.files.isEmpty())
        return QStringLiteral("No files given.");
    if (options.cache == u"-")
        return QStringLiteral("--cache needs a file, not standard input (\"-\").");
    if (!options.cache.isEmpty()) {
        for (const QString &file : std::as_const(options.files)) {
            // "-" may be the cache itself, given as standard input.
            if (isSameFile(file == u"-" ? QStringLiteral("/dev/stdin") : file, options.cache))
                return QStringLiteral("--cache names a link file: \"%1\".").arg(file);
        }
    }
    return std::nullopt;
}

// --shard, from the value or the batch system's variables.
Refusal readShard(const QCommandLineParser &parser, const CheckOptions &declared, Options &options)
{
    if (!parser.isSet(declared.shard))
        return std::nullopt;
    auto shard
        = ShardOption::read(parser.value(declared.shard), QProcessEnvironment::systemEnvironment());
    if (QString *refusal = std::get_if<QString>(&shard))
        return *refusal;
    options.shard = std::get<Shard>(shard);
    return std::nullopt;
}
} // namespace

ParsedCommandLine parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(Description);
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const CheckOptions declared;
    parser.addOptions(declared.all());
    parser.addPositionalArgument(
        QStringLiteral("files"),
        QStringLiteral("Link files to check, saved watch pages (--page) or link files "
                       "(--dry-run)."),
        QStringLiteral("FILE..."));

    ParsedCommandLine parsed;
    parsed.helpText = parser.helpText();
    if (!parser.parse(arguments)) {
        parsed.errorMessage = parser.errorText();
        return parsed;
    }
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
    options.files = parser.positionalArguments();
    Refusal refused = refuseMismatchedOptions(parser, declared);
    if (!refused)
        refused = readFormat(parser, declared, options);
    if (!refused)
        refused = readNumbers(parser, declared, options);
    if (!refused)
        refused = readWrittenFiles(parser, declared, options);
    if (!refused)
        refused = readShard(parser, declared, options);
    if (refused) {
        parsed.errorMessage = *refused;
        return parsed;
    }
    options.normalize = parser.isSet(declared.normalize);
    options.extract = parser.isSet(declared.extract);
    options.windowVerdicts = parser.isSet(declared.windowVerdicts);
    options.quiet = parser.isSet(declared.quiet);
    options.summary = parser.isSet(declared.summary);
    options.progress = !parser.isSet(declared.noProgress) && !options.quiet;
    options.changes = parser.isSet(declared.changes);
    options.reportOnly = parser.isSet(declared.report);
    options.mode = parser.isSet(declared.page) ? Mode::Page
        : parser.isSet(declared.dryRun)        ? Mode::DryRun
        : parser.isSet(declared.merge)         ? Mode::Merge
                                               : Mode::Check;
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
    case Mode::Merge:
        return ShellCheck::merge(parsed.options, err);
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
        CheckedLink checked = checkedLinkOf(file, judgement);
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
    // The links go out as they are read: a list of millions of links is never held, only
    // the repeat check's hashes.
    int status = ExitSuccess;
    ShellCheck::forEachLoadedLink(options, err, &status,
                                  [&](const LoadedLink &link) { print(link.link, link.source); });
    return status;
}
} // namespace CheckCommandLine
