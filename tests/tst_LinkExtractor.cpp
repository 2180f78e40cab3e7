// The --extract rule on the kinds of files links are found in: where a link counts, where a bare
// id counts, and the FILE:LINE of each link's first occurrence.
#include "core/LinkExtractor.h"

#include <QtTest>

namespace {
QString watch(const QString &id)
{
    return u"https://www.youtube.com/watch?v="_qs + id;
}
} // namespace

class LinkExtractorTest : public QObject
{
    Q_OBJECT

private slots:
    void findsLinksWhereverTheyStand_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("found"); // "ID:LINE ID:LINE ..." in the order found

        QTest::newRow("HTML page")
            << u"page.html"_qs
            << u"<!DOCTYPE html>\n"
               "<a href=\"https://www.youtube.com/watch?v=AAAAAAAAAAA&amp;t=3\">"
               "first</a> <a href='//youtu.be/BBBBBBBBBBB'>b</a>\n"
               "<iframe src=\"https://www.youtube-nocookie.com/embed/CCCCCCCCCCC"
               "?rel=0\"></iframe>\n"
               "<p>Also https://m.youtube.com/watch?feature=x&amp;v=DDDDDDDDDDD."
               "</p><a href=\"https://youtu.be/AAAAAAAAAAA\">again</a>\n"_qs
            << u"AAAAAAAAAAA:2 BBBBBBBBBBB:2 CCCCCCCCCCC:3 DDDDDDDDDDD:4"_qs;
        QTest::newRow("Markdown notes")
            << u"notes.md"_qs
            << u"# Talks\n"
               "- [Keynote](https://youtu.be/EEEEEEEEEEE?si=xy) and "
               "**youtube.com/shorts/F_F-FFFFFFF**\n"
               "- <https://www.youtube.com/live/GGGGGGGGGGG>, see (https://youtu.be/HHHHHHHHHHH).\n"
               "`www.youtube.com/embed/IIIIIIIIIII`\n"_qs
            << u"EEEEEEEEEEE:2 F_F-FFFFFFF:2 GGGGGGGGGGG:3 HHHHHHHHHHH:3 IIIIIIIIIII:4"_qs;
        QTest::newRow("playlist export in CSV")
            << u"playlist.csv"_qs
            << u"Video ID,Time Added\n"
               "JJJJJJJJJJJ,2023-04-01 10:00:00 UTC\n"
               "  \"KKKKKKKKKKK\" ,2023-04-02 10:00:00 UTC\n"
               "JJJJJJJJJJJ,2023-04-03 10:00:00 UTC\n"
               "not-an-id,2023-04-04\n"
               "LLLLLLLLLLL,see https://youtu.be/MMMMMMMMMMM\n"_qs
            << u"JJJJJJJJJJJ:2 KKKKKKKKKKK:3 LLLLLLLLLLL:6 MMMMMMMMMMM:6"_qs;
        QTest::newRow("a word alone is no id, even one shaped like one")
            << u"words.txt"_qs << u"Description\nInformation\n\t NNNNNNNNNNN \n"_qs << QString();
        QTest::newRow("ids in v= and id fields")
            << u"fields.txt"_qs
            << u"v=AAAAAAAAAAA and /watch?v=BBBBBBBBBBB, &v=CCCCCCCCCCC\n"
               "{\"videoId\": \"DDDDDDDDDDD\", \"id\":\"EEEEEEEEEEE\"}\n"
               "id: FFFFFFFFFFF\n<div data-video-id=\"GGGGGGGGGGG\" id=\"description\">\n"
               "valid: Information, https://example.com/watch?v=HHHHHHHHHHH\n"_qs
            << u"AAAAAAAAAAA:1 BBBBBBBBBBB:1 CCCCCCCCCCC:1 DDDDDDDDDDD:2 EEEEEEEEEEE:2 "
               "FFFFFFFFFFF:3 GGGGGGGGGGG:4"_qs;
        QTest::newRow("character references")
            << u"blog.html"_qs
            << u"<a href=\"https://www.youtube.com/watch?feature=share&#038;v=AAAAAAAAAAA\">\n"
               "&lt;https://youtu.be/BBBBBBBBBBB&gt; &ldquo;youtu.be/CCCCCCCCCCC&rdquo;\n"
               "youtu.be/DDDDDDDDDDD&hellip; youtu.be/EEEEEEEEEEE&nbsp;and "
               "youtu.be/FFFFFFFFFFF&mdash;or\n"
               "youtube.com/watch?feature=x&#x26;v=GGGGGGGGGGG "
               "m.youtube.com/watch?x=1&#38v=HHHHHHHHHHH "
               "youtube.com&sol;watch&quest;v&equals;IIIIIIIIIII\n"
               "&lt;a href=&quot;https://youtube.com/watch?feature=rss&amp;amp;v=JJJJJJJJJJJ"
               "&quot;&gt;\n"_qs
            << u"AAAAAAAAAAA:1 BBBBBBBBBBB:2 CCCCCCCCCCC:2 DDDDDDDDDDD:3 EEEEEEEEEEE:3 "
               "FFFFFFFFFFF:3 GGGGGGGGGGG:4 HHHHHHHHHHH:4 IIIIIIIIIII:4 JJJJJJJJJJJ:5"_qs;
        QTest::newRow("CR-only line ends count as lines")
            << u"mac.txt"_qs
            << u"first\ryoutu.be/AAAAAAAAAAA\r\rsee youtu.be/BBBBBBBBBBB\n"
               "youtu.be/CCCCCCCCCCC\n"_qs
            << u"AAAAAAAAAAA:2 BBBBBBBBBBB:4 CCCCCCCCCCC:5"_qs;
        QTest::newRow("CSV tables: the id column by its header, up to a blank line")
            << u"takeout.csv"_qs
            << u"Playlist ID,Channel ID,Title\n"
               "PLAAAAAAAAA,UCAAAAAAAAA,Mine\n"
               "\n"
               "Time Added,\"Video Id\"\n"
               "2023-04-01,KKKKKKKKKKK\n"
               "\n"
               "Word,Meaning\n"
               "LLLLLLLLLLL,x\n"_qs
            << u"KKKKKKKKKKK:5"_qs;
        QTest::newRow("prose yields no ids")
            << u"essay.txt"_qs
            << u"Programming experiences were interesting, pleasurable, worthwhile.\n"
               "Description,Category\n"
               "programming,interesting\n"_qs
            << QString();
        QTest::newRow("a CSV header whose first cell has no id")
            << u"words.csv"_qs << u"Word,Meaning\nPPPPPPPPPPP,a word\n"_qs << QString();
        QTest::newRow("the header row itself is no id")
            << u"odd.csv"_qs << u"IDIDIDIDIDI,x\n"_qs << QString();
        QTest::newRow("look-alikes and other pages are no video links")
            << u"misc.txt"_qs
            << u"https://notyoutube.com/watch?v=QQQQQQQQQQQ "
               "https://example.com/youtube.com/watch?v=RRRRRRRRRRR "
               "https://www.youtube.com/@channel https://youtu.be/SSSSSSSSSSSS\n"_qs
            << QString();
    }
    void findsLinksWhereverTheyStand()
    {
        QFETCH(QString, fileName);
        QFETCH(QString, text);
        QFETCH(QString, found);
        QStringList lines = text.split(u'\n');
        lines.removeLast();
        LinkExtractor extractor;
        extractor.addFile(fileName, lines);
        QList<ExtractedLink> expected;
        for (const QString &item : found.split(u' ', Qt::SkipEmptyParts))
            expected.append(
                {watch(item.section(u':', 0, 0)), fileName + u':' + item.section(u':', 1)});
        QCOMPARE(extractor.links(), expected);
    }

    void keepsTheFirstOccurrenceAcrossFiles()
    {
        LinkExtractor extractor;
        extractor.addFile(u"a.txt"_qs, {u"x"_qs, u"youtu.be/TTTTTTTTTTT"_qs});
        extractor.addFile(u"b.txt"_qs, {u"v=UUUUUUUUUUU"_qs, watch("TTTTTTTTTTT")});
        const QList<ExtractedLink> expected {{watch("TTTTTTTTTTT"), "a.txt:2"},
                                             {watch("UUUUUUUUUUU"), "b.txt:1"}};
        QCOMPARE(extractor.links(), expected);
    }
};

QTEST_GUILESS_MAIN(LinkExtractorTest)
#include "tst_LinkExtractor.moc"
