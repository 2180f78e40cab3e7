// The whole-file reader: the byte-order-mark table, decoding by mark, the two line-break rules
// of its two reading paths, and failures that name the file.
#include "core/AppError.h"
#include "core/TextReader.h"
#include "support/TestFiles.h"

#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

#ifndef Q_OS_WIN
#include <csignal>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
using Encoding = QStringConverter::Encoding;
const QByteArray Utf8Mark("\xEF\xBB\xBF"), Utf16Mark("\xFF\xFE");

QByteArray encoded(const QString &text, Encoding encoding)
{
    return QStringEncoder(encoding).encode(text);
}
void markRow(const char *name, const QByteArray &bytes, bool unicode, bool utf8)
{
    QTest::newRow(name) << bytes << unicode << utf8;
}
void breakRow(const char *name, const QByteArray &mark, const QString &text,
              const QStringList &lines)
{
    QTest::newRow(name) << mark
                        << (mark == Utf8Mark || mark.isEmpty() ? QStringConverter::Utf8
                                                               : QStringConverter::Utf16LE)
                        << text << lines;
}
#ifndef Q_OS_WIN
// Feeds bytes to a reader through a FIFO made at path, or through a pipe named by its
// /dev/fd path, from a thread of its own; path is empty when neither could be made.
struct FeedingWriter
{
    enum Kind { Fifo, Pipe };
    QString path;
    std::thread thread;
    int readEnd = -1;

    FeedingWriter(Kind kind, const QString &fifoPath, QByteArray bytes)
    {
        int writeEnd = -1;
        if (kind == Fifo) {
            if (::mkfifo(QFile::encodeName(fifoPath).constData(), 0600) != 0)
                return;
            path = fifoPath;
        } else {
            int ends[2];
            if (::pipe(ends) != 0)
                return;
            readEnd = ends[0];
            writeEnd = ends[1];
            path = u"/dev/fd/%1"_qs.arg(readEnd);
        }
        thread = std::thread([=, this] {
            const int fd
                = writeEnd >= 0 ? writeEnd : ::open(QFile::encodeName(path).constData(), O_WRONLY);
            for (qsizetype at = 0; fd >= 0 && at < bytes.size();) {
                const ssize_t written = ::write(fd, bytes.constData() + at, bytes.size() - at);
                if (written <= 0)
                    break;
                at += written;
            }
            if (fd >= 0)
                ::close(fd);
        });
    }
    ~FeedingWriter()
    {
        // A writer still waiting for a reader to open the FIFO is let through, and one still
        // writing is stopped by the read end closing.
        if (readEnd < 0 && !path.isEmpty()) {
            const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
        }
        if (readEnd >= 0)
            ::close(readEnd);
        if (thread.joinable())
            thread.join();
    }
};
#endif
} // namespace

class TextReaderTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_fileNumber = 0;

    QString fileWith(const QByteArray &bytes)
    {
        return TestFiles::write(m_dir.filePath(u"file%1.txt"_qs.arg(++m_fileNumber)), bytes);
    }

private slots:
    // A writer whose reader has gone must fail its write, not end the test program.
    void initTestCase()
    {
#ifndef Q_OS_WIN
        std::signal(SIGPIPE, SIG_IGN);
#endif
    }

    void choosesTheReadingPathByTheMarkTable_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("unicode");
        QTest::addColumn<bool>("utf8");
        markRow("row 1: FF FE 00 00", QByteArray("\xFF\xFE\0\0", 4), true, false);
        markRow("row 2: 00 00 FE FF", QByteArray("\0\0\xFE\xFF", 4), true, false);
        markRow("row 3: EF BB BF", Utf8Mark, false, true);
        markRow("row 4: FF FE", Utf16Mark, true, false);
        markRow("row 5: FE FF", "\xFE\xFF", true, false);
        markRow("row 3 with text after", Utf8Mark + "ab", false, true);
        markRow("row 4 with text after", QByteArray("\xFF\xFEz\0", 4), true, false);
        markRow("empty file", "", false, false);
        markRow("1 byte FF", "\xFF", false, false);
        markRow("1 byte FE", "\xFE", false, false);
        markRow("2 bytes EF BB: row 3 needs 3", "\xEF\xBB", false, false);
        markRow("00 00 without FE FF", QByteArray("\0\0ab", 4), false, false);
        markRow("3 bytes 00 00 FE: row 2 needs 4", QByteArray("\0\0\xFE", 3), false, false);
        markRow("3 bytes FF FE 00: row 4, not row 1", QByteArray("\xFF\xFE\0", 3), true, false);
        markRow("FE FF FF FE", "\xFE\xFF\xFF\xFE", true, false);
        markRow("plain text", "https://a", false, false);
    }
    void choosesTheReadingPathByTheMarkTable()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, unicode);
        QFETCH(bool, utf8);
        const QString path = fileWith(bytes);
        const TextReader::ByteOrderMark mark = TextReader::ByteOrderMark::of(bytes);
        QCOMPARE(mark.isUnicode(), unicode);
        QCOMPARE(mark.isUtf8(), utf8);
        // Every read decides afresh: an earlier file's mark never carries over.
        TextReader::readAllLines(fileWith(QByteArray("\xEF\xBB\xBF") + "x"));
        const QStringList lines = TextReader::readAllLines(path);
        QCOMPARE(lines, TextReader::linesOfBytes(bytes));
    }

    void decodesEveryEncodingByItsMark_data()
    {
        QTest::addColumn<QByteArray>("mark");
        QTest::addColumn<Encoding>("encoding");
        QTest::newRow("UTF-8 with mark") << Utf8Mark << QStringConverter::Utf8;
        QTest::newRow("UTF-8 without mark") << QByteArray() << QStringConverter::Utf8;
        QTest::newRow("UTF-16LE") << Utf16Mark << QStringConverter::Utf16LE;
        QTest::newRow("UTF-16BE") << QByteArray("\xFE\xFF") << QStringConverter::Utf16BE;
        QTest::newRow("UTF-32LE") << QByteArray("\xFF\xFE\0\0", 4) << QStringConverter::Utf32LE;
        QTest::newRow("UTF-32BE") << QByteArray("\0\0\xFE\xFF", 4) << QStringConverter::Utf32BE;
    }
    void decodesEveryEncodingByItsMark()
    {
        QFETCH(QByteArray, mark);
        QFETCH(Encoding, encoding);
        // The mark is never part of the first line.
        const QStringList lines = {u"Sign in to confirm you’re not a bot"_qs,
                                   u"Café déjà vu, Ångström"_qs, u"動画を再生できません"_qs};
        QCOMPARE(TextReader::readAllLines(fileWith(mark + encoded(lines.join("\r\n"), encoding))),
                 lines);

        // Large files are decoded a piece at a time; long runs outside ASCII, surrogate pairs
        // among them, must come through whole wherever the pieces end.
        const QString run = u"動画’é😀"_qs.repeated(90'001);
        const QStringList longLines = {run + u'a' + run + u'b' + run, run};
        QCOMPARE(
            TextReader::readAllLines(fileWith(mark + encoded(longLines.join("\r\n"), encoding))),
            longLines);
    }

    void endsLinesByThePathsRules_data()
    {
        QTest::addColumn<QByteArray>("mark");
        QTest::addColumn<Encoding>("encoding");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("lines");
        const QByteArray ansi;
        // The UTF-8 path keeps the empty piece after a final break; the line reader does not.
        breakRow("UTF-8 path: final CR LF adds an empty entry", Utf8Mark, "a\r\nb\r\n",
                 {"a", "b", ""});
        breakRow("ANSI: final CR LF adds nothing", ansi, "a\r\nb\r\n", {"a", "b"});
        breakRow("Unicode: final CR LF adds nothing", Utf16Mark, "a\r\nb\r\n", {"a", "b"});
        breakRow("UTF-8 path: final LF adds an empty entry", Utf8Mark, "a\nb\n", {"a", "b", ""});
        breakRow("ANSI: final LF adds nothing", ansi, "a\nb\n", {"a", "b"});
        breakRow("UTF-8 path: lone LF ends an entry", Utf8Mark, "a\nb", {"a", "b"});
        breakRow("Unicode: lone LF ends a line", Utf16Mark, "a\nb", {"a", "b"});
        breakRow("UTF-8 path: lone CR is text", Utf8Mark, "a\rb\r", {"a\rb\r"});
        breakRow("ANSI: lone CR is text", ansi, "a\rb\r", {"a\rb\r"});
        breakRow("Unicode: lone CR is text", Utf16Mark, "a\rb", {"a\rb"});
        breakRow("UTF-8 path: CR before CR LF stays", Utf8Mark, "a\r\r\nb", {"a\r", "b"});
        breakRow("UTF-8 path: LF then CR", Utf8Mark, "a\n\rb", {"a", "\rb"});
        breakRow("UTF-8 path: empty entries", Utf8Mark, "a\r\n\r\nb", {"a", "", "b"});
        breakRow("ANSI: empty lines", ansi, "a\r\n\r\n\nb", {"a", "", "", "b"});
        breakRow("UTF-8 path: only a break", Utf8Mark, "\r\n", {"", ""});
        breakRow("ANSI: only a break", ansi, "\n", {""});
        breakRow("empty file gives one empty line", ansi, "", {""});
        breakRow("FF FE alone gives one empty line", Utf16Mark, "", {""});
        breakRow("FF FE 00 00 alone gives one empty line", QByteArray("\xFF\xFE\0\0", 4), "", {""});
        breakRow("UTF-8 mark alone gives no entries", Utf8Mark, "", {});
        breakRow("a second mark is text", Utf16Mark, u"\uFEFFa"_qs, {u"\uFEFFa"_qs});
    }
    void endsLinesByThePathsRules()
    {
        QFETCH(QByteArray, mark);
        QFETCH(Encoding, encoding);
        QFETCH(QString, text);
        QFETCH(QStringList, lines);
        QCOMPARE(TextReader::readAllLines(fileWith(mark + encoded(text, encoding))), lines);
    }

    void malformedBytesBecomeReplacementCharacters_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("line");
#ifdef Q_OS_WIN
        // Not UTF-8, so written in the system's 8-bit code page: every byte is a character.
        QTest::newRow("ANSI: stray byte")
            << QByteArray("a\xFF") + "b" << QString::fromLocal8Bit(QByteArray("a\xFF") + "b");
        QTest::newRow("ANSI: cut-off sequence")
            << QByteArray("a\xE2\x80") << QString::fromLocal8Bit("a\xE2\x80");
#else
        QTest::newRow("ANSI: stray byte") << QByteArray("a\xFF") + "b" << u"a\uFFFDb"_qs;
        QTest::newRow("ANSI: cut-off sequence") << QByteArray("a\xE2\x80") << u"a\uFFFD\uFFFD"_qs;
#endif
        QTest::newRow("UTF-8 path: stray byte") << Utf8Mark + "a\xC0" + "b" << u"a\uFFFDb"_qs;
        QTest::newRow("UTF-16: odd last byte") << Utf16Mark + "a" + '\0' + "b" << u"a\uFFFD"_qs;
    }
    void malformedBytesBecomeReplacementCharacters()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, line);
        QCOMPARE(TextReader::readAllLines(fileWith(bytes)), QStringList {line});
    }

    // A cut-off last code unit is one U+FFFD however long the file, also when it is all that
    // follows the mark or all that is left for the last piece of a large file.
    void cutOffLastCodeUnitBecomesOneReplacementCharacter_data()
    {
        QTest::addColumn<QByteArray>("mark");
        QTest::addColumn<Encoding>("encoding");
        QTest::addColumn<qsizetype>("characters"); // 'a's before the cut-off unit
        QTest::addColumn<QByteArray>("cutOff");
        const QList<std::tuple<const char *, QByteArray, Encoding, int>> marks
            = {{"UTF-16LE", Utf16Mark, QStringConverter::Utf16LE, 2},
               {"UTF-16BE", "\xFE\xFF", QStringConverter::Utf16BE, 2},
               {"UTF-32LE", QByteArray("\xFF\xFE\0\0", 4), QStringConverter::Utf32LE, 4},
               {"UTF-32BE", QByteArray("\0\0\xFE\xFF", 4), QStringConverter::Utf32BE, 4}};
        for (const auto &[name, mark, encoding, unit] : marks) {
            // Pieces of a large file end just after the first ASCII unit a megabyte in.
            const qsizetype onePiece = ((1 << 20) + unit) / unit;
            for (int bytes = 1; bytes < unit; ++bytes) {
                const QByteArray cutOff = QByteArray("\x41\x42\x43").left(bytes);
                for (const qsizetype characters :
                     {qsizetype(0), qsizetype(3), onePiece, onePiece - 1, 2 * onePiece}) {
                    QTest::newRow(qPrintable(u"%1, %2 a, %3 cut-off bytes"_qs.arg(
                        QLatin1String(name), QString::number(characters), QString::number(bytes))))
                        << mark << encoding << characters << cutOff;
                }
            }
        }
    }
    void cutOffLastCodeUnitBecomesOneReplacementCharacter()
    {
        QFETCH(QByteArray, mark);
        QFETCH(Encoding, encoding);
        QFETCH(qsizetype, characters);
        QFETCH(QByteArray, cutOff);
        const QString text(characters, u'a');
        const QByteArray bytes = mark + encoded(text, encoding) + cutOff;
        const QStringList expected {text + QChar(QChar::ReplacementCharacter)};
        QCOMPARE(TextReader::readAllLines(fileWith(bytes)), expected);
    }

    // Read once from a pipe or a FIFO: the mark and the text both arrive.
    void readsPipesAndFifos_data()
    {
        QTest::addColumn<bool>("fifo");
        QTest::newRow("FIFO") << true;
        QTest::newRow("pipe named by /dev/fd") << false;
    }
    void readsPipesAndFifos()
    {
#ifdef Q_OS_WIN
        QSKIP("Windows has no FIFOs and no /dev/fd (standard input as a pipe is read by the "
              "shell tool's tests)");
#else
        QFETCH(bool, fifo);
        const QByteArray bytes = Utf16Mark
            + encoded(u"https://a.example/1\r\nhttps://b.example/\u00e9"_qs,
                      QStringConverter::Utf16LE);
        const QStringList expected {"https://a.example/1", u"https://b.example/\u00e9"_qs};
        for (const QByteArray &payload : {bytes, QByteArray(300'000, 'x')}) {
            FeedingWriter writer(fifo ? FeedingWriter::Fifo : FeedingWriter::Pipe,
                                 m_dir.filePath(u"fifo%1"_qs.arg(++m_fileNumber)), payload);
            QVERIFY(!writer.path.isEmpty());
            if (payload == bytes)
                QCOMPARE(TextReader::readAllLines(writer.path), expected);
            else
                QCOMPARE(TextReader::readWholeFile(writer.path, payload.size()), payload);
        }
#endif
    }

    // Nothing larger than the limit is read into memory: regular files by their size, pipes,
    // FIFOs and devices by what they deliver.
    void readWholeFileRefusesWhatExceedsItsLimit()
    {
        // What reading gives: the count of bytes read, or the error. An unexpected error fails
        // the test instead of ending the test program.
        const auto refusal = [](const QString &path, qint64 maxBytes) {
            try {
                return u"%1 bytes read"_qs.arg(TextReader::readWholeFile(path, maxBytes).size());
            } catch (const AppError &error) {
                return error.description();
            }
        };
        const QString path = fileWith(QByteArray(1000, 'a'));
        QCOMPARE(refusal(path, 1000), u"1000 bytes read"_qs);
        QCOMPARE(refusal(fileWith({}), 0), u"0 bytes read"_qs);
        QCOMPARE(refusal(path, 999),
                 u"Cannot read \"%1\": it is larger than 999 bytes"_qs.arg(path));
#ifdef Q_OS_WIN
        QSKIP("Windows has no /dev/zero and no FIFOs; regular files were checked");
#else
        QCOMPARE(refusal("/dev/zero", 64 * 1024 * 1024),
                 u"Cannot read \"/dev/zero\": it is larger than 64 MiB"_qs);
        FeedingWriter writer(FeedingWriter::Fifo, m_dir.filePath("big-fifo"),
                             QByteArray(200'000, 'x'));
        QCOMPARE(refusal(writer.path, 100'000),
                 u"Cannot read \"%1\": it is larger than 100000 bytes"_qs.arg(writer.path));
#endif
    }

    void failuresNameTheFile_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("missing file") << m_dir.filePath("missing.txt");
        QTest::newRow("folder") << m_dir.path();
        QTest::newRow("under a regular file") << TestFiles::impossiblePath(m_dir.path());
    }
    void failuresNameTheFile()
    {
        QFETCH(QString, path);
        try {
            TextReader::readAllLines(path);
            QFAIL("no error raised");
        } catch (const AppError &error) {
            QVERIFY2(error.description().contains(path), qPrintable(error.description()));
        }
    }
};

QTEST_GUILESS_MAIN(TextReaderTest)
#include "tst_TextReader.moc"
