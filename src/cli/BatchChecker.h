// Checks a list of links with one fetch tool process that fetches up to N of them side by
// side, learning from the tool's report line the moment each fetch ends, and deciding that
// link's page at once with the window's verdict.
#pragma once

#include "cli/CheckedLink.h"

#include <QObject>
#include <QProcessEnvironment>
#include <QStringList>

#include <vector>

class QProcess;

struct BatchFetchSetup
{
    QString toolPath;
    // The window's fetch options for every link, without its "--output" and "--url" pairs.
    QStringList fetchOptions;
    QProcessEnvironment environment;
    // A private folder for the transfer list and one page file per link; nothing else is
    // written anywhere.
    QString workFolder;
    int jobs = 4;
    qint64 pageLimitBytes = 64 * 1024 * 1024;
};

class BatchChecker : public QObject
{
    Q_OBJECT

public:
    BatchChecker(BatchFetchSetup setup, QStringList links, QObject *parent = nullptr);
    ~BatchChecker() override;

    // Starts the fetches. Links that cannot reach the tool are decided at once, inside this
    // call. Throws AppError when the transfer list cannot be written.
    void start();
    // Ends the fetch tool at once; links not yet decided are not reported.
    void stop();

    // True once every link has been reported, or the tool could not be started.
    bool isFinished() const { return m_ended; }
    // Why the fetch tool could not be started; empty when it started (or was not needed).
    QString startError() const { return m_startError; }
    // Links the tool ended without reporting, filed as unavailable all the same.
    qsizetype unreportedCount() const { return m_unreported; }

    // The page file of the link at position index, unique to that link.
    QString pagePath(qsizetype index) const;
    // The arguments the fetch tool process is started with.
    QStringList toolArguments() const;

signals:
    void linkChecked(qsizetype index, const CheckedLink &checked);
    // Every link has been reported, or the tool could not be started (see startError).
    void finished();

private:
    void readReports();
    void handleReport(const QByteArray &line);
    void toolEnded();
    void report(qsizetype index, const CheckedLink &checked);
    CheckedLink decide(qsizetype index, int exitCode) const;

    BatchFetchSetup m_setup;
    QStringList m_links;
    std::vector<qsizetype> m_linkOfTransfer; // transfer number -> position in m_links
    std::vector<bool> m_reported;
    QByteArray m_partialReport;
    QProcess *m_process = nullptr;
    bool m_ended = false;
    bool m_stopped = false;
    QString m_startError;
    qsizetype m_unreported = 0;
};
