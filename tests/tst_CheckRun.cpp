// "Start Checking" end to end: the real embedded curl fetching from the fixture server,
// the window driven through the scripted platform.
#include "app/Form1.h"
#include "check/CurlFunctions.h"
#include "check/FetchCommand.h"
#include "fixture/FixtureServerProcess.h"
#include "lists/LinkListView.h"
#include "support/ScriptedPlatform.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {
const QString Unavailable = QStringLiteral("URL unavailable");

// One window with its scripted platform, ready to check.
struct Window
{
    ScriptedPlatform platform;
    Form1 form {platform, {QString(), [] {
                               return 50;
                           }}};

    Window()
    {
        form.Form_Load();
        form.show();
        platform.boxes.clear();
    }
    void check(const QStringList &links)
    {
        for (const QString &link : links)
            form.ListView1->append(link);
        QTest::mouseClick(form.PushButton4, Qt::LeftButton);
    }
    // "link" for the valid list, "link | reason" for the invalid list.
    QStringList valid() const { return form.ListView2->links(); }
    QStringList invalid() const
    {
        QStringList rows;
        for (int row = 1; row <= form.ListView3->count(); ++row)
            rows << form.ListView3->text(row) + QStringLiteral(" | ")
                    + form.ListView3->text(row, 1);
        return rows;
    }
    QStringList messages() const { return platform.boxTexts(); }
};

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden
                                  | QDir::System);
}
} // namespace

class CheckRunTest : public QObject
{
    Q_OBJECT
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
    void cleanup() { m_temp.reset(); }

    void eachPageIsFiledByItsPlayability_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("reason");
        QTest::newRow("OK") << "/watch?v=ok" << true << QString();
        QTest::newRow("ERROR") << "/watch?v=error" << false
                               << "Video unavailable ::This video has been removed by the uploader";
        QTest::newRow("UNPLAYABLE") << "/watch?v=unplayable" << false
                                    << "Video unavailable ::The uploader has not made this video "
                                       "available in your country";
        QTest::newRow("LOGIN_REQUIRED") << "/watch?v=login" << false
                                        << "Sign in to confirm your age ::This video may be "
                                           "inappropriate for some users.";
        // With no reason of its own the first "reason:" lies inside "subreason:".
        QTest::newRow("LOGIN_REQUIRED without reason")
            << "/watch?v=login-noreason" << false
            << "::This video may be inappropriate for some users. ";
        QTest::newRow("LIVE_STREAM_OFFLINE")
            << "/watch?v=live-offline" << false << "This live event will begin in a few moments. ";
        QTest::newRow("reason with commas")
            << "/watch?v=comma-reason" << false
            << "This video is no longer available due to a copyright claim by Fixture Films "
               "::Sorry  about that.";
        QTest::newRow("reason with curly quote")
            << "/watch?v=curly-quote" << false
            << QStringLiteral("This video isn\u2019t available anymore ::It\u2019s gone");
        QTest::newRow("no marker") << "/watch?v=no-marker" << false << Unavailable;
        QTest::newRow("empty body") << "/watch?v=empty" << false << Unavailable;
        QTest::newRow("404") << "/watch?v=404" << false << Unavailable;
        QTest::newRow("redirect chain") << "/hop/4/watch?v=ok" << true << QString();
        QTest::newRow("consent gate") << "/watch?v=consent" << true << QString();
        QTest::newRow("redirect to a file") << "/to-file" << false << Unavailable;
        QTest::newRow("declared size over the limit") << "/watch?v=huge" << false << Unavailable;
        QTest::newRow("endless body") << "/watch?v=endless" << false << Unavailable;
    }
    void eachPageIsFiledByItsPlayability()
    {
        QFETCH(QString, path);
        QFETCH(bool, valid);
        QFETCH(QString, reason);
        const QString link = m_server->url(path);
        Window window;
        window.check({link});

        QCOMPARE(window.valid(), valid ? QStringList {link} : QStringList());
        QCOMPARE(window.invalid(), valid ? QStringList() : QStringList {link + " | " + reason});
        QCOMPARE(window.messages(), QStringList {"Done."});
        QCOMPARE(window.platform.startedProcesses.size(), 1);
        QCOMPARE(entries(m_temp->path()), QStringList());
    }

    void userAgentAndConsentCookieArriveExactly()
    {
        Window window;
        window.check(
            {m_server->url("/watch?v=echo-user-agent"), m_server->url("/watch?v=consent")});

        const auto requests = m_server->requests().mid(m_requestsBefore);
        QCOMPARE(requests.size(), 2);
        for (const auto &request : requests) {
            QCOMPARE(request.userAgent, QLatin1String(FetchCommand::UserAgent));
            QCOMPARE(request.cookie, QStringLiteral("SOCS=CAI"));
        }
        // The consent page was never asked for: the cookie kept the watch page.
        QCOMPARE(requests.at(1).target, QStringLiteral("/watch?v=consent"));
        // The page echoes the agent percent-encoded as its reason.
        QCOMPARE(window.form.ListView3->count(), 1);
        QCOMPARE(QUrl::fromPercentEncoding(window.form.ListView3->text(1, 1).trimmed().toUtf8()),
                 QLatin1String(FetchCommand::UserAgent));
    }

    void emptyListOnlySaysSo()
    {
        Window window;
        int pointerAtBox = -1;
        window.platform.onBox = [&](const ScriptedPlatform::Box &) {
            pointerAtBox = window.form.mousePointer();
        };
        window.check({});

        QCOMPARE(window.messages(), QStringList {"No YouTube Link(s) added."});
        QCOMPARE(window.platform.boxes.first().caption, window.form.applicationTitle());
        QCOMPARE(pointerAtBox, int(Form1::DefaultPointer));
        QCOMPARE(window.platform.connectedStateQueries, 0);
        QVERIFY(window.platform.startedProcesses.isEmpty());
        QVERIFY(!window.form.IsChecking);
        QCOMPARE(entries(m_temp->path()), QStringList());
    }

    void noRunWhenTheConnectedStateCannotBeRestored()
    {
        Window window;
        window.platform.connectedState.reset();
        window.check({m_server->url("/watch?v=ok")});

        QVERIFY(window.messages().isEmpty());
        QVERIFY(window.platform.startedProcesses.isEmpty());
        QCOMPARE(window.form.mousePointer(), int(Form1::DefaultPointer));
        QVERIFY(!window.form.IsChecking);
        QCOMPARE(entries(m_temp->path()), QStringList());
        // Clicking again once the state is back runs normally.
        window.platform.connectedState = Platform::ConnectedStateConnected;
        QTest::mouseClick(window.form.PushButton4, Qt::LeftButton);
        QCOMPARE(window.messages(), QStringList {"Done."});
    }

    void everyRowGivesOneResultInOrderBelowEarlierRows()
    {
        Window window;
        window.form.ListView2->append("earlier valid");
        window.form.ListView3->append("earlier invalid", "old reason");
        const QString missing = m_server->url("/watch?v=404");
        const QString noMarker = m_server->url("/watch?v=no-marker");
        const QStringList links {missing, "", noMarker, missing, "not a link at all"};
        // A row added while the run goes on waits for a later run.
        bool added = false;
        window.platform.onProcessEvents = [&] {
            if (!added && !window.platform.startedProcesses.isEmpty()) {
                added = true;
                window.form.ListView1->append(m_server->url("/watch?v=added-during-run"));
            }
        };
        window.check(links);

        QCOMPARE(window.valid(), QStringList {"earlier valid"});
        QStringList expected {"earlier invalid | old reason"};
        for (const QString &link : links)
            expected << link + " | " + Unavailable;
        QCOMPARE(window.invalid(), expected);
        QCOMPARE(window.form.ListView1->links(),
                 QStringList(links) << m_server->url("/watch?v=added-during-run"));
        // The duplicate was fetched twice, the added row not at all.
        QCOMPARE(m_server->requestTargets().mid(m_requestsBefore),
                 QStringList({"/watch?v=404", "/watch?v=no-marker", "/watch?v=404"}));
        QCOMPARE(window.platform.startedProcesses.size(), links.size());
        QCOMPARE(window.messages(), QStringList {"Done."});
        QVERIFY(!window.form.IsChecking);
        QCOMPARE(window.form.mousePointer(), int(Form1::DefaultPointer));
        QCOMPARE(entries(m_temp->path()), QStringList());
    }

    void secondClickDuringARunIsIgnored()
    {
        Window window;
        int pointerDuringRun = -1;
        bool clicked = false;
        window.platform.onProcessEvents = [&] {
            if (!clicked && !window.platform.startedProcesses.isEmpty()) {
                clicked = true;
                pointerDuringRun = window.form.mousePointer();
                QTest::mouseClick(window.form.PushButton4, Qt::LeftButton);
            }
        };
        window.check({m_server->url("/watch?v=404"), m_server->url("/watch?v=empty")});

        QVERIFY(clicked);
        QCOMPARE(pointerDuringRun, int(Form1::HourglassPointer));
        QCOMPARE(window.platform.startedProcesses.size(), 2);
        QCOMPARE(window.form.ListView3->count(), 2);
        QCOMPARE(window.messages(), QStringList {"Done."});
        QVERIFY(!window.form.IsChecking);
    }

    void slowPageKeepsTheWindowResponsive()
    {
        Window window;
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, [&] { ++ticks; });
        timer.start(20);
        const QString link = m_server->url("/watch?v=slow");
        window.check({link});

        QVERIFY(ticks > 0);
        QCOMPARE(window.form.ListView2->count() + window.form.ListView3->count(), 1);
        QCOMPARE(window.valid(), QStringList {link});
    }

    void unwritableTemporaryFolderReportsOnceAndFilesEveryLinkUnavailable()
    {
        qputenv("TEMP", TestFiles::impossiblePath(m_temp->path()).toLocal8Bit());
        Window window;
        const QStringList links {m_server->url("/watch?v=ok"), m_server->url("/watch?v=error")};
        window.check(links);

        const auto reports = window.platform.errorReports();
        QCOMPARE(reports.size(), 1);
        QVERIFY(reports.first().text.contains(
            "\r\nin Pennyvale2021/08/31.Form1.PushButton4_Click at line 110\r\r"));
        QCOMPARE(window.valid(), QStringList());
        QCOMPARE(
            window.invalid(),
            QStringList({links.at(0) + " | " + Unavailable, links.at(1) + " | " + Unavailable}));
        QCOMPARE(window.messages().last(), QStringLiteral("Done."));
        QVERIFY(!window.form.IsChecking);
        QCOMPARE(window.form.mousePointer(), int(Form1::DefaultPointer));
    }

    void rowsThatVanishDuringARunAreReportedAndSkipped()
    {
        Window window;
        bool removed = false;
        window.platform.onProcessEvents = [&] {
            if (!removed && !window.platform.startedProcesses.isEmpty()) {
                removed = true;
                window.form.ListView1->removeRow(3);
                window.form.ListView1->removeRow(2);
            }
        };
        const QString link = m_server->url("/watch?v=404");
        window.check({link, link + "&2", link + "&3"});

        const auto reports = window.platform.errorReports();
        QCOMPARE(reports.size(), 2);
        QVERIFY(reports.at(0).text.contains(" at line 122\r\r"));
        QCOMPARE(window.invalid(), QStringList {link + " | " + Unavailable});
        QCOMPARE(window.messages().last(), QStringLiteral("Done."));
    }

    void hostileLinksAreFetchedAtMostOnceExactlyAsTyped()
    {
        QTemporaryDir outside;
        QTemporaryDir workingFolder;
        const QString oldCurrent = QDir::currentPath();
        QDir::setCurrent(workingFolder.path());
        // A local file holding a valid page: reading it would file the link as valid.
        const QString localPage
            = TestFiles::write(outside.filePath("page.html"),
                               R"(x "playabilityStatus":{"status":"OK","playableInEmbed":true} x)");
        const QString target = outside.filePath("pwned.txt");
        const QString port = QString::number(m_server->port());
        const QStringList links {
            m_server->url("/watch?v=ok") + "\" -o \"" + target + "\" --url \""
                + m_server->url("/x"),
            "-o " + target,
            "--output=" + target,
            m_server->url("/watch?v=glob[1-100000]"),
            m_server->url("/watch?v={ok,error}"),
            "file://" + localPage,
            "http://127.0.0.1:" + port + "/",
        };
        Window window;
        window.check(links);
        QDir::setCurrent(oldCurrent);

        QCOMPARE(window.platform.startedProcesses.size(), links.size());
        for (qsizetype i = 0; i < links.size(); ++i) {
            const QStringList arguments = window.platform.startedProcesses.at(i).arguments;
            QCOMPARE(arguments.last(), links.at(i));
            QCOMPARE(arguments.at(arguments.size() - 2), QStringLiteral("--url"));
            QCOMPARE(arguments.count(links.at(i)), 1);
        }
        QCOMPARE(entries(outside.path()), QStringList {"page.html"});
        QCOMPARE(entries(workingFolder.path()), QStringList());
        QCOMPARE(entries(m_temp->path()), QStringList());
        QCOMPARE(window.valid(), QStringList());
        QCOMPARE(window.form.ListView3->count(), links.size());

        // Whatever reached the server came once per link: no expansion into many fetches.
        const QStringList requests = m_server->requestTargets().mid(m_requestsBefore);
        QVERIFY(requests.size() <= links.size());
        QCOMPARE(requests.count("/"), 1);
        QVERIFY(requests.filter("glob").size() <= 1);
        QVERIFY(requests.filter("v=ok").size() + requests.filter("v=error").size() <= 2);
    }

private:
    std::optional<FixtureServerProcess> m_server;
    std::optional<QTemporaryDir> m_temp;
    qsizetype m_requestsBefore = 0;
};

QTEST_MAIN(CheckRunTest)
#include "tst_CheckRun.moc"
