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
void row(const char *name, const QStringList &lines, const PlayabilityVerdict &expected)
{
    QTest::newRow(name) << lines << expected;
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

        // Lines as they stand after cleaning.
        row("OK status", QStringList {"playabilityStatus:status:OK,playableInEmbed:true"},
            verdict(Kind::Valid, {}, "OK"));
        row("no comma after the status", QStringList {"playabilityStatus:status:OK"},
            verdict(Kind::Unavailable));
        row("reason without subreason ends in a blank",
            QStringList {"playabilityStatus:status:LOGIN_REQUIRED,reason:Sign in,messages:x"},
            verdict(Kind::Invalid, "Sign in ", "LOGIN_REQUIRED"));
        row("subreason joins the reason, its commas become blanks",
            QStringList {
                "playabilityStatus:status:ERROR,reason:Video unavailable,errorScreen:"
                "playerErrorMessageRenderer:subreason:::This video is private, sorry,reason:"
                "simpleText:Video unavailable"},
            verdict(Kind::Invalid, "Video unavailable ::This video is private  sorry", "ERROR"));
        row("blank reason without subreason",
            QStringList {"playabilityStatus:status:ERROR,reason:,x:1"},
            verdict(Kind::Unavailable, {}, "ERROR"));
        row("no reason label", QStringList {"playabilityStatus:status:ERROR,messages:x"},
            verdict(Kind::Unavailable, {}, "ERROR"));

        // The page form of the subreason row, before cleaning.
        row("quoted and braced status object",
            QStringList {
                "\"playabilityStatus\":{\"status\":\"ERROR\",\"reason\":\"Video unavailable\","
                "\"errorScreen\":{\"playerErrorMessageRenderer\":{\"subreason\":{\"runs\":[{"
                "\"text\":"
                "\"This video is private, sorry\"}]},\"reason\":{\"simpleText\":\"Video "
                "unavailable\"}}}}"},
            verdict(Kind::Invalid, "Video unavailable ::This video is private  sorry", "ERROR"));
        row("escaped quotes are deleted too",
            QStringList {
                "\\\"playabilityStatus\\\":{\\\"status\\\":\\\"UNPLAYABLE\\\",\\\"reason\\\":"
                "\\\"Not here\\\","},
            verdict(Kind::Invalid, "Not here ", "UNPLAYABLE"));

        // Letter case: labels in any case, deletions and the OK test exact.
        row("marker and labels in any case",
            QStringList {"PLAYABILITYSTATUS:Status:ERROR,REASON:Gone,SubReason:a,b,ReAsOn"},
            verdict(Kind::Invalid, "Gone a b", "ERROR"));
        row("lower-case ok is not OK", QStringList {"playabilityStatus:status:ok,reason:odd,"},
            verdict(Kind::Invalid, "odd ", "ok"));
        row("capitalised words stay",
            QStringList {"playabilityStatus:status:ERROR,reason:Runs Text,"},
            verdict(Kind::Invalid, "Runs Text ", "ERROR"));
        row("only ASCII letters fold in the marker",
            QStringList {u"playabilityStatu\u017F:status:OK,"_qs}, verdict(Kind::Unavailable));
        row("only ASCII letters fold in a label",
            QStringList {u"playabilityStatus:\u017Ftatus:OK,"_qs}, verdict(Kind::Unavailable));

        // Cleaning order.
        row("deleted punctuation brings a word together",
            QStringList {"playabilityStatus:status:O\"runs\"K,"}, verdict(Kind::Valid, {}, "OK"));
        row("text inside runs: the runs formed later stays",
            QStringList {"playabilityStatus:status:ERROR,reason:rutextns,"},
            verdict(Kind::Invalid, "runs ", "ERROR"));
        row("runs inside text: text formed by deleting runs goes",
            QStringList {"playabilityStatus:status:OterunsxtK,"}, verdict(Kind::Valid, {}, "OK"));
        row("one pass per word",
            QStringList {"playabilityStatus:status:ERROR,reason:rurunsns tetextxt,"},
            verdict(Kind::Invalid, "runs text ", "ERROR"));
        row("marker formed by cleaning", QStringList {"playability\"}runsStatus:status:OK,"},
            verdict(Kind::Valid, {}, "OK"));

        // Positions and searches.
        row("the marker's own Status is not the label",
            QStringList {"playabilityStatus:OK,reason:x,"}, verdict(Kind::Unavailable));
        row("label ends the line: search beyond the end", QStringList {"playabilityStatus:status:"},
            verdict(Kind::Unavailable));
        row("marker ends the line", QStringList {"xplayabilityStatus"}, verdict(Kind::Unavailable));
        row("empty status", QStringList {"playabilityStatus:status:,reason:x,"},
            verdict(Kind::Invalid, "x ", ""));
        row("status with blanks is not OK", QStringList {"playabilityStatus:status: OK,reason:x,"},
            verdict(Kind::Invalid, "x ", " OK"));
        row("reason label inside a subreason label",
            QStringList {"playabilityStatus:status:ERROR,subreason:abc,x:1"},
            verdict(Kind::Invalid, "abc ", "ERROR"));
        row("reason without a closing comma",
            QStringList {"playabilityStatus:status:ERROR,reason:x"},
            verdict(Kind::Unavailable, {}, "ERROR"));
        row("subreason without its end stays empty",
            QStringList {"playabilityStatus:status:ERROR,reason:x,subreason:y,z"},
            verdict(Kind::Invalid, "x ", "ERROR"));
        row("subreason before the reason comma is not seen",
            QStringList {"playabilityStatus:status:ERROR,reason:x subreason:y,z,reason"},
            verdict(Kind::Invalid, "x subreason:y ", "ERROR"));

        // Only blanks make a reason blank.
        row("reason of blanks", QStringList {"playabilityStatus:status:ERROR,reason:   ,"},
            verdict(Kind::Unavailable, {}, "ERROR"));
        row("reason and subreason of blanks and commas",
            QStringList {"playabilityStatus:status:ERROR,reason:,subreason: ,,reason"},
            verdict(Kind::Unavailable, {}, "ERROR"));
        row("a tab is a reason", QStringList {"playabilityStatus:status:ERROR,reason:\t,"},
            verdict(Kind::Invalid, "\t ", "ERROR"));
        row("subreason alone makes a reason",
            QStringList {"playabilityStatus:status:ERROR,reason:,subreason:Private,reason"},
            verdict(Kind::Invalid, " Private", "ERROR"));

        // Long lines decide as short ones.
        const QString filler(100'000, u'x');
        const QString commas = QStringLiteral("ab,").repeated(50'000);
        row("marker far into a line without commas",
            QStringList {filler + "\"playabilityStatus\":{\"status\":\"OK\","},
            verdict(Kind::Valid, {}, "OK"));
        row("marker far into a line with commas",
            QStringList {commas + "\"playabilityStatus\":{\"status\":\"OK\"," + commas},
            verdict(Kind::Valid, {}, "OK"));
        row("words and marker split by deleted characters everywhere",
            QStringList {commas + "ru\"ns,play\"abilityte[xt\\Status:status:NO,re\"ru}ns\"ason:a,"
                         + commas},
            verdict(Kind::Invalid, "a ", "NO"));
        row("reason longer than a piece",
            QStringList {commas + "playabilityStatus:status:NO,reason:" + filler
                         + ",subreason:" + commas + "reason"},
            verdict(Kind::Invalid, filler + ' ' + QStringLiteral("ab ").repeated(50'000).chopped(1),
                    "NO"));

        // The first line holding the marker decides alone.
        row("empty list", QStringList {}, verdict(Kind::Unavailable));
        row("one empty line", QStringList {""}, verdict(Kind::Unavailable));
        row("no marker anywhere", QStringList {"status:OK,", "reason:x,"},
            verdict(Kind::Unavailable));
        row("lines before the marker are skipped",
            QStringList {"status:ERROR,reason:early,", "<html>", "playabilityStatus:status:OK,"},
            verdict(Kind::Valid, {}, "OK"));
        row("an unavailable marker line still decides",
            QStringList {"playabilityStatus:status:OK", "playabilityStatus:status:OK,"},
            verdict(Kind::Unavailable));
        row("labels on the next line are not read",
            QStringList {"playabilityStatus:", "status:OK,"}, verdict(Kind::Unavailable));
    }
    void decidesFromTheFirstMarkerLine()
    {
        QFETCH(QStringList, lines);
        QFETCH(PlayabilityVerdict, expected);
        QCOMPARE(ReadPlayabilityVerdict(lines), expected);
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
};

QTEST_GUILESS_MAIN(PlayabilityVerdictTest)
#include "tst_PlayabilityVerdict.moc"
