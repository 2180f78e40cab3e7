// memory_bench: the peak memory of reading and deciding large inputs of awkward shapes, each
// case run in a child process of its own so that one case's peak never hides another's.
#include "core/FetchCommand.h"
#include "core/PlayabilityVerdict.h"
#include "core/TextReader.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
constexpr qint64 MiB = 1024 * 1024;

// Writes size bytes made of unit repeated, then tail, without holding them all at once.
QString writeFile(const QString &path, const QByteArray &unit, qint64 size, const QByteArray &tail)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    QByteArray block;
    while (block.size() < MiB)
        block += unit;
    qint64 written = 0;
    while (written + block.size() <= size - tail.size())
        written += file.write(block);
    while (written + unit.size() <= size - tail.size())
        written += file.write(unit);
    file.write(tail);
    return path;
}

// Runs work in a child process and returns the child's peak resident memory in MiB.
double peakMiB(const std::function<bool()> &work)
{
    const pid_t child = fork();
    if (child == 0)
        _exit(work() ? 0 : 1);
    int status = 0;
    rusage usage {};
    if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status)
        || WEXITSTATUS(status) != 0)
        return -1;
    return usage.ru_maxrss / 1024.0; // ru_maxrss is in KiB on Linux
}

void report(const char *what, qint64 inputBytes, double peak)
{
    std::printf("%-62s input %6.1f MiB  peak %7.1f MiB  (%.1fx)\n", what, double(inputBytes) / MiB,
                peak, peak / (double(inputBytes) / MiB));
    std::fflush(stdout);
}

bool decidedAs(const QString &path, PlayabilityVerdict::Kind kind)
{
    return verdictOfPage(TextReader::readWholeFile(path, FetchCommand::MaxPageBytes)).kind == kind;
}
} // namespace

int main()
{
    QTemporaryDir folder;
    const QByteArray ok = "\"playabilityStatus\":{\"status\":\"OK\",\"x\":1}";
    const qint64 pageBytes = 63 * MiB;

    std::printf("baseline (a child that does nothing): peak %.1f MiB\n",
                peakMiB([] { return true; }));

    const QString shortLines
        = writeFile(folder.filePath("short-lines.html"), "a\n", pageBytes, "\n" + ok + "\n");
    report("63 MiB page of a\\n lines, marker last: verdictOfPage", pageBytes,
           peakMiB([&] { return decidedAs(shortLines, PlayabilityVerdict::Kind::Valid); }));
    report("  the same through readAllLines + readPlayabilityVerdict", pageBytes, peakMiB([&] {
               return readPlayabilityVerdict(TextReader::readAllLines(shortLines)).kind
                   == PlayabilityVerdict::Kind::Valid;
           }));

    // The marker first: everything after it is kept, cleaned, for the verdict.
    const QString markerFirst
        = writeFile(folder.filePath("single-line.html"), "a", pageBytes - ok.size(), {});
    {
        QFile file(markerFirst);
        QByteArray start = ok;
        file.open(QIODevice::ReadWrite);
        const QByteArray rest = file.readAll();
        file.seek(0);
        file.write(start);
        file.write(rest);
    }
    report("63 MiB single line, marker first: verdictOfPage", pageBytes,
           peakMiB([&] { return decidedAs(markerFirst, PlayabilityVerdict::Kind::Valid); }));
    const QString markerLast
        = writeFile(folder.filePath("single-line-last.html"), "a", pageBytes, ok);
    report("63 MiB single line, marker last: verdictOfPage", pageBytes,
           peakMiB([&] { return decidedAs(markerLast, PlayabilityVerdict::Kind::Valid); }));

    const qint64 linkFileBytes = 50'000'000;
    const QString links = writeFile(folder.filePath("links.txt"), "a\n", linkFileBytes, {});
    report("50 MB link file of a\\n lines: readAllLines", linkFileBytes,
           peakMiB([&] { return TextReader::readAllLines(links).size() == linkFileBytes / 2; }));
    return 0;
}
