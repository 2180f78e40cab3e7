// Result files written to targets that are not regular files: FIFOs and devices are written
// into, never replaced, and a failing device gives the system's reason.
#include "core/AppError.h"
#include "core/ResultFileWriter.h"
#include "support/TestFiles.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#ifndef Q_OS_WIN
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace {
// What Windows lacks for these tests, said by each test it skips there.
[[maybe_unused]] const char NoFifos[] = "Windows has no FIFOs";
[[maybe_unused]] const char NoDevices[] = "Windows has no device nodes to make or to write into";
[[maybe_unused]] const char NoSizeLimit[] = "Windows has no file-size limit (RLIMIT_FSIZE)";
[[maybe_unused]] const char NoLinks[]
    = "Qt makes shortcuts on Windows, not the symbolic links this test plants";

const QStringList Links {"https://a.example/1", u"https://b.example/\u00e9"_qs};
const QByteArray LinkBytes("https://a.example/1\r\nhttps://b.example/\xc3\xa9\r\n");
#ifndef Q_OS_WIN

bool isCharacterDevice(const QString &path)
{
    struct stat info
    {
    };
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISCHR(info.st_mode);
}

// A private copy of a system device (1,3 is the null device, 1,7 the full one) in folder, so
// that a writer that wrongly replaced its target would harm nothing of the system's. Empty
// when device nodes cannot be made here.
QString privateDevice(const QTemporaryDir &folder, const char *name, unsigned minor)
{
    const QString path = folder.filePath(QLatin1String(name));
    if (::mknod(QFile::encodeName(path).constData(), S_IFCHR | 0666, makedev(1, minor)) != 0)
        return {};
    return path;
}

QString errorOfWriting(const QString &path)
{
    try {
        writeResultFile(path, Links);
    } catch (const AppError &error) {
        return error.description();
    }
    return QStringLiteral("no error raised");
}
#endif
} // namespace

class ResultFileWriterTest : public QObject
{
    Q_OBJECT
private slots:
    // The reader gets every line through the FIFO, which is still a FIFO afterwards.
    void fifoIsWrittenIntoNotReplaced()
    {
#ifdef Q_OS_WIN
        QSKIP(NoFifos);
#else
        QTemporaryDir folder;
        const QString fifo = folder.filePath("results");
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        // The read end is open before the save starts, and a write end is held open until the
        // save is over, so the reader neither waits for ever nor sees the end early, whatever
        // the save does.
        const int readEnd = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
        QVERIFY(readEnd >= 0);
        const int keepOpen = ::open(QFile::encodeName(fifo).constData(), O_WRONLY);
        QVERIFY(keepOpen >= 0);
        QVERIFY(::fcntl(readEnd, F_SETFL, 0) == 0);
        QByteArray received;
        std::thread reader([&] {
            char buffer[4096];
            for (ssize_t got; (got = ::read(readEnd, buffer, sizeof buffer)) > 0;)
                received.append(buffer, got);
            ::close(readEnd);
        });
        QString error;
        try {
            writeResultFile(fifo, Links);
        } catch (const AppError &e) {
            error = e.description();
        }
        ::close(keepOpen);
        reader.join();
        QCOMPARE(error, QString());
        QCOMPARE(received, LinkBytes);
        QVERIFY(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
        QCOMPARE(
            QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
            QStringList {"results"});
#endif
    }

    // A null device takes the lines and stays a device: first a private one, then, once that
    // has shown the writer leaves devices in place, the system's own.
    void nullDeviceStaysADevice()
    {
#ifdef Q_OS_WIN
        QSKIP(NoDevices);
#else
        QTemporaryDir folder;
        const QString device = privateDevice(folder, "null", 3);
        for (const QString &path : {device, QStringLiteral("/dev/null")}) {
            if (path.isEmpty())
                continue;
            QCOMPARE(errorOfWriting(path), u"no error raised"_qs);
            QVERIFY2(isCharacterDevice(path), qPrintable(path));
        }
        // Through a symbolic link the device is written as well, and the link stays.
        const QString link = folder.filePath("link-to-null");
        QVERIFY(QFile::link("/dev/null", link));
        QCOMPARE(errorOfWriting(link), u"no error raised"_qs);
        QCOMPARE(QFileInfo(link).symLinkTarget(), u"/dev/null"_qs);
        QVERIFY(isCharacterDevice("/dev/null"));
#endif
    }

    // A full device fails the write with the system's own reason, and stays a device.
    void fullDeviceGivesTheSystemsReason()
    {
#ifdef Q_OS_WIN
        QSKIP(NoDevices);
#else
        QTemporaryDir folder;
        const QString device = privateDevice(folder, "full", 7);
        for (const QString &path : {device, QStringLiteral("/dev/full")}) {
            if (path.isEmpty())
                continue;
            QCOMPARE(errorOfWriting(path),
                     u"Cannot write to \"%1\": No space left on device"_qs.arg(path));
            QVERIFY2(isCharacterDevice(path), qPrintable(path));
        }
#endif
    }

    // A regular file that cannot grow (here held back by the file-size limit, as a full disk
    // would) gives the system's reason, and the old file stays as it was: whether the write
    // fails mid-file or only when the last lines leave the write buffer at the end.
    void regularFileThatCannotGrowGivesTheSystemsReason_data()
    {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("limit");
        QTest::newRow("fails mid-file") << 1000 << 4096;
        QTest::newRow("fails when the buffer is written out") << 3 << 16;
    }
    void regularFileThatCannotGrowGivesTheSystemsReason()
    {
#ifdef Q_OS_WIN
        QSKIP(NoSizeLimit);
#else
        QFETCH(int, lines);
        QFETCH(int, limit);
        QTemporaryDir folder;
        const QString path = TestFiles::write(folder.filePath("r.txt"), "old");
        const QString error = [&] {
            const TestFiles::FileSizeLimit fullDisk(limit);
            try {
                writeResultFile(path, QStringList(lines, QStringLiteral("https://a.example/")));
            } catch (const AppError &e) {
                return e.description();
            }
            return QStringLiteral("no error raised");
        }();
        QCOMPARE(error, u"Cannot write to \"%1\": File too large"_qs.arg(path));
        QCOMPARE(TestFiles::read(path), QByteArray("old"));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList {"r.txt"});
#endif
    }

    // A symbolic link to a regular file keeps the safe replacement of the file it names.
    void linkToRegularFileReplacesTheFileItNames()
    {
#ifdef Q_OS_WIN
        QSKIP(NoLinks);
#else
        QTemporaryDir folder;
        const QString file = TestFiles::write(folder.filePath("r.txt"), "old");
        const QString link = folder.filePath("link.txt");
        QVERIFY(QFile::link(file, link));
        writeResultFile(link, Links);
        QCOMPARE(TestFiles::read(file), LinkBytes);
        QVERIFY(QFileInfo(link).isSymLink());
#endif
    }
};

QTEST_GUILESS_MAIN(ResultFileWriterTest)
#include "tst_ResultFileWriter.moc"
