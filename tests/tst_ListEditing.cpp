// Editing the link lists by hand through the window's real buttons, clicks and keys.
#include "WindowUnderTest.h"

#include <QtTest>

namespace {
const QStringList Samples = {
    QStringLiteral("https://www.youtube.com/watch?v=r7NS3uN8G9w"),
    QStringLiteral("https://www.youtube.com/watch?v=r7NS3uN8G93"),
    QStringLiteral("https://www.youtube.com/watch?v=QcmsotXwGyw"),
};
const QStringList ThreeLinks
    = {QStringLiteral("https://a.example/1"), QStringLiteral("https://a.example/2"),
       QStringLiteral("https://a.example/3")};

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
        QTest::newRow("empty answer") << QStringList {QStringLiteral("")} << QStringList {};
        QTest::newRow("blanks only")
            << QStringList {QStringLiteral("   ")} << QStringList {QStringLiteral("   ")};
        QTest::newRow("not a link") << QStringList {QStringLiteral("hello world")}
                                    << QStringList {QStringLiteral("hello world")};
        QTest::newRow("untrimmed") << QStringList {QStringLiteral(" https://a.example/x\t")}
                                   << QStringList {QStringLiteral(" https://a.example/x\t")};
        QTest::newRow("same link twice") << QStringList {QStringLiteral("https://a.example/1"),
                                                         QStringLiteral("https://a.example/1")}
                                         << QStringList {QStringLiteral("https://a.example/1"),
                                                         QStringLiteral("https://a.example/1")};
    }
    void typedAnswerIsAppendedExactlyAsTyped()
    {
        QFETCH(QStringList, answers);
        QFETCH(QStringList, rows);
        WindowUnderTest w;
        w.fill(1, {QStringLiteral("mine")});
        for (const QString &answer : answers) {
            w.platform.promptAnswers.enqueue(answer);
            w.click(w.form.PushButton5);
        }
        QCOMPARE(w.form.ListView1->links(), QStringList {"mine"} + rows);
        QVERIFY(w.platform.boxes.isEmpty());
        QCOMPARE(w.platform.prompts.size(), answers.size());
        const auto &prompt = w.platform.prompts.first();
        QCOMPARE(prompt.prompt, QStringLiteral("Enter website address to add: "));
        QCOMPARE(prompt.caption, w.form.applicationTitle());
        QCOMPARE(prompt.defaultText, QString());
    }

    void samplesTwiceGiveOneTwoThreeOneTwoThree()
    {
        WindowUnderTest w;
        w.fill(1, {QStringLiteral("mine")});
        w.click(w.form.PushButton8);
        w.click(w.form.PushButton8);
        QCOMPARE(w.form.ListView1->links(), QStringList {"mine"} + Samples + Samples);
        QVERIFY(w.platform.boxes.isEmpty());
    }

    void rowRemoval_data()
    {
        QTest::addColumn<int>("listNumber");
        QTest::addColumn<Gesture>("gesture");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("selected"); // 0: nothing selected
        QTest::addColumn<QStringList>("left");

        const QStringList none;
        QTest::newRow("double-click input row 2") << 1 << Gesture::DoubleClick << ThreeLinks << 0
                                                  << QStringList {ThreeLinks[0], ThreeLinks[2]};
        QTest::newRow("double-click valid row 1") << 2 << Gesture::DoubleClick << ThreeLinks << 0
                                                  << QStringList {ThreeLinks[1], ThreeLinks[2]};
        QTest::newRow("single click invalid row 2")
            << 3 << Gesture::Click << ThreeLinks << 0 << QStringList {ThreeLinks[0], ThreeLinks[2]};
        QTest::newRow("single click input row keeps it")
            << 1 << Gesture::Click << ThreeLinks << 0 << ThreeLinks;
        QTest::newRow("single click valid row keeps it")
            << 2 << Gesture::Click << ThreeLinks << 0 << ThreeLinks;
        QTest::newRow("Delete in input") << 1 << Gesture::Delete << ThreeLinks << 3
                                         << QStringList {ThreeLinks[0], ThreeLinks[1]};
        QTest::newRow("Delete in valid") << 2 << Gesture::Delete << ThreeLinks << 2
                                         << QStringList {ThreeLinks[0], ThreeLinks[2]};
        QTest::newRow("Delete in invalid") << 3 << Gesture::Delete << ThreeLinks << 1
                                           << QStringList {ThreeLinks[1], ThreeLinks[2]};
        QTest::newRow("Delete with every modifier")
            << 2 << Gesture::ShiftCtrlAltDelete << ThreeLinks << 2
            << QStringList {ThreeLinks[0], ThreeLinks[2]};
        QTest::newRow("Delete without selection")
            << 1 << Gesture::Delete << ThreeLinks << 0 << ThreeLinks;
        QTest::newRow("Delete in empty input") << 1 << Gesture::Delete << none << 0 << none;
        QTest::newRow("Delete in empty invalid") << 3 << Gesture::Delete << none << 0 << none;
        QTest::newRow("Backspace is not Delete")
            << 2 << Gesture::Backspace << ThreeLinks << 2 << ThreeLinks;
        QTest::newRow("arrow keys stay the list's own")
            << 1 << Gesture::DownArrow << ThreeLinks << 1 << ThreeLinks;
    }
    void rowRemoval()
    {
        QFETCH(int, listNumber);
        QFETCH(Gesture, gesture);
        QFETCH(QStringList, rows);
        QFETCH(int, selected);
        QFETCH(QStringList, left);
        WindowUnderTest w;
        LinkListView *list = w.list(listNumber);
        w.fill(listNumber, rows);
        w.fill(listNumber == 1 ? 2 : 1, ThreeLinks); // another list that must stay as it is
        list->selectRow(selected);
        list->setFocus();

        // Clicks go to the row whose number is "selected", or row 2 / row 1 by gesture.
        switch (gesture) {
        case Gesture::DoubleClick:
            w.doubleClickRow(list, listNumber == 1 ? 2 : 1);
            break;
        case Gesture::Click:
            w.clickRow(list, 2);
            break;
        case Gesture::Delete:
            QTest::keyClick(list, Qt::Key_Delete);
            break;
        case Gesture::ShiftCtrlAltDelete:
            QTest::keyClick(list, Qt::Key_Delete,
                            Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
            break;
        case Gesture::Backspace:
            QTest::keyClick(list, Qt::Key_Backspace);
            break;
        case Gesture::DownArrow:
            QTest::keyClick(list, Qt::Key_Down);
            QCOMPARE(list->selectedRow(), 2); // the list moved its own selection
            break;
        }
        QCOMPARE(list->links(), left);
        QCOMPARE(w.list(listNumber == 1 ? 2 : 1)->links(), ThreeLinks);
        QVERIFY(w.platform.boxes.isEmpty());
    }

    // The click of a double-click already removed the row; the double-click itself then
    // removes whatever row it selects, as the list control delivers it.
    void doubleClickOnInvalidListRemovesTwice()
    {
        WindowUnderTest w;
        w.fill(3, ThreeLinks);
        w.doubleClickRow(w.form.ListView3, 1);
        QCOMPARE(w.form.ListView3->links(), QStringList {ThreeLinks[2]});
    }

    void doubleClickOnEmptyListChangesNothing()
    {
        WindowUnderTest w;
        for (int number = 1; number <= 3; ++number)
            w.doubleClickAt(w.list(number), QPoint(20, 10));
        QCOMPARE(w.form.ListView1->count() + w.form.ListView2->count() + w.form.ListView3->count(),
                 0);
        QVERIFY(w.platform.boxes.isEmpty());
    }

    void deleteKeyActsOnTheListWithFocus()
    {
        WindowUnderTest w;
        QApplication::setActiveWindow(&w.form);
        QVERIFY(QTest::qWaitForWindowActive(&w.form));
        for (int number = 1; number <= 3; ++number) {
            w.fill(number, ThreeLinks);
            w.list(number)->selectRow(1);
        }
        w.form.ListView2->setFocus();
        QTest::keyClick(w.form.windowHandle(), Qt::Key_Delete);
        QCOMPARE(w.form.ListView1->count(), 3);
        QCOMPARE(w.form.ListView2->count(), 2);
        QCOMPARE(w.form.ListView3->count(), 3);
    }

    void busyWindowGuardsOnlyRemovalAndInputClear_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QList<int>>("counts"); // rows of lists 1..3 afterwards (3 each before)
        QTest::newRow("double-click input") << "dclick1" << QList<int> {3, 3, 3};
        QTest::newRow("double-click valid") << "dclick2" << QList<int> {3, 3, 3};
        QTest::newRow("double-click invalid") << "dclick3" << QList<int> {3, 3, 3};
        QTest::newRow("click invalid") << "click3" << QList<int> {3, 3, 3};
        QTest::newRow("Delete input") << "del1" << QList<int> {3, 3, 3};
        QTest::newRow("Delete valid") << "del2" << QList<int> {3, 3, 3};
        QTest::newRow("Delete invalid") << "del3" << QList<int> {3, 3, 3};
        QTest::newRow("Clear input") << "clear1" << QList<int> {3, 3, 3};
        QTest::newRow("Clear valid still clears") << "clear2" << QList<int> {3, 0, 3};
        QTest::newRow("Clear invalid still clears") << "clear3" << QList<int> {3, 3, 0};
        QTest::newRow("typed link still added") << "add" << QList<int> {4, 3, 3};
        QTest::newRow("samples still added") << "samples" << QList<int> {6, 3, 3};
    }
    void busyWindowGuardsOnlyRemovalAndInputClear()
    {
        QFETCH(QString, action);
        QFETCH(QList<int>, counts);
        WindowUnderTest w;
        for (int number = 1; number <= 3; ++number) {
            w.fill(number, ThreeLinks);
            w.list(number)->selectRow(2);
        }
        w.form.setMousePointer(Form1::HourglassPointer);
        w.platform.promptAnswers.enqueue(QStringLiteral("https://a.example/typed"));

        const int number = action.right(1).toInt();
        if (action.startsWith(u"dclick"))
            w.doubleClickRow(w.list(number), 2);
        else if (action.startsWith(u"click"))
            w.clickRow(w.list(number), 2);
        else if (action.startsWith(u"del"))
            QTest::keyClick(w.list(number), Qt::Key_Delete);
        else if (action.startsWith(u"clear"))
            w.click(number == 1       ? w.form.PushButton11
                        : number == 2 ? w.form.PushButton9
                                      : w.form.PushButton2);
        else if (action == u"add")
            w.click(w.form.PushButton5);
        else
            w.click(w.form.PushButton8);

        QCOMPARE((QList<int> {w.form.ListView1->count(), w.form.ListView2->count(),
                              w.form.ListView3->count()}),
                 counts);
        QCOMPARE(w.form.mousePointer(), int(Form1::HourglassPointer));
        QVERIFY(w.platform.boxes.isEmpty());
    }

    void openAndHelpWorkWhileBusy()
    {
        WindowUnderTest w;
        w.fill(1, ThreeLinks);
        w.form.ListView1->selectRow(1);
        w.form.setMousePointer(Form1::HourglassPointer);
        w.click(w.form.PushButton7);
        w.click(w.form.PushButton10);
        QCOMPARE(w.platform.openedAddresses, QStringList {ThreeLinks[0]});
        QCOMPARE(w.platform.boxes.size(), 1);
    }

    void clearButtonsEmptyOnlyTheirOwnList_data()
    {
        QTest::addColumn<int>("listNumber");
        QTest::newRow("input") << 1;
        QTest::newRow("valid") << 2;
        QTest::newRow("invalid") << 3;
    }
    void clearButtonsEmptyOnlyTheirOwnList()
    {
        QFETCH(int, listNumber);
        WindowUnderTest w;
        for (int number = 1; number <= 3; ++number)
            w.fill(number, ThreeLinks);
        QPushButton *button = listNumber == 1 ? w.form.PushButton11
            : listNumber == 2                 ? w.form.PushButton9
                                              : w.form.PushButton2;
        w.click(button);
        for (int number = 1; number <= 3; ++number)
            QCOMPARE(w.list(number)->count(), number == listNumber ? 0 : 3);
        QCOMPARE(w.list(listNumber)->headerItem()->text(0).isEmpty(), false);
        w.click(button); // already empty
        QCOMPARE(w.list(listNumber)->count(), 0);
        QVERIFY(w.platform.boxes.isEmpty());
    }

    void openWithoutSelectedInputRowShowsMessage_data()
    {
        QTest::addColumn<QStringList>("inputRows");
        QTest::newRow("empty input list") << QStringList {};
        QTest::newRow("rows but none selected") << ThreeLinks;
    }
    void openWithoutSelectedInputRowShowsMessage()
    {
        QFETCH(QStringList, inputRows);
        WindowUnderTest w;
        w.fill(1, inputRows);
        // A selection in a result list is never opened.
        w.fill(2, ThreeLinks);
        w.form.ListView2->selectRow(1);
        w.click(w.form.PushButton7);
        QVERIFY(w.platform.openedAddresses.isEmpty());
        QCOMPARE(w.platform.boxes.size(), 1);
        QCOMPARE(w.platform.boxes.first().text, QStringLiteral("No YouTube Link selected above."));
        QCOMPARE(w.platform.boxes.first().caption, w.form.applicationTitle());
        QCOMPARE(w.platform.boxes.first().buttons, Platform::Buttons::Ok);
    }

    void onlyWebAddressesReachTheBrowser_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<bool>("opened");
        QTest::newRow("https link") << "https://www.youtube.com/watch?v=r7NS3uN8G9w" << true;
        QTest::newRow("http link") << "http://www.youtube.com/watch?v=r7NS3uN8G9w" << true;
        QTest::newRow("scheme in capitals") << "HTTPS://WWW.YOUTUBE.COM/watch?v=x" << true;
        QTest::newRow("blanks stay one address") << "https://a.example/a b  c" << true;
        QTest::newRow("file address") << "file:///usr/bin/xterm" << false;
        QTest::newRow("local path") << "/usr/bin/xterm" << false;
        QTest::newRow("windows path") << "C:\\Windows\\System32\\calc.exe" << false;
        QTest::newRow("other scheme") << "ftp://a.example/x" << false;
        QTest::newRow("script") << "javascript:alert(1)" << false;
        QTest::newRow("no scheme") << "www.youtube.com/watch?v=x" << false;
        QTest::newRow("scheme inside") << "xdg-open https://a.example/" << false;
        QTest::newRow("leading blank") << " https://a.example/" << false;
        QTest::newRow("scheme without slashes") << "http:a.example" << true;
        QTest::newRow("scheme-like prefix") << "https-helper:run" << false;
    }
    void onlyWebAddressesReachTheBrowser()
    {
        QFETCH(QString, link);
        QFETCH(bool, opened);
        WindowUnderTest w;
        w.fill(1, {QStringLiteral("https://a.example/other"), link});
        w.form.ListView1->selectRow(2);
        w.click(w.form.PushButton7);
        QCOMPARE(w.platform.openedAddresses, opened ? QStringList {link} : QStringList {});
        QVERIFY(w.platform.boxes.isEmpty());
    }

    void helpNamesTheContactPage()
    {
        WindowUnderTest w;
        w.click(w.form.PushButton10);
        QCOMPARE(w.platform.boxes.size(), 1);
        const auto &box = w.platform.boxes.first();
        QCOMPARE(box.text,
                 QStringLiteral("Questions? Please contact Team Tallowmere at ")
                     + QLatin1String(Form1::ContactPageAddress));
        QCOMPARE(box.caption, w.form.applicationTitle());
        QCOMPARE(box.buttons, Platform::Buttons::Ok);
        QVERIFY(QLatin1String(Form1::ContactPageAddress).endsWith(u"/contact/"));
    }
};

QTEST_MAIN(ListEditingTest)
#include "tst_ListEditing.moc"
