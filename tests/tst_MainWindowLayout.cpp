// The main window's fixed layout at 96 dpi: every control's place, size and tab order, the
// column headers, fonts and tool tips.
#include "WindowUnderTest.h"
#include "gui/WindowPlacement.h"

namespace {
const QStringList TabOrder
    = {"inputList",           "validList",          "invalidList",         "addLinkButton",
       "loadLinkFilesButton", "clearInputButton",   "saveValidButton",     "saveInvalidButton",
       "clearValidButton",    "clearInvalidButton", "startCheckingButton", "loadSamplesButton",
       "openLinkButton",      "helpButton"};
} // namespace

class MainWindowLayoutTest : public QObject
{
    Q_OBJECT

    WindowUnderTest w;
    MainWindow *form = nullptr;

private slots:
    void initTestCase()
    {
        form = &w.start();
        form->showCentred();
        QVERIFY(QTest::qWaitForWindowExposed(form));
        QCOMPARE(form->logicalDpi(), 96);
        QCOMPARE(form->size(), QSize(1064, 364));
        QCOMPARE(form->minimumSize(), form->maximumSize());
    }

    // Centred in the free area (beside a taskbar, say); against the left or top edge of it on
    // the side where the window does not fit, the size left as it is.
    void windowIsPlacedInTheFreeArea_data()
    {
        QTest::addColumn<QSize>("frame");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QPoint>("topLeft");
        QTest::newRow("fits") << QSize(1064, 364) << QRect(0, 0, 1280, 984) << QPoint(108, 310);
        QTest::newRow("taskbar on the left")
            << QSize(1064, 364) << QRect(48, 0, 1232, 1024) << QPoint(132, 330);
        QTest::newRow("144 dpi, wider than the screen")
            << QSize(1596, 560) << QRect(0, 0, 1280, 984) << QPoint(0, 212);
        QTest::newRow("second screen, wider and taller")
            << QSize(1596, 560) << QRect(1280, 100, 800, 500) << QPoint(1280, 100);
    }
    void windowIsPlacedInTheFreeArea()
    {
        QFETCH(QSize, frame);
        QFETCH(QRect, available);
        QFETCH(QPoint, topLeft);
        QCOMPARE(placeOnScreen(frame, available), topLeft);
    }

    void controlsSitAtTheirPlaces_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("geometry");
        const QString clear = "Clear List", save = "Save Results As Text File";
        QTest::newRow("inputList") << "" << QRect(8, 8, 520, 213);
        QTest::newRow("validList") << "" << QRect(536, 8, 520, 138);
        QTest::newRow("invalidList") << "" << QRect(536, 185, 520, 138);
        QTest::newRow("addLinkButton") << "Add YouTube Link To List" << QRect(8, 227, 256, 27);
        QTest::newRow("loadLinkFilesButton")
            << "Load YouTube Links From File" << QRect(272, 227, 256, 27);
        QTest::newRow("clearInputButton") << clear << QRect(8, 261, 256, 27);
        QTest::newRow("saveValidButton") << save << QRect(536, 152, 256, 27);
        QTest::newRow("saveInvalidButton") << save << QRect(536, 329, 256, 27);
        QTest::newRow("clearValidButton") << clear << QRect(800, 152, 256, 27);
        QTest::newRow("clearInvalidButton") << clear << QRect(800, 329, 256, 27);
        QTest::newRow("startCheckingButton") << "Start Checking" << QRect(8, 329, 520, 27);
        QTest::newRow("loadSamplesButton")
            << "Load Sample/Example Links" << QRect(272, 261, 256, 27);
        QTest::newRow("openLinkButton") << "Open Selected YouTube Link" << QRect(8, 295, 256, 27);
        QTest::newRow("helpButton") << "Help" << QRect(272, 295, 256, 27);
    }
    void controlsSitAtTheirPlaces()
    {
        QFETCH(QString, caption);
        QFETCH(QRect, geometry);
        auto *control = form->findChild<QWidget *>(QTest::currentDataTag());
        QVERIFY(control);
        QCOMPARE(control->geometry(), geometry);
        if (auto *button = qobject_cast<QPushButton *>(control)) {
            QCOMPARE(button->text(), caption);
            QCOMPARE(button->font().family(), u"Arial"_qs);
            QVERIFY(button->font().bold());
            QCOMPARE(button->font().pointSizeF(), 11.25);
        }
    }

    // Tab walks the controls in the designed order, starting from the input list.
    void tabKeyFollowsDesignedOrder()
    {
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form));
        QCOMPARE(QApplication::focusWidget(), form->inputList());
        QStringList visited {form->inputList()->objectName()};
        for (int i = 0; i < 14; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(visited, TabOrder + QStringList {"inputList"});
    }

    void columnHeadersAndWidths_data()
    {
        QTest::addColumn<int>("list");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("header");
        QTest::addColumn<int>("width");
        QTest::newRow("input") << 1 << 0 << "YouTube Link(s)" << 467;
        QTest::newRow("valid") << 2 << 0 << " Valid YouTube Link(s)" << 467;
        QTest::newRow("invalid") << 3 << 0 << "Invalid YouTube Link(s)" << 267;
        QTest::newRow("reason") << 3 << 1 << "Reason" << 200;
    }
    void columnHeadersAndWidths()
    {
        QFETCH(int, list);
        QFETCH(int, column);
        QFETCH(QString, header);
        QFETCH(int, width);
        LinkListView *view = w.list(list);
        QCOMPARE(view->columnCount(), list == 3 ? 2 : 1);
        QCOMPARE(view->headerItem()->text(column), header);
        QCOMPARE(Qt::Alignment(view->headerItem()->textAlignment(column))
                     & Qt::AlignHorizontal_Mask,
                 Qt::AlignLeft);
        QCOMPARE(view->columnWidth(column), width);
        QVERIFY(!view->isHeaderHidden());
        QCOMPARE(view->font().family(), u"Arial"_qs);
        QVERIFY(view->font().bold());
        QCOMPARE(view->font().pointSizeF(), 9.0);
        QCOMPARE(view->toolTip(),
                 u"Double-click item to remove it. Move | line to right and "
                 u"out of window to reveal full names."_qs);
    }
};

QTEST_MAIN(MainWindowLayoutTest)
#include "tst_MainWindowLayout.moc"
