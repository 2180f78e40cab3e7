// The shell checker's parts on their own: judging one fetch, pacing a host, the back-off,
// the output order, the plain output's escapes and the progress line.
#include "cli/CheckScheduler.h"
#include "cli/CheckedLinkFormat.h"
#include "cli/FetchJudgement.h"
#include "cli/HostPacer.h"
#include "cli/OrderedOutput.h"
#include "cli/ProgressBar.h"

#include <QtTest>

namespace {
QByteArray pageWithStatus(const char *status, const char *reason)
{
    return QByteArray("<html><script>var ytInitialPlayerResponse = {\"playabilityStatus\":{"
                      "\"status\":\"")
        + status + "\",\"reason\":\"" + reason
        + "\",\"contextParams\":\"Q0FFU0FnZ0I=\"}};</script></html>\n";
}
} // namespace

Q_DECLARE_METATYPE(FetchResult::Failure)
Q_DECLARE_METATYPE(LinkVerdict)

class CheckCommandLinePartsTest : public QObject
{
    Q_OBJECT
private slots:
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
            "Video unavailable ", false, false, "");
        row("private video", F::None, 200,
            pageWithStatus("LOGIN_REQUIRED", "This video is private"), V::Invalid,
            "This video is private ", false, false, "");
        row("bot check", F::None, 200,
            pageWithStatus("LOGIN_REQUIRED", "Sign in to confirm you\u2019re not a bot"),
            V::Unknown, "bot check", true, true, "Sign in to confirm you\u2019re not a bot ");
        row("try again later, after a comma", F::None, 200,
            pageWithStatus("UNPLAYABLE", "This content isn't available, try again later."),
            V::Unknown, "try again later", true, true, "This content isn't available ");
        row("the words under another status judge the video", F::None, 200,
            pageWithStatus("ERROR", "Removed, try again later"), V::Invalid, "Removed ", false,
            false, "");
        row("404", F::None, 404, ok, V::Invalid, "HTTP 404 (not found)", false, false, "");
        row("410", F::None, 410, {}, V::Invalid, "HTTP 410 (gone)", false, false, "");
        row("429 with an OK body", F::None, 429, ok, V::Unknown, "HTTP 429 (rate limited)", true,
            true, unavailable);
        row("503", F::None, 503, {}, V::Unknown, "HTTP 503 (service unavailable)", true, true,
            unavailable);
        row("500 with an OK body", F::None, 500, ok, V::Unknown, "HTTP 500 (server error)", true,
            false, unavailable);
        row("408", F::None, 408, {}, V::Unknown, "HTTP 408 (request timeout)", true, false,
            unavailable);
        row("403", F::None, 403, {}, V::Unknown, "HTTP 403 (forbidden)", false, false, unavailable);
        row("consent wall", F::None, 200, "<html>Before you continue</html>", V::Unknown,
            "no playability status on the page", false, false, unavailable);
        row("empty body", F::None, 200, {}, V::Unknown, "empty page", false, false, unavailable);
        row("refused", F::NoAnswer, 0, {}, V::Unknown, "no answer: connection refused", true, false,
            unavailable);
        row("cut short", F::CutShort, 200, {}, V::Unknown, "page cut short", true, false,
            unavailable);
        row("an answer that trickles past the time limit", F::TooSlow, 200, {}, V::Unknown,
            "page too slow", false, false, unavailable);
        row("too large", F::TooLarge, 200, {}, V::Unknown, "page over 64 MiB", false, false,
            unavailable);
        row("ftp link", F::NotWebAddress, 0, {}, V::Invalid, "not a web address", false, false, "");
        row("lone surrogate", F::BadAddress, 0, {}, V::Invalid, "not a valid address", false, false,
            "");
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
        if (judgement.verdict == LinkVerdict::Unknown)
            QTEST(judgement.windowReason, "windowReason");
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
                                "\"status\":\"OK\",\"http\":429,\"attempts\":4}\n"));
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
};

QTEST_GUILESS_MAIN(CheckCommandLinePartsTest)
#include "tst_CheckCommandLineParts.moc"
