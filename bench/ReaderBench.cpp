// reader_bench: times reading a fetched watch page and deciding its verdict, on generated
// single-line pages of 2 MB and 20 MB, to show the work grows linearly with the page.
#include "check/PlayabilityVerdict.h"
#include "textio/TextReader.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <limits>

namespace {
// A page the way the fetch tool saves it: the player response as one long line of JSON with
// quotes, braces, escapes and the words the cleaning deletes, and the status object near the
// end of the line.
QByteArray generatedPage(qsizetype size)
{
    const QByteArray filler = "{\"runs\":[{\"text\":\"Caf\xC3\xA9 \\u0026 \xE6\x97\xA5\xE6\x9C\xAC "
                              "status: reason, subreason\"}],\"accessibility\":{\"label\":"
                              "\"Playlist \\\"mix\\\"\"}},";
    const QByteArray status = "\"playabilityStatus\":{\"status\":\"ERROR\",\"reason\":\"Video "
                              "unavailable\",\"errorScreen\":{\"playerErrorMessageRenderer\":"
                              "{\"subreason\":{\"runs\":[{\"text\":\"This video is private, "
                              "sorry\"}]},\"reason\":{\"simpleText\":\"Video unavailable\"}}}},";
    QByteArray page = "<!DOCTYPE html><script>var ytInitialPlayerResponse = {";
    page.reserve(size + filler.size() + status.size());
    while (page.size() < size - 4096)
        page += filler;
    page += status;
    while (page.size() < size)
        page += filler;
    return page;
}

double bestMilliseconds(const QString &path, int runs)
{
    qint64 best = std::numeric_limits<qint64>::max();
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        const PlayabilityVerdict verdict = ReadPlayabilityVerdict(ReadAllLines(path));
        const qint64 elapsed = timer.nsecsElapsed();
        if (verdict.kind != PlayabilityVerdict::Kind::Invalid) {
            std::fprintf(stderr, "reader_bench: unexpected verdict for %s\n", qPrintable(path));
            std::exit(1);
        }
        best = qMin(best, elapsed);
    }
    return best / 1e6;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QTextStream out(stdout);
    double times[2] = {};
    const qsizetype sizes[2] = {2'000'000, 20'000'000};
    for (int i = 0; i < 2; ++i) {
        const QString path = dir.filePath(QStringLiteral("page%1.html").arg(i));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(generatedPage(sizes[i])) < 0) {
            std::fprintf(stderr, "reader_bench: cannot write %s\n", qPrintable(path));
            return 1;
        }
        file.close();
        times[i] = bestMilliseconds(path, 7);
        out << QStringLiteral("%1 MB single-line page: %2 ms (best of 7)\n")
                   .arg(sizes[i] / 1'000'000)
                   .arg(times[i], 0, 'f', 2);
    }
    out << QStringLiteral("20 MB / 2 MB time ratio: %1\n").arg(times[1] / times[0], 0, 'f', 2);
    return 0;
}
