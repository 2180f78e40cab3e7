// The --normalize rule: every spelling of a video link that is rewritten, the near misses that
// are not, and the line rules around them (blanks, comments, repeats).
#include "core/LinkNormalizer.h"

#include <QtTest>

namespace {
const QString Id = u"dQw4w9WgXcQ"_qs;
const QString Watch = u"https://www.youtube.com/watch?v="_qs + Id;

void linkRow(const char *name, const QString &text, const QString &canonical)
{
    QTest::newRow(name) << text << canonical;
}
} // namespace

class LinkNormalizerTest : public QObject
{
    Q_OBJECT

private slots:
    void rewritesEverySpellingOfAVideoLink_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("canonical"); // empty: not a video link
        linkRow("canonical stays", Watch, Watch);
        linkRow("youtu.be", "https://youtu.be/" + Id, Watch);
        linkRow("youtu.be without scheme", "youtu.be/" + Id, Watch);
        linkRow("youtu.be ?si=", "https://youtu.be/" + Id + "?si=AbC_12-x", Watch);
        linkRow("youtu.be ?t= and &si=", "youtu.be/" + Id + "?t=30&si=x", Watch);
        linkRow("http", "http://www.youtube.com/watch?v=" + Id, Watch);
        linkRow("no scheme", "www.youtube.com/watch?v=" + Id, Watch);
        linkRow("no www", "https://youtube.com/watch?v=" + Id, Watch);
        linkRow("m.", "https://m.youtube.com/watch?v=" + Id, Watch);
        linkRow("music.", "https://music.youtube.com/watch?v=" + Id + "&list=RDAMVM" + Id, Watch);
        linkRow("scheme and host in capitals", "HTTPS://WWW.YouTube.COM/watch?v=" + Id, Watch);
        linkRow("protocol-relative", "//www.youtube.com/watch?v=" + Id, Watch);
        linkRow("v not first", "https://www.youtube.com/watch?feature=share&v=" + Id, Watch);
        linkRow("&t= after v", Watch + "&t=30s", Watch);
        linkRow("&list= and &index=", Watch + "&list=PLx-1_y&index=3", Watch);
        linkRow("fragment", Watch + "#t=1m2s", Watch);
        linkRow("shorts", "https://www.youtube.com/shorts/" + Id, Watch);
        linkRow("embed", "https://www.youtube.com/embed/" + Id + "?autoplay=1", Watch);
        linkRow("v/", "http://youtube.com/v/" + Id, Watch);
        linkRow("live", "https://www.youtube.com/live/" + Id + "?si=z", Watch);
        linkRow("trailing slash", "https://www.youtube.com/shorts/" + Id + "/", Watch);
        linkRow("nocookie embed", "https://www.youtube-nocookie.com/embed/" + Id, Watch);
        linkRow("nocookie without www", "youtube-nocookie.com/embed/" + Id + "?start=5", Watch);
        linkRow("bare id", Id, Watch);
        linkRow("id with _ and -", "a_b-c_d-e_f", "https://www.youtube.com/watch?v=a_b-c_d-e_f");

        linkRow("id one short", "https://youtu.be/" + Id.chopped(1), "");
        linkRow("id one long", "https://youtu.be/" + Id + "x", "");
        linkRow("id with a dot", "https://youtu.be/dQw4w9WgX.Q", "");
        linkRow("v one long", Watch + "x", "");
        linkRow("v as part of another name", "https://www.youtube.com/watch?xv=" + Id, "");
        linkRow("watch without v", "https://www.youtube.com/watch?list=PLx", "");
        linkRow("path in capitals", "https://www.youtube.com/Watch?v=" + Id, "");
        linkRow("other host", "https://example.com/watch?v=" + Id, "");
        linkRow("look-alike host", "https://notyoutube.com/watch?v=" + Id, "");
        linkRow("youtube host as a subdomain", "https://youtube.com.evil.example/watch?v=" + Id,
                "");
        linkRow("nocookie only embeds", "https://www.youtube-nocookie.com/watch?v=" + Id, "");
        linkRow("channel", "https://www.youtube.com/@SomeChannel", "");
        linkRow("playlist", "https://www.youtube.com/playlist?list=PL" + Id, "");
        linkRow("id in a sentence", "watch " + Id, "");
        linkRow("link followed by a remark", Watch + " great", "");
        linkRow("link with a parameter followed by a remark", Watch + "&t=3 great", "");
    }
    void rewritesEverySpellingOfAVideoLink()
    {
        QFETCH(QString, text);
        QFETCH(QString, canonical);
        const std::optional<QString> found = LinkNormalizer::canonicalVideoLink(text);
        QCOMPARE(found.value_or(QString()), canonical);
    }

    void turnsFileLinesIntoLinks_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("links");
        QTest::newRow("blanks and tabs around a line are trimmed")
            << QStringList {" \t youtu.be/" + Id + "\t ", "  https://example.com/a  "}
            << QStringList {Watch, "https://example.com/a"};
        QTest::newRow("empty, blank and comment lines are skipped")
            << QStringList {"", "   ", "\t", "# youtu.be/" + Id, "  # indented comment", Id}
            << QStringList {Watch};
        QTest::newRow("a # inside a line is no comment")
            << QStringList {Watch + "#t=3"} << QStringList {Watch};
        QTest::newRow("repeats after rewriting are dropped, first place kept")
            << QStringList {"https://example.com/x",
                            "youtu.be/" + Id,
                            "https://example.com/x",
                            Watch + "&t=4",
                            Id,
                            "https://youtube.com/shorts/" + Id}
            << QStringList {"https://example.com/x", Watch};
        QTest::newRow("links that are not video links stay, in order")
            << QStringList {"b", "https://www.youtube.com/@x", "a"}
            << QStringList {"b", "https://www.youtube.com/@x", "a"};
        QTest::newRow("other white space is not trimmed")
            << QStringList {u"\u00A0"_qs + Id} << QStringList {u"\u00A0"_qs + Id};
        QTest::newRow("nothing") << QStringList {} << QStringList {};
    }
    void turnsFileLinesIntoLinks()
    {
        QFETCH(QStringList, lines);
        QFETCH(QStringList, links);
        QCOMPARE(LinkNormalizer::normalizeLines(lines), links);
    }
};

QTEST_GUILESS_MAIN(LinkNormalizerTest)
#include "tst_LinkNormalizer.moc"
