#include "cli/CheckCommandLine.h"

#include "cli/ShellCheck.h"
#include "core/AppError.h"
#include "core/PlayabilityVerdict.h"
#include "core/TextReader.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTextStream>

namespace CheckCommandLine {
namespace {
const QString ProgramName = QStringLiteral("brindlewood-check");

// A failure message must stay on one line even when a file name holds a line break.
QString oneLine(QString message)
{
    for (QChar &c : message) {
        if (c == u'\n' || c == u'\r')
            c = u' ';
    }
    return message;
}

void reportUnreadable(QTextStream &err, const AppError &error)
{
    err << ProgramName << ": " << oneLine(error.description()) << '\n';
    err.flush();
}

QString verdictWord(PlayabilityVerdict::Kind kind)
{
    switch (kind) {
    case PlayabilityVerdict::Kind::Valid:
        return QStringLiteral("valid");
    case PlayabilityVerdict::Kind::Invalid:
        return QStringLiteral("invalid");
    case PlayabilityVerdict::Kind::Unavailable:
        break;
    }
    return QStringLiteral("unavailable");
}
} // namespace

QString jsonString(const QString &text)
{
    // Qt's writer does the escaping; a one-element array is the smallest document that holds a
    // bare string, and its brackets come off. Objects are written field by field so the fields
    // keep their reading order instead of Qt's sorted one.
    const QByteArray array = QJsonDocument(QJsonArray {text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.sliced(1, array.size() - 2));
}

ParsedCommandLine parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Checks YouTube watch-page links from the shell.\n\n"
        "brindlewood-check LINKFILE... fetches every link of the link files (\"-\" reads\n"
        "standard input) and prints one line per link in input order: valid<TAB>LINK or\n"
        "invalid<TAB>LINK<TAB>REASON. Exit status: 0 when every link is valid, 1 when any\n"
        "is invalid, 2 on a usage error or a file that cannot be read or written, 130 or\n"
        "143 when interrupted.\n"
        "--page prints one line per file: valid, invalid<TAB>REASON or unavailable.\n"
        "--dry-run prints the links that loading the link files would add, one per line.\n"
        "With --json every line is a JSON object instead."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption pageOption(QStringLiteral("page"),
                                        QStringLiteral("Read saved watch pages and print "
                                                       "their verdicts."));
    const QCommandLineOption dryRunOption(QStringLiteral("dry-run"),
                                          QStringLiteral("Print the links the link files hold, "
                                                         "without checking them."));
    const QCommandLineOption jsonOption(QStringLiteral("json"),
                                        QStringLiteral("Print one JSON object per line."));
    const QCommandLineOption jobsOption(
        QStringLiteral("jobs"),
        QStringLiteral("Fetch up to N links at once (1 to %1, default %2).")
            .arg(MaxJobs)
            .arg(DefaultJobs),
        QStringLiteral("N"));
    const QCommandLineOption noProgressOption(
        QStringLiteral("no-progress"),
        QStringLiteral("Draw no progress bar (one is drawn only when standard error is a "
                       "terminal)."));
    const QCommandLineOption validOutOption(
        QStringLiteral("valid-out"),
        QStringLiteral("Save the valid links to FILE, one per line ending in CR LF."),
        QStringLiteral("FILE"));
    const QCommandLineOption invalidOutOption(
        QStringLiteral("invalid-out"),
        QStringLiteral("Save the invalid links to FILE, one per line ending in CR LF."),
        QStringLiteral("FILE"));
    parser.addOptions({pageOption, dryRunOption, jsonOption, jobsOption, noProgressOption,
                       validOutOption, invalidOutOption});
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

    const bool page = parser.isSet(pageOption);
    const bool dryRun = parser.isSet(dryRunOption);
    parsed.options.json = parser.isSet(jsonOption);
    parsed.options.files = parser.positionalArguments();
    if (page && dryRun) {
        parsed.errorMessage = QStringLiteral("--page and --dry-run cannot be used together.");
        return parsed;
    }
    const bool checking = !page && !dryRun;
    for (const QCommandLineOption &option :
         {jobsOption, noProgressOption, validOutOption, invalidOutOption}) {
        if (!checking && parser.isSet(option)) {
            parsed.errorMessage = QStringLiteral("--%1 applies only to checking links, not to "
                                                 "--page or --dry-run.")
                                      .arg(option.names().constFirst());
            return parsed;
        }
    }
    if (parser.isSet(jobsOption)) {
        bool isNumber = false;
        parsed.options.jobs = parser.value(jobsOption).toInt(&isNumber);
        if (!isNumber || parsed.options.jobs < 1 || parsed.options.jobs > MaxJobs) {
            parsed.errorMessage = QStringLiteral("--jobs takes a whole number from 1 to %1, "
                                                 "not \"%2\".")
                                      .arg(MaxJobs)
                                      .arg(parser.value(jobsOption));
            return parsed;
        }
    }
    parsed.options.progress = !parser.isSet(noProgressOption);
    parsed.options.validOut = parser.value(validOutOption);
    parsed.options.invalidOut = parser.value(invalidOutOption);
    if (parser.isSet(validOutOption) && parsed.options.validOut.isEmpty()) {
        parsed.errorMessage = QStringLiteral("--valid-out needs a file name.");
        return parsed;
    }
    if (parser.isSet(invalidOutOption) && parsed.options.invalidOut.isEmpty()) {
        parsed.errorMessage = QStringLiteral("--invalid-out needs a file name.");
        return parsed;
    }
    if (parsed.options.files.isEmpty()) {
        parsed.errorMessage = QStringLiteral("No files given.");
        return parsed;
    }
    parsed.options.mode = page ? Mode::Page : dryRun ? Mode::DryRun : Mode::Check;
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
        err << ProgramName << ": " << oneLine(parsed.errorMessage) << '\n'
            << "Try \"" << ProgramName << " --help\" for more information.\n";
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
    int status = ExitSuccess;
    for (const QString &file : options.files) {
        PlayabilityVerdict verdict;
        try {
            verdict = readPlayabilityVerdict(TextReader::readAllLines(file));
        } catch (const AppError &error) {
            reportUnreadable(err, error);
            status = ExitUsageOrUnreadableFile;
            continue;
        }
        if (options.json) {
            out << "{\"file\":" << jsonString(file) << ",\"verdict\":\""
                << verdictWord(verdict.kind) << "\",\"reason\":" << jsonString(verdict.reason)
                << "}\n";
        } else if (verdict.kind == PlayabilityVerdict::Kind::Invalid) {
            out << verdictWord(verdict.kind) << '\t' << verdict.reason << '\n';
        } else {
            out << verdictWord(verdict.kind) << '\n';
        }
    }
    return status;
}

int runDryRunMode(const Options &options, QTextStream &out, QTextStream &err)
{
    int status = ExitSuccess;
    for (const QString &file : options.files) {
        QStringList links;
        try {
            // The same loading as checking, so "-" reads standard input here too.
            links = ShellCheck::loadLinks({file});
        } catch (const AppError &error) {
            reportUnreadable(err, error);
            status = ExitUsageOrUnreadableFile;
            continue;
        }
        for (const QString &link : std::as_const(links)) {
            if (options.json)
                out << "{\"link\":" << jsonString(link) << "}\n";
            else
                out << link << '\n';
        }
    }
    return status;
}
} // namespace CheckCommandLine
