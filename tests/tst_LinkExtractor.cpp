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
        QTest::newRow("AudioSet segments: the header in a comment, ids starting with -")
            << u"balanced_train_segments.csv"_qs
            << u"# Segments csv created Sun Mar  5 10:54:31 2017\n"
               "# num_ytids=3, num_segs=3, num_unique_labels=3, num_positive_labels=4\n"
               "# YTID, start_seconds, end_seconds, positive_labels\n"
               "--PJHxphWEs, 30.000, 40.000, \"/m/09x0r,/t/dd00088\"\n"
               "_0RWZT-miFs, 420.000, 430.000, \"/m/03v3yw\"\n"
               "AAAAAAAAAAAA, 0.000, 10.000, \"/m/0k4j\"\n"_qs
            << u"--PJHxphWEs:4 _0RWZT-miFs:5"_qs;
        QTest::newRow("Kinetics: youtube_id after a label that may hold commas")
            << u"kinetics700_train.csv"_qs
            << u"label,youtube_id,time_start,time_end,split\n"
               "\"arranging, flowers\",0347ZoDXyP0,14,24,train\n"
               "abseiling,-3B32lodo2M,59,69,train\n"_qs
            << u"0347ZoDXyP0:2 -3B32lodo2M:3"_qs;
        QTest::newRow("HowTo100M: video_id first")
            << u"HowTo100M_v1.csv"_qs
            << u"video_id,category_1,category_2,rank,task_id\n"
               "nVbIUDjzWY4,Cars & Other Vehicles,Motorcycles,27,52907\n"_qs
            << u"nVbIUDjzWY4:2"_qs;
        QTest::newRow("VGGSound: no header, an id first in every row")
            << u"vggsound.csv"_qs
            << u"---g-f_I2yQ,1,people marching,test\n"
               "--0PQM4-hqg,30,waterfall burbling,train\n"
               "broken row without an id\n"
               "--56QUhyDQM,185,\"playing, tennis\",train\n"_qs
            << u"---g-f_I2yQ:1 --0PQM4-hqg:2 --56QUhyDQM:4"_qs;
        QTest::newRow("ActivityNet JSON: v_ keys and url fields, words as keys are no ids")
            << u"activity_net.v1-3.min.json"_qs
            << u"{\"version\": \"VERSION 1.3\", \"database\": {\"v_QOlSCBRmfWY\": {\"duration\": "
               "82.73, \"url\": \"https://www.youtube.com/watch?v=QOlSCBRmfWY\", \"annotations\": "
               "{}}, \"-4yG1F7sIpM\": {\"subset\": \"testing\"}, \"description\": {\"x\": 1}, "
               "\"x\": {\"url\": \"https://www.youtube.com/watch?v=B7rbDlBTRk0\", \"id\": "
               "\"ZZZZZZZZZZZ\"}}}\n"_qs
            << u"QOlSCBRmfWY:1 -4yG1F7sIpM:1 B7rbDlBTRk0:1 ZZZZZZZZZZZ:1"_qs;
        QTest::newRow("malformed CSV: an unbalanced quote spoils its row only, mixed line ends")
            << u"torn.csv"_qs
            << u"YTID,label\r\n"
               "AAAAAAAAAAA,\"never closed\r"
               "BBBBBBBBBBB,fine\n"
               "\"CCCCCCCCCCC,x\r\n"
               "DDDDDDDDDDD,\"a \"\"quoted\"\" word\"\n"_qs
            << u"AAAAAAAAAAA:2 BBBBBBBBBBB:3 DDDDDDDDDDD:5"_qs;
        QTest::newRow("a single id-first row shows no headless table")
            << u"one.csv"_qs << u"Hello_World,he said\n"_qs << QString();
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
