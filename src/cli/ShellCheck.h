// brindlewood-check's checking mode: loads link files as the load button does (or normalizes
// or extracts them), fetches every link with the window's request, paced per host and retried
// when the site would not answer, and prints each outcome in input order.
#pragma once

#include "cli/CheckCommandLine.h"
#include "cli/LoadedLinks.h"

#include <QString>

#include <functional>

class QTextStream;

namespace ShellCheck {
// The links of options.files in input order, as --normalize and --extract want them. A file
// that cannot be read is reported on err, sets *status to 2, and the others are still read.
LoadedLinks loadLinks(const CheckCommandLine::Options &options, QTextStream &err, int *status);

// Hands the links of options.files to take in input order, as --normalize and --extract want
// them and only those of options.shard, holding none of them. A file that cannot be read is
// reported on err, sets *status to 2, and the others are still read.
void forEachLoadedLink(const CheckCommandLine::Options &options, QTextStream &err, int *status,
                       const std::function<void(LoadedLink)> &take);

// Runs the check and returns the exit status: 0 when every link is valid, 1 when any is
// invalid, 3 when none is invalid but some are unknown, 2 on a file or output error, 141 when
// standard output went away, 128 + the signal's number when interrupted.
int run(const CheckCommandLine::Options &options, QTextStream &out, QTextStream &err);

// --merge: adds every check of options.files to the options.cache store; returns 0, or 2 when
// the store or any file could not be read or written (the others are still merged).
int merge(const CheckCommandLine::Options &options, QTextStream &err);
} // namespace ShellCheck
