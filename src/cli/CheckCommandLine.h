// The command line of brindlewood-check: parses the arguments and runs the chosen mode,
// writing to the given streams, so the executable itself stays a few lines long.
#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

namespace CheckCommandLine {
// Exit statuses of brindlewood-check.
inline constexpr int ExitSuccess = 0;
inline constexpr int ExitUsageOrUnreadableFile = 2;

enum class Mode {
    Check, // LINKFILE...: fetch every link and print its verdict
    Page, // --page FILE...: the verdict of each saved watch page
    DryRun, // --dry-run LINKFILE...: the links that loading the files would add
};

inline constexpr int DefaultJobs = 4;
inline constexpr int MaxJobs = 64;

struct Options
{
    Mode mode = Mode::Check;
    bool json = false;
    QStringList files;
    // Checking only:
    int jobs = DefaultJobs; // fetches at once
    bool progress = true; // a progress bar when standard error is a terminal
    QString validOut; // result files written as the save buttons write them
    QString invalidOut;
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
