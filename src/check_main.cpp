// brindlewood-check: checks link files from the shell.
#include "cli/CheckCommandLine.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("brindlewood-check"));
    QCoreApplication::setApplicationVersion(QStringLiteral(BRINDLEWOOD_VERSION));
    QTextStream out(stdout);
    QTextStream err(stderr);
    return CheckCommandLine::run(QCoreApplication::arguments(), out, err);
}
