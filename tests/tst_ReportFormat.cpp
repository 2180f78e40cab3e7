// The --format csv and --format markdown reports: hostile text read back exactly through a small
// RFC 4180 reader and a table-cell reader, and tables that keep their shape.
#include "cli/CheckedLinkFormat.h"
#include "cli/ReportFormat.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <QtTest>

namespace {
CheckedLink outcome(const QString &link, LinkVerdict verdict, const QString &reason = {},
                    std::optional<QString> status = {}, std::optional<int> http = {},
                    const QString &source = {})
{
    CheckedLink checked;
    checked.link = link;
    checked.verdict = verdict;
    checked.reason = reason;
    checked.status = status;
    checked.http = http;
    checked.attempts = 1;
    checked.source = source;
    return checked;
}

// Reads a whole RFC 4180 document into records; fails the test on a malformed one.
QList<QStringList> readCsv(const QString &text)
{
    QList<QStringList> records;
    QStringList record;
    QString field;
    qsizetype i = 0;
    while (i < text.size()) {
        if (text[i] == u'"') {
            for (++i; i < text.size(); ++i) {
                if (text[i] == u'"' && text.mid(i + 1, 1) == u"\""_qs)
                    field += text[i++];
                else if (text[i] == u'"')
                    break;
                else
                    field += text[i];
            }
            if (i++ == text.size())
                return {{u"unclosed quote"_qs}};
        }
        while (i < text.size() && text[i] != u',' && text[i] != u'\r')
            field += text[i++];
        record << field;
        field.clear();
        if (text.mid(i, 2) == u"\r\n"_qs) {
            records << record;
            record.clear();
            i += 2;
        } else if (i < text.size() && text[i] == u',') {
            ++i;
        } else if (i < text.size()) {
            return {{u"bare CR or text after a quoted field"_qs}};
        }
    }
    if (!record.isEmpty())
        records << QStringList {u"record without CR LF"_qs};
    return records;
}

// Splits a table row at its pipes the way GitHub's tables do: a backslash pairs with the
// character after it, so only a pipe outside such a pair ends a cell.
QStringList tableCells(const QString &row)
{
    QStringList cells;
    QString cell;
    for (qsizetype i = 1; i < row.size(); ++i) {
        if (row[i] == u'\\' && i + 1 < row.size()) {
            cell += row[i];
            cell += row[++i];
        } else if (row[i] == u'|') {
            cells << cell.trimmed();
            cell.clear();
        } else {
            cell += row[i];
        }
    }
    return cells;
}

// The text a cell shows: a code span's content or plain text without its escapes, with control
// pictures turned back into the characters they stand for.
QString cellText(QString cell)
{
    if (cell.startsWith(u'`')) {
        cell.replace(u"\\|"_qs, u"|"_qs);
        qsizetype fence = 0;
        while (cell[fence] == u'`')
            ++fence;
        cell = cell.mid(fence, cell.size() - 2 * fence);
        if (cell.startsWith(u' ') && cell.endsWith(u' ') && !cell.trimmed().isEmpty())
            cell = cell.mid(1, cell.size() - 2);
    } else {
        cell.replace(QRegularExpression(uR"(\\([!-/:-@[-`{-~]))"_qs), u"\\1"_qs);
    }
    for (QChar &c : cell) {
        if (c.unicode() >= 0x2400 && c.unicode() < 0x2420)
            c = QChar(char16_t(c.unicode() - 0x2400));
        else if (c.unicode() == 0x2421)
            c = QChar(char16_t(0x7F));
    }
    return cell;
}

const QString HostileLink = u"https://x/?a=\"1\",b|c\r\nd`e`` f*g_<b>"_qs;
const QString HostileReason = u"Sign in | \"to\", confirm\n<script>x</script> **a** \\| `b`"_qs;
} // namespace

class ReportFormatTest : public QObject
{
    Q_OBJECT

private slots:
    void csvReadsBackExactly_data()
    {
        QTest::addColumn<CheckedLink>("checked");
        // link, verdict, reason, status, http, subreason, cause, title, channel, channel id,
        // length, source
        QTest::addColumn<QStringList>("cells");
        QTest::newRow("valid") << outcome(u"https://www.youtube.com/watch?v=a"_qs,
                                          LinkVerdict::Valid, {}, u"OK"_qs, 200)
                               << QStringList {"https://www.youtube.com/watch?v=a",
                                               "valid",
                                               "",
                                               "OK",
                                               "200",
                                               "",
                                               "",
                                               "",
                                               "",
                                               "",
                                               "",
                                               ""};
        QTest::newRow("invalid without status or answer")
            << outcome(u"https://b"_qs, LinkVerdict::Invalid, u"Video unavailable"_qs)
            << QStringList {"https://b", "invalid", "Video unavailable", "", "", "", "", "", "", "",
                            "",          ""};
        QTest::newRow("unknown") << outcome(u"https://c"_qs, LinkVerdict::Unknown, u"timed out"_qs)
                                 << QStringList {"https://c", "unknown", "timed out", "", "", "",
                                                 "timed out", "",        "",          "", "", ""};
        QTest::newRow("hostile fields")
            << outcome(HostileLink, LinkVerdict::Invalid, HostileReason, u"A,\"B\"\rC"_qs, 410,
                       u"in \"x\",\n.html:3"_qs)
            << QStringList {
                   HostileLink, "invalid", HostileReason,       "A,\"B\"\rC", "410", "", "", "", "",
                   "",          "",        "in \"x\",\n.html:3"};
        QTest::newRow("lone quote and lone CR")
            << outcome(u"\""_qs, LinkVerdict::Invalid, u"x\r"_qs)
            << QStringList {"\"", "invalid", "x\r", "", "", "", "", "", "", "", "", ""};
        CheckedLink said = outcome(u"https://d"_qs, LinkVerdict::Invalid, u"A, \"b\" - c\nd"_qs,
                                   u"ERROR"_qs, 200);
        said.siteReason = u"A, \"b\""_qs;
        said.siteSubreason = u"c\nd"_qs;
        QTest::newRow("the site's reason and subreason")
            << said << QStringList {"https://d", "invalid", "A, \"b\"", "ERROR", "200", "c\nd",
                                    "",          "",        "",         "",      "",    ""};
        said.verdict = LinkVerdict::Unknown;
        said.reason = u"bot check"_qs;
        QTest::newRow("what the site said on a page that judged nothing")
            << said << QStringList {"https://d", "unknown", "A, \"b\"", "ERROR", "200", "c\nd",
                                    "bot check", "",        "",         "",      "",    ""};
        // The reason column stays empty rather than repeat the subreason the message began with.
        CheckedLink subreasonOnly
            = outcome(u"https://e"_qs, LinkVerdict::Invalid, u"Gone"_qs, u"ERROR"_qs, 200);
        subreasonOnly.siteSubreason = u"Gone"_qs;
        QTest::newRow("only a subreason")
            << subreasonOnly << QStringList {"https://e", "invalid", "", "ERROR", "200", "Gone",
                                             "",          "",        "", "",      "",    ""};
        CheckedLink named = outcome(u"https://f"_qs, LinkVerdict::Valid, {}, u"OK"_qs, 200);
        named.video = {u"Walking, \"In\" The Air"_qs, u"AURORA"_qs, u"UC4G"_qs, 209};
        QTest::newRow("the video's details")
            << named << QStringList {"https://f", "valid", "",    "OK",
                                     "200",       "",      "",    "Walking, \"In\" The Air",
                                     "AURORA",    "UC4G",  "209", ""};
    }
    void csvReadsBackExactly()
    {
        QFETCH(CheckedLink, checked);
        QFETCH(QStringList, cells);
        using ReportFormat::SourceColumn;
        const QList<QStringList> records
            = readCsv(ReportFormat::csvHeader(SourceColumn::With)
                      + ReportFormat::csvRow(checked, SourceColumn::With));
        QCOMPARE(records,
                 (QList<QStringList> {{"link", "verdict", "reason", "status", "http", "subreason",
                                       "cause", "title", "channel", "channel_id", "length_seconds",
                                       "source"},
                                      cells}));
    }

    // A cell a spreadsheet would run as a formula gets a leading apostrophe, in every column
    // that holds text from a link file or a server; JSON keeps the text exact.
    void csvCellsThatSpreadsheetsRunAreDefused_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("cell");
        QTest::newRow("sum") << u"=1+1"_qs << u"'=1+1"_qs;
        QTest::newRow("plus") << u"+1"_qs << u"'+1"_qs;
        QTest::newRow("minus") << u"-2+3"_qs << u"'-2+3"_qs;
        QTest::newRow("at") << u"@SUM(A1)"_qs << u"'@SUM(A1)"_qs;
        QTest::newRow("tab") << u"\t=1"_qs << u"'\t=1"_qs;
        QTest::newRow("carriage return") << u"\r=1"_qs << u"'\r=1"_qs;
        QTest::newRow("sign inside") << u"a=b-c"_qs << u"a=b-c"_qs;
        QTest::newRow("blanks first") << u"  =1"_qs << u"'  =1"_qs;
        QTest::newRow("blank before a minus") << u" -1"_qs << u"' -1"_qs;
        QTest::newRow("blank before a word") << u" a=1"_qs << u" a=1"_qs;
        QTest::newRow("apostrophe first") << u"'=1"_qs << u"'=1"_qs;
    }
    void csvCellsThatSpreadsheetsRunAreDefused()
    {
        QFETCH(QString, text);
        QFETCH(QString, cell);
        CheckedLink checked = outcome(text, LinkVerdict::Unknown, text, text, 200, text);
        checked.siteReason = checked.siteSubreason = text;
        checked.video = {text, text, text, {}};
        using ReportFormat::SourceColumn;
        const QList<QStringList> records
            = readCsv(ReportFormat::csvRow(checked, SourceColumn::With));
        QCOMPARE(records,
                 (QList<QStringList> {{cell, "unknown", cell, cell, "200", cell, cell, cell, cell,
                                       cell, "", cell}}));
        const QJsonObject json
            = QJsonDocument::fromJson(CheckedLinkFormat::jsonLine(checked).toUtf8()).object();
        for (const char *field : {"link", "reason", "subreason", "status", "cause", "source",
                                  "title", "channel", "channel_id"})
            QCOMPARE(json.value(QLatin1String(field)).toString(), text);
    }

    void csvLeavesPlainFieldsUnquoted()
    {
        QCOMPARE(ReportFormat::csvHeader(),
                 u"link,verdict,reason,status,http,subreason,cause,title,channel,channel_id,"
                 u"length_seconds\r\n"_qs);
        QCOMPARE(ReportFormat::csvRow(outcome(u"https://a"_qs, LinkVerdict::Valid, {}, u"OK"_qs,
                                              200, u"ignored.txt:1"_qs)),
                 u"https://a,valid,,OK,200,,,,,,\r\n"_qs);
        QCOMPARE(ReportFormat::csvRow(outcome(u"https://a"_qs, LinkVerdict::Unknown, u"x, y"_qs)),
                 u"https://a,unknown,\"x, y\",,,,\"x, y\",,,,\r\n"_qs);
        // A saved page has a file instead of a link, and no HTTP code.
        using ReportFormat::SourceColumn;
        using ReportFormat::Subject;
        QCOMPARE(ReportFormat::csvHeader(SourceColumn::Without, Subject::Pages),
                 u"file,verdict,reason,status,subreason,cause,title,channel,channel_id,"
                 u"length_seconds\r\n"_qs);
        QCOMPARE(ReportFormat::csvRow(
                     outcome(u"p.html"_qs, LinkVerdict::Invalid, u"Gone"_qs, u"ERROR"_qs),
                     SourceColumn::Without, Subject::Pages),
                 u"p.html,invalid,Gone,ERROR,,,,,,\r\n"_qs);
    }

    void markdownGroupsByOutcomeWithCounts()
    {
        const QString report = ReportFormat::markdownReport(
            {outcome(u"https://i1"_qs, LinkVerdict::Invalid, u"Private video"_qs,
                     u"LOGIN_REQUIRED"_qs, 200),
             outcome(u"https://v1"_qs, LinkVerdict::Valid, {}, u"OK"_qs, 200),
             outcome(u"https://i2"_qs, LinkVerdict::Invalid, u"Gone"_qs, {}, 404),
             outcome(u"https://u1"_qs, LinkVerdict::Unknown, u"bot check"_qs, u"LOGIN_REQUIRED"_qs,
                     200)});
        QCOMPARE(report,
                 u"## Valid (1)\n\n"
                 "| Link | HTTP |\n| --- | --- |\n"
                 "| `https://v1` | 200 |\n\n"
                 "## Invalid (2)\n\n"
                 "| Link | Reason | Status | HTTP |\n| --- | --- | --- | --- |\n"
                 "| `https://i1` | Private video | `LOGIN_REQUIRED` | 200 |\n"
                 "| `https://i2` | Gone |  | 404 |\n\n"
                 "## Unknown (1)\n\n"
                 "| Link | Reason | Status | HTTP |\n| --- | --- | --- | --- |\n"
                 "| `https://u1` | bot check | `LOGIN_REQUIRED` | 200 |\n"_qs);
        QCOMPARE(ReportFormat::markdownReport({outcome(u"p.html"_qs, LinkVerdict::Valid)},
                                              ReportFormat::Subject::Pages),
                 u"## Valid (1)\n\n| File |\n| --- |\n| `p.html` |\n\n"
                 "## Invalid (0)\n\nNone.\n\n## Unknown (0)\n\nNone.\n"_qs);

        // What a store knew: the video a link that died was, and the verdict before.
        CheckedLink died = outcome(u"https://d"_qs, LinkVerdict::Invalid, u"Gone"_qs, {}, 200);
        died.video = {u"Cat | dog"_qs, u"Chan"_qs, u"UC1"_qs, 212};
        died.lastSeenValid = QDateTime(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC);
        died.previousVerdict = LinkVerdict::Valid;
        died.previousDecided = died.lastSeenValid;
        QVERIFY2(
            ReportFormat::markdownReport({died}).contains(
                u"| Link | Reason | Status | HTTP | Title | Channel | Length | Last seen valid "
                "| Before |\n| --- | --- | --- | --- | --- | --- | --- | --- | --- |\n"
                "| `https://d` | Gone |  | 200 | Cat \\| dog | Chan | 3:32 | "
                "2024\\-05\\-01T12\\:00\\:00Z | valid\\, 2024\\-05\\-01T12\\:00\\:00Z |\n"),
            qPrintable(ReportFormat::markdownReport({died})));
        QCOMPARE(ReportFormat::csvStoreHeader(),
                 u",last_seen_valid,previous_verdict,previous_checked_at"_qs);
        QCOMPARE(ReportFormat::csvStoreCells(died),
                 u",2024-05-01T12:00:00Z,valid,2024-05-01T12:00:00Z"_qs);
    }

    void markdownCellsHoldHostileTextExactly_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("reason");
        QTest::newRow("pipes, quotes, line breaks, backticks, HTML")
            << HostileLink << HostileReason;
        QTest::newRow("backslash before a pipe") << u"https://x/a\\|b\\"_qs << u"\\\\|"_qs;
        QTest::newRow("backticks at both ends") << u"`x`"_qs << u"`"_qs;
        QTest::newRow("spaces at both ends") << u" x "_qs << u"a"_qs;
        QTest::newRow("control characters") << u"a\u0000b\u001Fc\u007Fd"_qs << u"\t\u001B[31m"_qs;
        QTest::newRow("escape look-alikes") << u"\\`|`"_qs << u"&amp; &lt;b&gt; \\*"_qs;
        QTest::newRow("underscores") << u"https://x/a_b_"_qs << u"snake_case __init__ _em_"_qs;
        QTest::newRow("bidirectional controls")
            << u"https://x/\u202Egpj.exe"_qs << u"a\u2066b\u2069c\u202Ad\u202Ce\u2067"_qs;
    }
    void markdownCellsHoldHostileTextExactly()
    {
        QFETCH(QString, link);
        QFETCH(QString, reason);
        const QString source = u"f|i\nle_1_*x*.md:1"_qs;
        const QString report = ReportFormat::markdownReport(
            {outcome(link, LinkVerdict::Unknown, reason, reason, {}, source),
             outcome(u"https://plain"_qs, LinkVerdict::Unknown, u"plain"_qs, {}, 503, u"f:2"_qs)});
        QStringList rows = report.split(u'\n').filter(QRegularExpression(u"^\\|"_qs));
        // Valid and invalid are empty; the unknown table is header, delimiter and two rows.
        QCOMPARE(rows.size(), 4);
        for (const QString &row : std::as_const(rows))
            QCOMPARE(tableCells(row).size(), 5); // Link | Reason | Status | HTTP | Source
        const QStringList cells = tableCells(rows[2]);
        // What would reorder the text after it on screen is shown as U+FFFD.
        const QRegularExpression bidi(u"[\u202A-\u202E\u2066-\u2069]"_qs);
        QVERIFY(!report.contains(bidi));
        reason.replace(bidi, QChar(QChar::ReplacementCharacter));
        QCOMPARE(cellText(cells[0]),
                 QString(link).replace(bidi, QChar(QChar::ReplacementCharacter)));
        QCOMPARE(cellText(cells[1]), reason);
        QCOMPARE(cellText(cells[2]), reason);
        QCOMPARE(cellText(cells[4]), source);
        // Nothing outside a code span may be read as markup.
        for (const QString &plain : {cells[1], cells[4]})
            QVERIFY2(!QRegularExpression(uR"((?<!\\)[<*_&])"_qs).match(plain).hasMatch(),
                     qPrintable(plain));
    }
};

QTEST_GUILESS_MAIN(ReportFormatTest)
#include "tst_ReportFormat.moc"
