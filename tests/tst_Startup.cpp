// Start-up of the main window: the optional skin and cursor files, the home-page draw,
// icon and title, reports of failing steps, and shutdown.
#include "CursorFixtures.h"
#include "WindowUnderTest.h"
#include "platform/DestroyedWindowWatch.h"
#include "support/TestFiles.h"

#include <QScreen>

namespace {
QStringList headers(const LinkListView *list)
{
    QStringList texts;
    for (int column = 0; column < list->columnCount(); ++column)
        texts << list->headerItem()->text(column);
    return texts;
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
    void initTestCase() { QVERIFY(buttonFace() != QColor(Qt::white)); } // the skin must show

    // Each optional file absent, present or unusable: an unusable one gives exactly one report
    // naming its step, and every later step still runs.
    void optionalFiles_data()
    {
        QTest::addColumn<QString>("file"); // ending in "/": a folder of that name
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("reportLine"); // 0: no report
        QTest::addColumn<bool>("skinned"); // background changed to the button face
        QTest::addColumn<bool>("hand"); // the hand pointer was loaded
        const QByteArray sheet = "QPushButton { color: #123456; }\n";
        QTest::newRow("none") << "" << QByteArray() << 0 << false << false;
        QTest::newRow("skin") << "x/o.cjs" << sheet << 0 << true << false;
        QTest::newRow("skin path names a folder")
            << "x/o.cjs/" << QByteArray() << 0 << false << false;
        QTest::newRow("cursor") << "HAND-M.CUR" << CursorFixtures::handCursor({7, 0}) << 0 << false
                                << true;
        // An unusable skin leaves the window's designed look, background included.
        QTest::newRow("skin with broken rules")
            << "x/o.cjs" << QByteArray("QWidget { color: red") << 100 << false << false;
        QTest::newRow("skin not UTF-8")
            << "x/o.cjs" << QByteArray("QWidget {}\xff\xfe") << 100 << false << false;
        // Usable but for their size: neither is taken.
        QTest::newRow("skin over 1 MiB")
            << "x/o.cjs"
            << "/* " + QByteArray(1024 * 1024, 'x') + " */\n" + sheet << 100 << false << false;
        QTest::newRow("cursor over 1 MiB")
            << "HAND-M.CUR" << CursorFixtures::handCursor({7, 0}) + QByteArray(1024 * 1024, '\0')
            << 104 << false << false;
        QTest::newRow("cursor file of text")
            << "HAND-M.CUR" << QByteArray("not a cursor at all") << 104 << false << false;
        QTest::newRow("empty cursor file") << "HAND-M.CUR" << QByteArray() << 104 << false << false;
    }
    void optionalFiles()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        QFETCH(int, reportLine);
        QFETCH(bool, skinned);
        QFETCH(bool, hand);
        WindowUnderTest w;
        if (file.endsWith(u'/'))
            QDir().mkpath(w.path(file));
        else if (!file.isEmpty())
            TestFiles::write(w.path(file), bytes);
        MainWindow &form = w.start();

        if (reportLine) {
            QCOMPARE(w.platform.boxes.size(), 1);
            QCOMPARE(w.platform.boxes.first().caption, u"Application Error"_qs);
            QVERIFY2(w.platform.boxes.first().text.contains(
                         u"\r\nin Pennyvale2021/08/31.Form1.Form_Load at line %1\r\r"_qs.arg(
                             reportLine)),
                     qPrintable(w.platform.boxes.first().text));
        } else {
            QVERIFY(w.platform.boxes.isEmpty());
        }
        QCOMPARE(form.palette().color(QPalette::Window),
                 skinned ? buttonFace() : QColor(Qt::white));
        QCOMPARE(form.styleSheet(), skinned && !reportLine ? QString::fromUtf8(bytes) : QString());
        QCOMPARE(qApp->styleSheet(), QString()); // the skin is the main window's alone
        QCOMPARE(form.handCursor().has_value(), hand);
        if (hand)
            QCOMPARE(form.handCursor()->hotSpot(), QPoint(7, 0));
        QCOMPARE(form.mousePointer(), int(MainWindow::DefaultPointer));
        QCOMPARE(form.windowTitle(), u"Brindlewood"_qs);
        QCOMPARE(form.applicationTitle(), u"Brindlewood"_qs);
        QCOMPARE(headers(form.inputList()), QStringList({"YouTube Link(s)"}));
        QCOMPARE(headers(form.validList()), QStringList({" Valid YouTube Link(s)"}));
        QCOMPARE(headers(form.invalidList()), QStringList({"Invalid YouTube Link(s)", "Reason"}));
        QCOMPARE(form.invalidList()->columnWidth(1), form.invalidList()->columnWidth(0) * 3 / 4);
        QCOMPARE(w.counts(), QList<int>({0, 0, 0}));
    }

    void bothFilesUnusableGiveTwoReports()
    {
        WindowUnderTest w;
        TestFiles::write(w.path("x/o.cjs"), "}");
        TestFiles::write(w.path("HAND-M.CUR"), "junk");
        w.start();
        QCOMPARE(w.platform.errorReports().size(), 2);
        QVERIFY(w.platform.boxes.at(0).text.contains(" at line 100\r\r"));
        QVERIFY(w.platform.boxes.at(1).text.contains(" at line 104\r\r"));
    }

    void iconComesInFourSizes()
    {
        WindowUnderTest w;
        const QList<QSize> sizes = w.start().windowIcon().availableSizes();
        for (int edge : {32, 48, 128, 256})
            QVERIFY2(sizes.contains(QSize(edge, edge)), qPrintable(QString::number(edge)));
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
        WindowUnderTest w;
        w.seconds = secondsDrawing(drawSeven);
        QVERIFY(w.seconds >= 0);
        w.start();
        QCOMPARE(w.platform.openedAddresses,
                 drawSeven ? QStringList({"https://www.brindlewood.example/"}) : QStringList());
        QVERIFY(w.platform.boxes.isEmpty());
    }

    // Over a whole day of seeds the draw covers 1..100 about evenly.
    void drawIsOneInAHundredOverTheDay()
    {
        QList<int> counts(101, 0);
        for (int seconds = 0; seconds < 24 * 60 * 60; ++seconds) {
            const int n = homePageDraw(seconds);
            QVERIFY(n >= 1 && n <= 100);
            ++counts[n];
        }
        for (int n = 1; n <= 100; ++n)
            QVERIFY2(counts.at(n) > 600 && counts.at(n) < 1150, qPrintable(QString::number(n)));
    }

    void windowIsCentredWithoutMaximiseBox()
    {
        WindowUnderTest w;
        MainWindow &form = w.start();
        QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(form.windowFlags() & Qt::WindowMinimizeButtonHint);
        form.showCentred();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        // The window system may still shift the window by its frame's few pixels. Centred
        // where it fits; the offscreen screen (800 pixels) is narrower than the window, which
        // opens at its left edge then, not centred with its left part off the screen.
        const QRect available = form.screen()->availableGeometry();
        const QPoint off = form.geometry().center() - available.center();
        QVERIFY2(qAbs(off.y()) <= 4, qPrintable(QString::number(off.y())));
        if (form.frameGeometry().width() <= available.width())
            QVERIFY2(qAbs(off.x()) <= 4, qPrintable(QString::number(off.x())));
        else
            QCOMPARE(form.frameGeometry().left(), available.left());
    }

    // Without a check run the program ends at once, however the window goes: a close request
    // (also while a load or a save shows the hourglass), or its native window destroyed with
    // no request, as Qt destroys it or as X11 reports it. A run ends first (tst_CheckRun).
    void closingEndsProgramOnceAndNothingElse_data()
    {
        QTest::addColumn<int>("way");
        QTest::addColumn<bool>("ends");
        QTest::newRow("close request") << int(CloseRequest) << true;
        QTest::newRow("close request while busy") << int(CloseWhileBusy) << true;
        QTest::newRow("native window destroyed") << int(NativeWindowDestroyed) << true;
        QTest::newRow("X11 reports it destroyed") << int(X11ReportsDestroyed) << true;
        QTest::newRow("X11 reports another window destroyed") << int(X11ReportsOther) << false;
        QTest::newRow("another client sends the report") << int(X11ReportSent) << false;
    }
    void closingEndsProgramOnceAndNothingElse()
    {
        QFETCH(int, way);
        QFETCH(bool, ends);
        ShownWindow w;
        MainWindow &form = *w.form;
        form.inputList()->append("https://www.youtube.com/watch?v=abc");
        if (way == CloseWhileBusy)
            form.setMousePointer(MainWindow::HourglassPointer);
        if (way == CloseRequest || way == CloseWhileBusy) {
            QVERIFY(form.close());
        } else if (way == NativeWindowDestroyed) {
            form.windowHandle()->destroy();
        } else {
            // The X protocol's DestroyNotify as xcb delivers it.
            struct
            {
                quint8 type, pad;
                quint16 sequence;
                quint32 event, window;
            } report {quint8(way == X11ReportSent ? 0x80 | 17 : 17), 0, 0, quint32(form.winId()),
                      quint32(form.winId()) + (way == X11ReportsOther ? 1000 : 0)};
            DestroyedWindowWatch watch;
            QVERIFY(!watch.nativeEventFilter("xcb_generic_event_t", &report, nullptr));
            QCoreApplication::sendPostedEvents();
        }
        QCOMPARE(w.platform.endProgramCalls, ends ? 1 : 0);
        if (!ends)
            QVERIFY(form.windowHandle()->handle());
        QVERIFY(w.platform.boxes.isEmpty());
        QVERIFY(w.platform.prompts.isEmpty() && w.platform.saveDialogs.isEmpty());
        QCOMPARE(form.inputList()->count(), 1);
    }

private:
    enum Way {
        CloseRequest,
        CloseWhileBusy,
        NativeWindowDestroyed,
        X11ReportsDestroyed,
        X11ReportsOther,
        X11ReportSent
    };
};

QTEST_MAIN(StartupTest)
#include "tst_Startup.moc"
