// Editing the link lists by hand through the window's real buttons, clicks and keys.
#include "WindowUnderTest.h"
#include "gui/ListEditing.h"

namespace {
const QStringList Samples
    = {"https://www.youtube.com/watch?v=r7NS3uN8G9w", "https://www.youtube.com/watch?v=r7NS3uN8G93",
       "https://www.youtube.com/watch?v=QcmsotXwGyw"};
const QStringList Three = {"https://a.example/1", "https://a.example/2", "https://a.example/3"};

// How a user reaches row removal.
enum class Gesture { DoubleClick, Click, Delete, ShiftCtrlAltDelete, Backspace, DownArrow };
} // namespace
Q_DECLARE_METATYPE(Gesture)

class ListEditingTest : public QObject
{
    Q_OBJECT
private slots:
    void typedAnswerIsAppendedExactlyAsTyped_data()
    {
        QTest::addColumn<QStringList>("answers"); // one per click of the add button
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("cancel") << QStringList {QString()} << QStringList {};
        QTest::newRow("empty answer") << QStringList {""} << QStringList {};
        QTest::newRow("blanks only") << QStringList {"   "} << QStringList {"   "};
        QTest::newRow("untrimmed") << QStringList {" x y\t"} << QStringList {" x y\t"};
        QTest::newRow("same link twice") << QStringList {"a", "a"} << QStringList {"a", "a"};
    }
    void typedAnswerIsAppendedExactlyAsTyped()
    {
        QFETCH(QStringList, answers);
        QFETCH(QStringList, rows);
        ShownWindow w;
        w.fill(1, {"mine"});
        for (const QString &answer : answers) {
            w.platform.promptAnswers.enqueue(answer);
            w.click(w.button("addLinkButton"));
        }
        QCOMPARE(w.form->inputList()->links(), QStringList {"mine"} + rows);
        QVERIFY(w.platform.boxes.isEmpty());
        QCOMPARE(w.platform.prompts.size(), answers.size());
        QCOMPARE(w.platform.prompts.first().prompt, u"Enter website address to add: "_qs);
        QCOMPARE(w.platform.prompts.first().caption, w.form->applicationTitle());
        QCOMPARE(w.platform.prompts.first().defaultText, QString());
    }

    void samplesTwiceGiveOneTwoThreeOneTwoThree()
    {
        ShownWindow w;
        w.fill(1, {"mine"});
        w.click(w.button("loadSamplesButton"));
        w.click(w.button("loadSamplesButton"));
        QCOMPARE(w.form->inputList()->links(), QStringList {"mine"} + Samples + Samples);
    }

    void rowRemoval_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<Gesture>("gesture");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("row"); // selected row for keys, clicked row for the mouse
        QTest::addColumn<QStringList>("left");
        const auto D = Gesture::DoubleClick, C = Gesture::Click, K = Gesture::Delete;
        const QStringList none, one3 = {Three[0], Three[2]}, two3 = {Three[1], Three[2]};
        QTest::newRow("double-click input") << 1 << D << Three << 2 << one3;
        QTest::newRow("double-click valid") << 2 << D << Three << 1 << two3;
        // The click of a double-click already removed the row; the double-click itself then
        // removes whatever row it selects, as the list control delivers it.
        QTest::newRow("double-click invalid removes two")
            << 3 << D << Three << 1 << QStringList {Three[2]};
        QTest::newRow("double-click empty input") << 1 << D << none << 0 << none;
        QTest::newRow("double-click empty invalid") << 3 << D << none << 0 << none;
        QTest::newRow("single click invalid") << 3 << C << Three << 2 << one3;
        QTest::newRow("single click input keeps it") << 1 << C << Three << 2 << Three;
        QTest::newRow("single click valid keeps it") << 2 << C << Three << 2 << Three;
        QTest::newRow("Delete in input") << 1 << K << Three << 3 << Three.mid(0, 2);
        QTest::newRow("Delete in valid") << 2 << K << Three << 2 << one3;
        QTest::newRow("Delete in invalid") << 3 << K << Three << 1 << two3;
        QTest::newRow("Delete with every modifier")
            << 2 << Gesture::ShiftCtrlAltDelete << Three << 2 << one3;
        QTest::newRow("Delete without selection") << 1 << K << Three << 0 << Three;
        QTest::newRow("Delete in empty input") << 1 << K << none << 0 << none;
        QTest::newRow("Delete in empty invalid") << 3 << K << none << 0 << none;
        QTest::newRow("Backspace is not Delete") << 2 << Gesture::Backspace << Three << 2 << Three;
        QTest::newRow("arrow keys stay the list's own")
            << 1 << Gesture::DownArrow << Three << 1 << Three;
    }
    void rowRemoval()
    {
        QFETCH(int, number);
        QFETCH(Gesture, gesture);
        QFETCH(QStringList, rows);
        QFETCH(int, row);
        QFETCH(QStringList, left);
        ShownWindow w;
        LinkListView *list = w.list(number);
        const int other = number == 1 ? 2 : 1; // a list that must stay as it is
        w.fill(number, rows);
        w.fill(other, Three);
        const bool key = gesture != Gesture::DoubleClick && gesture != Gesture::Click;
        list->selectRow(key ? row : 0);
        list->setFocus();
        const QMap<Gesture, Qt::Key> keys = {{Gesture::Delete, Qt::Key_Delete},
                                             {Gesture::ShiftCtrlAltDelete, Qt::Key_Delete},
                                             {Gesture::Backspace, Qt::Key_Backspace},
                                             {Gesture::DownArrow, Qt::Key_Down}};
        if (gesture == Gesture::DoubleClick)
            w.doubleClickRow(list, row);
        else if (gesture == Gesture::Click)
            w.clickRow(list, row);
        else if (gesture == Gesture::ShiftCtrlAltDelete)
            QTest::keyClick(list, Qt::Key_Delete,
                            Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
        else
            QTest::keyClick(list, keys.value(gesture));
        if (gesture == Gesture::DownArrow)
            QCOMPARE(list->selectedRow(), 2); // the list moved its own selection
        QCOMPARE(list->links(), left);
        QCOMPARE(w.list(other)->links(), Three);
        QVERIFY(w.platform.boxes.isEmpty());
    }

    void deleteKeyActsOnTheListWithFocus()
    {
        ShownWindow w;
        QApplication::setActiveWindow(w.form.get());
        QVERIFY(QTest::qWaitForWindowActive(w.form.get()));
        for (int number = 1; number <= 3; ++number) {
            w.fill(number, Three);
            w.list(number)->selectRow(1);
        }
        w.form->validList()->setFocus();
        QTest::keyClick(w.form->windowHandle(), Qt::Key_Delete);
        QCOMPARE(w.counts(), QList<int>({3, 2, 3}));
    }

    // While the hourglass shows, removal and the input list's Clear do nothing; the result
    // lists' Clear, adding, Open and Help still work.
    void busyWindowGuardsOnlyRemovalAndInputClear_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<QList<int>>("counts"); // rows of lists 1..3 afterwards (3 each before)
        QTest::addColumn<int>("boxes");
        const QList<int> same = {3, 3, 3};
        for (const char *action :
             {"dclick1", "dclick2", "dclick3", "click3", "del1", "del2", "del3", "clear1"})
            QTest::newRow(action) << action << true << same << 0;
        QTest::newRow("Clear input when idle") << "clear1" << false << QList<int> {0, 3, 3} << 0;
        QTest::newRow("Clear valid") << "clear2" << true << QList<int> {3, 0, 3} << 0;
        QTest::newRow("Clear invalid") << "clear3" << true << QList<int> {3, 3, 0} << 0;
        QTest::newRow("typed link") << "add" << true << QList<int> {4, 3, 3} << 0;
        QTest::newRow("samples") << "samples" << true << QList<int> {6, 3, 3} << 0;
        QTest::newRow("open and help") << "open" << true << same << 1;
    }
    void busyWindowGuardsOnlyRemovalAndInputClear()
    {
        QFETCH(QString, action);
        QFETCH(bool, busy);
        QFETCH(QList<int>, counts);
        QFETCH(int, boxes);
        ShownWindow w;
        MainWindow &form = *w.form;
        for (int number = 1; number <= 3; ++number) {
            w.fill(number, Three);
            w.list(number)->selectRow(2);
        }
        const MainWindow::MousePointer pointer
            = busy ? MainWindow::HourglassPointer : MainWindow::DefaultPointer;
        form.setMousePointer(pointer);
        w.platform.promptAnswers.enqueue("https://a.example/typed");
        const int number = action.right(1).toInt();
        if (action.startsWith(u"dclick"))
            w.doubleClickRow(w.list(number), 2);
        else if (action.startsWith(u"click"))
            w.clickRow(w.list(number), 2);
        else if (action.startsWith(u"del"))
            QTest::keyClick(w.list(number), Qt::Key_Delete);
        else if (action.startsWith(u"clear"))
            w.click(QList {w.button("clearInputButton"), w.button("clearValidButton"),
                           w.button("clearInvalidButton")}[number - 1]);
        else if (action == u"add")
            w.click(w.button("addLinkButton"));
        else if (action == u"samples")
            w.click(w.button("loadSamplesButton"));
        else {
            w.click(w.button("openLinkButton"));
            w.click(w.button("helpButton"));
            QCOMPARE(w.platform.openedAddresses, QStringList {Three[1]});
        }
        QCOMPARE(w.counts(), counts);
        QCOMPARE(form.mousePointer(), pointer);
        QCOMPARE(w.platform.boxes.size(), boxes);
    }

    void openWithoutSelectedInputRowShowsMessage_data()
    {
        QTest::addColumn<QStringList>("inputRows");
        QTest::newRow("empty input list") << QStringList {};
        QTest::newRow("rows but none selected") << Three;
    }
    void openWithoutSelectedInputRowShowsMessage()
    {
        QFETCH(QStringList, inputRows);
        ShownWindow w;
        w.fill(1, inputRows);
        w.fill(2, Three); // a selection in a result list is never opened
        w.form->validList()->selectRow(1);
        w.click(w.button("openLinkButton"));
        QVERIFY(w.platform.openedAddresses.isEmpty());
        QCOMPARE(w.platform.boxTexts(), QStringList {"No YouTube Link selected above."});
        QCOMPARE(w.platform.boxes.first().caption, w.form->applicationTitle());
    }

    void onlyWebAddressesReachTheBrowser_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<bool>("opened");
        QTest::newRow("https") << "https://www.youtube.com/watch?v=r7NS3uN8G9w" << true;
        QTest::newRow("http") << "http://www.youtube.com/watch?v=r7NS3uN8G9w" << true;
        QTest::newRow("scheme in capitals") << "HTTPS://WWW.YOUTUBE.COM/watch?v=x" << true;
        QTest::newRow("blanks stay one address") << "https://a.example/a b  c" << true;
        QTest::newRow("file address") << "file:///usr/bin/xterm" << false;
        QTest::newRow("local path") << "/usr/bin/xterm" << false;
        QTest::newRow("other scheme") << "ftp://a.example/x" << false;
        QTest::newRow("script") << "javascript:alert(1)" << false;
        QTest::newRow("no scheme") << "www.youtube.com/watch?v=x" << false;
        QTest::newRow("leading blank") << " https://a.example/" << false;
        QTest::newRow("scheme-like prefix") << "https-helper:run" << false;
    }
    void onlyWebAddressesReachTheBrowser()
    {
        QFETCH(QString, link);
        QFETCH(bool, opened);
        ShownWindow w;
        w.fill(1, {"https://a.example/other", link});
        w.form->inputList()->selectRow(2);
        w.click(w.button("openLinkButton"));
        QCOMPARE(w.platform.openedAddresses, opened ? QStringList {link} : QStringList {});
        QVERIFY(w.platform.boxes.isEmpty());
    }

    void helpNamesTheContactPage()
    {
        ShownWindow w;
        w.click(w.button("helpButton"));
        QCOMPARE(w.platform.boxTexts(),
                 QStringList {"Questions? Please contact Team Tallowmere at "
                              + QLatin1String(ListEditing::ContactPageAddress)});
        QCOMPARE(w.platform.boxes.first().caption, w.form->applicationTitle());
    }
};

QTEST_MAIN(ListEditingTest)
#include "tst_ListEditing.moc"
