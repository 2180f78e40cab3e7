// The one-line progress bar brindlewood-check draws on a terminal's standard error: done and
// total, valid and invalid counts, links per second and the time left.
#pragma once

#include <QElapsedTimer>
#include <QString>

struct ProgressCounts
{
    qsizetype done = 0;
    qsizetype total = 0;
    qsizetype valid = 0;
    qsizetype invalid = 0;
    qint64 elapsedMs = 0;
};

// The bar's text for the given counts, without line breaks.
QString progressLine(const ProgressCounts &counts);

class ProgressBar
{
public:
    // A bar that draws only when enabled; the caller decides (a terminal, no --no-progress).
    ProgressBar(bool enabled, qsizetype total);

    void linkDone(bool valid);
    // Redraws unless the last drawing is very recent; the end of the run always redraws.
    void draw();
    // Wipes the bar so that other text can be written on its line.
    void clear();

private:
    void write(const QByteArray &bytes);

    bool m_enabled;
    bool m_shown = false;
    ProgressCounts m_counts;
    QElapsedTimer m_clock;
    qint64 m_drawnAtMs = -1;
};
