#include "cli/ProgressBar.h"

#include "system/StandardStreams.h"

#include <unistd.h>

namespace {
constexpr int BarCells = 24;
constexpr qint64 RedrawEveryMs = 100;
constexpr qint64 SteadyAfterMs = 1000;

QString minutesAndSeconds(qint64 seconds)
{
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QChar(u'0'));
}

int terminalWidth()
{
    const int columns = StandardStreams::terminalColumns(StandardStreams::Stream::Error);
    return columns > 0 ? columns : 80;
}
} // namespace

QString progressLine(const ProgressCounts &counts, int width)
{
    const int filled = counts.total > 0 ? int(counts.done * BarCells / counts.total) : BarCells;
    const QString bar
        = u'[' + QString(filled, u'#') + QString(BarCells - filled, u'-') + QStringLiteral("] ");
    const QString done = QStringLiteral("%1/%2").arg(counts.done).arg(counts.total);
    const double seconds = counts.elapsedMs / 1000.0;
    const bool steady
        = counts.done >= ProgressBar::SteadyAfterLinks && counts.elapsedMs >= SteadyAfterMs;
    const double rate = steady ? counts.done / seconds : 0.0;
    const QString rateText
        = steady ? QStringLiteral("%1 links/s").arg(rate, 0, 'f', 1) : QStringLiteral("- links/s");
    const QString left = steady
        ? minutesAndSeconds(qint64((counts.total - counts.done) / rate + 0.5))
        : QStringLiteral("-:--");
    const QString waiting = counts.waiting.isEmpty() ? QString() : u"  "_qs + counts.waiting;

    // From the fullest form to the shortest; the first that fits is drawn.
    const QString forms[] = {
        bar + done
            + QStringLiteral("  valid %1  invalid %2  unknown %3  %4  %5 left")
                  .arg(counts.valid)
                  .arg(counts.invalid)
                  .arg(counts.unknown)
                  .arg(rateText, left)
            + waiting,
        done
            + QStringLiteral("  valid %1  invalid %2  unknown %3  %4 left")
                  .arg(counts.valid)
                  .arg(counts.invalid)
                  .arg(counts.unknown)
                  .arg(left)
            + waiting,
        done
            + QStringLiteral(" v%1 i%2 u%3 %4 left")
                  .arg(counts.valid)
                  .arg(counts.invalid)
                  .arg(counts.unknown)
                  .arg(left),
        done,
    };
    const qsizetype room = qMax(1, width - 1);
    for (const QString &form : forms) {
        if (form.size() <= room)
            return form;
    }
    return done.left(room);
}

ProgressBar::ProgressBar(bool enabled, qsizetype total)
    : m_enabled(enabled)
{
    m_counts.total = total;
    m_clock.start();
}

void ProgressBar::linkDone(qsizetype valid, qsizetype invalid, qsizetype unknown)
{
    m_counts.valid += valid;
    m_counts.invalid += invalid;
    m_counts.unknown += unknown;
    m_counts.done = m_counts.valid + m_counts.invalid + m_counts.unknown;
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
    // Carriage return and erase-to-end-of-line redraw the bar in place; the width is asked
    // afresh each time, so a resized terminal gets a bar that fits at the next drawing.
    write("\r" + progressLine(m_counts, terminalWidth()).toUtf8() + "\x1b[K");
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
