#include "cli/ProgressBar.h"

#include <unistd.h>

namespace {
constexpr int BarCells = 24;
constexpr qint64 RedrawEveryMs = 100;

QString minutesAndSeconds(qint64 seconds)
{
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QChar(u'0'));
}
} // namespace

QString progressLine(const ProgressCounts &counts)
{
    const int filled = counts.total > 0 ? int(counts.done * BarCells / counts.total) : BarCells;
    const QString bar = QString(filled, u'#') + QString(BarCells - filled, u'-');
    const double seconds = counts.elapsedMs / 1000.0;
    const double rate = seconds > 0 ? counts.done / seconds : 0.0;
    const QString left = rate > 0 && counts.done > 0
        ? minutesAndSeconds(qint64((counts.total - counts.done) / rate + 0.5))
        : QStringLiteral("-:--");
    return QStringLiteral("[%1] %2/%3  valid %4  invalid %5  %6 links/s  %7 left")
        .arg(bar)
        .arg(counts.done)
        .arg(counts.total)
        .arg(counts.valid)
        .arg(counts.invalid)
        .arg(rate, 0, 'f', 1)
        .arg(left);
}

ProgressBar::ProgressBar(bool enabled, qsizetype total)
    : m_enabled(enabled)
{
    m_counts.total = total;
    m_clock.start();
}

void ProgressBar::linkDone(bool valid)
{
    ++m_counts.done;
    ++(valid ? m_counts.valid : m_counts.invalid);
}

void ProgressBar::draw()
{
    if (!m_enabled)
        return;
    const qint64 now = m_clock.elapsed();
    const bool last = m_counts.done == m_counts.total;
    if (m_drawnAtMs >= 0 && now - m_drawnAtMs < RedrawEveryMs && !last)
        return;
    m_drawnAtMs = now;
    m_counts.elapsedMs = now;
    // Carriage return and erase-to-end-of-line redraw the bar in place.
    write("\r" + progressLine(m_counts).toUtf8() + "\x1b[K");
    m_shown = true;
}

void ProgressBar::clear()
{
    if (!m_enabled || !m_shown)
        return;
    write("\r\x1b[K");
    m_shown = false;
    m_drawnAtMs = -1;
}

void ProgressBar::write(const QByteArray &bytes)
{
    qsizetype at = 0;
    while (at < bytes.size()) {
        const ssize_t written
            = ::write(STDERR_FILENO, bytes.constData() + at, size_t(bytes.size() - at));
        if (written <= 0)
            return; // a closed or broken terminal only costs the bar
        at += written;
    }
}
