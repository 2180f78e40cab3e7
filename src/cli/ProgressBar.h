// The one-line progress bar brindlewood-check draws on a terminal's standard error: done and
// total, the three outcome counts, links per second, the time left, and which host is making
// us wait. It always fits the terminal's width.
#pragma once

#include <QElapsedTimer>
#include <QString>

struct ProgressCounts
{
    qsizetype done = 0;
    qsizetype total = 0;
    qsizetype valid = 0;
    qsizetype invalid = 0;
    qsizetype unknown = 0;
    qint64 elapsedMs = 0;
    QString waiting; // e.g. "waiting 12 s: example.org is limiting"; empty when nobody is
};

// The bar's text for the given counts in at most width - 1 columns (the last column stays
// free so the terminal never wraps), without line breaks. The rate and the time left are shown
// only once a few links have finished: a first link tells nothing about the rest.
QString progressLine(const ProgressCounts &counts, int width = 200);

class ProgressBar
{
public:
    // A bar that draws only when enabled; the caller decides (a terminal, no --no-progress).
    ProgressBar(bool enabled, qsizetype total);

    void linkDone(qsizetype valid, qsizetype invalid, qsizetype unknown);
    void setWaiting(const QString &waiting) { m_counts.waiting = waiting; }
    // Redraws unless the last drawing is very recent; the end of the run always redraws.
    void draw();
    // Wipes the bar so that other text can be written on its line.
    void clear();

    // Links finished before the rate and the time left are worth showing.
    static constexpr int SteadyAfterLinks = 5;

private:
    void write(const QByteArray &bytes);

    bool m_enabled;
    bool m_shown = false;
    ProgressCounts m_counts;
    QElapsedTimer m_clock;
    qint64 m_drawnAtMs = -1;
};
