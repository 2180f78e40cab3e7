// brindlewood-check's checking mode: loads link files as the load button does (or normalizes
// or extracts them), fetches every link with the window's request, paced per host and retried
// when the site would not answer, and prints each outcome in input order.
#pragma once

#include "cli/CheckCommandLine.h"

#include <QList>
#include <QString>

class QTextStream;

namespace ShellCheck {
// One link to check and, with --extract, where it was first found ("FILE:LINE").
struct LoadedLink
{
    QString link; // as printed and saved: the line as it stood, or the link --normalize made
    QString source;
    QString address; // what is fetched and cached: the link without the blanks around it
    // Why the line could not be read as written ("not valid UTF-8"), empty when it was: what
    // it says is not known, so it is reported as unknown rather than another address fetched.
    QString undecodable;
};

// The links of options.files in input order, as --normalize and --extract want them. A file
// that cannot be read is reported on err, sets *status to 2, and the others are still read.
QList<LoadedLink> loadLinks(const CheckCommandLine::Options &options, QTextStream &err,
                            int *status);

// Runs the check and returns the exit status: 0 when every link is valid, 1 when any is
// invalid, 3 when none is invalid but some are unknown, 2 on a file or output error, 141 when
// standard output went away, 128 + the signal's number when interrupted.
int run(const CheckCommandLine::Options &options, QTextStream &out, QTextStream &err);
} // namespace ShellCheck
