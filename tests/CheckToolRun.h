// Runs the real brindlewood-check executable for a test, with TEMP pointing at a folder of
// the test's own, and collects its exit status and output.
#pragma once

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QtTest>

struct CheckToolOutcome
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

inline QProcessEnvironment checkToolEnvironment(const QString &temporaryFolder)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TEMP"), temporaryFolder);
    return environment;
}

inline CheckToolOutcome runCheckTool(const QString &temporaryFolder, const QStringList &arguments,
                                     const QByteArray &input = {})
{
    QProcess process;
    process.setProcessEnvironment(checkToolEnvironment(temporaryFolder));
    process.start(qEnvironmentVariable("BRINDLEWOOD_CHECK"), arguments);
    if (!process.waitForStarted())
        qFatal("brindlewood-check did not start");
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(240'000))
        qFatal("brindlewood-check did not finish");
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

// Everything left in a folder, its subfolders' contents included.
inline QStringList leftIn(const QString &folder)
{
    QStringList left;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        left << it.next();
    return left;
}

// Each line of JSON output as an object; a line that is not JSON fails the test.
inline QList<QJsonObject> jsonLines(const QByteArray &out)
{
    QList<QJsonObject> objects;
    for (const QByteArray &line : out.split('\n')) {
        if (line.isEmpty())
            continue;
        QJsonParseError error;
        objects << QJsonDocument::fromJson(line, &error).object();
        if (error.error != QJsonParseError::NoError)
            qFatal("not JSON: %s", line.constData());
    }
    return objects;
}
