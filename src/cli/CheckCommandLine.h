// The command line of brindlewood-check: parses the arguments and runs the chosen mode,
// writing to the given streams, so the executable itself stays a few lines long.
#pragma once

#include "core/LinkShard.h"

#include <QString>
#include <QStringList>

#include <optional>

class QTextStream;

namespace CheckCommandLine {
inline constexpr const char *ProgramName = "brindlewood-check";

// Writes "brindlewood-check: MESSAGE" to err as one line, whatever line breaks the message
// holds (a file name may hold one), and flushes it.
void complain(QTextStream &err, const QString &message);

// Exit statuses of brindlewood-check.
inline constexpr int ExitSuccess = 0; // every link valid (or none), every page valid
inline constexpr int ExitSomeInvalid = 1;
inline constexpr int ExitUsageOrUnreadableFile = 2;
inline constexpr int ExitSomeUnknown = 3; // none invalid, but some could not be judged

enum class Mode {
    Check, // LINKFILE...: fetch every link and print its verdict
    Page, // --page FILE...: the verdict of each saved watch page
    DryRun, // --dry-run LINKFILE...: the links that loading the files would add
    Merge, // --cache STORE --merge SOURCE...: every check of the sources added to the store
};

enum class Format { Lines, Json, Csv, Markdown };

inline constexpr int DefaultJobs = 4;
inline constexpr int MaxJobs = 64;
inline constexpr int DefaultRetries = 3;
inline constexpr int DefaultMaxWaitSeconds = 120;
inline constexpr qint64 DefaultMaxAgeSeconds = 24 * 60 * 60;

struct Options
{
    Mode mode = Mode::Check;
    Format format = Format::Lines;
    QStringList files;
    bool normalize = false; // trim, skip comments, canonical video links, no repeats
    bool extract = false; // every video link anywhere in the files
    std::optional<Shard> shard; // only this shard's links, checked or listed
    bool progress = true; // a progress bar when standard error is a terminal
    bool quiet = false; // no progress bar and no summary, only results and errors
    bool summary = false; // the summary line even when standard error is no terminal
    // Checking only:
    int jobs = DefaultJobs; // fetches at once
    int retries = DefaultRetries;
    int maxWaitSeconds = DefaultMaxWaitSeconds;
    std::optional<double> rate; // requests per second per host
    bool windowVerdicts = false; // unknown links filed as invalid, as the window files them
    QString validOut; // result files written as the save buttons write them
    QString invalidOut;
    QString unknownOut;
    QString cache; // --cache FILE
    qint64 maxAgeSeconds = DefaultMaxAgeSeconds;
    bool changes = false; // only the links whose verdict changed since the store's last one
    bool reportOnly = false; // --report: the store's latest outcomes, nothing fetched
};

// What parsing decided: run a mode with the options, or answer at once.
struct ParsedCommandLine
{
    enum class Action { Run, ShowHelp, ShowVersion, UsageError };

    Action action = Action::UsageError;
    Options options;
    QString helpText; // for ShowHelp, and shown after a usage error
    QString errorMessage; // for UsageError
};

// arguments includes the program name first, as QCoreApplication::arguments() gives them.
ParsedCommandLine parse(const QStringList &arguments);

// Parses arguments and runs; returns the exit status.
int run(const QStringList &arguments, QTextStream &out, QTextStream &err);

int runPageMode(const Options &options, QTextStream &out, QTextStream &err);
int runDryRunMode(const Options &options, QTextStream &out, QTextStream &err);

// A string as a JSON string literal, quotes included; every character kept.
QString jsonString(const QString &text);
} // namespace CheckCommandLine
