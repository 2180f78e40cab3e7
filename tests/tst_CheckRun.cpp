// "Start Checking" end to end: the real embedded curl fetching from the fixture server,
// the window driven through the scripted platform.
#include "WindowUnderTest.h"
#include "core/FetchCommand.h"
#include "fixture/FixtureServerProcess.h"
#include "platform/EndSignals.h"
#include "support/TestFiles.h"

#include <QTimer>

#include <csignal>

namespace {
const QString Unavailable = "URL unavailable";

// Fills the input list and clicks "Start Checking".
void check(WindowUnderTest &w, const QStringList &links)
{
    w.fill(1, links);
    w.click(w.button("startCheckingButton"));
}
// The invalid list as "link | reason" rows.
QStringList invalid(WindowUnderTest &w)
{
    QStringList rows;
    for (int row = 1; row <= w.form->invalidList()->count(); ++row)
        rows << w.form->invalidList()->text(row) + " | " + w.form->invalidList()->text(row, 1);
    return rows;
}
QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden
                                  | QDir::System);
}
// How many processes run program now: those would go on after the program's end.
int processesRunning(const QString &program)
{
    int running = 0;
    for (const QString &pid : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile commandLine("/proc/" + pid + "/cmdline");
        if (pid.toInt() > 0 && commandLine.open(QIODevice::ReadOnly)
            && commandLine.readAll().split('\0').value(0) == QFile::encodeName(program))
            ++running;
    }
    return running;
}
} // namespace

class CheckRunTest : public QObject
{
    Q_OBJECT

    std::optional<FixtureServerProcess> m_server;
    std::optional<QTemporaryDir> m_temp;
    qsizetype m_requestsBefore = 0;

    QString url(const QString &path) const { return m_server->url(path); }
    QStringList newTargets() const { return m_server->requestTargets().mid(m_requestsBefore); }
    // A run that ended: "Done." shown last, pointer and flag back, no temporary file left.
    void verifyEnded(WindowUnderTest &w)
    {
        QCOMPARE(w.platform.boxTexts().last(), u"Done."_qs);
        QVERIFY(!w.form->isChecking());
        QCOMPARE(w.form->mousePointer(), int(MainWindow::DefaultPointer));
        QCOMPARE(entries(m_temp->path()), QStringList());
    }

private slots:
    void initTestCase()
    {
        m_server.emplace();
        QVERIFY2(m_server->isRunning(), qPrintable(m_server->errorString()));
    }
    void init()
    {
        m_temp.emplace();
        qputenv("TEMP", m_temp->path().toLocal8Bit());
        m_requestsBefore = m_server->requestTargets().size();
    }

    // Every kind of page in one run, each filed by its playability in input order; every
    // request carries the user agent and the consent cookie exactly.
    void eachPageIsFiledByItsPlayability()
    {
        const QList<QPair<QString, QString>> pages = {
            {"/watch?v=ok", ""},
            {"/watch?v=error", "Video unavailable ::This video has been removed by the uploader"},
            {"/watch?v=unplayable",
             "Video unavailable ::The uploader has not made this video "
             "available in your country"},
            {"/watch?v=login",
             "Sign in to confirm your age ::This video may be inappropriate for some users."},
            // With no reason of its own the first "reason:" lies inside "subreason:".
            {"/watch?v=login-noreason", "::This video may be inappropriate for some users. "},
            {"/watch?v=live-offline", "This live event will begin in a few moments. "},
            {"/watch?v=comma-reason",
             "This video is no longer available due to a copyright "
             "claim by Fixture Films ::Sorry  about that."},
            {"/watch?v=curly-quote",
             u"This video isn\u2019t available anymore ::It\u2019s gone"_qs},
            {"/watch?v=no-marker", Unavailable},
            // A reason of 20 MiB would take the list seconds to lay out at every repaint.
            {"/watch?v=long-reason", QString(999, u'r') + u'\u2026'},
            {"/watch?v=empty", Unavailable},
            {"/watch?v=404", Unavailable},
            {"/hop/4/watch?v=ok", ""},
            {"/watch?v=consent", ""}, // only the cookie keeps the consent page away
            {"/to-file", Unavailable},
            {"/watch?v=huge", Unavailable},
            {"/watch?v=endless", Unavailable},
            {"/watch?v=echo-user-agent",
             QUrl::toPercentEncoding(QLatin1String(FetchCommand::UserAgent)) + ' '}};
        QStringList links, valid, invalidRows;
        for (const auto &[path, reason] : pages) {
            links << url(path);
            if (reason.isEmpty())
                valid << links.last();
            else
                invalidRows << links.last() + " | " + reason;
        }
        ShownWindow w;
        check(w, links);
        QCOMPARE(w.form->validList()->links(), valid);
        QCOMPARE(invalid(w), invalidRows);
        QCOMPARE(w.platform.boxTexts(), QStringList {"Done."});
        QCOMPARE(w.platform.startedProcesses.size(), links.size());
        // The tool is told where its certificate file lies (so https works): beside it, in the
        // run's own folder directly inside the temporary folder.
        const ProcessStart &fetch = w.platform.startedProcesses.first();
        const QString runFolder = QFileInfo(fetch.program).path();
        QCOMPARE(QFileInfo(runFolder).path(), m_temp->path());
        QCOMPARE(fetch.environment.value("CURL_CA_BUNDLE"),
                 QDir::toNativeSeparators(QDir(runFolder).filePath("curl-ca-bundle.crt")));
        for (const auto &request : m_server->requests().mid(m_requestsBefore)) {
            QCOMPARE(request.userAgent, QLatin1String(FetchCommand::UserAgent));
            QCOMPARE(request.cookie, u"SOCS=CAI"_qs);
        }
        verifyEnded(w);
    }

    // However the window goes during a run (a close request, or its native window destroyed
    // with none), the run goes with it: by the program's end the fetch under way is stopped,
    // the run's files are gone and nothing more was filed or shown. At "Done." the program
    // ends once the box is closed.
    void closingTheWindowEndsTheRunAndLeavesNothing_data()
    {
        QTest::addColumn<QString>("how"); // "close", "destroy" (the native window) or a signal
        QTest::addColumn<bool>("atDone");
        QTest::newRow("close request during a fetch") << "close" << false;
        QTest::newRow("native window destroyed during a fetch") << "destroy" << false;
        QTest::newRow("native window destroyed at Done.") << "destroy" << true;
#ifndef Q_OS_WIN
        // What logout and shutdown send.
        QTest::newRow("SIGTERM during a fetch") << "SIGTERM" << false;
        QTest::newRow("SIGHUP during a fetch") << "SIGHUP" << false;
#endif
    }
    void closingTheWindowEndsTheRunAndLeavesNothing()
    {
        QFETCH(QString, how);
        QFETCH(bool, atDone);
        ShownWindow w;
        const EndSignals endSignals(w.form.get());
        bool closed = false;
        auto closeOnce = [&] {
            if (closed)
                return;
            closed = true;
            if (how == u"close")
                QVERIFY(w.form->close());
            else if (how == u"destroy")
                w.form->windowHandle()->destroy();
#ifndef Q_OS_WIN
            else
                ::raise(how == u"SIGTERM" ? SIGTERM : SIGHUP);
#endif
        };
        if (atDone)
            w.platform.onBox = [&](const ScriptedPlatform::Box &) {
                closeOnce();
            };
        else
            w.platform.onProcessEvents = [&] {
                if (!w.platform.startedProcesses.isEmpty())
                    closeOnce();
            };
        QStringList left {"the program did not end"};
        int running = -1;
        w.platform.onEndProgram = [&] {
            left = entries(m_temp->path());
            running = processesRunning(w.platform.startedProcesses.value(0).program);
        };
        const QStringList links {url("/watch?v=ok") + (atDone ? "" : "&delay=3000"),
                                 url("/watch?v=ok")};
        check(w, links);
        QCOMPARE(w.platform.endProgramCalls, 1);
        QCOMPARE(left, QStringList());
        QCOMPARE(running, 0);
        QCOMPARE(w.platform.boxTexts(), atDone ? QStringList {"Done."} : QStringList());
        QCOMPARE(w.platform.startedProcesses.size(), atDone ? 2 : 1);
        QCOMPARE(w.form->validList()->count(), atDone ? 2 : 0);
        QCOMPARE(w.form->invalidList()->count(), 0);
        QVERIFY(!w.form->isChecking());
    }

    // Two windows checking at the same time keep to their own files. Both live in this one
    // process: the second window's whole run goes on inside the first one's wait, while the
    // first one's fetch runs beside the second one's.
    void twoWindowsCheckingAtOnceFileEveryGoodLinkValid()
    {
        QStringList first, second;
        for (int i = 1; i <= 4; ++i) {
            first << url(u"/watch?v=ok&first=%1&delay=300"_qs.arg(i));
            second << url(u"/watch?v=ok&second=%1"_qs.arg(i));
        }
        ShownWindow a, b;
        b.fill(1, second);
        a.platform.onProcessEvents = [&] {
            if (!a.platform.startedProcesses.isEmpty() && b.platform.startedProcesses.isEmpty())
                b.click(b.button("startCheckingButton"));
        };
        check(a, first);
        QCOMPARE(b.form->validList()->links(), second);
        QCOMPARE(a.form->validList()->links(), first);
        QCOMPARE(invalid(a) + invalid(b), QStringList());
        QVERIFY(QFileInfo(a.platform.startedProcesses.first().program).path()
                != QFileInfo(b.platform.startedProcesses.first().program).path());
        verifyEnded(a);
        verifyEnded(b);
    }

    // A transfer the fetch tool reports as failed or incomplete holds no page, even when what
    // arrived reads as a valid one.
    void failedTransfersAreUnavailable_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("body cut short") << "/watch?v=cut-short";
        QTest::newRow("404 carrying an OK page") << "/watch?v=404-ok-page";
        QTest::newRow("500 carrying an OK page") << "/watch?v=500-ok-page";
    }
    void failedTransfersAreUnavailable()
    {
        QFETCH(QString, path);
        ShownWindow w;
        check(w, {url(path), url("/watch?v=ok")});
        QCOMPARE(invalid(w), QStringList {url(path) + " | " + Unavailable});
        QCOMPARE(w.form->validList()->links(), QStringList {url("/watch?v=ok")});
        QCOMPARE(newTargets(), QStringList({path, "/watch?v=ok"}));
        verifyEnded(w);
    }

    // A page left in the temporary folder before the run, or in the run's folder while a fetch
    // that fails is under way, is never read as the page of the link being checked.
    void stalePageIsNeverTakenForTheLinksPage()
    {
        // Nothing listens on port 1 of the loopback: the fetch is refused at once.
        const QString refused = u"http://127.0.0.1:1/watch?v=ok"_qs;
        const QByteArray okPage = R"(x "playabilityStatus":{"status":"OK","x":1} x)";
        // Left where earlier versions kept their page: not the run's, so left alone.
        const QString oldPage = TestFiles::write(m_temp->filePath("message.txt"), okPage);
        ShownWindow w;
        w.platform.onProcessEvents = [&] {
            const QString messagePath = w.form->fetchToolFiles().messagePath();
            if (!w.platform.startedProcesses.isEmpty() && !QFileInfo::exists(messagePath))
                TestFiles::write(messagePath, okPage);
        };
        check(w, {refused});
        QCOMPARE(w.platform.startedProcesses.size(), 1);
        QCOMPARE(invalid(w), QStringList {refused + " | " + Unavailable});
        QVERIFY(w.form->validList()->links().isEmpty());
        w.platform.onProcessEvents = {};
        QCOMPARE(TestFiles::read(oldPage), okPage);
        QVERIFY(QFile::remove(oldPage));
        verifyEnded(w);
    }

    // A link that cannot reach the fetch tool exactly as typed starts no fetch at all.
    void unfetchableLinksAreUnavailableWithoutAFetch()
    {
        const QString ok = url("/watch?v=ok");
        const QStringList links {ok + QChar(0xD83D), ok + QChar(u'\0'),
                                 ok + "&x=" + QString(128 * 1024, u'a'), ok};
        ShownWindow w;
        check(w, links);
        QCOMPARE(invalid(w),
                 QStringList({links[0] + " | " + Unavailable, links[1] + " | " + Unavailable,
                              links[2] + " | " + Unavailable}));
        QCOMPARE(w.form->validList()->links(), QStringList {ok});
        QCOMPARE(w.platform.startedProcesses.size(), 1);
        QCOMPARE(newTargets(), QStringList {"/watch?v=ok"});
        QVERIFY(w.platform.errorReports().isEmpty());
        verifyEnded(w);
    }

    void emptyListOnlySaysSo()
    {
        ShownWindow w;
        int pointerAtBox = -1;
        w.platform.onBox = [&](const ScriptedPlatform::Box &) {
            pointerAtBox = w.form->mousePointer();
        };
        check(w, {});
        QCOMPARE(w.platform.boxTexts(), QStringList {"No YouTube Link(s) added."});
        QCOMPARE(w.platform.boxes.first().caption, w.form->applicationTitle());
        QCOMPARE(pointerAtBox, int(MainWindow::DefaultPointer));
        QVERIFY(w.platform.startedProcesses.isEmpty());
        QCOMPARE(entries(m_temp->path()), QStringList());
    }

    void noRunWhenTheConnectedStateCannotBeRestored()
    {
        ShownWindow w;
        w.platform.connectedState.reset();
        check(w, {url("/watch?v=ok")});
        QVERIFY(w.platform.boxes.isEmpty());
        QVERIFY(w.platform.startedProcesses.isEmpty());
        QVERIFY(!w.form->isChecking());
        QCOMPARE(w.form->mousePointer(), int(MainWindow::DefaultPointer));
    }

    // Duplicates and empty rows each give a result; a row added during the run waits.
    void everyRowGivesOneResultInOrderBelowEarlierRows()
    {
        ShownWindow w;
        w.form->validList()->append("earlier valid");
        w.form->invalidList()->append("earlier invalid", "old reason");
        const QString missing = url("/watch?v=404");
        const QStringList links {missing, "", url("/watch?v=no-marker"), missing, "not a link"};
        const QString added = url("/watch?v=added-during-run");
        w.platform.onProcessEvents = [&] {
            if (w.form->inputList()->count() == links.size()
                && !w.platform.startedProcesses.isEmpty())
                w.form->inputList()->append(added);
        };
        check(w, links);
        QCOMPARE(w.form->validList()->links(), QStringList {"earlier valid"});
        QStringList expected {"earlier invalid | old reason"};
        for (const QString &link : links)
            expected << link + " | " + Unavailable;
        QCOMPARE(invalid(w), expected);
        QCOMPARE(w.form->inputList()->links(), links + QStringList {added});
        QCOMPARE(newTargets(), QStringList({"/watch?v=404", "/watch?v=no-marker", "/watch?v=404"}));
        QCOMPARE(w.platform.startedProcesses.size(), links.size());
        QCOMPARE(w.platform.boxTexts(), QStringList {"Done."});
        verifyEnded(w);
    }

    void secondClickDuringARunIsIgnored()
    {
        ShownWindow w;
        int pointerDuringRun = -1;
        w.platform.onProcessEvents = [&] {
            if (pointerDuringRun < 0 && !w.platform.startedProcesses.isEmpty()) {
                pointerDuringRun = w.form->mousePointer();
                w.click(w.button("startCheckingButton"));
            }
        };
        check(w, {url("/watch?v=404"), url("/watch?v=empty")});
        QCOMPARE(pointerDuringRun, int(MainWindow::HourglassPointer));
        QCOMPARE(w.platform.startedProcesses.size(), 2);
        QCOMPARE(w.form->invalidList()->count(), 2);
        QCOMPARE(w.platform.boxTexts(), QStringList {"Done."});
    }

    void slowPageKeepsTheWindowResponsive()
    {
        ShownWindow w;
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, [&] { ++ticks; });
        timer.start(20);
        check(w, {url("/watch?v=slow")});
        QVERIFY(ticks > 0);
        QCOMPARE(w.form->validList()->links(), QStringList {url("/watch?v=slow")});
    }

    // No link was fetched, so none is judged: one report, then the run ends as a failed
    // connection step ends it, with the input list as it was.
    void unwritableTemporaryFolderReportsOnceAndFilesNothing()
    {
        qputenv("TEMP", TestFiles::impossiblePath(m_temp->path()).toLocal8Bit());
        ShownWindow w;
        const QStringList links {url("/watch?v=ok"), url("/watch?v=error")};
        check(w, links);
        QCOMPARE(w.platform.errorReports().size(), 1);
        QVERIFY(w.platform.boxes.first().text.contains(
            "\r\nin Pennyvale2021/08/31.Form1.PushButton4_Click at line 110\r\r"));
        QCOMPARE(w.platform.boxes.size(), 1);
        QCOMPARE(w.form->validList()->count() + w.form->invalidList()->count(), 0);
        QCOMPARE(w.form->inputList()->links(), links);
        QVERIFY(w.platform.startedProcesses.isEmpty() && !w.form->isChecking());
        QCOMPARE(w.form->mousePointer(), int(MainWindow::DefaultPointer));
    }

    void rowsThatVanishDuringARunAreReportedAndSkipped()
    {
        ShownWindow w;
        w.platform.onProcessEvents = [&] {
            if (w.form->inputList()->count() == 3 && !w.platform.startedProcesses.isEmpty()) {
                w.form->inputList()->removeRow(3);
                w.form->inputList()->removeRow(2);
            }
        };
        const QString link = url("/watch?v=404");
        check(w, {link, link + "&2", link + "&3"});
        QCOMPARE(w.platform.errorReports().size(), 2);
        QVERIFY(w.platform.boxes.first().text.contains(" at line 122\r\r"));
        QCOMPARE(invalid(w), QStringList {link + " | " + Unavailable});
        QCOMPARE(w.platform.boxTexts().last(), u"Done."_qs);
    }

    // Each link is one argument after --url, fetched at most once, and nothing is written
    // outside the temporary folder.
    void hostileLinksAreFetchedAtMostOnceExactlyAsTyped()
    {
        QTemporaryDir outside;
        QTemporaryDir workingFolder;
        const QString oldCurrent = QDir::currentPath();
        QDir::setCurrent(workingFolder.path());
        // A local file holding a valid page: reading it would file the link as valid.
        const QString localPage = TestFiles::write(
            outside.filePath("page.html"), R"(x "playabilityStatus":{"status":"OK","x":1} x)");
        const QString target = outside.filePath("pwned.txt");
        const QStringList links {
            url("/watch?v=ok") + "\" -o \"" + target + "\" --url \"" + url("/x"),
            "-o " + target,
            "--output=" + target,
            url("/watch?v=glob[1-100000]"),
            url("/watch?v={ok,error}"),
            "file://" + localPage,
            url("/"),
        };
        ShownWindow w;
        check(w, links);
        QDir::setCurrent(oldCurrent);

        QCOMPARE(w.platform.startedProcesses.size(), links.size());
        for (qsizetype i = 0; i < links.size(); ++i) {
            const QStringList arguments = w.platform.startedProcesses.at(i).arguments;
            QCOMPARE(arguments.mid(arguments.size() - 2), QStringList({"--url", links[i]}));
            QCOMPARE(arguments.count(links[i]), 1);
        }
        QCOMPARE(entries(outside.path()), QStringList {"page.html"});
        QCOMPARE(entries(workingFolder.path()), QStringList());
        QCOMPARE(w.form->invalidList()->count(), links.size());
        const QStringList requests = newTargets();
        QVERIFY(requests.size() <= links.size());
        QCOMPARE(requests.count("/"), 1);
        QVERIFY(requests.filter("glob").size() <= 1);
        QVERIFY(requests.filter("v=ok").size() + requests.filter("v=error").size() <= 2);
        verifyEnded(w);
    }
};

QTEST_MAIN(CheckRunTest)
#include "tst_CheckRun.moc"
