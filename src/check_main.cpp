// brindlewood-check: checks link files from the shell.
#include "cli/CheckCommandLine.h"
#include "system/NativeFileNames.h"
#include "system/StandardStreams.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("brindlewood-check"));
    QCoreApplication::setApplicationVersion(QStringLiteral(BRINDLEWOOD_VERSION));
    StandardStreams streams;
    QTextStream out(streams.output());
    QTextStream err(streams.error());
    // File names as given, also those that are not UTF-8.
    return CheckCommandLine::run(nativeArguments(argc, argv), out, err);
}
