// Start-up of the main window: the optional skin and cursor files, the home-page draw,
// caption, icon and title, reports of failing steps, and shutdown.
#include "CursorFixtures.h"
#include "FormFixture.h"
#include "app/ApplicationIcon.h"
#include "lists/LinkListView.h"
#include "support/TestFiles.h"

#include <QApplication>
#include <QScreen>
#include <QtTest>

namespace {
QStringList headers(const LinkListView *list)
{
    QStringList texts;
    for (int column = 0; column < list->columnCount(); ++column)
        texts << list->headerItem()->text(column);
    return texts;
}

QColor background(const Form1 &form)
{
    return form.palette().color(QPalette::Window);
}

QColor buttonFace()
{
    return QApplication::palette().color(QPalette::Button);
}
} // namespace

class StartupTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // The skin's colour change must be visible against the designed white.
        QVERIFY(buttonFace() != QColor(Qt::white));
    }

    void withoutOptionalFilesStartsPlain()
    {
        FormFixture fixture;
        Form1 &form = fixture.start();
        QVERIFY(fixture.platform.boxes.isEmpty());
        QCOMPARE(background(form), QColor(Qt::white));
        QVERIFY(form.autoFillBackground());
        QCOMPARE(form.styleSheet(), QString());
        QVERIFY(!form.handCursor().has_value());
        QCOMPARE(form.mousePointer(), int(Form1::DefaultPointer));
        QCOMPARE(form.cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(form.windowTitle(), QStringLiteral("Brindlewood"));
        QCOMPARE(form.applicationTitle(), QStringLiteral("Brindlewood"));
        QCOMPARE(form.ListView1->count() + form.ListView2->count() + form.ListView3->count(), 0);
    }

    void iconComesInFourSizes()
    {
        FormFixture fixture;
        Form1 &form = fixture.start();
        for (const QString &file : applicationIconFiles())
            QVERIFY2(!QImage(file).isNull(), qPrintable(file)); // built into the program
        const QList<QSize> sizes = form.windowIcon().availableSizes();
        for (int edge : {32, 48, 128, 256})
            QVERIFY2(sizes.contains(QSize(edge, edge)), qPrintable(QString::number(edge)));
    }

    void skinChangesBackgroundThenAppliesSheet()
    {
        FormFixture fixture;
        const QByteArray sheet = "QPushButton { color: #123456; }\n";
        TestFiles::write(fixture.pathInProgramFolder("x/o.cjs"), sheet);
        Form1 &form = fixture.start();
        QVERIFY(fixture.platform.boxes.isEmpty());
        QCOMPARE(background(form), buttonFace());
        QCOMPARE(form.styleSheet(), QString::fromUtf8(sheet));
        // The skin is the main window's alone.
        QCOMPARE(qApp->styleSheet(), QString());
    }

    void skinPathNamingFolderIsNoSkin()
    {
        FormFixture fixture;
        QVERIFY(QDir(fixture.programFolder.path()).mkpath("x/o.cjs"));
        Form1 &form = fixture.start();
        QVERIFY(fixture.platform.boxes.isEmpty());
        QCOMPARE(background(form), QColor(Qt::white));
    }

    void cursorFileBecomesHandPointer()
    {
        FormFixture fixture;
        TestFiles::write(
            fixture.pathInProgramFolder("HAND-M.CUR"),
            CursorFixtures::cursorFile(CursorFixtures::maskBitmap(32, 32), 32, 32, QPoint(7, 0)));
        Form1 &form = fixture.start();
        QVERIFY(fixture.platform.boxes.isEmpty());
        QVERIFY(form.handCursor().has_value());
        QCOMPARE(form.handCursor()->hotSpot(), QPoint(7, 0));
        QCOMPARE(form.mousePointer(), int(Form1::DefaultPointer));
    }

    void failingStepReportsOnceAndStartUpGoesOn_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("line");
        QTest::addColumn<bool>("backgroundChanged");
        QTest::newRow("skin with broken rules")
            << "x/o.cjs" << QByteArray("QWidget { color: red") << 100 << true;
        QTest::newRow("skin not UTF-8")
            << "x/o.cjs" << QByteArray("QWidget {}\xff\xfe") << 100 << true;
        QTest::newRow("cursor file of text")
            << "HAND-M.CUR" << QByteArray("not a cursor at all, just a line of text") << 104
            << false;
        QTest::newRow("empty cursor file") << "HAND-M.CUR" << QByteArray() << 104 << false;
    }
    void failingStepReportsOnceAndStartUpGoesOn()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        QFETCH(int, line);
        QFETCH(bool, backgroundChanged);
        FormFixture fixture;
        TestFiles::write(fixture.pathInProgramFolder(file), bytes);
        Form1 &form = fixture.start();

        QCOMPARE(fixture.platform.boxes.size(), 1);
        const ScriptedPlatform::Box report = fixture.platform.boxes.first();
        QCOMPARE(report.caption, QStringLiteral("Application Error"));
        QVERIFY2(report.text.contains(
                     QStringLiteral("\r\nin Pennyvale2021/08/31.Form1.Form_Load at line %1\r\r")
                         .arg(line)),
                 qPrintable(report.text));

        QCOMPARE(background(form), backgroundChanged ? buttonFace() : QColor(Qt::white));
        QCOMPARE(form.styleSheet(), QString()); // the rest of the skin is skipped
        QVERIFY(!form.handCursor().has_value());
        // Every later step still ran.
        QCOMPARE(form.windowTitle(), QStringLiteral("Brindlewood"));
        QCOMPARE(form.applicationTitle(), QStringLiteral("Brindlewood"));
        QCOMPARE(headers(form.ListView1), QStringList({"YouTube Link(s)"}));
        QCOMPARE(headers(form.ListView2), QStringList({" Valid YouTube Link(s)"}));
        QCOMPARE(headers(form.ListView3), QStringList({"Invalid YouTube Link(s)", "Reason"}));
        QCOMPARE(form.ListView3->columnWidth(1), form.ListView3->columnWidth(0) * 3 / 4);
    }

    void bothFilesUnusableGiveTwoReports()
    {
        FormFixture fixture;
        TestFiles::write(fixture.pathInProgramFolder("x/o.cjs"), "}");
        TestFiles::write(fixture.pathInProgramFolder("HAND-M.CUR"), "junk");
        fixture.start();
        QCOMPARE(fixture.platform.errorReports().size(), 2);
        QVERIFY(fixture.platform.boxes.at(0).text.contains(QStringLiteral(" at line 100\r\r")));
        QVERIFY(fixture.platform.boxes.at(1).text.contains(QStringLiteral(" at line 104\r\r")));
    }

    void homePageOpensOnlyOnDrawOfSeven_data()
    {
        QTest::addColumn<bool>("drawSeven");
        QTest::newRow("seven") << true;
        QTest::newRow("not seven") << false;
    }
    void homePageOpensOnlyOnDrawOfSeven()
    {
        QFETCH(bool, drawSeven);
        FormFixture fixture;
        fixture.seconds = secondsDrawing(drawSeven);
        QVERIFY(fixture.seconds >= 0);
        fixture.start();
        QCOMPARE(fixture.platform.openedAddresses,
                 drawSeven ? QStringList({"https://www.brindlewood.example/"}) : QStringList());
        QVERIFY(fixture.platform.boxes.isEmpty());
    }

    // Over a whole day of seeds the draw covers 1..100 and opens the page about once in a
    // hundred starts.
    void drawIsOneInAHundredOverTheDay()
    {
        QList<int> counts(101, 0);
        for (int seconds = 0; seconds < 24 * 60 * 60; ++seconds) {
            const int n = homePageDraw(seconds);
            QVERIFY(n >= 1 && n <= 100);
            ++counts[n];
        }
        QCOMPARE(counts.at(0), 0);
        for (int n = 1; n <= 100; ++n)
            QVERIFY2(counts.at(n) > 600 && counts.at(n) < 1150, qPrintable(QString::number(n)));
        QCOMPARE(homePageDraw(12345), homePageDraw(12345));
    }

    void windowHasNoMaximiseBox()
    {
        FormFixture fixture;
        Form1 &form = fixture.start();
        const Qt::WindowFlags flags = form.windowFlags();
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(flags & Qt::WindowMinimizeButtonHint);
        QVERIFY(flags & Qt::WindowCloseButtonHint);
    }

    void windowShowsCentredOnScreen()
    {
        FormFixture fixture;
        Form1 &form = fixture.start();
        form.showCentred();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        // The window system may still shift the window by its frame's few pixels.
        const QPoint offCentre
            = form.geometry().center() - form.screen()->availableGeometry().center();
        QVERIFY2(offCentre.manhattanLength() <= 4,
                 qPrintable(QStringLiteral("%1,%2").arg(offCentre.x()).arg(offCentre.y())));
    }

    void closingEndsProgramOnceAndNothingElse_data()
    {
        QTest::addColumn<bool>("busy");
        QTest::newRow("idle") << false;
        QTest::newRow("during a check run") << true;
    }
    void closingEndsProgramOnceAndNothingElse()
    {
        QFETCH(bool, busy);
        FormFixture fixture;
        Form1 &form = fixture.start();
        form.ListView1->append(QStringLiteral("https://www.youtube.com/watch?v=abc"));
        form.showCentred();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        if (busy) {
            form.IsChecking = true;
            form.setMousePointer(Form1::HourglassPointer);
        }
        QVERIFY(form.close());
        QCOMPARE(fixture.platform.endProgramCalls, 1);
        QVERIFY(fixture.platform.boxes.isEmpty());
        QVERIFY(fixture.platform.prompts.isEmpty());
        QVERIFY(fixture.platform.openDialogs.isEmpty());
        QVERIFY(fixture.platform.saveDialogs.isEmpty());
        QCOMPARE(form.ListView1->count(), 1);
        QCOMPARE(form.IsChecking, busy);
    }
};

QTEST_MAIN(StartupTest)
#include "tst_Startup.moc"
