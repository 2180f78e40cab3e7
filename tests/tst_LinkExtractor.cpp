// The --extract rule on the kinds of files links are found in: where a link counts, where a bare
// id counts, and the FILE:LINE of each link's first occurrence.
#include "core/LinkExtractor.h"

#include <QtTest>

namespace {
QString watch(const char *id)
{
    return u"https://www.youtube.com/watch?v="_qs + QLatin1String(id);
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
        QTest::addColumn<QList<ExtractedLink>>("links");

        QTest::newRow("HTML page")
            << u"page.html"_qs
            << u"<!DOCTYPE html>\n"
               "<a href=\"https://www.youtube.com/watch?v=AAAAAAAAAAA&amp;t=3\">"
               "first</a> <a href='//youtu.be/BBBBBBBBBBB'>b</a>\n"
               "<iframe src=\"https://www.youtube-nocookie.com/embed/CCCCCCCCCCC"
               "?rel=0\"></iframe>\n"
               "<p>Also https://m.youtube.com/watch?feature=x&amp;v=DDDDDDDDDDD."
               "</p><a href=\"https://youtu.be/AAAAAAAAAAA\">again</a>\n"_qs
            << QList<ExtractedLink> {{watch("AAAAAAAAAAA"), "page.html:2"},
                                     {watch("BBBBBBBBBBB"), "page.html:2"},
                                     {watch("CCCCCCCCCCC"), "page.html:3"},
                                     {watch("DDDDDDDDDDD"), "page.html:4"}};
        QTest::newRow("Markdown notes")
            << u"notes.md"_qs
            << u"# Talks\n"
               "- [Keynote](https://youtu.be/EEEEEEEEEEE?si=xy) and "
               "**youtube.com/shorts/F_F-FFFFFFF**\n"
               "- <https://www.youtube.com/live/GGGGGGGGGGG>, see (https://youtu.be/HHHHHHHHHHH).\n"
               "`www.youtube.com/embed/IIIIIIIIIII`\n"_qs
            << QList<ExtractedLink> {{watch("EEEEEEEEEEE"), "notes.md:2"},
                                     {watch("F_F-FFFFFFF"), "notes.md:2"},
                                     {watch("GGGGGGGGGGG"), "notes.md:3"},
                                     {watch("HHHHHHHHHHH"), "notes.md:3"},
                                     {watch("IIIIIIIIIII"), "notes.md:4"}};
        QTest::newRow("playlist export in CSV")
            << u"playlist.csv"_qs
            << u"Video ID,Time Added\n"
               "JJJJJJJJJJJ,2023-04-01 10:00:00 UTC\n"
               "  \"KKKKKKKKKKK\" ,2023-04-02 10:00:00 UTC\n"
               "JJJJJJJJJJJ,2023-04-03 10:00:00 UTC\n"
               "not-an-id,2023-04-04\n"
               "LLLLLLLLLLL,see https://youtu.be/MMMMMMMMMMM\n"_qs
            << QList<ExtractedLink> {{watch("JJJJJJJJJJJ"), "playlist.csv:2"},
                                     {watch("KKKKKKKKKKK"), "playlist.csv:3"},
                                     {watch("LLLLLLLLLLL"), "playlist.csv:6"},
                                     {watch("MMMMMMMMMMM"), "playlist.csv:6"}};
        QTest::newRow("bare ids on lines of their own")
            << u"ids.txt"_qs << u"NNNNNNNNNNN\n\t OOOOOOOOOOO \n"_qs
            << QList<ExtractedLink> {{watch("NNNNNNNNNNN"), "ids.txt:1"},
                                     {watch("OOOOOOOOOOO"), "ids.txt:2"}};
        QTest::newRow("prose yields no ids")
            << u"essay.txt"_qs
            << u"Programming experiences were interesting, pleasurable, worthwhile.\n"
               "Description,Category\n"
               "programming,interesting\n"_qs
            << QList<ExtractedLink> {};
        QTest::newRow("a CSV header whose first cell has no id")
            << u"words.csv"_qs << u"Word,Meaning\nPPPPPPPPPPP,a word\n"_qs
            << QList<ExtractedLink> {};
        QTest::newRow("the header row itself is no id")
            << u"odd.csv"_qs << u"IDIDIDIDIDI,x\n"_qs << QList<ExtractedLink> {};
        QTest::newRow("look-alikes and other pages are no video links")
            << u"misc.txt"_qs
            << u"https://notyoutube.com/watch?v=QQQQQQQQQQQ "
               "https://example.com/youtube.com/watch?v=RRRRRRRRRRR "
               "https://www.youtube.com/@channel https://youtu.be/SSSSSSSSSSSS\n"_qs
            << QList<ExtractedLink> {};
    }
    void findsLinksWhereverTheyStand()
    {
        QFETCH(QString, fileName);
        QFETCH(QString, text);
        QFETCH(QList<ExtractedLink>, links);
        QStringList lines = text.split(u'\n');
        lines.removeLast();
        LinkExtractor extractor;
        extractor.addFile(fileName, lines);
        QCOMPARE(extractor.links(), links);
    }

    void keepsTheFirstOccurrenceAcrossFiles()
    {
        LinkExtractor extractor;
        extractor.addFile(u"a.txt"_qs, {u"x"_qs, u"youtu.be/TTTTTTTTTTT"_qs});
        extractor.addFile(u"b.txt"_qs, {u"UUUUUUUUUUU"_qs, watch("TTTTTTTTTTT")});
        const QList<ExtractedLink> expected {{watch("TTTTTTTTTTT"), "a.txt:2"},
                                             {watch("UUUUUUUUUUU"), "b.txt:1"}};
        QCOMPARE(extractor.links(), expected);
    }
};

QTEST_GUILESS_MAIN(LinkExtractorTest)
#include "tst_LinkExtractor.moc"
