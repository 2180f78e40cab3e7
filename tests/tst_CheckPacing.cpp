// How the shell checker paces, pauses, probes and gives up on hosts, run against a simulated
// site on a simulated clock: answers go in, the starts, probe times, notices and outcomes that
// come out are compared whole.
#include "engine/CheckScheduler.h"
#include "engine/PageFetcher.h"
#include "support/SimulatedSite.h"

#include <QtTest>

#include <map>

namespace {
// "jobs=2 retries=0 maxwait=10 rate=2 latency=100" as settings; the latency is the site's.
SchedulerSettings settingsOf(const QString &text, qint64 *latencyMs)
{
    SchedulerSettings settings;
    *latencyMs = 100;
    for (const QString &pair : text.split(u' ', Qt::SkipEmptyParts)) {
        const QString key = pair.section(u'=', 0, 0);
        const QString value = pair.section(u'=', 1);
        if (key == u"jobs")
            settings.jobs = value.toInt();
        else if (key == u"retries")
            settings.retries = value.toInt();
        else if (key == u"maxwait")
            settings.maxWaitMs = value.toLongLong() * 1000;
        else if (key == u"rate")
            settings.rate = value.toDouble();
        else if (key == u"latency")
            *latencyMs = value.toLongLong();
    }
    return settings;
}

// "a*3 b*2": three links on host a, then two on host b.
QStringList linksOf(const QString &text)
{
    QStringList links;
    for (const QString &group : text.split(u' ', Qt::SkipEmptyParts)) {
        const int count = group.section(u'*', 1).isEmpty() ? 1 : group.section(u'*', 1).toInt();
        for (int i = 0; i < count; ++i)
            links << u"http://%1/watch?v=%2"_qs.arg(group.section(u'*', 0, 0)).arg(links.size());
    }
    return links;
}

// One link's outcome: verdict, reason, HTTP status ("-" for none) and fetches.
QString outcomeOf(const CheckedLink &checked)
{
    const char *verdicts[] = {"valid", "invalid", "unknown"};
    QString text = QString::fromLatin1(verdicts[int(checked.verdict)]);
    if (!checked.reason.isEmpty())
        text += u' ' + checked.reason;
    return text + u' ' + (checked.http ? QString::number(*checked.http) : u"-"_qs) + u" ×"_qs
        + QString::number(checked.attempts);
}
} // namespace

class CheckPacingTest : public QObject
{
    Q_OBJECT
private slots:
    // trace: the starts ("TIME:LINK,LINK") and notices ("TIME! TEXT") in time order, joined by
    // " | ", or "" to skip it. outcome: each run of links with the same outcome in input order
    // ("COUNT OUTCOME"), then what the site counted (the blocked requests only where it blocked)
    // and when the run ended.
    void pacingDecisions_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("links");
        QTest::addColumn<QString>("site");
        QTest::addColumn<QString>("trace");
        QTest::addColumn<QString>("outcome");
        const auto row = [](const char *name, const char *settings, const char *links,
                            const char *site, const char *trace, const char *outcome) {
            QTest::newRow(name) << QString::fromUtf8(settings) << QString::fromUtf8(links)
                                << QString::fromUtf8(site) << QString::fromUtf8(trace)
                                << QString::fromUtf8(outcome);
        };

        row("a free host takes every job at once", "jobs=2", "a*4", "", "0:0,1 | 100:2,3",
            "4 valid 200 ×1 | requests 4, ended at 200");
        row("jobs are shared by all hosts", "jobs=2", "a b c", "", "0:0,1 | 100:2",
            "3 valid 200 ×1 | requests 3, ended at 200");
        row("the user's rate caps every host", "jobs=4 rate=2", "a*3 b*2", "",
            "0:0,3 | 500:1,4 | 1000:2", "5 valid 200 ×1 | requests 5, ended at 1100");
        row("a limiting page among good answers slows the host", "jobs=2", "a*12", "a bot #5",
            "0:0,1 | 100:2,3 | 200:4,5 | 400:6 | 500! a limits our requests (bot check); slowing "
            "to 10 a second | 500:4 | 600:7 | 700:8 | 800:9 | 900:10 | 1000:11",
            "4 valid 200 ×1 | 1 valid 200 ×2 | 7 valid 200 ×1 | requests 13, ended at 1100");
        row("a limit without Retry-After pauses for the new spacing", "jobs=1", "a*4", "a 503 #2",
            "0:0 | 100:1 | 300:2 | 400! a limits our requests (HTTP 503 (service unavailable)); "
            "slowing to 10 a second | 400:1 | 500:3",
            "1 valid 200 ×1 | 1 valid 200 ×2 | 2 valid 200 ×1 | requests 5, ended at 600");
        row("a 429 with Retry-After pauses the host that long", "jobs=2", "a*6", "a 429 #3 ra=2",
            "0:0,1 | 100:2,3 | 2200:4 | 2300! a limits our requests (HTTP 429 (rate limited)); "
            "slowing to 10 a second | 2300:2 | 2400:5",
            "2 valid 200 ×1 | 1 valid 200 ×2 | 3 valid 200 ×1 | requests 7, ended at 2500");
        row("only the last second's answers set the allowance", "jobs=1", "a*16", "a 429 #12",
            "0:0 | 100:1 | 200:2 | 300:3 | 400:4 | 500:5 | 600:6 | 700:7 | 800:8 | 900:9 | 1000:10 "
            "| 1100:11 | 1322:12 | 1422! a limits our requests (HTTP 429 (rate limited)); slowing "
            "to 8.2 a second | 1422:11 | 1544:13 | 1666:14 | 1788:15",
            "11 valid 200 ×1 | 1 valid 200 ×2 | 4 valid 200 ×1 | requests 17, ended at 1888");
        row("a block pauses the host, probes it and resumes on a ramp", "jobs=2", "a*14",
            "a block #5 10000",
            "0:0,1 | 100:2,3 | 200:4,5 | 400:6 | 500! a asks to confirm we are not a bot; pausing, "
            "next try in 2 s | 2500:7 | 5600:8 | 10200:9 | 10300! a answers again | 10300:4 | "
            "11150:5 | 11907:6 | 12622:7 | 13297:8 | 13934:10 | 14535:11 | 15102:12 | 15637:13",
            "4 valid 200 ×1 | 5 valid 200 ×2 | 5 valid 200 ×1 | requests 19, blocked 5 in 1 "
            "blocks, ended at 15737");
        row("a block does not hold back another host", "jobs=2", "a*3 b*4", "a block #1 10000",
            "0:0,1 | 100:3,4 | 200:2,5 | 300! a asks to confirm we are not a bot; pausing, next "
            "try in 2 s | 300:6 | 2300:0 | 5400:1 | 10000:2 | 10100! a answers again | 10100:0,1",
            "2 valid 200 ×3 | 1 valid 200 ×2 | 4 valid 200 ×1 | requests 12, blocked 5 in 1 "
            "blocks, ended at 10200");
        row("a Retry-After during a block sets the next probe", "jobs=1", "a*4",
            "a 429 200-8000 ra=3",
            "0:0 | 100:1 | 200:2 | 3300:3 | 3400! a refuses us (HTTP 429 (rate limited)); pausing, "
            "next try in 3 s | 6400:2 | 9500:3 | 9600! a answers again | 9600:2",
            "2 valid 200 ×1 | 1 valid 200 ×3 | 1 valid 200 ×2 | requests 7, ended at 9700");
        row("a host blocking past --max-wait is given up", "jobs=2 maxwait=10", "a*10", "a bot",
            "0:0,1 | 200:2 | 300! a asks to confirm we are not a bot; pausing, next try in 2 s | "
            "2300:3 | 5400:4 | 10000:5 | 10100! a has blocked us for 10 s; its 10 links left are "
            "unknown",
            "6 unknown bot check 200 ×1 | 4 unknown site blocking: not tried - ×0 | requests 6, "
            "ended at 10100");
        row("a slowed host doubles its fetches each second of good answers", "jobs=4 latency=300",
            "a*20", "a 429 #5",
            "0:0,1,2,3 | 300:4,5,6,7 | 700:8 | 1000! a limits our requests (HTTP 429 (rate "
            "limited)); slowing to 10 a second | 1000:4 | 1100:9 | 1300:10 | 1400:11 | 1600:12 | "
            "1700:13 | 1900:14 | 2000:15 | 2100:16 | 2199:17 | 2298:18 | 2397:19",
            "4 valid 200 ×1 | 1 valid 200 ×2 | 15 valid 200 ×1 | requests 21, ended at 2697");
        row("a 20 s block from the 50th request, longer by each request during it",
            "jobs=8 latency=50", "a*300", "a block #50 20000 +250", "",
            "49 valid 200 ×1 | 12 valid 200 ×2 | 239 valid 200 ×1 | requests 312, blocked 12 in 1 "
            "blocks, ended at 31702");
        row("an allowance of 40 at once and 4 a second, a 15 s block when it runs out",
            "jobs=8 latency=50", "a*300", "a allowance 40 4 15000", "",
            "41 valid 200 ×1 | 11 valid 200 ×2 | 38 valid 200 ×1 | 8 valid 200 ×2 | 202 valid 200 "
            "×1 | requests 319, blocked 19 in 2 blocks, ended at 88869");
        row("a limiting answer from before the pause, after the probe, changes nothing", "jobs=2",
            "a*6", "a 429 #1 late=300; a 429 #2",
            "0:0,1 | 200:2 | 300! a limits our requests (HTTP 429 (rate limited)); slowing to 10 a "
            "second | 400:0 | 500:1 | 600:3 | 700:4 | 800:5",
            "2 valid 200 ×2 | 4 valid 200 ×1 | requests 8, ended at 900");
        row("a link that keeps drawing bot checks is unknown, its host keeps its pace", "jobs=2",
            "a*12", "a bot link=3",
            "0:0,1 | 100:2,3 | 300:4 | 400! a limits our requests (bot check); slowing to 10 a "
            "second | 400:3 | 500! a no longer limits our requests | 500:5,6 | 600:7,8 | 700:9,10 "
            "| 800:11 | 2500:3 | 6600:3",
            "3 valid 200 ×1 | 1 unknown bot check 200 ×4 | 8 valid 200 ×1 | requests 15, ended at "
            "6700");
        row("giving up on a host leaves another host's retries waiting", "jobs=2 maxwait=2",
            "b a*3", "a bot; b 500 #1; b 500 #2",
            "0:0,1 | 200:2 | 300! a asks to confirm we are not a bot; pausing, next try in 2 s | "
            "1100:0 | 2100:3 | 2200! a has blocked us for 2 s; its 3 links left are unknown | "
            "3200:0",
            "1 valid 200 ×3 | 3 unknown bot check 200 ×1 | requests 6, ended at 3300");
        row("an allowance of 20 at once and 10 a second, 5 s blocks", "jobs=8 latency=50", "a*600",
            "a allowance 20 10 5000", "",
            "21 valid 200 ×1 | 5 valid 200 ×2 | 27 valid 200 ×1 | 6 valid 200 ×2 | 541 valid 200 "
            "×1 | requests 611, blocked 11 in 2 blocks, ended at 69677");
        row("a probe spends at most half of a small burst", "jobs=8 latency=50", "a*1200",
            "a allowance 4 10 5000", "",
            "4 valid 200 ×1 | 6 valid 200 ×2 | 32 valid 200 ×1 | 4 valid 200 ×2 | 1154 valid 200 "
            "×1 | requests 1210, blocked 10 in 2 blocks, ended at 147944");
        row("a stretch too short to show the refill gives a floor, asked faster till a block tells",
            "jobs=8 latency=50", "a*100", "a allowance 5 1 5000", "",
            "5 valid 200 ×1 | 5 valid 200 ×2 | 1 valid 200 ×1 | 3 valid 200 ×2 | 51 valid 200 ×1 | "
            "3 valid 200 ×2 | 32 valid 200 ×1 | requests 111, blocked 11 in 3 blocks, ended at "
            "104920");
        row("after the second block the estimate holds: no more blocks in 4,000 links",
            "jobs=8 latency=50", "a*4000", "a allowance 20 10 5000", "",
            "21 valid 200 ×1 | 5 valid 200 ×2 | 27 valid 200 ×1 | 6 valid 200 ×2 | 3941 valid 200 "
            "×1 | requests 4011, blocked 11 in 2 blocks, ended at 425697");
        row("a host that blocks for good", "jobs=8 latency=50", "a*300", "a block #1 100000000", "",
            "18 unknown bot check 200 ×1 | 282 unknown site blocking: not tried - ×0 | requests "
            "18, blocked 18 in 1 blocks, ended at 120100");
        row("a Retry-After of exactly --max-wait is waited for", "maxwait=5", "a", "a 429 #1 ra=5",
            "0:0 | 5100:0 | 5200! a limits our requests (HTTP 429 (rate limited)); slowing to 10 a "
            "second",
            "1 valid 200 ×2 | requests 2, ended at 5200");
        row("a longer Retry-After decides the link, the host waits --max-wait", "jobs=1 maxwait=5",
            "a*3", "a 429 #1 ra=300",
            "0:0 | 5100:1 | 5200! a limits our requests (HTTP 429 (rate limited)); slowing to 10 a "
            "second | 5200:2",
            "1 unknown HTTP 429 (rate limited), asked to wait 300 s 429 ×1 | 2 valid 200 ×1 | "
            "requests 3, ended at 5300");
        row("a Retry-After past what milliseconds hold is too long, not now", "jobs=1 maxwait=5",
            "a*3 b c",
            "a 429 #1 ra=9223372036854776; b bot #1 ra=9223372036854775807; c 500 #1 "
            "ra=9223372036854776",
            "0:0 | 100:3 | 200:4 | 5100:1 | 5200! a limits our requests (HTTP 429 (rate limited)); "
            "slowing to 10 a second | 5200:2",
            "1 unknown HTTP 429 (rate limited), asked to wait 9223372036854776 s 429 ×1 | 2 valid "
            "200 ×1 | 1 unknown bot check, asked to wait 9223372036854775807 s 200 ×1 | 1 unknown "
            "HTTP 500 (server error), asked to wait 9223372036854776 s 500 ×1 | requests 5, ended "
            "at 5300");
        row("a 500 with Retry-After is retried no sooner", "jobs=1", "a*3", "a 500 #1 ra=3",
            "0:0 | 100:1 | 200:2 | 3100:0",
            "1 valid 200 ×2 | 2 valid 200 ×1 | requests 4, ended at 3200");
        row("a retried link keeps its place in the input order", "jobs=1 latency=500", "a*5",
            "a 500 #1", "0:0 | 500:1 | 1000:2 | 1500:0 | 2000:3 | 2500:4",
            "1 valid 200 ×2 | 4 valid 200 ×1 | requests 6, ended at 3000");
        row("no answer leaves the HTTP status empty", "retries=1", "a", "a none", "0:0 | 1100:0",
            "1 unknown no answer: connection refused - ×2 | requests 2, ended at 1200");
        row("a page that trickles is not retried", "", "a", "a trickle link=0", "0:0",
            "1 unknown page too slow 200 ×1 | requests 1, ended at 120000");
        row("one link's tries stay within three minutes", "", "a", "a hang link=0",
            "0:0 | 121000:0", "1 unknown no answer: timed out - ×2 | requests 2, ended at 181000");
    }
    void pacingDecisions()
    {
        QFETCH(QString, settings);
        QFETCH(QString, links);
        QFETCH(QString, site);
        qint64 latencyMs = 0;
        const SchedulerSettings scheduling = settingsOf(settings, &latencyMs);
        SimulatedSite simulated(site, latencyMs);
        const QStringList linkList = linksOf(links);

        // The trace, with the starts at one time gathered.
        QStringList recorded;
        qint64 lastStartAt = -1;
        simulated.onStart = [&](quint64 id) {
            if (simulated.now() == lastStartAt) {
                recorded.last() += u',' + QString::number(id);
                return;
            }
            lastStartAt = simulated.now();
            recorded << u"%1:%2"_qs.arg(simulated.now()).arg(id);
        };
        CheckScheduler scheduler(
            linkList, scheduling, simulated, [&] { return simulated.now(); }, [] { return 0.0; });
        scheduler.setNotice([&](const QString &line) {
            recorded << u"%1! %2"_qs.arg(simulated.now()).arg(line);
            lastStartAt = -1;
        });
        QList<std::optional<CheckedLink>> decided(linkList.size());
        scheduler.run(
            [&](qsizetype index, const CheckedLink &checked) {
                QVERIFY2(!decided[index], "a link decided twice");
                decided[index] = checked;
            },
            [&] { return simulated.now() < 3'600'000; });

        QStringList outcome;
        QString previous;
        int count = 0;
        for (const auto &checked : std::as_const(decided)) {
            QVERIFY2(checked, "a link left undecided");
            const QString text = outcomeOf(*checked);
            if (text != previous && count > 0) {
                outcome << u"%1 %2"_qs.arg(count).arg(previous);
                count = 0;
            }
            previous = text;
            ++count;
        }
        if (count > 0)
            outcome << u"%1 %2"_qs.arg(count).arg(previous);
        QString counted = u"requests %1"_qs.arg(simulated.requests());
        if (simulated.blocks() > 0)
            counted += u", blocked %1 in %2 blocks"_qs.arg(simulated.blockedRequests())
                           .arg(simulated.blocks());
        outcome << counted + u", ended at %1"_qs.arg(simulated.now());
        QFETCH(QString, trace);
        // PACING_DUMP=1 prints what each row got: the way to write a new row.
        if (qEnvironmentVariableIsSet("PACING_DUMP"))
            qDebug().noquote() << "\n" << recorded.join(u" | ") << "\n" << outcome.join(u" | ");
        if (!trace.isEmpty())
            QCOMPARE(recorded.join(u" | "), trace);
        QTEST(outcome.join(u" | "), "outcome");
    }

    // What the progress bar says while a host holds its links back, each time it changes.
    void progressBarNamesThePausedHost()
    {
        SimulatedSite site(u"a block #2 5000"_qs, 100);
        SchedulerSettings settings;
        settings.jobs = 1;
        CheckScheduler scheduler(
            linksOf(u"a*4"_qs), settings, site, [&] { return site.now(); }, [] { return 0.0; });
        QStringList shown;
        QString last;
        scheduler.run([](qsizetype, const CheckedLink &) {},
                      [&] {
                          const QString text = scheduler.waitingText();
                          if (text != last)
                              shown << u"%1 %2"_qs.arg(site.now()).arg(text).trimmed();
                          last = text;
                          return true;
                      });
        QCOMPARE(
            shown,
            QStringList({"200 waiting 1 s: a is limiting", "300 a is limiting: trying again",
                         "400 a blocks us: next try in 2 s", "1400 a blocks us: next try in 1 s",
                         "2400 a blocks us: trying again", "2500 a blocks us: next try in 3 s",
                         "3500 a blocks us: next try in 2 s", "4500 a blocks us: next try in 1 s",
                         "5500 a blocks us: trying again", "5600"}));
    }
};

QTEST_GUILESS_MAIN(CheckPacingTest)
#include "tst_CheckPacing.moc"
