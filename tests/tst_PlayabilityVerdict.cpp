// The verdict of a fetched watch page: which line decides, how it is cleaned, and how the
// status, reason and subreason are cut out of it.
#include "check/PlayabilityVerdict.h"

#include <QRandomGenerator>
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
    void decidesFromTheMarkerLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<PlayabilityVerdict>("expected");

        // Lines as they stand after cleaning.
        QTest::newRow("OK status")
            << "playabilityStatus:status:OK,playableInEmbed:true" << verdict(Kind::Valid, {}, "OK");
        QTest::newRow("no comma after the status")
            << "playabilityStatus:status:OK" << verdict(Kind::Unavailable);
        QTest::newRow("reason without subreason ends in a blank")
            << "playabilityStatus:status:LOGIN_REQUIRED,reason:Sign in,messages:x"
            << verdict(Kind::Invalid, "Sign in ", "LOGIN_REQUIRED");
        QTest::newRow("subreason joins the reason, its commas become blanks")
            << "playabilityStatus:status:ERROR,reason:Video unavailable,errorScreen:"
               "playerErrorMessageRenderer:subreason:::This video is private, sorry,reason:"
               "simpleText:Video unavailable"
            << verdict(Kind::Invalid, "Video unavailable ::This video is private  sorry", "ERROR");
        QTest::newRow("blank reason without subreason")
            << "playabilityStatus:status:ERROR,reason:,x:1"
            << verdict(Kind::Unavailable, {}, "ERROR");
        QTest::newRow("no reason label") << "playabilityStatus:status:ERROR,messages:x"
                                         << verdict(Kind::Unavailable, {}, "ERROR");

        // The page form of the subreason row, before cleaning.
        QTest::newRow("quoted and braced status object")
            << "\"playabilityStatus\":{\"status\":\"ERROR\",\"reason\":\"Video unavailable\","
               "\"errorScreen\":{\"playerErrorMessageRenderer\":{\"subreason\":{\"runs\":[{"
               "\"text\":"
               "\"This video is private, sorry\"}]},\"reason\":{\"simpleText\":\"Video "
               "unavailable\"}}}}"
            << verdict(Kind::Invalid, "Video unavailable ::This video is private  sorry", "ERROR");
        QTest::newRow("escaped quotes are deleted too")
            << "\\\"playabilityStatus\\\":{\\\"status\\\":\\\"UNPLAYABLE\\\",\\\"reason\\\":"
               "\\\"Not here\\\","
            << verdict(Kind::Invalid, "Not here ", "UNPLAYABLE");

        // Letter case: labels in any case, deletions and the OK test exact.
        QTest::newRow("marker and labels in any case")
            << "PLAYABILITYSTATUS:Status:ERROR,REASON:Gone,SubReason:a,b,ReAsOn"
            << verdict(Kind::Invalid, "Gone a b", "ERROR");
        QTest::newRow("lower-case ok is not OK")
            << "playabilityStatus:status:ok,reason:odd," << verdict(Kind::Invalid, "odd ", "ok");
        QTest::newRow("capitalised words stay")
            << "playabilityStatus:status:ERROR,reason:Runs Text,"
            << verdict(Kind::Invalid, "Runs Text ", "ERROR");
        QTest::newRow("only ASCII letters fold in the marker")
            << u"playabilityStatu\u017F:status:OK,"_qs << verdict(Kind::Unavailable);
        QTest::newRow("only ASCII letters fold in a label")
            << u"playabilityStatus:\u017Ftatus:OK,"_qs << verdict(Kind::Unavailable);

        // Cleaning order.
        QTest::newRow("deleted punctuation brings a word together")
            << "playabilityStatus:status:O\"runs\"K," << verdict(Kind::Valid, {}, "OK");
        QTest::newRow("text inside runs: the runs formed later stays")
            << "playabilityStatus:status:ERROR,reason:rutextns,"
            << verdict(Kind::Invalid, "runs ", "ERROR");
        QTest::newRow("runs inside text: text formed by deleting runs goes")
            << "playabilityStatus:status:OterunsxtK," << verdict(Kind::Valid, {}, "OK");
        QTest::newRow("one pass per word")
            << "playabilityStatus:status:ERROR,reason:rurunsns tetextxt,"
            << verdict(Kind::Invalid, "runs text ", "ERROR");
        QTest::newRow("marker formed by cleaning")
            << "playability\"}runsStatus:status:OK," << verdict(Kind::Valid, {}, "OK");

        // Positions and searches.
        QTest::newRow("the marker's own Status is not the label")
            << "playabilityStatus:OK,reason:x," << verdict(Kind::Unavailable);
        QTest::newRow("label ends the line: search beyond the end")
            << "playabilityStatus:status:" << verdict(Kind::Unavailable);
        QTest::newRow("marker ends the line") << "xplayabilityStatus" << verdict(Kind::Unavailable);
        QTest::newRow("empty status")
            << "playabilityStatus:status:,reason:x," << verdict(Kind::Invalid, "x ", "");
        QTest::newRow("status with blanks is not OK")
            << "playabilityStatus:status: OK,reason:x," << verdict(Kind::Invalid, "x ", " OK");
        QTest::newRow("reason label inside a subreason label")
            << "playabilityStatus:status:ERROR,subreason:abc,x:1"
            << verdict(Kind::Invalid, "abc ", "ERROR");
        QTest::newRow("reason without a closing comma")
            << "playabilityStatus:status:ERROR,reason:x" << verdict(Kind::Unavailable, {}, "ERROR");
        QTest::newRow("subreason without its end stays empty")
            << "playabilityStatus:status:ERROR,reason:x,subreason:y,z"
            << verdict(Kind::Invalid, "x ", "ERROR");
        QTest::newRow("subreason before the reason comma is not seen")
            << "playabilityStatus:status:ERROR,reason:x subreason:y,z,reason"
            << verdict(Kind::Invalid, "x subreason:y ", "ERROR");

        // Only blanks make a reason blank.
        QTest::newRow("reason of blanks") << "playabilityStatus:status:ERROR,reason:   ,"
                                          << verdict(Kind::Unavailable, {}, "ERROR");
        QTest::newRow("reason and subreason of blanks and commas")
            << "playabilityStatus:status:ERROR,reason:,subreason: ,,reason"
            << verdict(Kind::Unavailable, {}, "ERROR");
        QTest::newRow("a tab is a reason") << "playabilityStatus:status:ERROR,reason:\t,"
                                           << verdict(Kind::Invalid, "\t ", "ERROR");
        QTest::newRow("subreason alone makes a reason")
            << "playabilityStatus:status:ERROR,reason:,subreason:Private,reason"
            << verdict(Kind::Invalid, " Private", "ERROR");
    }
    void decidesFromTheMarkerLine()
    {
        QFETCH(QString, line);
        QFETCH(PlayabilityVerdict, expected);
        QCOMPARE(ReadPlayabilityVerdict({line}), expected);
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
            QVERIFY2(ReadPlayabilityVerdict({line}) == expected, qPrintable(raw));
        }
    }

    void longLinesDecideAsShortOnes_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<PlayabilityVerdict>("expected");

        const QString filler(100'000, u'x');
        const QString commas = QStringLiteral("ab,").repeated(50'000);
        QTest::newRow("marker far into a line without commas") << filler
                + "\"playabilityStatus\":{\"status\":\"OK\"," << verdict(Kind::Valid, {}, "OK");
        QTest::newRow("marker far into a line with commas")
            << commas + "\"playabilityStatus\":{\"status\":\"OK\"," + commas
            << verdict(Kind::Valid, {}, "OK");
        QTest::newRow("words and marker split by deleted characters everywhere")
            << commas + "ru\"ns,play\"abilityte[xt\\Status:status:NO,re\"ru}ns\"ason:a," + commas
            << verdict(Kind::Invalid, "a ", "NO");
        QTest::newRow("reason longer than a piece")
            << commas + "playabilityStatus:status:NO,reason:" + filler + ",subreason:" + commas
                + "reason"
            << verdict(Kind::Invalid,
                       filler + ' ' + QStringLiteral("ab ").repeated(50'000).chopped(1), "NO");
    }
    void longLinesDecideAsShortOnes()
    {
        QFETCH(QString, line);
        QFETCH(PlayabilityVerdict, expected);
        QVERIFY(ReadPlayabilityVerdict({line}) == expected);
    }

    void firstMarkerLineDecidesAlone_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<PlayabilityVerdict>("expected");

        QTest::newRow("empty list") << QStringList {} << verdict(Kind::Unavailable);
        QTest::newRow("one empty line") << QStringList {""} << verdict(Kind::Unavailable);
        QTest::newRow("no marker anywhere")
            << QStringList {"status:OK,", "reason:x,"} << verdict(Kind::Unavailable);
        QTest::newRow("lines before the marker are skipped")
            << QStringList {"status:ERROR,reason:early,", "<html>", "playabilityStatus:status:OK,"}
            << verdict(Kind::Valid, {}, "OK");
        QTest::newRow("an unavailable marker line still decides")
            << QStringList {"playabilityStatus:status:OK", "playabilityStatus:status:OK,"}
            << verdict(Kind::Unavailable);
        QTest::newRow("labels on the next line are not read")
            << QStringList {"playabilityStatus:", "status:OK,"} << verdict(Kind::Unavailable);
    }
    void firstMarkerLineDecidesAlone()
    {
        QFETCH(QStringList, lines);
        QFETCH(PlayabilityVerdict, expected);
        QCOMPARE(ReadPlayabilityVerdict(lines), expected);
    }
};

QTEST_GUILESS_MAIN(PlayabilityVerdictTest)
#include "tst_PlayabilityVerdict.moc"
