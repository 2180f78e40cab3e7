// The verdict of a fetched watch page: which line decides, how it is cleaned, and how the
// status, reason and subreason are cut out of it.
#include "core/PlayabilityVerdict.h"
#include "core/TextReader.h"

#include <QRandomGenerator>
#include <QStringEncoder>
#include <QtTest>

using Kind = PlayabilityVerdict::Kind;

namespace {
PlayabilityVerdict verdict(Kind kind, const QString &reason = {}, const QString &status = {})
{
    PlayabilityVerdict v;
    v.kind = kind;
    v.reason = reason;
    v.status = status;
    return v;
}
void rows(const char *name, const QStringList &lines, const PlayabilityVerdict &expected)
{
    QTest::newRow(name) << lines << expected;
}
void row(const char *name, const QString &line, const PlayabilityVerdict &expected)
{
    rows(name, {line}, expected);
}
} // namespace

namespace QTest {
template<> char *toString(const PlayabilityVerdict &v)
{
    const char *kind = v.kind == Kind::Valid ? "valid"
        : v.kind == Kind::Invalid            ? "invalid"
                                             : "unavailable";
    return qstrdup(QStringLiteral("%1 reason=[%2] status=[%3]")
                       .arg(QLatin1String(kind), v.reason, v.status)
                       .toUtf8()
                       .constData());
}
} // namespace QTest

class PlayabilityVerdictTest : public QObject
{
    Q_OBJECT
private slots:
    void decidesFromTheFirstMarkerLine_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<PlayabilityVerdict>("expected");
        using enum Kind;
        const QString S = "playabilityStatus:status:"; // the marker and the status label

        // Lines as they stand after cleaning.
        row("OK status", S + "OK,playableInEmbed:true", verdict(Valid, {}, "OK"));
        row("no comma after the status", S + "OK", verdict(Unavailable));
        row("reason without subreason ends in a blank",
            S + "LOGIN_REQUIRED,reason:Sign in,messages:x",
            verdict(Invalid, "Sign in ", "LOGIN_REQUIRED"));
        row("subreason joins the reason, its commas become blanks",

            "playabilityStatus:status:ERROR,reason:Video unavailable,errorScreen:"
            "playerErrorMessageRenderer:subreason:::This video is private, sorry,reason:"
            "simpleText:Video unavailable",
            verdict(Invalid, "Video unavailable ::This video is private  sorry", "ERROR"));
        row("blank reason without subreason", S + "ERROR,reason:,x:1",
            verdict(Unavailable, {}, "ERROR"));
        row("no reason label", S + "ERROR,messages:x", verdict(Unavailable, {}, "ERROR"));

        // The page form of the subreason row, before cleaning.
        row("quoted and braced status object",

            "\"playabilityStatus\":{\"status\":\"ERROR\",\"reason\":\"Video unavailable\","
            "\"errorScreen\":{\"playerErrorMessageRenderer\":{\"subreason\":{\"runs\":[{"
            "\"text\":"
            "\"This video is private, sorry\"}]},\"reason\":{\"simpleText\":\"Video "
            "unavailable\"}}}}",
            verdict(Invalid, "Video unavailable ::This video is private  sorry", "ERROR"));
        row("escaped quotes are deleted too",

            "\\\"playabilityStatus\\\":{\\\"status\\\":\\\"UNPLAYABLE\\\",\\\"reason\\\":"
            "\\\"Not here\\\",",
            verdict(Invalid, "Not here ", "UNPLAYABLE"));

        // Letter case: labels in any case, deletions and the OK test exact.
        row("marker and labels in any case",
            "PLAYABILITYSTATUS:Status:ERROR,REASON:Gone,SubReason:a,b,ReAsOn",
            verdict(Invalid, "Gone a b", "ERROR"));
        row("lower-case ok is not OK", S + "ok,reason:odd,", verdict(Invalid, "odd ", "ok"));
        row("capitalised words stay", S + "ERROR,reason:Runs Text,",
            verdict(Invalid, "Runs Text ", "ERROR"));
        row("only ASCII letters fold in the marker", u"playabilityStatu\u017F:status:OK,"_qs,
            verdict(Unavailable));
        row("only ASCII letters fold in a label", u"playabilityStatus:\u017Ftatus:OK,"_qs,
            verdict(Unavailable));

        // Cleaning order.
        row("deleted punctuation brings a word together", S + "O\"runs\"K,",
            verdict(Valid, {}, "OK"));
        row("text inside runs: the runs formed later stays", S + "ERROR,reason:rutextns,",
            verdict(Invalid, "runs ", "ERROR"));
        row("runs inside text: text formed by deleting runs goes", S + "OterunsxtK,",
            verdict(Valid, {}, "OK"));
        row("one pass per word", S + "ERROR,reason:rurunsns tetextxt,",
            verdict(Invalid, "runs text ", "ERROR"));
        row("marker formed by cleaning", "playability\"}runsStatus:status:OK,",
            verdict(Valid, {}, "OK"));

        // Positions and searches.
        row("the marker's own Status is not the label", "playabilityStatus:OK,reason:x,",
            verdict(Unavailable));
        row("label ends the line: search beyond the end", S + "", verdict(Unavailable));
        row("marker ends the line", "xplayabilityStatus", verdict(Unavailable));
        row("empty status", S + ",reason:x,", verdict(Invalid, "x ", ""));
        row("status with blanks is not OK", S + " OK,reason:x,", verdict(Invalid, "x ", " OK"));
        row("reason label inside a subreason label", S + "ERROR,subreason:abc,x:1",
            verdict(Invalid, "abc ", "ERROR"));
        row("reason without a closing comma", S + "ERROR,reason:x",
            verdict(Unavailable, {}, "ERROR"));
        row("subreason without its end stays empty", S + "ERROR,reason:x,subreason:y,z",
            verdict(Invalid, "x ", "ERROR"));
        row("subreason before the reason comma is not seen",
            S + "ERROR,reason:x subreason:y,z,reason", verdict(Invalid, "x subreason:y ", "ERROR"));

        // Only blanks make a reason blank.
        row("reason of blanks", S + "ERROR,reason:   ,", verdict(Unavailable, {}, "ERROR"));
        row("reason and subreason of blanks and commas", S + "ERROR,reason:,subreason: ,,reason",
            verdict(Unavailable, {}, "ERROR"));
        row("a tab is a reason", S + "ERROR,reason:\t,", verdict(Invalid, "\t ", "ERROR"));
        row("subreason alone makes a reason", S + "ERROR,reason:,subreason:Private,reason",
            verdict(Invalid, " Private", "ERROR"));

        // Long lines decide as short ones.
        const QString filler(100'000, u'x');
        const QString commas = QStringLiteral("ab,").repeated(50'000);
        row("marker far into a line without commas",
            filler + "\"playabilityStatus\":{\"status\":\"OK\",", verdict(Valid, {}, "OK"));
        row("marker far into a line with commas",
            commas + "\"playabilityStatus\":{\"status\":\"OK\"," + commas,
            verdict(Valid, {}, "OK"));
        row("words and marker split by deleted characters everywhere",
            commas + "ru\"ns,play\"abilityte[xt\\Status:status:NO,re\"ru}ns\"ason:a," + commas,
            verdict(Invalid, "a ", "NO"));
        row("reason longer than a piece",
            commas + "playabilityStatus:status:NO,reason:" + filler + ",subreason:" + commas
                + "reason",
            verdict(Invalid, QString(MaxReasonLength - 1, u'x') + u'\u2026', "NO"));
        row("subreason pieces away", S + "NO,reason:a," + commas + "subreason:b,c,reason",
            verdict(Invalid, "a b c", "NO"));

        // A reason is kept to 1,000 characters, so no page can make one of megabytes.
        row("reason of 20 MiB", S + "ERROR,reason:" + QString(20 << 20, u'y') + ",",
            verdict(Invalid, QString(999, u'y') + u'\u2026', "ERROR"));
        row("reason of exactly the longest length", S + "ERROR,reason:" + QString(999, u'y') + ",",
            verdict(Invalid, QString(999, u'y') + u' ', "ERROR"));
        row("the cut never splits a surrogate pair",
            S + "ERROR,reason:" + QString(998, u'y') + u"\U0001F600zz,"_qs,
            verdict(Invalid, QString(998, u'y') + u'\u2026', "ERROR"));

        // The first line holding the marker decides alone.
        rows("empty list", QStringList {}, verdict(Unavailable));
        rows("one empty line", QStringList {""}, verdict(Unavailable));
        rows("no marker anywhere", QStringList {"status:OK,", "reason:x,"}, verdict(Unavailable));
        rows("lines before the marker are skipped",
             QStringList {"status:ERROR,reason:early,", "<html>", "playabilityStatus:status:OK,"},
             verdict(Valid, {}, "OK"));
        rows("an unavailable marker line still decides",
             QStringList {"playabilityStatus:status:OK", "playabilityStatus:status:OK,"},
             verdict(Unavailable));
        rows("labels on the next line are not read",
             QStringList {"playabilityStatus:", "status:OK,"}, verdict(Unavailable));
    }
    void decidesFromTheFirstMarkerLine()
    {
        QFETCH(QStringList, lines);
        QFETCH(PlayabilityVerdict, expected);
        QCOMPARE(readPlayabilityVerdict(lines), expected);
    }

    // A page's verdict from its bytes equals the verdict of its whole line list, whatever its
    // mark, breaks and shape, and wherever the decoding and cleaning pieces fall.
    void pageVerdictEqualsTheVerdictOfItsLines_data()
    {
        QTest::addColumn<QByteArray>("page");
        const QString ok = "\"playabilityStatus\":{\"status\":\"OK\",\"playableInEmbed\":true}";
        const QString error = "\"playabilityStatus\":{\"status\":\"ERROR\",\"reason\":\"Video "
                              "unavailable\",\"errorScreen\":{\"subreason\":{\"runs\":[{\"text\":"
                              "\"Gone, sorry\"}]},\"reason\":\"x\"}}";
        const QString filler = "<script>var a = {b: [1, 2, 3]};</script>";
        const QList<std::tuple<const char *, QByteArray, QStringConverter::Encoding>> marks
            = {{"no mark", QByteArray(), QStringConverter::Utf8},
               {"UTF-8", QByteArray("\xEF\xBB\xBF"), QStringConverter::Utf8},
               {"UTF-16LE", QByteArray("\xFF\xFE"), QStringConverter::Utf16LE},
               {"UTF-16BE", QByteArray("\xFE\xFF"), QStringConverter::Utf16BE},
               {"UTF-32LE", QByteArray("\xFF\xFE\0\0", 4), QStringConverter::Utf32LE},
               {"UTF-32BE", QByteArray("\0\0\xFE\xFF", 4), QStringConverter::Utf32BE}};
        const QList<QPair<const char *, QString>> texts = {
            {"marker on the first line", ok + "\nx\n"},
            {"marker on the last line", "a\nb\n" + error},
            {"marker on the last line, final break", "a\r\nb\r\n" + error + "\r\n"},
            {"no marker", filler + "\n" + filler},
            {"first marker line decides", "x playabilityStatus y\n" + ok},
            {"CR LF splits the status off", "\"playabilityStatus\":\r\n\"status\":\"OK\","},
            {"lone CR is text", "\"playabilityStatus\":\r\"status\":\"OK\","},
            {"CR before CR LF", ok.chopped(1) + "\r\r\n"},
            {"CR at the very end", "\"playabilityStatus\":{\"status\":\"OK\r"},
            {"empty lines", "\n\n\r\n" + error},
            {"second mark is text", u"\uFEFF"_qs + ok},
            {"huge line, marker at its start", ok + filler.repeated(80'000)},
            {"huge line, marker at its end", filler.repeated(80'000) + error},
            {"huge line without commas", QString(3'000'000, u'a') + ok},
            {"huge line, no marker", filler.repeated(80'000)},
            {"words cut by cleaning across lines", "playabilityStat\nus:status:OK,"},
            {"empty", ""},
        };
        for (const auto &[markName, mark, encoding] : marks) {
            for (const auto &[textName, text] : texts)
                QTest::newRow(
                    qPrintable(u"%1 / %2"_qs.arg(QLatin1String(textName), QLatin1String(markName))))
                    << mark + QStringEncoder(encoding).encode(text);
        }
        // The marker, its words and deletions of the cleaning at every place around where the
        // decoding (64 KiB) and cleaning (32 K characters) pieces end.
        for (const qsizetype at : {(1 << 15) - 40, (1 << 15) - 7, (1 << 16) - 40, (1 << 16) - 9,
                                   (1 << 16) - 1, 1 << 16, (1 << 17) + 3}) {
            for (int shift = 0; shift < 24; shift += 3) {
                const QByteArray before(at + shift, 'a');
                QTest::newRow(qPrintable(u"marker at %1"_qs.arg(at + shift)))
                    << before + ok.toUtf8();
                QTest::newRow(qPrintable(u"cleaned marker at %1"_qs.arg(at + shift)))
                    << before + "pla\"y{a}bili[]trunsy\\Statexttus:status:OK,x";
                QTest::newRow(qPrintable(u"CR LF at %1"_qs.arg(at + shift)))
                    << before + "\r\nplayabilityStatus:\r\nstatus:OK,";
            }
        }
        // Malformed and cut-off text.
        QTest::newRow("stray bytes") << QByteArray("\xC0playabilityStatus:status:\xFF,");
        QTest::newRow("UTF-16 cut-off last byte")
            << QByteArray("\xFF\xFE") + QStringEncoder(QStringConverter::Utf16LE).encode(ok) + "x";
        QTest::newRow("UTF-16 mark and one byte") << QByteArray("\xFF\xFEx");
    }
    void pageVerdictEqualsTheVerdictOfItsLines()
    {
        QFETCH(QByteArray, page);
        QCOMPARE(verdictOfPage(page), readPlayabilityVerdict(TextReader::linesOfBytes(page)));
    }

    // Cleaning is done in one pass for speed; it must equal the deletions done one after the
    // other. Random texts built from pieces of the two words and the deleted punctuation hit
    // the ways deletions can bring letters together.
    void cleaningEqualsTheDeletionsInTurn()
    {
        const QStringList pieces = {"runs", "text", "r",   "u",   "n",  "s",  "t", "e", "x", "ru",
                                    "run",  "te",   "tex", "ext", "\"", "\\", "{", "]", "T"};
        QRandomGenerator random(20210831);
        for (int i = 0; i < 20000; ++i) {
            QString raw;
            const int count = random.bounded(1, 9);
            for (int k = 0; k < count; ++k)
                raw += pieces[random.bounded(pieces.size())];
            QString cleaned = raw;
            for (const char *deleted : {"\"", "{", "}", "[", "]", "\\", "runs", "text"})
                cleaned.remove(QLatin1String(deleted));

            const QString line = "playabilityStatus:status:ERROR,reason:" + raw + ",";
            const PlayabilityVerdict expected = cleaned.isEmpty()
                ? verdict(Kind::Unavailable, {}, "ERROR")
                : verdict(Kind::Invalid, cleaned + ' ', "ERROR");
            QVERIFY2(readPlayabilityVerdict({line}) == expected, qPrintable(raw));
            QVERIFY2(verdictOfPage(line.toUtf8()) == expected, qPrintable(raw));
        }
    }
};

QTEST_GUILESS_MAIN(PlayabilityVerdictTest)
#include "tst_PlayabilityVerdict.moc"
