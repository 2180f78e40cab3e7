// The whole-file reader: the byte-order-mark table, decoding by mark, the two line-break rules
// of its two reading paths, and failures that name the file.
#include "platform/AppError.h"
#include "support/TestFiles.h"
#include "textio/TextReader.h"

#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString NonAsciiText = QStringLiteral(u"Sign in to confirm you’re not a bot\r\n"
                                            u"Café déjà vu, Ångström\r\n"
                                            u"動画を再生できません");
const QStringList NonAsciiLines = NonAsciiText.split(QStringLiteral("\r\n"));

QByteArray encoded(const QString &text, QStringConverter::Encoding encoding)
{
    QStringEncoder encoder(encoding);
    return encoder.encode(text);
}
} // namespace

class TextReaderTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_fileNumber = 0;

    QString fileWith(const QByteArray &bytes)
    {
        return TestFiles::write(m_dir.filePath(QStringLiteral("file%1.txt").arg(++m_fileNumber)),
                                bytes);
    }

private slots:
    void choosesTheReadingPathByTheMarkTable_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("unicode");
        QTest::addColumn<bool>("utf8");

        QTest::newRow("row 1: FF FE 00 00") << QByteArray("\xFF\xFE\0\0", 4) << true << false;
        QTest::newRow("row 2: 00 00 FE FF") << QByteArray("\0\0\xFE\xFF", 4) << true << false;
        QTest::newRow("row 3: EF BB BF") << QByteArray("\xEF\xBB\xBF") << false << true;
        QTest::newRow("row 4: FF FE") << QByteArray("\xFF\xFE") << true << false;
        QTest::newRow("row 5: FE FF") << QByteArray("\xFE\xFF") << true << false;
        QTest::newRow("row 3 with text after") << QByteArray("\xEF\xBB\xBF"
                                                             "ab")
                                               << false << true;
        QTest::newRow("row 4 with text after") << QByteArray("\xFF\xFEz\0", 4) << true << false;
        QTest::newRow("empty file") << QByteArray() << false << false;
        QTest::newRow("1 byte FF") << QByteArray("\xFF") << false << false;
        QTest::newRow("1 byte FE") << QByteArray("\xFE") << false << false;
        QTest::newRow("2 bytes EF BB: row 3 needs 3") << QByteArray("\xEF\xBB") << false << false;
        QTest::newRow("00 00 without FE FF") << QByteArray("\0\0ab", 4) << false << false;
        QTest::newRow("3 bytes 00 00 FE: row 2 needs 4")
            << QByteArray("\0\0\xFE", 3) << false << false;
        QTest::newRow("3 bytes FF FE 00: row 4, not row 1")
            << QByteArray("\xFF\xFE\0", 3) << true << false;
        QTest::newRow("FE FF FF FE") << QByteArray("\xFE\xFF\xFF\xFE") << true << false;
        QTest::newRow("plain text") << QByteArray("https://a") << false << false;
    }
    void choosesTheReadingPathByTheMarkTable()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, unicode);
        QFETCH(bool, utf8);
        const QString path = fileWith(bytes);

        RFTSFSO::utf8Flag = !utf8; // a stale value must be cleared by the detection
        QCOMPARE(RFTSFSO::DetectByteOrderMark(path), unicode);
        QCOMPARE(RFTSFSO::utf8Flag, utf8);

        RFTSFSO::unicodeFlag = !unicode;
        RFTSFSO::utf8Flag = !utf8;
        ReadAllLines(path);
        QCOMPARE(RFTSFSO::unicodeFlag, unicode);
        QCOMPARE(RFTSFSO::utf8Flag, utf8);
    }

    void decodesEveryEncodingByItsMark_data()
    {
        QTest::addColumn<QByteArray>("mark");
        QTest::addColumn<QStringConverter::Encoding>("encoding");

        QTest::newRow("UTF-8 with mark") << QByteArray("\xEF\xBB\xBF") << QStringConverter::Utf8;
        QTest::newRow("UTF-8 without mark") << QByteArray() << QStringConverter::Utf8;
        QTest::newRow("UTF-16LE") << QByteArray("\xFF\xFE") << QStringConverter::Utf16LE;
        QTest::newRow("UTF-16BE") << QByteArray("\xFE\xFF") << QStringConverter::Utf16BE;
        QTest::newRow("UTF-32LE") << QByteArray("\xFF\xFE\0\0", 4) << QStringConverter::Utf32LE;
        QTest::newRow("UTF-32BE") << QByteArray("\0\0\xFE\xFF", 4) << QStringConverter::Utf32BE;
    }
    void decodesEveryEncodingByItsMark()
    {
        QFETCH(QByteArray, mark);
        QFETCH(QStringConverter::Encoding, encoding);
        const QString path = fileWith(mark + encoded(NonAsciiText, encoding));
        // The mark is never part of the first line.
        QCOMPARE(ReadAllLines(path), NonAsciiLines);
    }

    // Large files are decoded a piece at a time; long runs of characters outside ASCII, with
    // surrogate pairs among them, must come through whole wherever the pieces end.
    void decodesLongTextsWhole_data() { decodesEveryEncodingByItsMark_data(); }
    void decodesLongTextsWhole()
    {
        QFETCH(QByteArray, mark);
        QFETCH(QStringConverter::Encoding, encoding);
        const QString run = QStringLiteral(u"動画’é😀").repeated(90'001);
        const QStringList lines = {run + u'a' + run + u'b' + run, run};
        const QString path = fileWith(mark + encoded(lines.join(u"\r\n"_qs), encoding));
        QCOMPARE(ReadAllLines(path), lines);
    }

    void endsLinesByThePathsRules_data()
    {
        QTest::addColumn<QByteArray>("mark");
        QTest::addColumn<QStringConverter::Encoding>("encoding");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("lines");

        const QByteArray utf8Mark("\xEF\xBB\xBF");
        const QByteArray utf16Mark("\xFF\xFE");
        const auto utf8 = QStringConverter::Utf8;
        const auto utf16 = QStringConverter::Utf16LE;

        // The UTF-8 path keeps the empty piece after a final break; the line reader does not.
        QTest::newRow("UTF-8 path: final CR LF adds an empty entry")
            << utf8Mark << utf8 << "a\r\nb\r\n"
            << QStringList {"a", "b", ""};
        QTest::newRow("ANSI: final CR LF adds nothing") << QByteArray() << utf8 << "a\r\nb\r\n"
                                                        << QStringList {"a", "b"};
        QTest::newRow("Unicode: final CR LF adds nothing") << utf16Mark << utf16 << "a\r\nb\r\n"
                                                           << QStringList {"a", "b"};
        QTest::newRow("UTF-8 path: final LF adds an empty entry") << utf8Mark << utf8 << "a\nb\n"
                                                                  << QStringList {"a", "b", ""};
        QTest::newRow("ANSI: final LF adds nothing") << QByteArray() << utf8 << "a\nb\n"
                                                     << QStringList {"a", "b"};

        QTest::newRow("UTF-8 path: lone LF ends an entry")
            << utf8Mark << utf8 << "a\nb" << QStringList {"a", "b"};
        QTest::newRow("ANSI: lone LF ends a line")
            << QByteArray() << utf8 << "a\nb" << QStringList {"a", "b"};
        QTest::newRow("Unicode: lone LF ends a line")
            << utf16Mark << utf16 << "a\nb" << QStringList {"a", "b"};
        QTest::newRow("UTF-8 path: lone CR is text")
            << utf8Mark << utf8 << "a\rb\r" << QStringList {"a\rb\r"};
        QTest::newRow("ANSI: lone CR is text")
            << QByteArray() << utf8 << "a\rb\r" << QStringList {"a\rb\r"};
        QTest::newRow("Unicode: lone CR is text")
            << utf16Mark << utf16 << "a\rb" << QStringList {"a\rb"};
        QTest::newRow("UTF-8 path: CR before CR LF stays")
            << utf8Mark << utf8 << "a\r\r\nb" << QStringList {"a\r", "b"};

        QTest::newRow("UTF-8 path: empty entries between breaks")
            << utf8Mark << utf8 << "a\r\n\r\nb" << QStringList {"a", "", "b"};
        QTest::newRow("ANSI: empty lines between breaks")
            << QByteArray() << utf8 << "a\r\n\r\n\nb" << QStringList {"a", "", "", "b"};
        QTest::newRow("UTF-8 path: only a break") << utf8Mark << utf8 << "\r\n"
                                                  << QStringList {"", ""};
        QTest::newRow("ANSI: only a break") << QByteArray() << utf8 << "\n" << QStringList {""};
        QTest::newRow("UTF-8 path: LF then CR")
            << utf8Mark << utf8 << "a\n\rb" << QStringList {"a", "\rb"};

        QTest::newRow("empty file gives one empty line")
            << QByteArray() << utf8 << "" << QStringList {""};
        QTest::newRow("FF FE alone gives one empty line")
            << utf16Mark << utf16 << "" << QStringList {""};
        QTest::newRow("FF FE 00 00 alone gives one empty line")
            << QByteArray("\xFF\xFE\0\0", 4) << utf16 << "" << QStringList {""};
        QTest::newRow("FE FF alone gives one empty line")
            << QByteArray("\xFE\xFF") << utf16 << "" << QStringList {""};
        QTest::newRow("UTF-8 mark alone gives no entries")
            << utf8Mark << utf8 << "" << QStringList {};
        QTest::newRow("a second mark is text")
            << utf16Mark << utf16 << QStringLiteral(u"\uFEFFa") << QStringList {u"\uFEFFa"_qs};
    }
    void endsLinesByThePathsRules()
    {
        QFETCH(QByteArray, mark);
        QFETCH(QStringConverter::Encoding, encoding);
        QFETCH(QString, text);
        QFETCH(QStringList, lines);
        QCOMPARE(ReadAllLines(fileWith(mark + encoded(text, encoding))), lines);
    }

    void malformedBytesBecomeReplacementCharacters_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("line");
        QTest::newRow("ANSI: stray byte") << QByteArray("a\xFF"
                                                        "b")
                                          << u"a\uFFFDb"_qs;
        QTest::newRow("ANSI: cut-off sequence at the end")
            << QByteArray("a\xE2\x80") << u"a\uFFFD\uFFFD"_qs;
        QTest::newRow("UTF-8 path: stray byte") << QByteArray("\xEF\xBB\xBF"
                                                              "a\xC0"
                                                              "b")
                                                << u"a\uFFFDb"_qs;
        QTest::newRow("UTF-16: odd last byte") << QByteArray("\xFF\xFE"
                                                             "a\0b",
                                                             5)
                                               << u"a\uFFFD"_qs;
    }
    void malformedBytesBecomeReplacementCharacters()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, line);
        QCOMPARE(ReadAllLines(fileWith(bytes)), QStringList {line});
    }

    void keepsAVeryLongLineWhole()
    {
        const QByteArray line = QByteArray(3'000'000, 'x') + "\xE2\x80\x99";
        const QStringList lines = ReadAllLines(fileWith(line + "\r\nend\n"));
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0].size(), 3'000'001);
        QCOMPARE(lines[0].back(), QChar(u'’'));
        QCOMPARE(lines[1], u"end"_qs);
    }

    void failuresNameTheFile_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("missing file") << m_dir.filePath(QStringLiteral("missing.txt"));
        QTest::newRow("folder") << m_dir.path();
        QTest::newRow("under a regular file") << TestFiles::impossiblePath(m_dir.path());
    }
    void failuresNameTheFile()
    {
        QFETCH(QString, path);
        try {
            ReadAllLines(path);
            QFAIL("no error raised");
        } catch (const AppError &error) {
            QVERIFY2(error.description().contains(path), qPrintable(error.description()));
        }
    }
};

QTEST_GUILESS_MAIN(TextReaderTest)
#include "tst_TextReader.moc"
