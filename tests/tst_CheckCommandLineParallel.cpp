// brindlewood-check with several fetches at once: input order kept whatever finishes first,
// the same results for any --jobs, each link decided from its own page, standard input,
// the JSON status, interrupts that clean up, and no progress bar off a terminal.
#include "CheckToolRun.h"
#include "fixture/FixtureServerProcess.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <unistd.h>

namespace {
struct PageKind
{
    const char *video;
    QByteArray line; // what the tool prints after the link, line feed included
};

// Whether any running process names the folder in its command line.
bool processMentions(const QString &folder)
{
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &pid : pids) {
        if (pid.toInt() <= 0)
            continue;
        if (TestFiles::read(QStringLiteral("/proc/%1/cmdline").arg(pid)).contains(folder.toUtf8()))
            return true;
    }
    return false;
}
} // namespace

class CheckCommandLineParallelTest : public QObject
{
    Q_OBJECT

    FixtureServerProcess *m_server = nullptr;
    QTemporaryDir m_dir;
    QString m_temp;
    qsizetype m_requestsBefore = 0;

    QString url(const QString &pathAndQuery) const { return m_server->url(pathAndQuery); }
    QString linkFile(const QStringList &lines)
    {
        static int count = 0;
        return TestFiles::write(m_dir.filePath(QStringLiteral("links-%1.txt").arg(++count)),
                                lines.join(u'\n').toUtf8() + '\n');
    }
    CheckToolOutcome check(const QStringList &arguments, const QByteArray &input = {})
    {
        return runCheckTool(m_temp, arguments, input);
    }
    QStringList newTargets() const
    {
        QStringList targets;
        for (const FixtureServerProcess::Request &request :
             m_server->requests().mid(m_requestsBefore))
            targets << request.target;
        return targets;
    }

    static QList<PageKind> kinds()
    {
        return {{"ok", ""},
                {"error", "Video unavailable ::This video has been removed by the uploader"},
                {"login",
                 "Sign in to confirm your age ::This video may be inappropriate for some "
                 "users."},
                {"no-marker", "URL unavailable"},
                {"404", "URL unavailable"},
                {"comma-reason",
                 "This video is no longer available due to a copyright claim by "
                 "Fixture Films ::Sorry  about that."}};
    }
    // The line the tool prints for a link to the fixture's page of the given kind.
    static QByteArray expectedLine(const QString &link, const PageKind &kind)
    {
        if (kind.line.isEmpty())
            return "valid\t" + link.toUtf8() + '\n';
        return "invalid\t" + link.toUtf8() + '\t' + kind.line + '\n';
    }

private slots:
    void initTestCase()
    {
        QVERIFY(!qEnvironmentVariable("BRINDLEWOOD_CHECK").isEmpty());
        m_server = new FixtureServerProcess({QStringLiteral("--page-kb"), QStringLiteral("200")});
        QVERIFY2(m_server->isRunning(), qPrintable(m_server->errorString()));
    }

    void cleanupTestCase() { delete m_server; }

    void init()
    {
        static int count = 0;
        m_temp = m_dir.filePath(QStringLiteral("temp-%1").arg(++count));
        QVERIFY(QDir().mkpath(m_temp));
        m_requestsBefore = m_server->requests().size();
    }

    void cleanup() { QCOMPARE(leftIn(m_temp), QStringList()); }

    void inputOrderIsKeptWhenLaterLinksFinishFirst()
    {
        // Each link is answered sooner than the one before it, so the fetches end in the
        // reverse of the input order.
        QStringList links;
        QByteArray expected;
        const QList<PageKind> pageKinds = kinds();
        for (int i = 0; i < 8; ++i) {
            const PageKind &kind = pageKinds[i % pageKinds.size()];
            links << url(QStringLiteral("/watch?v=%1&delay=%2").arg(kind.video).arg((8 - i) * 150));
            expected += expectedLine(links.constLast(), kind);
        }
        const CheckToolOutcome outcome = check({"--jobs", "8", linkFile(links)});
        QCOMPARE(outcome.out, expected);
        QCOMPARE(outcome.exitCode, 1);
    }

    void everyLinkIsDecidedFromItsOwnPage()
    {
        // Many pages of different verdicts in flight at once, finishing in a scrambled order:
        // a page file shared or reused between links would file some link by another's page.
        QStringList links;
        QByteArray expected;
        const QList<PageKind> pageKinds = kinds();
        for (int i = 0; i < 36; ++i) {
            const PageKind &kind = pageKinds[(i * 5) % pageKinds.size()];
            links << url(QStringLiteral("/watch?v=%1&delay=%2&n=%3")
                             .arg(kind.video)
                             .arg((i * 37) % 120)
                             .arg(i));
            expected += expectedLine(links.constLast(), kind);
        }
        const CheckToolOutcome outcome = check({"--jobs", "8", linkFile(links)});
        QCOMPARE(outcome.out, expected);

        // Each link was fetched exactly once.
        QStringList targets = newTargets();
        QStringList wanted;
        for (const QString &link : std::as_const(links))
            wanted << QUrl(link).toString(QUrl::RemoveScheme | QUrl::RemoveAuthority);
        targets.sort();
        wanted.sort();
        QCOMPARE(targets, wanted);
    }

    void oneJobAndEightJobsGiveTheSameResults()
    {
        QStringList links;
        const QList<PageKind> pageKinds = kinds();
        for (int i = 0; i < 18; ++i) {
            links << url(QStringLiteral("/watch?v=%1&delay=%2")
                             .arg(pageKinds[(i * 7) % pageKinds.size()].video)
                             .arg((i * 53) % 90));
        }
        links << links.first() << url("/hop/2/watch?v=ok") << url("/watch?v=consent")
              << url("/watch?v=live-offline") << url("/watch?v=empty") << u"-o"_qs << u""_qs;
        const QString file = linkFile(links);
        for (const char *format : {"--no-progress", "--json"}) {
            const CheckToolOutcome one = check({format, "--jobs", "1", file});
            const CheckToolOutcome eight = check({format, "--jobs", "8", file});
            QCOMPARE(eight.out, one.out);
            QCOMPARE(eight.exitCode, one.exitCode);
            QCOMPARE(one.out.count('\n'), links.size() - 1); // the empty line is skipped
        }
    }

    void aLineIsPrintedAsSoonAsItAndTheLinesBeforeItAreDecided()
    {
        // The second link is answered only after a long time; the first line must not wait
        // for it.
        QProcess process;
        process.setProcessEnvironment(checkToolEnvironment(m_temp));
        process.start(qEnvironmentVariable("BRINDLEWOOD_CHECK"),
                      {linkFile({url("/watch?v=ok"), url("/watch?v=ok&delay=60000"),
                                 url("/watch?v=error")})});
        QVERIFY(process.waitForStarted());
        while (!process.canReadLine() && process.state() == QProcess::Running)
            process.waitForReadyRead(1000);
        QCOMPARE(process.state(), QProcess::Running);
        QCOMPARE(process.readLine(), "valid\t" + url("/watch?v=ok").toUtf8() + '\n');
        process.terminate();
        QVERIFY(process.waitForFinished(30'000));
        QCOMPARE(process.exitCode(), 128 + SIGTERM);
        QCOMPARE(process.readAll(), QByteArray());
    }

    void interruptEndsTheFetchesAndCleansUp_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::addColumn<bool>("wholeGroup"); // as Ctrl-C on a terminal sends it
        QTest::newRow("SIGINT") << SIGINT << false;
        QTest::newRow("SIGTERM") << SIGTERM << false;
        QTest::newRow("SIGINT to the process group") << SIGINT << true;
        QTest::newRow("SIGTERM to the process group") << SIGTERM << true;
    }
    void interruptEndsTheFetchesAndCleansUp()
    {
        QFETCH(int, signalNumber);
        QFETCH(bool, wholeGroup);
        QStringList links;
        for (int i = 0; i < 10; ++i)
            links << url(QStringLiteral("/watch?v=ok&delay=60000&n=%1").arg(i));
        QProcess process;
        process.setProcessEnvironment(checkToolEnvironment(m_temp));
        process.setChildProcessModifier([] { ::setpgid(0, 0); });
        process.start(qEnvironmentVariable("BRINDLEWOOD_CHECK"), {"--jobs", "4", linkFile(links)});
        QVERIFY(process.waitForStarted());
        // Interrupt once the fetches are under way.
        QTRY_COMPARE_WITH_TIMEOUT(newTargets().size(), 4, 30'000);
        QVERIFY(processMentions(m_temp));
        const pid_t pid = pid_t(process.processId());
        ::kill(wholeGroup ? -pid : pid, signalNumber);
        QVERIFY(process.waitForFinished(30'000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 128 + signalNumber);
        QCOMPARE(process.readAllStandardOutput(), QByteArray());
        QVERIFY(!processMentions(m_temp)); // the fetch tool ended with it
        QCOMPARE(newTargets().size(), 4); // and nothing was fetched after the interrupt
    }

    void fetchToolEndingEarlyIsAnError()
    {
        QStringList links {url("/watch?v=ok")};
        for (int i = 0; i < 3; ++i)
            links << url(QStringLiteral("/watch?v=ok&delay=60000&n=%1").arg(i));
        QProcess process;
        process.setProcessEnvironment(checkToolEnvironment(m_temp));
        process.start(qEnvironmentVariable("BRINDLEWOOD_CHECK"), {linkFile(links)});
        QVERIFY(process.waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(newTargets().size(), 4, 30'000);
        QTRY_VERIFY(process.canReadLine());
        // Kill the fetch tool, the checker's only child, behind the checker's back.
        const QByteArray children
            = TestFiles::read(QStringLiteral("/proc/%1/task/%1/children").arg(process.processId()));
        QCOMPARE(children.trimmed().split(' ').size(), 1);
        ::kill(pid_t(children.trimmed().toLongLong()), SIGKILL);
        QVERIFY(process.waitForFinished(30'000));
        QCOMPARE(process.exitCode(), 2);
        QByteArray expected = "valid\t" + links[0].toUtf8() + '\n';
        for (qsizetype i = 1; i < links.size(); ++i)
            expected += "invalid\t" + links[i].toUtf8() + "\tURL unavailable\n";
        QCOMPARE(process.readAllStandardOutput(), expected);
        QCOMPARE(process.readAllStandardError().count('\n'), 1);
    }

    void linksComeFromStandardInputForADash()
    {
        const QByteArray input = "\xEF\xBB\xBF" + url("/watch?v=ok").toUtf8() + "\r\n   \r\n\r\n"
            + url("/watch?v=login&t=é").toUtf8() + "\r\n";
        const QString file = linkFile({url("/watch?v=error")});
        const CheckToolOutcome outcome = check({"-", file}, input);
        QCOMPARE(QString::fromUtf8(outcome.out),
                 u"valid\t"_qs + url("/watch?v=ok") + u"\ninvalid\t"_qs + url("/watch?v=login&t=é")
                     + u"\tSign in to confirm your age ::This video may be inappropriate for some "
                       u"users.\ninvalid\t"_qs
                     + url("/watch?v=error")
                     + u"\tVideo unavailable ::This video has been removed by the uploader\n"_qs);
        QCOMPARE(outcome.exitCode, 1);
    }

    void jsonCarriesThePagesStatus_data()
    {
        QTest::addColumn<QString>("video");
        QTest::addColumn<QString>("verdict");
        QTest::addColumn<QJsonValue>("status");
        QTest::newRow("OK") << "ok"
                            << "valid" << QJsonValue(u"OK"_qs);
        QTest::newRow("ERROR") << "error"
                               << "invalid" << QJsonValue(u"ERROR"_qs);
        QTest::newRow("LOGIN_REQUIRED") << "login"
                                        << "invalid" << QJsonValue(u"LOGIN_REQUIRED"_qs);
        QTest::newRow("LOGIN_REQUIRED without a top-level reason")
            << "login-noreason"
            << "invalid" << QJsonValue(u"LOGIN_REQUIRED"_qs);
        QTest::newRow("UNPLAYABLE") << "unplayable"
                                    << "invalid" << QJsonValue(u"UNPLAYABLE"_qs);
        QTest::newRow("no marker") << "no-marker"
                                   << "invalid" << QJsonValue(QJsonValue::Null);
        QTest::newRow("no page") << "404"
                                 << "invalid" << QJsonValue(QJsonValue::Null);
    }
    void jsonCarriesThePagesStatus()
    {
        QFETCH(QString, video);
        QFETCH(QString, verdict);
        QFETCH(QJsonValue, status);
        const QString link = url(u"/watch?v="_qs + video);
        const CheckToolOutcome outcome = check({"--json", linkFile({link})});
        QVERIFY(outcome.out.endsWith('\n'));
        QCOMPARE(outcome.out.count('\n'), 1);
        const QJsonObject object = QJsonDocument::fromJson(outcome.out).object();
        QCOMPARE(object.value("link").toString(), link);
        QCOMPARE(object.value("verdict").toString(), verdict);
        QCOMPARE(object.value("status"), status);
        QVERIFY(object.contains("reason"));
    }

    void noProgressWhenStandardErrorIsNotATerminal()
    {
        QStringList links;
        for (int i = 0; i < 6; ++i)
            links << url(QStringLiteral("/watch?v=ok&delay=%1").arg(i * 120));
        const CheckToolOutcome outcome = check({linkFile(links)});
        QCOMPARE(outcome.exitCode, 0);
        QCOMPARE(outcome.out.count('\n'), 6);
        QCOMPARE(outcome.err, QByteArray());
    }
};

QTEST_GUILESS_MAIN(CheckCommandLineParallelTest)
#include "tst_CheckCommandLineParallel.moc"
