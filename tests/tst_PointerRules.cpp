// The pointer rules: the hand pointer over buttons, the arrow over lists and background,
// and the hourglass that none of them replaces. Driven by real mouse moves.
#include "CursorFixtures.h"
#include "WindowUnderTest.h"
#include "support/TestFiles.h"

#include <QHeaderView>
#include <QScrollBar>

namespace {
// Moves the mouse to a control's middle, or to the background between the input and
// valid lists.
void moveTo(MainWindow &form, const QString &name)
{
    QWidget *widget = name == u"background" ? &form
        : name == u"invalidList header"     ? form.invalidList()->header()->viewport()
        : name == u"inputList scroll bar"   ? form.inputList()->verticalScrollBar()
                                            : form.findChild<QWidget *>(name);
    QVERIFY2(widget && widget->isVisible(), qPrintable(name));
    QTest::mouseMove(widget,
                     widget == &form ? QPoint(form.validList()->x() - 4, form.validList()->y() + 20)
                                     : widget->rect().center());
}

// The window shown, with enough rows for the input list's scroll bar to show.
MainWindow &showStarted(WindowUnderTest &w, bool handCursorFile)
{
    if (handCursorFile)
        TestFiles::write(w.path("HAND-M.CUR"), CursorFixtures::handCursor({10, 0}));
    MainWindow &form = w.start();
    for (int row = 0; row < 40; ++row)
        form.inputList()->append(u"https://www.youtube.com/watch?v=%1"_qs.arg(row));
    form.showCentred();
    if (!QTest::qWaitForWindowExposed(&form))
        qFatal("the window was not shown");
    return form;
}
} // namespace

class PointerRulesTest : public QObject
{
    Q_OBJECT
private slots:
    void pointerFollowsWhatItIsOver_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<int>("pointer");
        for (const char *button :
             {"addLinkButton", "loadLinkFilesButton", "clearInputButton", "saveValidButton",
              "saveInvalidButton", "clearValidButton", "clearInvalidButton", "startCheckingButton",
              "loadSamplesButton", "openLinkButton", "helpButton"})
            QTest::newRow(button) << "background" << button << int(MainWindow::HandPointer);
        for (const char *place : {"inputList", "validList", "invalidList", "invalidList header",
                                  "inputList scroll bar", "background"})
            QTest::newRow(place) << "startCheckingButton" << place
                                 << int(MainWindow::DefaultPointer);
    }
    void pointerFollowsWhatItIsOver()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(int, pointer);
        WindowUnderTest w;
        MainWindow &form = showStarted(w, false);
        moveTo(form, from);
        QVERIFY(form.mousePointer() != pointer);
        moveTo(form, to);
        QCOMPARE(form.mousePointer(), pointer);
        QCOMPARE(form.cursor().shape(),
                 Qt::ArrowCursor); // without HAND-M.CUR the hand is the arrow
    }

    void hourglassStaysWherever_data()
    {
        QTest::addColumn<QString>("to");
        for (const char *place : {"startCheckingButton", "helpButton", "inputList", "validList",
                                  "invalidList", "invalidList header", "background"})
            QTest::newRow(place) << place;
    }
    void hourglassStaysWherever()
    {
        QFETCH(QString, to);
        WindowUnderTest w;
        MainWindow &form = showStarted(w, true);
        moveTo(form, "saveInvalidButton");
        form.setMousePointer(MainWindow::HourglassPointer);
        moveTo(form, to);
        moveTo(form, "openLinkButton");
        moveTo(form, to);
        QCOMPARE(form.mousePointer(), int(MainWindow::HourglassPointer));
        QCOMPARE(form.cursor().shape(), Qt::WaitCursor);
        QVERIFY(form.isBusy());
        // Ending the long operation gives the rules back the pointer.
        form.setMousePointer(MainWindow::DefaultPointer);
        moveTo(form, "loadLinkFilesButton");
        QCOMPARE(form.mousePointer(), int(MainWindow::HandPointer));
    }

    void loadedCursorShowsOverButtons()
    {
        WindowUnderTest w;
        MainWindow &form = showStarted(w, true);
        moveTo(form, "loadSamplesButton");
        QCOMPARE(form.cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(form.cursor().hotSpot(), QPoint(10, 0));
        moveTo(form, "validList");
        QCOMPARE(form.cursor().shape(), Qt::ArrowCursor);
    }
};

QTEST_MAIN(PointerRulesTest)
#include "tst_PointerRules.moc"
