// brindlewood-check LINKFILE... end to end: the real executable and the fixture web server;
// exact output, the three outcomes, retries and pacing, result files, exit statuses, hostile
// links, several fetches at once, standard input, interrupts and a closed output.
#include "CheckToolRun.h"
#include "core/FetchCommand.h"
#include "fixture/FixtureServerProcess.h"
#include "support/TestFiles.h"

#include <QStringEncoder>
#include <QTemporaryDir>

#include <csignal>
#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace {
const QByteArray Gone = "Video unavailable - This video has been removed by the uploader";
const QByteArray AgeGate
    = "Sign in to confirm your age - This video may be inappropriate for some users.";
const QByteArray NoStatus = "?no playability status on the page";
const QByteArray NotFound = "HTTP 404 (not found)";

// Fixture videos and what the tool prints after their link (empty: valid; a leading "?":
// unknown with that cause).
const QList<QPair<QString, QByteArray>> Kinds
    = {{"ok", ""},
       {"error", Gone},
       {"login", AgeGate},
       {"no-marker", NoStatus},
       {"404", NotFound},
       {"comma-reason",
        "This video is no longer available due to a copyright claim by Fixture "
        "Films, Ltd. - Sorry, about that."}};

// The plain output line of a link: valid without a reason, unknown for a reason starting "?",
// invalid otherwise.
QByteArray line(const QString &link, const QByteArray &reason)
{
    if (reason.isEmpty())
        return "valid\t" + link.toUtf8() + '\n';
    if (reason.startsWith('?'))
        return "unknown\t" + link.toUtf8() + '\t' + reason.mid(1) + '\n';
    return "invalid\t" + link.toUtf8() + '\t' + reason + '\n';
}

// True when the test runs under Wine rather than on Windows itself.
bool runsUnderWine()
{
#ifdef Q_OS_WIN
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

// Bytes as the system reads mark-less 8-bit text: UTF-8 on Linux, the ANSI code page on Windows.
QString inSystemCodePage(const QByteArray &bytes)
{
#ifdef Q_OS_WIN
    const int size
        = MultiByteToWideChar(CP_ACP, 0, bytes.constData(), int(bytes.size()), nullptr, 0);
    QString text(size, Qt::Uninitialized);
    MultiByteToWideChar(CP_ACP, 0, bytes.constData(), int(bytes.size()),
                        reinterpret_cast<wchar_t *>(text.data()), size);
    return text;
#else
    return QString::fromUtf8(bytes);
#endif
}
} // namespace

class CheckCommandLineTest : public QObject
{
    Q_OBJECT

    std::optional<FixtureServerProcess> m_server;
    QTemporaryDir m_dir;
    QString m_temp;
    qsizetype m_requestsBefore = 0;

    QString url(const QString &pathAndQuery) const { return m_server->url(pathAndQuery); }
    QString linkFile(const QStringList &lines)
    {
        static int count = 0;
        return TestFiles::write(m_dir.filePath(u"links-%1.txt"_qs.arg(++count)),
                                lines.join("\r\n").toUtf8() + "\r\n");
    }
    CheckToolOutcome check(const QStringList &arguments, const QByteArray &input = {})
    {
        return runCheckTool(m_temp, arguments, input);
    }
    QStringList newTargets() const { return m_server->requestTargets().mid(m_requestsBefore); }
    // Starts the tool in the background on the links.
    void start(QProcess &process, const QStringList &arguments)
    {
        process.setProcessEnvironment(checkToolEnvironment(m_temp));
        process.start(qEnvironmentVariable("BRINDLEWOOD_CHECK"), arguments);
        QVERIFY(process.waitForStarted());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(!qEnvironmentVariable("BRINDLEWOOD_CHECK").isEmpty());
        m_server.emplace(QStringList {"--page-kb", "200"});
        QVERIFY2(m_server->isRunning(), qPrintable(m_server->errorString()));
    }
    void init()
    {
        static int count = 0;
        m_temp = m_dir.filePath(u"temp-%1"_qs.arg(++count));
        QVERIFY(QDir().mkpath(m_temp));
        m_requestsBefore = m_server->requestTargets().size();
    }
    // Whatever a case did, its temporary folder is left as it was found.
    void cleanup() { QCOMPARE(leftIn(m_temp), QStringList()); }

    void mixedListPrintsOneLineEachInInputOrder()
    {
        const QList<QPair<QString, QByteArray>> rows = {
            {"/watch?v=ok", ""},
            {"/watch?v=error", Gone},
            {"   ", "-"},
            {"/watch?v=login", AgeGate},
            {"/watch?v=curly-quote", "This video isn’t available anymore - It’s gone"},
            {"/watch?v=no-marker", NoStatus},
            {"/watch?v=empty", "?empty page"},
            {"/watch?v=404", NotFound},
            {"", "-"},
            {"/hop/3/watch?v=ok", ""},
            {"/watch?v=consent", ""},
            // The reason of the error screen stands in for the missing top-level one.
            {"/watch?v=login-noreason", AgeGate},
            {"/watch?v=unplayable",
             "Video unavailable - The uploader has not made this video available in your country"},
            {"/watch?v=live-offline", "This live event will begin in a few moments."},
            {"/watch?v=echo-user-agent",
             QUrl::toPercentEncoding(QLatin1String(FetchCommand::UserAgent))},
            {"/watch?v=long-reason", QByteArray(999, 'r') + "\u2026"},
            // Too long for one program argument, and a link the fetch list would have doubled:
            // each is decided alone, and both are fetched whole.
            {"/watch?v=ok&pad=" + QString(128 * 1024, u'a'), ""},
            {"/watch?v=ok&pad=" + QString(60 * 1024, u'"'), ""},
            {"/watch?v=ok", ""}};
        QStringList links;
        QByteArray expected;
        for (const auto &[path, reason] : rows) {
            links << (path.startsWith(u'/') ? url(path) : path);
            if (reason != "-")
                expected += line(links.last(), reason);
        }
        const CheckToolOutcome outcome = check({"--no-progress", linkFile(links)});
        QCOMPARE(outcome.out, expected);
        QCOMPARE(outcome.exitCode, 1);
        QCOMPARE(outcome.err, QByteArray());
        for (const FixtureServerProcess::Request &request :
             m_server->requests().mid(m_requestsBefore)) {
            QCOMPARE(request.userAgent, QLatin1String(FetchCommand::UserAgent));
            QCOMPARE(request.cookie, u"SOCS=CAI"_qs);
        }
    }

    // Exit 0 when every link is valid or there is none; no progress off a terminal. The
    // temporary folder's odd name reaches the fetch list's page paths intact.
    void allValidExitsWithZero()
    {
#ifdef Q_OS_WIN // where a folder's name holds no quote, backslash or tab
        const QString odd = m_dir.filePath("odd 'temp' folder #1 (é)");
#else
        const QString odd = m_dir.filePath("odd \"temp\" \\ folder\t#1");
#endif
        QVERIFY(QDir().mkpath(odd));
        const QStringList links {url("/watch?v=ok"), url("/watch?v=slow")};
        CheckToolOutcome outcome = runCheckTool(odd, {linkFile(links)});
        QCOMPARE(outcome.out, line(links[0], {}) + line(links[1], {}));
        QCOMPARE(outcome.exitCode, 0);
        QCOMPARE(outcome.err, QByteArray());
        QCOMPARE(leftIn(odd), QStringList());
        outcome = check({linkFile({"  ", ""})});
        QCOMPARE(outcome.out, QByteArray());
        QCOMPARE(outcome.exitCode, 0);
    }

    void jsonLinesCarryTheStatusInFieldOrder()
    {
        const CheckToolOutcome outcome
            = check({"--json",
                     linkFile({url("/watch?v=ok"), url("/watch?v=404"), url("/watch?v=login"),
                               url("/watch?v=error")})});
        QCOMPARE(outcome.exitCode, 1);
        const auto json = [](const QString &link, const QByteArray &verdict,
                             const QByteArray &reason, const QByteArray &subreason,
                             const QByteArray &status, const QByteArray &http) {
            // A watch page names its video; an error answer does not.
            const QByteArray video = http == "200"
                ? ",\"title\":\"Fixture video\",\"channel\":\"Fixture\",\"channel_id\":"
                  "\"UCfixture000000000000000\",\"length_seconds\":212"
                : "";
            return "{\"link\":\"" + link.toUtf8() + "\",\"verdict\":\"" + verdict
                + "\",\"reason\":\"" + reason + "\",\"subreason\":" + subreason + ",\"status\":"
                + status + ",\"cause\":null" + video + ",\"http\":" + http + ",\"attempts\":1}\n";
        };
        QCOMPARE(outcome.out,
                 json(url("/watch?v=ok"), "valid", "", "null", "\"OK\"", "200")
                     + json(url("/watch?v=404"), "invalid", NotFound, "null", "null", "404")
                     + json(url("/watch?v=login"), "invalid", "Sign in to confirm your age",
                            "\"This video may be inappropriate for some users.\"",
                            "\"LOGIN_REQUIRED\"", "200")
                     + json(url("/watch?v=error"), "invalid", "Video unavailable",
                            "\"This video has been removed by the uploader\"", "\"ERROR\"", "200"));
    }

    void resultFilesHoldTheLinksAsTheSaveButtonsWriteThem()
    {
        const QString validOut = m_dir.filePath("valid.txt");
        const QString invalidOut = TestFiles::write(m_dir.filePath("invalid.txt"), "older\r\n");
        const QString curly = url("/watch?v=curly-quote&t=é");
        CheckToolOutcome outcome = check(
            {"--valid-out", validOut, "--invalid-out", invalidOut,
             linkFile({url("/watch?v=ok"), curly, url("/watch?v=ok&n=2"), url("/watch?v=404")})});
        QCOMPARE(outcome.exitCode, 1);
        QCOMPARE(TestFiles::read(validOut),
                 url("/watch?v=ok").toUtf8() + "\r\n" + url("/watch?v=ok&n=2").toUtf8() + "\r\n");
        QCOMPARE(TestFiles::read(invalidOut),
                 curly.toUtf8() + "\r\n" + url("/watch?v=404").toUtf8() + "\r\n");
        // An empty result list gives an empty file.
        outcome = check({"--invalid-out", invalidOut, linkFile({url("/watch?v=ok")})});
        QCOMPARE(outcome.exitCode, 0);
        QVERIFY(QFileInfo::exists(invalidOut));
        QCOMPARE(TestFiles::read(invalidOut), QByteArray());
    }

    // A FIFO or a device named as a result file is written into, never replaced by a file.
    void resultFilesMayBeFifosAndDevices()
    {
#ifdef Q_OS_WIN
        QSKIP("Windows has no FIFOs and no device nodes to make");
#else
        const QString fifo = m_dir.filePath("valid.fifo");
        const QString device = m_dir.filePath("null");
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        QVERIFY(::mknod(QFile::encodeName(device).constData(), S_IFCHR | 0666, makedev(1, 3)) == 0);
        QProcess reader;
        reader.start("cat", {fifo});
        QVERIFY(reader.waitForStarted());
        const CheckToolOutcome outcome
            = check({"--valid-out", fifo, "--invalid-out", device,
                     linkFile({url("/watch?v=ok"), url("/watch?v=error")})});
        QCOMPARE(outcome.exitCode, 1);
        QVERIFY(ChildEnd::waitFor(reader, 30'000));
        QCOMPARE(reader.readAllStandardOutput(), url("/watch?v=ok").toUtf8() + "\r\n");
        QVERIFY(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
        QVERIFY(QFileInfo(device).exists() && !QFileInfo(device).isFile());
#endif
    }

    void fileErrorsExitWithTwoBeforeAnyFetch_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("target"); // a path that cannot exist, or a read-only kind
        QTest::newRow("missing link file") << QString() << QString();
        QTest::newRow("valid-out cannot be written") << u"--valid-out"_qs << u"impossible"_qs;
        QTest::newRow("invalid-out cannot be written") << u"--invalid-out"_qs << u"impossible"_qs;
#ifndef Q_OS_WIN // which has neither FIFOs nor device nodes
        QTest::newRow("valid-out a read-only FIFO") << u"--valid-out"_qs << u"FIFO"_qs;
        QTest::newRow("valid-out a read-only device") << u"--valid-out"_qs << u"device"_qs;
#endif
    }
    void fileErrorsExitWithTwoBeforeAnyFetch()
    {
        QFETCH(QString, option);
        QFETCH(QString, target);
        const QString links = linkFile({url("/watch?v=ok")});
        QString path = TestFiles::impossiblePath(m_dir.path());
#ifndef Q_OS_WIN
        if (target == u"FIFO" || target == u"device") {
            path = m_dir.filePath(u"read-only "_qs + target);
            const QByteArray name = QFile::encodeName(path);
            QVERIFY(target == u"FIFO"
                        ? ::mkfifo(name.constData(), 0444) == 0
                        : ::mknod(name.constData(), S_IFCHR | 0444, makedev(1, 3)) == 0);
        }
#endif
        // Root may write whatever the permissions say: the tool runs without that power, so a
        // read-only target is read-only to it as to anyone else.
        const CheckToolOutcome outcome = runCheckTool(
            m_temp,
            option.isEmpty() ? QStringList {links, m_dir.filePath("missing links.txt")}
                             : QStringList {option, path, links},
            {}, [] {
#ifdef Q_OS_LINUX
                ::prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0);
#endif
            });
        QCOMPARE(outcome.exitCode, 2);
        QCOMPARE(outcome.out, QByteArray());
        QCOMPARE(outcome.err.count('\n'), 1);
        QCOMPARE(newTargets(), QStringList());
    }

    // A full disk (here a file-size limit on the tool, its signal ignored) fails a write with
    // the system's reason and exit 2 once the results are printed, even when everything
    // written fits in the write buffer; a result file keeps its old content.
    void writesThatDoNotFitExitWithTwoAndTheSystemsReason_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("error"); // %1: the file
        QTest::newRow("result file") << u"--valid-out"_qs << QByteArray("old 1\r\nold 2\r\n")
                                     << u"Cannot write to \"%1\": File too large"_qs;
        QTest::newRow("cache") << u"--cache"_qs << QByteArray()
                               << u"Cannot write \"%1\": File too large"_qs;
    }
    void writesThatDoNotFitExitWithTwoAndTheSystemsReason()
    {
#ifdef Q_OS_WIN
        QSKIP("Windows has no file-size limit (RLIMIT_FSIZE) to stand for a full disk");
#else
        QFETCH(QString, option);
        QFETCH(QByteArray, before);
        QFETCH(QString, error);
        // The cache of JSON lines: a store is created whole at the start (the unit test of
        // the store fills one up).
        const QString target = TestFiles::write(
            m_dir.filePath(option.mid(2) + (option == u"--cache" ? ".full.jsonl" : ".full")),
            before);
        const QStringList links {url("/watch?v=ok&full=1"), url("/watch?v=ok&full=2"),
                                 url("/watch?v=ok&full=3")};
        const CheckToolOutcome outcome
            = runCheckTool(m_temp, {option, target, linkFile(links)}, {}, [] {
                  rlimit limit {};
                  ::getrlimit(RLIMIT_FSIZE, &limit);
                  limit.rlim_cur = 40;
                  ::setrlimit(RLIMIT_FSIZE, &limit);
                  ::signal(SIGXFSZ, SIG_IGN);
              });
        QCOMPARE(outcome.out, line(links[0], {}) + line(links[1], {}) + line(links[2], {}));
        QCOMPARE(outcome.err, "brindlewood-check: " + error.arg(target).toUtf8() + '\n');
        QCOMPARE(outcome.exitCode, 2);
        if (option == u"--valid-out")
            QCOMPARE(TestFiles::read(target), before);
        QCOMPARE(QDir(m_dir.path()).entryList({QFileInfo(target).fileName() + '*'}),
                 QStringList {QFileInfo(target).fileName()});
#endif
    }

    void hostileLinkIsFetchedAtMostOnceExactlyAsTyped_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QByteArray>("reason"); // as line() takes it
        QTest::addColumn<QStringList>("targets"); // what the server sees, each once
        QTest::addColumn<qint64>("maxBytesSent"); // of an endless answer; 0 for none
        const QString planted = m_dir.filePath("planted");
        const QString page
            = TestFiles::write(m_dir.filePath("local-page.html"),
                               "{\"playabilityStatus\":{\"status\":\"OK\",\"x\":1}}");
        const QByteArray badAddress = "not a valid address";
        QTest::newRow("quote then options")
            << url("/watch?v=ok\" -o ") + planted + " --url \"" + url("/watch?v=ok") << badAddress
            << QStringList {} << qint64(0);
        QTest::newRow("-o then a path")
            << "-o " + planted << badAddress << QStringList {} << qint64(0);
        QTest::newRow("-o alone") << u"-o"_qs << QByteArray("?no answer: host not found")
                                  << QStringList {} << qint64(0);
        QTest::newRow("range") << url("/[1-100000]") << NotFound << QStringList {"/[1-100000]"}
                               << qint64(0);
        QTest::newRow("braces") << url("/{watch,x}") << NotFound << QStringList {"/{watch,x}"}
                                << qint64(0);
        // Never sent to a host of that name: the window's fetch refuses it as well.
        QTest::newRow("bare video id") << u"  dQw4w9WgXcQ"_qs << QByteArray("not a web address")
                                       << QStringList {} << qint64(0);
        QTest::newRow("file address")
            << "file://" + page << QByteArray("not a web address") << QStringList {} << qint64(0);
        QTest::newRow("redirect to a file address")
            << url("/to-file") << QByteArray("?redirect to a non-web address")
            << QStringList {"/to-file"} << qint64(0);
        QTest::newRow("redirect to an ftp address")
            << url("/to-ftp") << QByteArray("?redirect to a non-web address")
            << QStringList {"/to-ftp"} << qint64(0);
        QTest::newRow("endless body") << url("/") << QByteArray("?page over 64 MiB")
                                      << QStringList {"/"} << qint64(100) * 1024 * 1024;
        QTest::newRow("declared too long")
            << url("/watch?v=huge") << QByteArray("?page over 64 MiB")
            << QStringList {"/watch?v=huge"} << qint64(16) * 1024 * 1024; // refused unread
    }
    void hostileLinkIsFetchedAtMostOnceExactlyAsTyped()
    {
        QFETCH(QString, link);
        QFETCH(QByteArray, reason);
        QFETCH(QStringList, targets);
        QFETCH(qint64, maxBytesSent);
        const qsizetype answersBefore
            = targets.isEmpty() ? 0 : m_server->bytesSentTo(targets.first()).size();
        const CheckToolOutcome outcome = check({"--retries", "0", linkFile({link})});
        QCOMPARE(outcome.out, line(link, reason));
        QCOMPARE(outcome.exitCode, reason.startsWith('?') ? 3 : 1);
        QCOMPARE(newTargets(), targets);
        if (maxBytesSent > 0) {
            QTRY_COMPARE(m_server->bytesSentTo(targets.first()).size(), answersBefore + 1);
            const qint64 sent = m_server->bytesSentTo(targets.first()).constLast();
            QVERIFY2(sent <= maxBytesSent, QByteArray::number(sent).constData());
        }
        QVERIFY(!QFileInfo::exists(m_dir.filePath("planted")));
        QVERIFY(!QFileInfo::exists("planted"));
    }

    // Answers that break off: whether asking again may help, and the words for what happened.
    void brokenAnswerHasItsCause_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("cause");
        QTest::addColumn<int>("attempts"); // with one retry allowed
        QTest::newRow("empty reply") << u"/no-reply"_qs << u"no answer: empty reply"_qs << 2;
        // Wine's recv() answers a connection reset before any answer with its end (no bytes),
        // where Linux and Windows report the reset: to curl under Wine it is an empty reply.
        QTest::newRow("reset before an answer")
            << u"/reset"_qs
            << (runsUnderWine() ? u"no answer: empty reply"_qs : u"no answer: connection reset"_qs)
            << 2;
        QTest::newRow("reset after the headers")
            << u"/reset?after=headers"_qs << u"page cut short"_qs << 2;
        QTest::newRow("a header of 1 MiB")
            << u"/huge-header"_qs << u"answer headers too large"_qs << 1;
        QTest::newRow("20,000 headers")
            << u"/many-headers"_qs << u"answer headers too large"_qs << 1;
    }
    void brokenAnswerHasItsCause()
    {
        QFETCH(QString, path);
        QFETCH(int, attempts);
        const CheckToolOutcome outcome = check({"--json", "--retries", "1", linkFile({url(path)})});
        const QList<QJsonObject> objects = jsonLines(outcome.out);
        QCOMPARE(objects.size(), 1);
        QCOMPARE(objects[0].value("verdict").toString(), u"unknown"_qs);
        QTEST(objects[0].value("reason").toString(), "cause");
        QCOMPARE(objects[0].value("attempts").toInt(), attempts);
        QCOMPARE(newTargets(), QStringList(attempts, path));
        QCOMPARE(outcome.exitCode, 3);
    }

    // Many pages of different verdicts in flight at once, the first finishing last and the rest
    // in a scrambled order: the output keeps the input order, and a page file shared between
    // links would file some link by another's page.
    void oneJobAndEightJobsGiveTheSameResults()
    {
        QStringList links;
        QByteArray expected;
        for (int i = 0; i < 30; ++i) {
            const auto &[video, reason] = Kinds[(i * 5) % Kinds.size()];
            links << url(
                u"/watch?v=%1&delay=%2&n=%3"_qs.arg(video).arg(i ? (i * 37) % 120 : 600).arg(i));
            expected += line(links.last(), reason);
        }
        links << links.first() << url("/hop/2/watch?v=ok") << url("/watch?v=consent")
              << url("/watch?v=live-offline") << url("/watch?v=empty") << "-o"
              << "";
        const QString file = linkFile(links);
        for (const char *format : {"--no-progress", "--json"}) {
            const CheckToolOutcome one = check({format, "--retries", "0", "--jobs", "1", file});
            const CheckToolOutcome eight = check({format, "--retries", "0", "-j", "8", file});
            QCOMPARE(eight.out, one.out);
            QCOMPARE(eight.exitCode, one.exitCode);
            QCOMPARE(one.out.count('\n'), links.size() - 1); // the empty line is skipped
            if (format == QByteArray("--no-progress"))
                QVERIFY(eight.out.startsWith(expected));
        }
    }

    void aLineIsPrintedAsSoonAsItAndTheLinesBeforeItAreDecided()
    {
        QProcess process;
        start(process,
              {linkFile(
                  {url("/watch?v=ok"), url("/watch?v=ok&delay=60000"), url("/watch?v=error")})});
        while (!process.canReadLine() && process.state() == QProcess::Running)
            process.waitForReadyRead(1000);
        QCOMPARE(process.readLine(), printed(line(url("/watch?v=ok"), {})));
#ifdef Q_OS_WIN
        // A console program on Windows gets no SIGTERM; ending it is all that is left.
        process.kill();
        QVERIFY(ChildEnd::waitFor(process, 30'000));
#else
        process.terminate();
        QVERIFY(ChildEnd::waitFor(process, 30'000));
        QCOMPARE(process.exitCode(), 128 + SIGTERM);
        QCOMPARE(process.readAll(), QByteArray());
#endif
    }

    void interruptEndsTheFetchesAndCleansUp_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::addColumn<bool>("wholeGroup"); // as Ctrl-C on a terminal sends it
#ifdef Q_OS_WIN
        QSKIP("Windows has no POSIX signals to send to a program");
#else
        QTest::newRow("SIGINT") << SIGINT << false;
        QTest::newRow("SIGTERM") << SIGTERM << false;
        QTest::newRow("SIGINT to the process group") << SIGINT << true;
        QTest::newRow("SIGTERM to the process group") << SIGTERM << true;
        QTest::newRow("SIGHUP") << SIGHUP << false;
        QTest::newRow("SIGUSR1") << SIGUSR1 << false;
#endif
    }
    void interruptEndsTheFetchesAndCleansUp()
    {
#ifndef Q_OS_WIN
        QFETCH(int, signalNumber);
        QFETCH(bool, wholeGroup);
        QStringList links;
        for (int i = 0; i < 10; ++i)
            links << url(u"/watch?v=ok&delay=60000&n=%1"_qs.arg(i));
        QProcess process;
        process.setChildProcessModifier([] { ::setpgid(0, 0); });
        start(process, {"--jobs", "4", linkFile(links)});
        QTRY_COMPARE_WITH_TIMEOUT(newTargets().size(), 4, 30'000);
        const pid_t pid = pid_t(process.processId());
        ::kill(wholeGroup ? -pid : pid, signalNumber);
        QVERIFY(ChildEnd::waitFor(process, 30'000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 128 + signalNumber);
        QCOMPARE(process.readAllStandardOutput(), QByteArray());
        QCOMPARE(newTargets().size(), 4); // nothing was fetched after the interrupt
#endif
    }

    // A UTF-16 link file can hold a surrogate without its partner, which no address can
    // carry: that link alone is refused, unfetched, and the others are checked.
    void linkWithALoneSurrogateIsRefusedAlone()
    {
        const QString good = url("/watch?v=ok&s=1");
        QString broken = url("/watch?v=ok&s=");
        broken += QChar(0xD800);
        QStringEncoder utf16(QStringConverter::Utf16LE);
        const QByteArray bytes
            = "\xFF\xFE" + QByteArray(utf16.encode(broken + u"\r\n"_qs + good + u"\r\n"_qs));
        const QString file = TestFiles::write(m_dir.filePath("surrogate.txt"), bytes);
        const CheckToolOutcome outcome = check({"--json", file});
        const QList<QJsonObject> objects = jsonLines(outcome.out);
        QCOMPARE(objects.size(), 2);
        QCOMPARE(objects[0].value("verdict").toString(), u"invalid"_qs);
        QCOMPARE(objects[0].value("reason").toString(), u"not a valid address"_qs);
        QCOMPARE(objects[0].value("attempts").toInt(), 1);
        QCOMPARE(objects[1].value("verdict").toString(), u"valid"_qs);
        QCOMPARE(newTargets(), QStringList {"/watch?v=ok&s=1"});

        // A file that ends in half a character: its last line is not known, and not fetched.
        const QString odd = TestFiles::write(m_dir.filePath("odd.txt"), bytes + "A");
        const QList<QJsonObject> cut = jsonLines(check({"--json", odd}).out);
        QCOMPARE(cut.size(), 3);
        QCOMPARE(cut[2].value("verdict").toString(), u"unknown"_qs);
        QCOMPARE(cut[2].value("cause").toString(), u"not valid UTF-16"_qs);
        QCOMPARE(newTargets(), (QStringList {"/watch?v=ok&s=1", "/watch?v=ok&s=1"}));
    }

    // A line is checked without the blanks and tabs around it, as --normalize reads it, and
    // printed and saved as it stood; a line that is not valid UTF-8 is not fetched as some
    // other address. A mark-less file that is not UTF-8 is read as the system reads 8-bit
    // text: on Linux as UTF-8, so the Latin-1 line has bad bytes and is unknown; on Windows in
    // the ANSI code page (older Windows programs write such files), where the same bytes are
    // a link like any other, checked and saved as read there.
    void linkLineIsCheckedTrimmedAndNeverAsAnotherAddress()
    {
        const QByteArray ok = url("/watch?v=ok&n=1").toUtf8();
        const QByteArray error = url("/watch?v=error&n=2").toUtf8();
        const QByteArray latin1 = url("/watch?v=ok&n=").toUtf8() + "\xE9t\xE9";
        const QByteArray last = url("/watch?v=ok&n=4").toUtf8();
        const QString validOut = m_dir.filePath("as-it-stood.txt");
        const CheckToolOutcome outcome
            = check({"--valid-out", validOut,
                     TestFiles::write(m_dir.filePath("blanks.txt"),
                                      ok + " \t\r\n\t" + error + "\n" + latin1 + "\r\n" + last)});
        const QString readText = inSystemCodePage(latin1);
        const bool badBytes = readText.contains(QChar::ReplacementCharacter);
        const QByteArray read = readText.toUtf8();
        QCOMPARE(
            outcome.out,
            "valid\t" + ok + " \\t\ninvalid\t\\t" + error + '\t' + Gone + '\n'
                + (badBytes ? "unknown\t" + read + "\tnot valid UTF-8\n" : "valid\t" + read + '\n')
                + "valid\t" + last + '\n');
        QCOMPARE(outcome.exitCode, 1);
        QStringList targets {"/watch?v=ok&n=1", "/watch?v=error&n=2", "/watch?v=ok&n=4"};
        if (!badBytes)
            targets.insert(2, QString::fromLatin1(read.sliced(url({}).size()))); // as it came
        QCOMPARE(newTargets(), targets);
        QCOMPARE(TestFiles::read(validOut),
                 ok + " \t\r\n" + (badBytes ? QByteArray() : read + "\r\n") + last + "\r\n");
    }

    // A pipe, a FIFO or process substitution is read once, like a regular file.
    void linkFilesMayBePipes()
    {
#ifdef Q_OS_WIN
        QSKIP("Windows has no FIFOs, no bash and no /dev/stdin (standard input is read by "
              "linksComeFromStandardInputForADash)");
#else
        const QString fifo = m_dir.filePath("links.fifo");
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        QProcess shell;
        shell.setProcessEnvironment(checkToolEnvironment(m_temp));
        shell.start("bash",
                    {"-c",
                     "printf '%s\\n' \"$1\" > \"$2\" & \"$0\" \"$2\" <(printf '%s\\n' \"$3\") "
                     "/dev/stdin < <(printf '%s\\n' \"$4\")",
                     qEnvironmentVariable("BRINDLEWOOD_CHECK"), url("/watch?v=ok&p=1"), fifo,
                     url("/watch?v=ok&p=2"), url("/watch?v=error&p=3")});
        QVERIFY(ChildEnd::waitFor(shell, 60'000));
        QCOMPARE(shell.readAllStandardOutput(),
                 line(url("/watch?v=ok&p=1"), {}) + line(url("/watch?v=ok&p=2"), {})
                     + line(url("/watch?v=error&p=3"), Gone));
        QCOMPARE(shell.exitCode(), 1);
#endif
    }

    void linksComeFromStandardInputForADash()
    {
        const QByteArray input = "\xEF\xBB\xBF" + url("/watch?v=ok").toUtf8() + "\r\n   \r\n\r\n"
            + url("/watch?v=login&t=é").toUtf8() + "\r\n";
        const CheckToolOutcome outcome = check({"-", linkFile({url("/watch?v=error")})}, input);
        QCOMPARE(outcome.out,
                 line(url("/watch?v=ok"), {}) + line(url("/watch?v=login&t=é"), AgeGate)
                     + line(url("/watch?v=error"), Gone));
        QCOMPARE(outcome.exitCode, 1);
    }
};

QTEST_GUILESS_MAIN(CheckCommandLineTest)
#include "tst_CheckCommandLine.moc"
