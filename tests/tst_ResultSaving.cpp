// Saving the valid and invalid lists as text files through the window's save buttons.
#include "WindowUnderTest.h"
#include "lists/ResultSaving.h"
#include "platform/AppError.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QtTest>

class ResultSavingTest : public QObject
{
    Q_OBJECT

    static QString pathIn(WindowUnderTest &w, const QString &name)
    {
        return QDir(w.folder.path()).filePath(name);
    }
    static QStringList entriesOf(const QString &folder)
    {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

private slots:
    void cancelWritesNothingAndShowsNothing()
    {
        WindowUnderTest w;
        w.fill(2, {QStringLiteral("https://a.example/1")});
        w.click(w.form.PushButton6);
        QVERIFY(w.platform.boxes.isEmpty());
        QCOMPARE(entriesOf(w.folder.path()), QStringList {});
        QCOMPARE(w.form.mousePointer(), int(Form1::DefaultPointer));

        QCOMPARE(w.platform.saveDialogs.size(), 1);
        const auto &dialog = w.platform.saveDialogs.first();
        QCOMPARE(dialog.fileName, QString());
        QCOMPARE(dialog.flags, 2621953);
        QCOMPARE(dialog.title, QStringLiteral("Save"));
        QCOMPARE(dialog.filter, QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*|"));
    }

    void eachListSavesItsLinksWithCrLfAfterEveryLine_data()
    {
        QTest::addColumn<int>("listNumber");
        QTest::addColumn<QStringList>("links");
        QTest::addColumn<QByteArray>("bytes");
        const QStringList two
            = {QStringLiteral("https://a.example/1"), QStringLiteral("https://a.example/2")};
        const QByteArray twoBytes("https://a.example/1\r\nhttps://a.example/2\r\n");
        QTest::newRow("valid list, two links") << 2 << two << twoBytes;
        QTest::newRow("invalid list, links without reasons") << 3 << two << twoBytes;
        QTest::newRow("empty list, empty file") << 2 << QStringList {} << QByteArray();
        QTest::newRow("as put in, blanks and all")
            << 2 << QStringList {QStringLiteral(" x "), QStringLiteral("   ")}
            << QByteArray(" x \r\n   \r\n");
        QTest::newRow("UTF-8 without mark")
            << 3 << QStringList {QStringLiteral("https://a.example/w\u00e4tch?v=\u65e5")}
            << QByteArray("https://a.example/w\xc3\xa4tch?v=\xe6\x97\xa5\r\n");
    }
    void eachListSavesItsLinksWithCrLfAfterEveryLine()
    {
        QFETCH(int, listNumber);
        QFETCH(QStringList, links);
        QFETCH(QByteArray, bytes);
        WindowUnderTest w;
        w.fill(listNumber, links);
        w.fill(listNumber == 2 ? 3 : 2, {QStringLiteral("https://other.example/")});
        const QString target = pathIn(w, QStringLiteral("results.txt"));
        w.platform.saveAnswers.enqueue(target);
        w.click(listNumber == 2 ? w.form.PushButton6 : w.form.PushButton1);
        QVERIFY(QFileInfo(target).isFile());
        QCOMPARE(TestFiles::read(target), bytes);
        QVERIFY(w.platform.boxes.isEmpty());
        QCOMPARE(entriesOf(w.folder.path()), QStringList {"results.txt"});
        QCOMPARE(w.form.mousePointer(), int(Form1::DefaultPointer));
        QCOMPARE(w.list(listNumber)->links(), links);
    }

    void nameWithoutExtensionIsUsedAsTyped()
    {
        WindowUnderTest w;
        w.fill(2, {QStringLiteral("x")});
        w.platform.saveAnswers.enqueue(pathIn(w, QStringLiteral("results")));
        w.click(w.form.PushButton6);
        QCOMPARE(entriesOf(w.folder.path()), QStringList {"results"});
    }

    void existingFileAsksBeforeOverwriting_data()
    {
        QTest::addColumn<Platform::Answer>("answer");
        QTest::addColumn<QByteArray>("bytesAfter");
        QTest::newRow("Yes replaces it") << Platform::Answer::Yes << QByteArray("new\r\n");
        QTest::newRow("No leaves it untouched") << Platform::Answer::No << QByteArray("old");
    }
    void existingFileAsksBeforeOverwriting()
    {
        QFETCH(Platform::Answer, answer);
        QFETCH(QByteArray, bytesAfter);
        WindowUnderTest w;
        w.fill(3, {QStringLiteral("new")});
        const QString target = TestFiles::write(pathIn(w, QStringLiteral("old.txt")), "old");
        w.platform.saveAnswers.enqueue(target);
        w.platform.yesNoAnswers.enqueue(answer);
        w.click(w.form.PushButton1);
        QCOMPARE(w.platform.boxes.size(), 1);
        const auto &box = w.platform.boxes.first();
        QCOMPARE(box.text,
                 QStringLiteral("Are you sure you wish to overwrite ") + target
                     + QStringLiteral(" ?"));
        QCOMPARE(box.caption, w.form.applicationTitle());
        QCOMPARE(box.buttons, Platform::Buttons::YesNo);
        QCOMPARE(TestFiles::read(target), bytesAfter);
        QCOMPARE(entriesOf(w.folder.path()), QStringList {"old.txt"});
        QCOMPARE(w.form.mousePointer(), int(Form1::DefaultPointer));
    }

    void emptyListEmptiesAnExistingFile()
    {
        WindowUnderTest w;
        const QString target = TestFiles::write(pathIn(w, QStringLiteral("old.txt")), "old\r\n");
        w.platform.saveAnswers.enqueue(target);
        w.click(w.form.PushButton6);
        QCOMPARE(w.platform.boxes.size(), 1); // the overwrite question
        QVERIFY(QFileInfo(target).isFile());
        QCOMPARE(TestFiles::read(target), QByteArray());
    }

    void unwritableTargetGivesExactlyOneReport()
    {
        WindowUnderTest w;
        w.fill(2, {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
        const QString target
            = QDir(TestFiles::impossiblePath(w.folder.path())).filePath(QStringLiteral("r.txt"));
        w.platform.saveAnswers.enqueue(target);
        w.click(w.form.PushButton6);
        QCOMPARE(w.platform.boxes.size(), 1);
        QCOMPARE(w.platform.errorReports().size(), 1);
        QVERIFY(w.platform.boxes.first().text.contains(
            QStringLiteral("\r\nin Pennyvale2021/08/31.Form1.PushButton6_Click at line 130\r\r")));
        QVERIFY(!QFileInfo::exists(target));
        QCOMPARE(entriesOf(w.folder.path()), QStringList {"regular-file"});
        QCOMPARE(w.form.mousePointer(), int(Form1::DefaultPointer));
        QCOMPARE(w.platform.processEventsCalls, 0);
    }

    void oldFileStaysUntilTheNewOneIsComplete()
    {
        WindowUnderTest w;
        w.fill(2, {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")});
        const QString target = TestFiles::write(pathIn(w, QStringLiteral("r.txt")), "old");
        QList<QByteArray> seen;
        w.platform.onProcessEvents = [&] {
            seen << TestFiles::read(target);
        };
        w.platform.saveAnswers.enqueue(target);
        w.click(w.form.PushButton6);
        QCOMPARE(seen, QList<QByteArray>({"old", "old", "old"}));
        QCOMPARE(TestFiles::read(target), QByteArray("1\r\n2\r\n3\r\n"));
    }

    void failedSaveLeavesNoPartialFile()
    {
        WindowUnderTest w;
        w.fill(3, {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")});
        const QString target = pathIn(w, QStringLiteral("r.txt"));
        // Mid-save, something else takes the name: a folder the file cannot replace.
        w.platform.onProcessEvents = [&] {
            if (!QFileInfo::exists(target))
                TestFiles::write(QDir(target).filePath(QStringLiteral("inside")), "x");
        };
        w.platform.saveAnswers.enqueue(target);
        w.click(w.form.PushButton1);
        QCOMPARE(w.platform.errorReports().size(), 1);
        QVERIFY(w.platform.boxes.first().text.contains(
            QStringLiteral("Form1.PushButton1_Click at line 140\r\r")));
        QCOMPARE(entriesOf(w.folder.path()), QStringList {"r.txt"});
        QVERIFY(QFileInfo(target).isDir());
        QCOMPARE(w.form.mousePointer(), int(Form1::DefaultPointer));
    }

    void windowStaysLiveAndBusyWhileWriting()
    {
        WindowUnderTest w;
        const QStringList links = {"1", "2", "3", "4"};
        w.fill(2, links);
        QList<int> pointers;
        w.platform.onProcessEvents = [&] {
            pointers << w.form.mousePointer();
        };
        w.platform.saveAnswers.enqueue(pathIn(w, QStringLiteral("r.txt")));
        w.click(w.form.PushButton6);
        QCOMPARE(w.platform.processEventsCalls, 4); // once before each line
        QCOMPARE(pointers, QList<int>(4, Form1::HourglassPointer));
    }

    void clearingTheListMidSaveStillSavesEveryLink_data()
    {
        QTest::addColumn<int>("listNumber");
        QTest::newRow("valid") << 2;
        QTest::newRow("invalid") << 3;
    }
    void clearingTheListMidSaveStillSavesEveryLink()
    {
        QFETCH(int, listNumber);
        WindowUnderTest w;
        w.fill(listNumber, {"1", "2", "3"});
        const QString target = pathIn(w, QStringLiteral("r.txt"));
        QPushButton *clear = listNumber == 2 ? w.form.PushButton9 : w.form.PushButton2;
        w.platform.onProcessEvents = [&] {
            if (w.platform.processEventsCalls == 2)
                w.click(clear); // the result lists' Clear works while the hourglass shows
        };
        w.platform.saveAnswers.enqueue(target);
        w.click(listNumber == 2 ? w.form.PushButton6 : w.form.PushButton1);
        QCOMPARE(w.list(listNumber)->count(), 0);
        QVERIFY(w.platform.boxes.isEmpty());
        QCOMPARE(TestFiles::read(target), QByteArray("1\r\n2\r\n3\r\n"));
    }

    void resultFileForTheShellTool()
    {
        QTemporaryDir folder;
        const QString path = QDir(folder.path()).filePath(QStringLiteral("valid.txt"));
        int calls = 0;
        ResultSaving::writeResultFile(path, {"a", "b"}, [&] { ++calls; });
        QCOMPARE(TestFiles::read(path), QByteArray("a\r\nb\r\n"));
        QCOMPARE(calls, 2);

        const QString impossible
            = QDir(TestFiles::impossiblePath(folder.path())).filePath(QStringLiteral("x.txt"));
        QVERIFY_THROWS_EXCEPTION(AppError, ResultSaving::writeResultFile(impossible, {"a"}));
        try {
            ResultSaving::writeResultFile(impossible, {"a"});
        } catch (const AppError &error) {
            QVERIFY(error.description().contains(QDir::toNativeSeparators(impossible)));
        }
    }
};

QTEST_MAIN(ResultSavingTest)
#include "tst_ResultSaving.moc"
