// ProcessStart: how a child process is started: a program and its argument list, never a
// shell command line, with the environment it gets.
#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// A child process to start: the program and its arguments, never a shell command line.
struct ProcessStart
{
    QString program;
    QStringList arguments;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
};
