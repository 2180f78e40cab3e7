// brindlewood-check's checking mode: loads link files as the load button does, fetches every
// link with the window's fetch options, several at once, and prints the verdicts in input order.
#pragma once

#include "cli/CheckCommandLine.h"

#include <QStringList>

class QTextStream;

namespace ShellCheck {
inline constexpr int ExitAllValid = 0;
inline constexpr int ExitSomeInvalid = 1;
inline constexpr int ExitUsageOrFileError = 2;

// Runs the check and returns the exit status: 0 when every link is valid, 1 when any is
// invalid, 2 on a file error, 128 + the signal's number when interrupted.
int run(const CheckCommandLine::Options &options, QTextStream &out, QTextStream &err);

// The links of the link files in order, "-" standing for standard input (UTF-8). Throws
// AppError for the first file that cannot be read.
QStringList loadLinks(const QStringList &files);
} // namespace ShellCheck
