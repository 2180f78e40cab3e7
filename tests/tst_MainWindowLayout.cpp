// The main window's fixed layout: every control's place, size and tab order, the column
// headers, fonts and tool tips.
#include "FormFixture.h"
#include "app/Twips.h"
#include "lists/LinkListView.h"

#include <QFontInfo>
#include <QHeaderView>
#include <QtTest>

namespace {
// At 96 dpi a pixel is 15 twips; elsewhere the twips are converted at the screen's own
// resolution.
int pixels(int twips, int at96, qreal dpi)
{
    return qFuzzyCompare(dpi, 96.0) ? at96 : twipsToPixels(twips, dpi);
}
} // namespace

QStringList tabOrder()
{
    return {"ListView1",    "ListView2",   "ListView3",   "PushButton5", "PushButton3",
            "PushButton11", "PushButton6", "PushButton1", "PushButton9", "PushButton2",
            "PushButton4",  "PushButton8", "PushButton7", "PushButton10"};
}

class MainWindowLayoutTest : public QObject
{
    Q_OBJECT
private:
    FormFixture fixture;
    Form1 *form = nullptr;
    qreal dpi = 96.0;

private slots:
    void initTestCase()
    {
        form = &fixture.start();
        form->showCentred();
        QVERIFY(QTest::qWaitForWindowExposed(form));
        dpi = form->logicalDpi();
        if (!qFuzzyCompare(dpi, 96.0))
            qWarning("screen is at %g dpi, not 96: pixels computed from twips", dpi);
    }

    void clientAreaIsFixedSize()
    {
        QCOMPARE(form->size(), QSize(pixels(15960, 1064, dpi), pixels(5460, 364, dpi)));
        QCOMPARE(form->minimumSize(), form->maximumSize());
    }

    void controlsSitInTabOrderAtTheirPlaces_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<QRect>("at96");
        // In tab order.
        QTest::newRow("ListView1") << "ListView1"
                                   << "" << QRect(120, 120, 7800, 3195) << QRect(8, 8, 520, 213);
        QTest::newRow("ListView2") << "ListView2"
                                   << "" << QRect(8040, 120, 7800, 2070) << QRect(536, 8, 520, 138);
        QTest::newRow("ListView3")
            << "ListView3"
            << "" << QRect(8040, 2770, 7800, 2070) << QRect(536, 185, 520, 138);
        QTest::newRow("PushButton5")
            << "PushButton5"
            << "Add YouTube Link To List" << QRect(120, 3400, 3840, 405) << QRect(8, 227, 256, 27);
        QTest::newRow("PushButton3") << "PushButton3"
                                     << "Load YouTube Links From File"
                                     << QRect(4080, 3400, 3840, 405) << QRect(272, 227, 256, 27);
        QTest::newRow("PushButton11")
            << "PushButton11"
            << "Clear List" << QRect(120, 3910, 3840, 405) << QRect(8, 261, 256, 27);
        QTest::newRow("PushButton6") << "PushButton6"
                                     << "Save Results As Text File" << QRect(8040, 2280, 3840, 405)
                                     << QRect(536, 152, 256, 27);
        QTest::newRow("PushButton1") << "PushButton1"
                                     << "Save Results As Text File" << QRect(8040, 4930, 3840, 405)
                                     << QRect(536, 329, 256, 27);
        QTest::newRow("PushButton9")
            << "PushButton9"
            << "Clear List" << QRect(12000, 2280, 3840, 405) << QRect(800, 152, 256, 27);
        QTest::newRow("PushButton2")
            << "PushButton2"
            << "Clear List" << QRect(12000, 4930, 3840, 405) << QRect(800, 329, 256, 27);
        QTest::newRow("PushButton4")
            << "PushButton4"
            << "Start Checking" << QRect(120, 4930, 7800, 405) << QRect(8, 329, 520, 27);
        QTest::newRow("PushButton8") << "PushButton8"
                                     << "Load Sample/Example Links" << QRect(4080, 3910, 3840, 405)
                                     << QRect(272, 261, 256, 27);
        QTest::newRow("PushButton7") << "PushButton7"
                                     << "Open Selected YouTube Link" << QRect(120, 4420, 3840, 405)
                                     << QRect(8, 295, 256, 27);
        QTest::newRow("PushButton10")
            << "PushButton10"
            << "Help" << QRect(4080, 4420, 3840, 405) << QRect(272, 295, 256, 27);
    }
    void controlsSitInTabOrderAtTheirPlaces()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QRect, twips);
        QFETCH(QRect, at96);
        auto *control = form->findChild<QWidget *>(name);
        QVERIFY(control);
        const QRect expected(pixels(twips.x(), at96.x(), dpi), pixels(twips.y(), at96.y(), dpi),
                             pixels(twips.width(), at96.width(), dpi),
                             pixels(twips.height(), at96.height(), dpi));
        QCOMPARE(control->geometry(), expected);
        if (auto *button = qobject_cast<QPushButton *>(control)) {
            QCOMPARE(button->text(), caption);
            QCOMPARE(button->font().family(), QStringLiteral("Arial"));
            QVERIFY(button->font().bold());
            QCOMPARE(button->font().pointSizeF(), 11.25);
        }
    }

    void controlsAreListedInTabOrder()
    {
        QStringList names;
        for (const QWidget *control : form->controlsInTabOrder())
            names << control->objectName();
        QCOMPARE(names, tabOrder());
    }

    // Tab walks the controls in the designed order, starting from the input list.
    void tabKeyFollowsDesignedOrder()
    {
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form));
        QCOMPARE(QApplication::focusWidget(), form->ListView1);
        QStringList visited {form->ListView1->objectName()};
        for (int i = 0; i < 14; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(visited, tabOrder() << QStringLiteral("ListView1"));
    }

    void columnHeadersAndWidths_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("header");
        QTest::addColumn<int>("twips");
        QTest::addColumn<int>("at96");
        QTest::newRow("input") << "ListView1" << 0 << "YouTube Link(s)" << 7000 << 467;
        QTest::newRow("valid") << "ListView2" << 0 << " Valid YouTube Link(s)" << 7000 << 467;
        QTest::newRow("invalid") << "ListView3" << 0 << "Invalid YouTube Link(s)" << 4000 << 267;
        QTest::newRow("reason") << "ListView3" << 1 << "Reason" << 3000 << 200;
    }
    void columnHeadersAndWidths()
    {
        QFETCH(QString, list);
        QFETCH(int, column);
        QFETCH(QString, header);
        QFETCH(int, twips);
        QFETCH(int, at96);
        auto *view = form->findChild<LinkListView *>(list);
        QVERIFY(view);
        QCOMPARE(view->columnCount(), list == u"ListView3" ? 2 : 1);
        QCOMPARE(view->headerItem()->text(column), header);
        QCOMPARE(Qt::Alignment(view->headerItem()->textAlignment(column))
                     & Qt::AlignHorizontal_Mask,
                 Qt::AlignLeft);
        QCOMPARE(view->columnWidth(column), pixels(twips, at96, dpi));
        QVERIFY(!view->isHeaderHidden());
    }

    void listsShareFontAndToolTip()
    {
        for (LinkListView *list : {form->ListView1, form->ListView2, form->ListView3}) {
            QCOMPARE(list->font().family(), QStringLiteral("Arial"));
            QVERIFY(list->font().bold());
            QCOMPARE(list->font().pointSizeF(), 9.0);
            QCOMPARE(list->toolTip(),
                     QStringLiteral("Double-click item to remove it. Move | line to right and "
                                    "out of window to reveal full names."));
            QCOMPARE(list->count(), 0);
        }
    }

    // Arial itself, or a face with its metrics (Liberation Sans from fonts-liberation2).
    void arialResolvesToMetricCompatibleFace()
    {
        const QString family = QFontInfo(form->PushButton4->font()).family();
        QVERIFY2(family == u"Arial" || family == u"Liberation Sans", qPrintable(family));
    }

    void backgroundIsWhite()
    {
        QCOMPARE(form->palette().color(QPalette::Window), QColor(Qt::white));
        const QImage shot = form->grab().toImage();
        // A spot between the input list and the valid list, right of the buttons.
        QCOMPARE(QColor(shot.pixel(pixels(7980, 532, dpi), pixels(1000, 67, dpi))),
                 QColor(Qt::white));
    }
};

QTEST_MAIN(MainWindowLayoutTest)
#include "tst_MainWindowLayout.moc"
