// The pointer rules: the hand pointer over buttons, the arrow over lists and background,
// and the hourglass that none of them replaces. Driven by real mouse moves.
#include "CursorFixtures.h"
#include "FormFixture.h"
#include "lists/LinkListView.h"
#include "support/TestFiles.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QtTest>

namespace {
// Places to move to: a control's middle, or a point of the background.
QWidget *target(Form1 &form, const QString &name)
{
    if (name == u"background")
        return &form;
    if (name == u"ListView3 header")
        return form.ListView3->header()->viewport();
    if (name == u"ListView1 scroll bar")
        return form.ListView1->verticalScrollBar();
    return form.findChild<QWidget *>(name);
}

QPoint spot(Form1 &form, QWidget *widget)
{
    // The gap between the input list and the valid list is background.
    if (widget == &form)
        return QPoint(form.ListView2->x() - 4, form.ListView2->y() + 20);
    return widget->rect().center();
}

void moveTo(Form1 &form, const QString &name)
{
    QWidget *widget = target(form, name);
    QVERIFY2(widget && widget->isVisible(), qPrintable(name));
    QTest::mouseMove(widget, spot(form, widget));
}
} // namespace

class PointerRulesTest : public QObject
{
    Q_OBJECT
private:
    void showStarted(FormFixture &fixture)
    {
        Form1 &form = fixture.start();
        // Enough rows for the input list's scroll bar to show.
        for (int row = 0; row < 40; ++row)
            form.ListView1->append(QStringLiteral("https://www.youtube.com/watch?v=%1").arg(row));
        form.showCentred();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
    }

private slots:
    void pointerFollowsWhatItIsOver_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<int>("pointer");
        const int hand = Form1::HandPointer;
        const int arrow = Form1::DefaultPointer;
        for (const char *button : {"PushButton1", "PushButton2", "PushButton3", "PushButton4",
                                   "PushButton5", "PushButton6", "PushButton7", "PushButton8",
                                   "PushButton9", "PushButton10", "PushButton11"})
            QTest::newRow(button) << "background" << button << hand;
        for (const char *list : {"ListView1", "ListView2", "ListView3", "ListView3 header",
                                 "ListView1 scroll bar", "background"})
            QTest::newRow(list) << "PushButton4" << list << arrow;
    }
    void pointerFollowsWhatItIsOver()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(int, pointer);
        FormFixture fixture;
        showStarted(fixture);
        Form1 &form = *fixture.form;
        moveTo(form, from);
        QVERIFY(form.mousePointer() != pointer);
        moveTo(form, to);
        QCOMPARE(form.mousePointer(), pointer);
        // Without HAND-M.CUR the hand pointer looks like the arrow.
        QCOMPARE(form.cursor().shape(), Qt::ArrowCursor);
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
        FormFixture fixture;
        TestFiles::write(
            fixture.pathInProgramFolder("HAND-M.CUR"),
            CursorFixtures::cursorFile(CursorFixtures::maskBitmap(32, 32), 32, 32, QPoint(10, 0)));
        showStarted(fixture);
        Form1 &form = *fixture.form;
        moveTo(form, QStringLiteral("PushButton1"));
        form.setMousePointer(Form1::HourglassPointer);
        moveTo(form, to);
        moveTo(form, QStringLiteral("PushButton7"));
        moveTo(form, to);
        QCOMPARE(form.mousePointer(), int(Form1::HourglassPointer));
        QCOMPARE(form.cursor().shape(), Qt::WaitCursor);
        QVERIFY(form.isBusy());
    }

    void loadedCursorShowsOverButtons()
    {
        FormFixture fixture;
        TestFiles::write(
            fixture.pathInProgramFolder("HAND-M.CUR"),
            CursorFixtures::cursorFile(CursorFixtures::maskBitmap(32, 32), 32, 32, QPoint(10, 0)));
        showStarted(fixture);
        Form1 &form = *fixture.form;
        moveTo(form, QStringLiteral("PushButton8"));
        QCOMPARE(form.cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(form.cursor().hotSpot(), QPoint(10, 0));
        QCOMPARE(fixture.form->PushButton8->cursor().shape(), Qt::BitmapCursor);
        moveTo(form, QStringLiteral("ListView2"));
        QCOMPARE(form.cursor().shape(), Qt::ArrowCursor);
    }

    // Ending a long operation gives the rules back the pointer.
    void defaultAfterHourglassLetsRulesWorkAgain()
    {
        FormFixture fixture;
        showStarted(fixture);
        Form1 &form = *fixture.form;
        form.setMousePointer(Form1::HourglassPointer);
        moveTo(form, QStringLiteral("PushButton5"));
        form.setMousePointer(Form1::DefaultPointer);
        moveTo(form, QStringLiteral("PushButton3"));
        QCOMPARE(form.mousePointer(), int(Form1::HandPointer));
    }
};

QTEST_MAIN(PointerRulesTest)
#include "tst_PointerRules.moc"
