// reader_bench: times reading a fetched watch page and deciding its verdict, on generated
// single-line pages of 2 MB and 20 MB, to show the work grows linearly with the page.
#include "core/FetchCommand.h"
#include "core/PlayabilityVerdict.h"
#include "core/TextReader.h"
#include "engine/FetchJudgement.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>
#include <limits>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {
constexpr qsizetype PageSizes[2] = {2'000'000, 20'000'000};
// Best of several runs: the machine is shared, and the quickest run is the least disturbed.
constexpr int Runs = 15;

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

// How a page is read and decided: as the window does it now, as the shell tool judges it (the
// window's rule and the status object read as JSON), and through the whole line list.
enum class Path { AsThePrograms, ShellTool, LineList };

bool judgedInvalid(const QString &path, Path how)
{
    if (how == Path::ShellTool) {
        FetchResult fetched;
        fetched.httpStatus = 200;
        fetched.page = TextReader::readWholeFile(path, FetchCommand::MaxPageBytes);
        return judgeFetch(fetched).verdict == LinkVerdict::Invalid;
    }
    const PlayabilityVerdict verdict = how == Path::AsThePrograms
        ? verdictOfPage(TextReader::readWholeFile(path, FetchCommand::MaxPageBytes))
        : readPlayabilityVerdict(TextReader::readAllLines(path));
    return verdict.kind == PlayabilityVerdict::Kind::Invalid;
}

double bestMilliseconds(const QString &path, int runs, Path how)
{
    qint64 best = std::numeric_limits<qint64>::max();
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        const bool invalid = judgedInvalid(path, how);
        const qint64 elapsed = timer.nsecsElapsed();
        if (!invalid) {
            std::fprintf(stderr, "reader_bench: unexpected verdict for %s\n", qPrintable(path));
            std::exit(1);
        }
        best = qMin(best, elapsed);
    }
    return best / 1e6;
}

// Times both pages and prints the figures under the given heading.
void measure(QTextStream &out, const QString &heading, const QString (&paths)[2], Path how)
{
    double times[2] = {};
    out << heading << '\n';
    for (int i = 0; i < 2; ++i) {
        times[i] = bestMilliseconds(paths[i], Runs, how);
        out << QStringLiteral("  %1 MB single-line page: %2 ms (best of %3)\n")
                   .arg(PageSizes[i] / 1'000'000)
                   .arg(times[i], 0, 'f', 2)
                   .arg(Runs);
    }
    out << QStringLiteral("  20 MB / 2 MB time ratio: %1\n").arg(times[1] / times[0], 0, 'f', 2);
    out.flush();
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QTextStream out(stdout);
    QString paths[2];
    for (int i = 0; i < 2; ++i) {
        paths[i] = dir.filePath(QStringLiteral("page%1.html").arg(i));
        QFile file(paths[i]);
        if (!file.open(QIODevice::WriteOnly) || file.write(generatedPage(PageSizes[i])) < 0) {
            std::fprintf(stderr, "reader_bench: cannot write %s\n", qPrintable(paths[i]));
            return 1;
        }
    }

    measure(out, QStringLiteral("readWholeFile + verdictOfPage, as the window runs:"), paths,
            Path::AsThePrograms);
    measure(out, QStringLiteral("readWholeFile + judgeFetch, as the shell tool runs:"), paths,
            Path::ShellTool);
    measure(out, QStringLiteral("readAllLines + readPlayabilityVerdict (the whole line list):"),
            paths, Path::LineList);
#ifdef __GLIBC__
    // The 20 MB page decodes into a 40 MB string, past the size from which glibc maps fresh
    // memory for every allocation; first touching those pages costs about as much as the
    // reading itself. Keeping freed memory for reuse shows how the work alone scales.
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
    measure(out,
            QStringLiteral("The line list, with freed memory kept for reuse (no fresh pages):"),
            paths, Path::LineList);
#endif
    return 0;
}
