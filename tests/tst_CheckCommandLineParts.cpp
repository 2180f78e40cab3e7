// The shell checker's parts on their own: reading what the site says and judging one fetch,
// pacing a host, the back-off, the output order, the plain output's escapes and the progress
// line.
#include "cli/CheckedLinkFormat.h"
#include "cli/OrderedOutput.h"
#include "cli/ProgressBar.h"
#include "core/PlayabilityVerdict.h"
#include "engine/CheckScheduler.h"
#include "engine/FetchJudgement.h"
#include "engine/HostPacer.h"
#include "engine/PlayabilityObject.h"
#include "system/SignalWatcher.h"

#include <QStringEncoder>

#include <QtTest>

#include <csignal>

namespace {
QByteArray pageWithStatus(const char *status, const char *reason)
{
    return QByteArray("<html><script>var ytInitialPlayerResponse = {\"playabilityStatus\":{"
                      "\"status\":\"")
        + status + "\",\"reason\":\"" + reason
        + "\",\"contextParams\":\"Q0FFU0FnZ0I=\"}};</script></html>\n";
}

// The error screen of the site's player answers, with a subreason in runs.
QByteArray errorScreen(const char *reason, const QByteArray &subreasonRuns)
{
    return QByteArray("\"errorScreen\":{\"playerErrorMessageRenderer\":{\"subreason\":{\"runs\":[")
        + subreasonRuns + "]},\"reason\":{\"simpleText\":\"" + reason
        + "\"},\"icon\":{\"iconType\":\"ERROR_OUTLINE\"}}}";
}

// Text as it stands inside a string of the page's script: quotes and backslashes escaped.
QByteArray escaped(const QByteArray &text)
{
    QByteArray inString;
    for (const char c : text) {
        if (c == '"' || c == '\\')
            inString += '\\';
        inString += c;
    }
    return inString;
}

// A pretty-printed player answer, as the site's player API sends it by default.
QByteArray prettyAnswer(const char *status, const char *reasonLine)
{
    return QByteArray("{\n  \"responseContext\": {\n    \"visitorData\": \"Cgt4\"\n  },\n"
                      "  \"playabilityStatus\": {\n    \"status\": \"")
        + status + "\",\n" + reasonLine
        + "    \"contextParams\": \"Q0FBU0FnZ0E=\"\n  },\n  \"videoDetails\": {}\n}\n";
}

// The site's captcha page and consent wall, in the shape they come in (no playability status).
const QByteArray CaptchaPage = "<html><body><div id=\"captcha-page\"><p>Perd\xC3\xB3n por la "
                               "interrupci\xC3\xB3n.</p>\n<form action=\"/das_captcha?fw=1\" "
                               "method=\"POST\"><input type=\"hidden\" name=\"next\" "
                               "value=\"/watch?v=x\"/></form></div></body></html>\n";
const QByteArray ConsentPage = "<html><body><form action=\"https://consent.youtube.com/s\" "
                               "method=\"POST\"><input type=\"hidden\" name=\"gl\" value=\"DE\">"
                               "<button>Alle ablehnen</button></form></body></html>\n";
} // namespace

Q_DECLARE_METATYPE(FetchResult::Failure)
Q_DECLARE_METATYPE(LinkVerdict)

class CheckCommandLinePartsTest : public QObject
{
    Q_OBJECT
private slots:
    // The status object read as JSON, in the shapes the site's pages and player answers have
    // held from 2017 to 2025.
    void readsWhatTheSiteSays_data()
    {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<int>("found");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("subreason");
        QTest::addColumn<QString>("message");
        using F = PlayabilityObject::Found;
        const auto row = [](const char *name, const QByteArray &page, F found, const char *status,
                            const char *reason, const char *subreason, const char *message) {
            QTest::newRow(name) << page << int(found) << QString::fromUtf8(status)
                                << QString::fromUtf8(reason) << QString::fromUtf8(subreason)
                                << QString::fromUtf8(message);
        };
        const char *copyright = "This video contains content from SME, who has blocked it in "
                                "your country on copyright grounds.";
        row("one-line watch page",
            "<script>var ytInitialPlayerResponse = {\"responseContext\":{},"
            "\"playabilityStatus\":{\"status\":\"UNPLAYABLE\",\"reason\":\"Video unavailable\","
                + errorScreen("Video unavailable",
                              "{\"text\":\"This video contains content from \"},{\"text\":\"SME\"},"
                              "{\"text\":\", who has blocked it in your country on copyright "
                              "grounds.\"}")
                + "},\"videoDetails\":{}};</script>\n",
            F::Read, "UNPLAYABLE", "Video unavailable", copyright,
            (QByteArray("Video unavailable - ") + copyright).constData());
        row("escaped in a string of the script",
            "ytplayer.config = {\"args\":{\"player_response\":\""
                + escaped(
                    "{\"playabilityStatus\":{\"status\":\"LIVE_STREAM_OFFLINE\","
                    "\"liveStreamability\":{\"mainText\":{\"runs\":[{\"text\":\"Live in \"}]}}},"
                    "\"videoDetails\":{}}")
                + "\"}};",
            F::Read, "LIVE_STREAM_OFFLINE", "", "", "");
        // \u0026, \/ and \x41 are the script's escapes; \\u0026 and \\\" become the JSON's.
        row("escapes of the script undone before the JSON's",
            "\"player_response\":\"{\\\"previewPlayabilityStatus\\\":{\\\"status\\\":\\\"ERROR\\\","
            "\\\"reason\\\":\\\"A \\u0026 B\\\\u0026C \\\\\\\"q\\\\\\\" \\/\\x41\\\"}}\"",
            F::Read, "ERROR", "A & B&C \"q\" /A", "", "A & B&C \"q\" /A");
        row("escaped twice",
            "x = \"" + escaped('"' + escaped("{\"playabilityStatus\":{\"status\":\"OK\"}}") + '"')
                + "\";",
            F::Read, "OK", "", "", "");
        row("no top-level reason",
            "{\"playabilityStatus\":{\"status\":\"LOGIN_REQUIRED\",\"messages\":[\"This is a "
            "private "
            "video. Please sign in to verify that you may see it.\"],\"errorScreen\":{"
            "\"playerErrorMessageRenderer\":{\"subreason\":{\"simpleText\":\"Sign in if you've "
            "been "
            "granted access to this video\"},\"reason\":{\"simpleText\":\"Private video\"}}}}}",
            F::Read, "LOGIN_REQUIRED", "Private video",
            "Sign in if you've been granted access to this video",
            "Private video - Sign in if you've been granted access to this video");
        row("comma in the reason, CR LF line ends",
            "{\r\n\"playabilityStatus\":{\"status\":\"UNPLAYABLE\",\"reason\":\"This content "
            "isn\u2019t available, try again later.\"}\r\n}\r\n",
            F::Read, "UNPLAYABLE", "This content isn\u2019t available, try again later.", "",
            "This content isn\u2019t available, try again later.");
        row("runs with blanks at their ends",
            "{\"playabilityStatus\":{\"status\":\"LOGIN_REQUIRED\",\"reason\":\" Sign in \","
                + errorScreen("Sign in",
                              "{\"text\":\"This helps protect our community. \"},{\"text\":\"Learn "
                              "more\",\"navigationEndpoint\":{\"url\":\"https://x/\"}}")
                + "}}",
            F::Read, "LOGIN_REQUIRED", "Sign in", "This helps protect our community. Learn more",
            "Sign in - This helps protect our community. Learn more");
        row("braces and quotes inside the texts",
            "{\"playabilityStatus\":{\"status\":\"ERROR\",\"reason\":\"a } \\\" ] { b\"}}", F::Read,
            "ERROR", "a } \" ] { b", "", "a } \" ] { b");
        row("subreason that repeats the reason",
            "{\"playabilityStatus\":{\"status\":\"ERROR\",\"reason\":\"Gone\","
                + errorScreen("Gone", "{\"text\":\"Gone\"}") + "}}",
            F::Read, "ERROR", "Gone", "Gone", "Gone");
        row("reason only on the error screen, in runs",
            "{\"playabilityStatus\":{\"status\":\"UNPLAYABLE\",\"errorScreen\":{"
            "\"playerErrorMessage"
            "Renderer\":{\"reason\":{\"runs\":[{\"text\":\"Video "
            "\"},{\"text\":\"unavailable\"}]}}}}}",
            F::Read, "UNPLAYABLE", "Video unavailable", "", "Video unavailable");
        row("subreason alone",
            "{\"playabilityStatus\":{\"status\":\"ERROR\",\"errorScreen\":{\"x\":"
            "{\"subreason\":{\"simpleText\":\"Gone\"}}}}}",
            F::Read, "ERROR", "", "Gone", "Gone");
        row("the first mention decides",
            "{\"playabilityStatus\":{\"status\":\"ERROR\",\"reason\":\"Video unavailable\"}}"
            " playerResponse:{\"playabilityStatus\":{\"status\":\"OK\"}}",
            F::Read, "ERROR", "Video unavailable", "", "Video unavailable");
        row("marker in any letter case", "{\"PLAYABILITYstatus\":{\"status\":\"OK\"}}", F::Read,
            "OK", "", "", "");
        row("UTF-16 page",
            "\xFF\xFE"
                + QStringEncoder(QStringConverter::Utf16LE)
                      .encode(
                          u"{\"playabilityStatus\":{\"status\":\"ERROR\",\"reason\":\"\u00c9\"}}"_qs),
            F::Read, "ERROR", "\u00c9", "", "\u00c9");
        row("marker across the reading's pieces",
            QByteArray((1 << 16) - 9, 'a') + "\"playabilityStatus\":{\"status\":\"OK\"}", F::Read,
            "OK", "", "", "");
        row("marker with only its last letter in the next piece",
            QByteArray((1 << 16) - 17, 'a') + "\"playabilityStatus\":{\"status\":\"OK\"}", F::Read,
            "OK", "", "", "");
        row("label's brace in the next piece",
            QByteArray((1 << 16) - 20, 'a') + "\"playabilityStatus\":  {\"status\":\"OK\"}",
            F::Read, "OK", "", "", "");
        row("the word in a title before the object",
            "<title>playabilityStatus explained - YouTube</title>\n<script>var r = "
            "{\"playabilityStatus\":{\"status\":\"ERROR\",\"reason\":\"Gone\"}};</script>",
            F::Read, "ERROR", "Gone", "", "Gone");
        row("no marker", "<html><body>Dieses Video existiert nicht.</body></html>", F::NoMarker, "",
            "", "", "");
        row("marker at the end of a string that ends in a backslash",
            "\"playabilityStatus\\\\\":{\\\"status\\\":\\\"OK\\\"}", F::Unreadable, "", "", "", "");
        row("percent-encoded", "%22playabilityStatus%22%3A%7B%22status%22%3A%22OK%22%7D",
            F::Unreadable, "", "", "", "");
        row("object cut off", "{\"playabilityStatus\":{\"status\":\"OK\",\"x\":{", F::Unreadable,
            "", "", "", "");
        row("object beyond the reading's reach",
            "{\"playabilityStatus\":{\"status\":\"ERROR\",\"reason\":\"" + QByteArray(1 << 20, 'y')
                + "\"}}",
            F::Unreadable, "", "", "", "");
    }
    void readsWhatTheSiteSays()
    {
        QFETCH(QByteArray, page);
        const PlayabilityObject read = readPlayabilityObject(page);
        QTEST(int(read.found), "found");
        QTEST(read.status, "status");
        QTEST(read.reason, "reason");
        QTEST(read.subreason, "subreason");
        QTEST(read.message(), "message");
    }

    void eachKindOfAnswerHasItsOutcome_data()
    {
        using F = FetchResult::Failure;
        QTest::addColumn<F>("failure");
        QTest::addColumn<int>("http");
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<LinkVerdict>("verdict");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<bool>("mayPass");
        QTest::addColumn<bool>("limiting");
        QTest::addColumn<QString>("windowReason");
        const QByteArray ok = pageWithStatus("OK", "");
        const auto row = [](const char *name, F failure, int http, const QByteArray &page,
                            LinkVerdict verdict, const char *reason, bool mayPass, bool limiting,
                            const char *windowReason) {
            QTest::newRow(name) << failure << http << page << verdict << QString::fromUtf8(reason)
                                << mayPass << limiting << QString::fromUtf8(windowReason);
        };
        using V = LinkVerdict;
        const char *unavailable = "URL unavailable";
        row("OK page", F::None, 200, ok, V::Valid, "", false, false, "");
        row("dead video", F::None, 200, pageWithStatus("ERROR", "Video unavailable"), V::Invalid,
            "Video unavailable", false, false, "Video unavailable ");
        row("private video", F::None, 200,
            pageWithStatus("LOGIN_REQUIRED", "This video is private"), V::Invalid,
            "This video is private", false, false, "This video is private ");
        row("bot check", F::None, 200,
            pageWithStatus("LOGIN_REQUIRED", "Sign in to confirm you\u2019re not a bot"),
            V::Unknown, "bot check", true, true, "Sign in to confirm you\u2019re not a bot ");
        row("try again later, after a comma", F::None, 200,
            pageWithStatus("UNPLAYABLE", "This content isn't available, try again later."),
            V::Unknown, "try again later", true, true, "This content isn't available ");
        row("the words under another status judge the video", F::None, 200,
            pageWithStatus("ERROR", "Removed, try again later"), V::Invalid,
            "Removed, try again later", false, false, "Removed ");
        row("capitalised bot check", F::None, 200,
            pageWithStatus("LOGIN_REQUIRED", "SIGN IN TO CONFIRM YOU'RE NOT A BOT"), V::Unknown,
            "bot check", true, true, "SIGN IN TO CONFIRM YOU'RE NOT A BOT ");
        row("outdated client, whatever the status", F::None, 200,
            "{\"playabilityStatus\":{\"status\":\"ERROR\",\"reason\":\"This video is "
            "unavailable\","
                + errorScreen("This video is unavailable",
                              "{\"text\":\"Watch on the latest version of YouTube.\"}")
                + "}}",
            V::Unknown, "outdated client refused", false, false,
            "This video is unavailable ::Watch on the latest version of YouTube.");
        row("captcha page", F::None, 200, CaptchaPage, V::Unknown, "captcha page", true, true,
            unavailable);
        row("English captcha page without the form", F::None, 200,
            "<html><p>Our systems have detected Unusual Traffic from your computer network.</p>"
            "</html>",
            V::Unknown, "captcha page", true, true, unavailable);
        row("consent page", F::None, 200, ConsentPage, V::Unknown, "consent page", false, false,
            unavailable);
        row("consent marker far into a long page", F::None, 200,
            QByteArray(300 * 1024, ' ') + ConsentPage, V::Unknown,
            "no playability status on the page", false, false, unavailable);
        row("consent marker on a watch page", F::None, 200,
            ConsentPage + pageWithStatus("ERROR", "Video unavailable"), V::Invalid,
            "Video unavailable", false, false, "Video unavailable ");

        // Where the window's rule reads nothing, the status object read as JSON decides.
        row("pretty-printed OK", F::None, 200, prettyAnswer("OK", ""), V::Valid, "", false, false,
            unavailable);
        row("pretty-printed bot check", F::None, 200,
            prettyAnswer("LOGIN_REQUIRED",
                         "    \"reason\": \"Sign in to confirm you\u2019re not a bot\",\n"),
            V::Unknown, "bot check", true, true, unavailable);
        row("pretty-printed error", F::None, 200,
            prettyAnswer("ERROR", "    \"reason\": \"This video is unavailable\",\n"), V::Invalid,
            "This video is unavailable", false, false, unavailable);
        row("upcoming stream without a reason", F::None, 200,
            "{\"playabilityStatus\":{\"status\":\"LIVE_STREAM_OFFLINE\",\"liveStreamability\":{}}}",
            V::Invalid, "LIVE_STREAM_OFFLINE", false, false, unavailable);
        row("sign-in wall without a reason", F::None, 200,
            "{\"playabilityStatus\":{\"status\":\"LOGIN_REQUIRED\",\"messages\":[]}}", V::Unknown,
            "sign-in wall without a reason", false, false, unavailable);
        row("status that cannot be read", F::None, 200,
            "playerResponse:{playabilityStatus:{status:\"OK\"}}", V::Unknown,
            "unreadable playability status", false, false, unavailable);
        row("reason of 20 MiB", F::None, 200,
            pageWithStatus("ERROR", QByteArray(20 << 20, 'y').constData()), V::Invalid,
            (QString(999, u'y') + u'\u2026').toUtf8().constData(), false, false,
            (QString(999, u'y') + u'\u2026').toUtf8().constData());

        row("long reason read as JSON", F::None, 200,
            pageWithStatus("ERROR", QByteArray(100'000, 'z').constData()), V::Invalid,
            (QString(999, u'z') + u'\u2026').toUtf8().constData(), false, false,
            (QString(999, u'z') + u'\u2026').toUtf8().constData());

        const QByteArray title = "<title>playabilityStatus explained - YouTube</title>\n";
        // The window's line rule reads the title's line; the shell tool reads the object.
        row("playable page whose title names the status", F::None, 200, title + ok, V::Valid, "",
            false, false, unavailable);
        row("bot check whose title names the status", F::None, 200,
            title + pageWithStatus("LOGIN_REQUIRED", "Sign in to confirm you're not a bot"),
            V::Unknown, "bot check", true, true, unavailable);
        const QByteArray nested = QByteArray(100'000, '[') + QByteArray(100'000, ']');
        row("bot check followed by 100,000 nested arrays", F::None, 200,
            "{\"playabilityStatus\":{\"status\":\"LOGIN_REQUIRED\",\"reason\":\"Sign in to "
            "confirm you're not a bot\",\"x\":"
                + nested + "}}",
            V::Unknown, "bot check", true, true, "Sign in to confirm you're not a bot ");
        row("bot check after 100,000 nested arrays", F::None, 200,
            "{\"playabilityStatus\":{\"status\":\"LOGIN_REQUIRED\",\"x\":" + nested
                + ",\"reason\":\"Sign in to confirm you're not a bot\"}}",
            V::Unknown, "unreadable playability status", false, false, unavailable);
        row("bot check at the end of a reason of 20 MiB", F::None, 200,
            pageWithStatus(
                "LOGIN_REQUIRED",
                (QByteArray(20 << 20, 'y') + " Sign in to confirm you're not a bot").constData()),
            V::Unknown, "unreadable playability status", false, false,
            (QString(999, u'y') + u'\u2026').toUtf8().constData());
        row("400 with an OK body", F::None, 400, ok, V::Unknown, "HTTP 400", false, false,
            unavailable);
        row("404", F::None, 404, ok, V::Invalid, "HTTP 404 (not found)", false, false, unavailable);
        row("410", F::None, 410, {}, V::Invalid, "HTTP 410 (gone)", false, false, unavailable);
        row("429 with an OK body", F::None, 429, ok, V::Unknown, "HTTP 429 (rate limited)", true,
            true, unavailable);
        row("503", F::None, 503, {}, V::Unknown, "HTTP 503 (service unavailable)", true, true,
            unavailable);
        row("500 with an OK body", F::None, 500, ok, V::Unknown, "HTTP 500 (server error)", true,
            false, unavailable);
        row("408", F::None, 408, {}, V::Unknown, "HTTP 408 (request timeout)", true, false,
            unavailable);
        row("403", F::None, 403, {}, V::Unknown, "HTTP 403 (forbidden)", false, false, unavailable);
        row("page without a status", F::None, 200, "<html>Before you continue</html>", V::Unknown,
            "no playability status on the page", false, false, unavailable);
        row("empty body", F::None, 200, {}, V::Unknown, "empty page", false, false, unavailable);
        row("refused", F::NoAnswer, 0, {}, V::Unknown, "no answer: connection refused", true, false,
            unavailable);
        row("cut short", F::CutShort, 200, {}, V::Unknown, "page cut short", true, false,
            unavailable);
        row("too large", F::TooLarge, 200, {}, V::Unknown, "page over 64 MiB", false, false,
            unavailable);
        row("ftp link", F::NotWebAddress, 0, {}, V::Invalid, "not a web address", false, false,
            unavailable);
        row("lone surrogate", F::BadAddress, 0, {}, V::Invalid, "not a valid address", false, false,
            unavailable);
        row("redirect to file:", F::BadRedirect, 302, {}, V::Unknown,
            "redirect to a non-web address", false, false, unavailable);
    }
    void eachKindOfAnswerHasItsOutcome()
    {
        QFETCH(FetchResult::Failure, failure);
        QFETCH(int, http);
        QFETCH(QByteArray, page);
        FetchResult result;
        result.failure = failure;
        result.httpStatus = http;
        result.page = page;
        if (failure == FetchResult::Failure::NoAnswer)
            result.detail = QStringLiteral("connection refused");
        const FetchJudgement judgement = judgeFetch(result);
        QTEST(judgement.verdict, "verdict");
        QTEST(judgement.reason, "reason");
        QTEST(judgement.mayPass, "mayPass");
        QTEST(judgement.hostIsLimiting, "limiting");
        QTEST(judgement.windowReason, "windowReason");
        // No text of any length reaches a report whole.
        for (const std::optional<QString> &said : {judgement.siteReason, judgement.siteSubreason})
            QVERIFY(said.value_or(QString()).size() <= MaxReasonLength);
    }

    void limitedHostSlowsToWhatItAllowedAndPausesForRetryAfter()
    {
        using Change = HostPacer::Change;
        const HostPacer::Answer good {true, false, std::nullopt};
        HostPacer pacer(8, std::nullopt, 120'000);
        // Full speed at first: eight at once, no spacing.
        QList<HostPacer::Ticket> early;
        for (int i = 0; i < 8; ++i) {
            QVERIFY(pacer.canStart(0));
            early << pacer.started(0);
        }
        QVERIFY(!pacer.canStart(0));
        // Twenty good answers within the second, then the host says 429, Retry-After 1 s;
        // the answers of fetches already under way at that moment add nothing.
        HostPacer::Ticket ticket = early.takeLast();
        for (int i = 0; i < 20; ++i) {
            pacer.finished(10 * i, ticket, good);
            ticket = pacer.started(10 * i);
        }
        QCOMPARE(pacer.finished(300, ticket, {false, true, 1000}), Change::None);
        QCOMPARE(pacer.state(), HostPacer::State::Paused);
        for (const HostPacer::Ticket &under : std::as_const(early))
            QCOMPARE(pacer.finished(310, under, {false, true, 5000}), Change::None);
        QCOMPARE(pacer.nextProbeAt(), 1300);
        // Paused: one probe when the host asked, and nothing beside it.
        QVERIFY(!pacer.canStart(1299));
        QVERIFY(pacer.canStart(1300));
        const HostPacer::Ticket probe = pacer.started(1300);
        QVERIFY(probe.probe);
        QVERIFY(!pacer.canStart(1350));
        // The probe answers: it was about rate. Half the fetches, starts a tenth under the 20 a
        // second it let through, and no notice for the next limit of the same kind.
        QCOMPARE(pacer.finished(1400, probe, good), Change::StartsLimiting);
        QCOMPARE(pacer.spacingMs(1400), 55);
        QCOMPARE(pacer.limit(), 4);
        pacer.started(1400);
        QVERIFY(!pacer.canStart(1400 + 54));
        QVERIFY(pacer.canStart(1400 + 55));
        // Easing goes by time: a minute later the host is asked a quarter faster, and some
        // fifteen minutes later it is free again.
        QCOMPARE(pacer.spacingMs(61'400), 41);
        QCOMPARE(pacer.update(900'000, true), Change::None);
        QCOMPARE(pacer.update(960'000, true), Change::StopsLimiting);
        QCOMPARE(pacer.spacingMs(960'000), 0);
    }

    void userRateIsAHardCapThatSignalsOnlyRaise()
    {
        HostPacer pacer(4, 0.5, 120'000);
        QCOMPARE(pacer.spacingMs(0), 2000);
        const HostPacer::Ticket first = pacer.started(0);
        QVERIFY(!pacer.canStart(1999));
        QVERIFY(pacer.canStart(2000));
        for (int i = 0; i < 100; ++i)
            pacer.finished(i, first, {true, false, std::nullopt});
        QCOMPARE(pacer.spacingMs(100), 2000);
        // Failures that are no signal from the host change nothing.
        HostPacer other(4, std::nullopt, 120'000);
        other.finished(0, other.started(0), {false, false, std::nullopt});
        QCOMPARE(other.spacingMs(0), 0);
        QCOMPARE(other.limit(), 4);
        QCOMPARE(other.state(), HostPacer::State::Free);
    }

    void backoffDoublesFromOneSecondToAMinuteWithJitter_data()
    {
        QTest::addColumn<int>("attempt");
        QTest::addColumn<double>("jitter");
        QTest::addColumn<qint64>("wait");
        QTest::newRow("first retry") << 1 << 0.0 << qint64(1000);
        QTest::newRow("second") << 2 << 0.0 << qint64(2000);
        QTest::newRow("fourth, jitter up") << 4 << 0.1 << qint64(8800);
        QTest::newRow("capped") << 8 << 0.0 << qint64(60000);
        QTest::newRow("capped, jitter down") << 30 << -0.1 << qint64(54000);
        QTest::newRow("jitter held to a tenth") << 1 << 5.0 << qint64(1100);
    }
    void backoffDoublesFromOneSecondToAMinuteWithJitter()
    {
        QFETCH(int, attempt);
        QFETCH(double, jitter);
        QTEST(CheckScheduler::backoffMs(attempt, jitter), "wait");
    }

    void resultsComeOutInInputOrder_data()
    {
        QTest::addColumn<QList<int>>("arrival");
        QTest::addColumn<QList<int>>("writtenAfterEach");
        QTest::newRow("in order") << QList<int> {0, 1, 2, 3} << QList<int> {1, 2, 3, 4};
        QTest::newRow("reversed") << QList<int> {3, 2, 1, 0} << QList<int> {0, 0, 0, 4};
        QTest::newRow("first last") << QList<int> {1, 2, 3, 0} << QList<int> {0, 0, 0, 4};
        QTest::newRow("gaps fill") << QList<int> {0, 2, 1, 3} << QList<int> {1, 1, 3, 4};
        QTest::newRow("repeated index ignored")
            << QList<int> {1, 1, 0, 2, 3} << QList<int> {0, 0, 2, 3, 4};
    }
    void resultsComeOutInInputOrder()
    {
        QFETCH(QList<int>, arrival);
        QFETCH(QList<int>, writtenAfterEach);
        QStringList written;
        OrderedOutput output(4, [&](const CheckedLink &checked) { written << checked.link; });
        for (qsizetype i = 0; i < arrival.size(); ++i) {
            CheckedLink checked;
            checked.link = QString::number(arrival[i]);
            output.add(arrival[i], checked);
            QCOMPARE(output.written(), writtenAfterEach[i]);
        }
        QCOMPARE(written, (QStringList {"0", "1", "2", "3"}));
        QVERIFY(output.complete());
    }

    void plainOutputShowsControlCharactersAsEscapes()
    {
        CheckedLink checked;
        checked.link = QStringLiteral("https://a.example/\x1b[2Jx\ty");
        checked.verdict = LinkVerdict::Invalid;
        checked.reason = QStringLiteral("\rvalid\x07 \x7f\u00e9\u2019");
        QCOMPARE(CheckedLinkFormat::textLine(checked),
                 QStringLiteral("invalid\thttps://a.example/\\x1b[2Jx\\ty\t\\rvalid\\x07 "
                                "\\x7f\u00e9\u2019\n"));
        checked.verdict = LinkVerdict::Unknown;
        checked.status = QStringLiteral("OK");
        checked.http = 429;
        checked.attempts = 4;
        QCOMPARE(CheckedLinkFormat::jsonLine(checked),
                 QStringLiteral("{\"link\":\"https://a.example/\\u001b[2Jx\\ty\",\"verdict\":"
                                "\"unknown\",\"reason\":\"\\rvalid\\u0007 \u007f\u00e9\u2019\","
                                "\"subreason\":null,\"status\":\"OK\",\"cause\":\"\\rvalid"
                                "\\u0007 \u007f\u00e9\u2019\",\"http\":429,\"attempts\":4}\n"));
        // What the site said stands in the reason; why nothing was judged, in the cause.
        checked.reason = QStringLiteral("bot check");
        checked.siteReason = QStringLiteral("Sign in");
        checked.siteSubreason = QStringLiteral("Learn\nmore");
        checked.http.reset();
        QCOMPARE(CheckedLinkFormat::jsonLine(checked, ReportFormat::Subject::Pages),
                 QStringLiteral("{\"file\":\"https://a.example/\\u001b[2Jx\\ty\",\"verdict\":"
                                "\"unknown\",\"reason\":\"Sign in\",\"subreason\":\"Learn\\nmore\","
                                "\"status\":\"OK\",\"cause\":\"bot check\"}\n"));
        // 8-bit controls (U+009B is CSI) and bidirectional overrides and isolates too.
        checked.link = QStringLiteral("https://a.example/\u009b2J\u0080\u009f\u00a0\u202e");
        checked.reason = QStringLiteral("\u2029\u202a\u202d\u2066\u2069\u206a\u2067x");
        QCOMPARE(CheckedLinkFormat::textLine(checked),
                 QStringLiteral("unknown\thttps://a.example/\\u009b2J\\u0080\\u009f\u00a0"
                                "\\u202e\t\u2029\\u202a\\u202d\\u2066\\u2069\u206a\\u2067x\n"));
    }

    void progressLineFitsItsWidthAndWaitsBeforeARate_data()
    {
        QTest::addColumn<int>("done");
        QTest::addColumn<int>("elapsedMs");
        QTest::addColumn<QString>("waiting");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("line");
        const auto row = [](const char *name, int done, int ms, const char *waiting, int width,
                            const char *line) {
            QTest::newRow(name) << done << ms << QString::fromUtf8(waiting) << width
                                << QString::fromUtf8(line);
        };
        row("start", 0, 0, "", 200,
            "[------------------------] 0/400  valid 0  invalid 0  unknown 0  - links/s  -:-- "
            "left");
        row("one fast link tells no rate", 1, 2, "", 200,
            "[------------------------] 1/400  valid 0  invalid 0  unknown 1  - links/s  -:-- "
            "left");
        // The rate and the time left need both five links and a second.
        row("five links within the first second", 5, 999, "", 200,
            "[------------------------] 5/400  valid 4  invalid 0  unknown 1  - links/s  -:-- "
            "left");
        row("four links over five seconds", 4, 5000, "", 200,
            "[------------------------] 4/400  valid 3  invalid 0  unknown 1  - links/s  -:-- "
            "left");
        row("five links and a second", 5, 1000, "", 200,
            "[------------------------] 5/400  valid 4  invalid 0  unknown 1  5.0 links/s  1:19 "
            "left");
        row("quarter", 100, 4000, "", 200,
            "[######------------------] 100/400  valid 80  invalid 10  unknown 10  25.0 links/s  "
            "0:12 left");
        row("waiting on a host", 100, 4000, "waiting 12 s: 127.0.0.2 is limiting", 200,
            "[######------------------] 100/400  valid 80  invalid 10  unknown 10  25.0 links/s  "
            "0:12 left  waiting 12 s: 127.0.0.2 is limiting");
        row("100 columns drop the bar", 100, 4000, "waiting 12 s: 127.0.0.2 is limiting", 100,
            "100/400  valid 80  invalid 10  unknown 10  0:12 left  waiting 12 s: 127.0.0.2 is "
            "limiting");
        row("40 columns", 100, 4000, "waiting 12 s: 127.0.0.2 is limiting", 40,
            "100/400 v80 i10 u10 0:12 left");
        row("20 columns", 100, 4000, "", 20, "100/400");
        row("5 columns", 100, 4000, "", 5, "100/");
    }
    void progressLineFitsItsWidthAndWaitsBeforeARate()
    {
        QFETCH(int, done);
        QFETCH(int, elapsedMs);
        QFETCH(QString, waiting);
        QFETCH(int, width);
        const qsizetype valid = done * 8 / 10;
        const qsizetype invalid = (done - valid) / 2;
        const ProgressCounts counts {done,      400,    valid, invalid, done - valid - invalid,
                                     elapsedMs, waiting};
        const QString line = progressLine(counts, width);
        QTEST(line, "line");
        QVERIFY(line.size() < width);
    }

    // Once the fetching is over, the signals do again what they did before it: Ctrl-C while
    // the result files are written ends the tool, and what was ignored (nohup's SIGHUP) never
    // stopped being ignored.
    void signalsAreAsBeforeOnceTheFetchingIsOver()
    {
#ifdef Q_OS_WIN
        QSKIP("Windows has no POSIX signals; the console's events stand for them there");
#else
        const auto handlers = [] {
            QList<void (*)(int)> handlers;
            for (int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGUSR1, SIGUSR2}) {
                struct sigaction action = {};
                sigaction(signalNumber, nullptr, &action);
                handlers << action.sa_handler;
            }
            return handlers;
        };
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGHUP, SIG_IGN);
        const QList<void (*)(int)> before = handlers();
        {
            SignalWatcher watcher;
            const QList<void (*)(int)> watching = handlers();
            QVERIFY(watching[0] != SIG_DFL);
            QVERIFY(watching[2] == SIG_IGN);
        }
        QVERIFY(handlers() == before);
        std::signal(SIGHUP, SIG_DFL);
#endif
    }
};

QTEST_GUILESS_MAIN(CheckCommandLinePartsTest)
#include "tst_CheckCommandLineParts.moc"
