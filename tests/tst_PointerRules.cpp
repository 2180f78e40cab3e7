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
void moveTo(Form1 &form, const QString &name)
{
    QWidget *widget = name == u"background" ? &form
        : name == u"ListView3 header"       ? form.ListView3->header()->viewport()
        : name == u"ListView1 scroll bar"   ? form.ListView1->verticalScrollBar()
                                            : form.findChild<QWidget *>(name);
    QVERIFY2(widget && widget->isVisible(), qPrintable(name));
    QTest::mouseMove(widget,
                     widget == &form ? QPoint(form.ListView2->x() - 4, form.ListView2->y() + 20)
                                     : widget->rect().center());
}

// The window shown, with enough rows for the input list's scroll bar to show.
Form1 &showStarted(WindowUnderTest &w, bool handCursorFile)
{
    if (handCursorFile)
        TestFiles::write(w.path("HAND-M.CUR"), CursorFixtures::handCursor({10, 0}));
    Form1 &form = w.start();
    for (int row = 0; row < 40; ++row)
        form.ListView1->append(u"https://www.youtube.com/watch?v=%1"_qs.arg(row));
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
        for (int n = 1; n <= 11; ++n) {
            const QString button = u"PushButton%1"_qs.arg(n);
            QTest::newRow(qPrintable(button)) << "background" << button << int(Form1::HandPointer);
        }
        for (const char *place : {"ListView1", "ListView2", "ListView3", "ListView3 header",
                                  "ListView1 scroll bar", "background"})
            QTest::newRow(place) << "PushButton4" << place << int(Form1::DefaultPointer);
    }
    void pointerFollowsWhatItIsOver()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(int, pointer);
        WindowUnderTest w;
        Form1 &form = showStarted(w, false);
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
        for (const char *place : {"PushButton4", "PushButton10", "ListView1", "ListView2",
                                  "ListView3", "ListView3 header", "background"})
            QTest::newRow(place) << place;
    }
    void hourglassStaysWherever()
    {
        QFETCH(QString, to);
        WindowUnderTest w;
        Form1 &form = showStarted(w, true);
        moveTo(form, "PushButton1");
        form.setMousePointer(Form1::HourglassPointer);
        moveTo(form, to);
        moveTo(form, "PushButton7");
        moveTo(form, to);
        QCOMPARE(form.mousePointer(), int(Form1::HourglassPointer));
        QCOMPARE(form.cursor().shape(), Qt::WaitCursor);
        QVERIFY(form.isBusy());
        // Ending the long operation gives the rules back the pointer.
        form.setMousePointer(Form1::DefaultPointer);
        moveTo(form, "PushButton3");
        QCOMPARE(form.mousePointer(), int(Form1::HandPointer));
    }

    void loadedCursorShowsOverButtons()
    {
        WindowUnderTest w;
        Form1 &form = showStarted(w, true);
        moveTo(form, "PushButton8");
        QCOMPARE(form.cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(form.cursor().hotSpot(), QPoint(10, 0));
        moveTo(form, "ListView2");
        QCOMPARE(form.cursor().shape(), Qt::ArrowCursor);
    }
};

QTEST_MAIN(PointerRulesTest)
#include "tst_PointerRules.moc"
