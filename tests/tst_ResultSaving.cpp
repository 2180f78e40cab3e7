// Saving the valid and invalid lists as text files through the window's save buttons.
#include "WindowUnderTest.h"
#include "support/TestFiles.h"

#include <QDir>

namespace {
QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}
} // namespace

class ResultSavingTest : public QObject
{
    Q_OBJECT
private slots:
    void cancelWritesNothingAndShowsNothing()
    {
        ShownWindow w;
        w.fill(2, {"https://a.example/1"});
        w.click(w.button("saveValidButton"));
        QVERIFY(w.platform.boxes.isEmpty());
        QCOMPARE(entriesOf(w.folder.path()), QStringList {});
        QCOMPARE(w.platform.saveDialogs.size(), 1);
        const auto &dialog = w.platform.saveDialogs.first();
        QCOMPARE(dialog.fileName, QString());
        QCOMPARE(dialog.flags, 2621953);
        QCOMPARE(dialog.title, u"Save"_qs);
        QCOMPARE(dialog.filter, u"Text Files (*.txt)|*.txt|All Files (*.*)|*.*|"_qs);
    }

    void eachListSavesItsLinksWithCrLfAfterEveryLine_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("links");
        QTest::addColumn<QByteArray>("bytes");
        const QStringList two = {"https://a.example/1", "https://a.example/2"};
        const QByteArray twoBytes("https://a.example/1\r\nhttps://a.example/2\r\n");
        QTest::newRow("valid, two links") << 2 << "r.txt" << two << twoBytes;
        QTest::newRow("invalid, links without reasons") << 3 << "r.txt" << two << twoBytes;
        QTest::newRow("empty list, empty file") << 2 << "r.txt" << QStringList {} << QByteArray();
        QTest::newRow("blanks kept")
            << 2 << "r.txt" << QStringList {" x ", "   "} << QByteArray(" x \r\n   \r\n");
        QTest::newRow("UTF-8 without mark") << 3 << "r.txt" << QStringList {u"w\u00e4\u65e5"_qs}
                                            << QByteArray("w\xc3\xa4\xe6\x97\xa5\r\n");
        QTest::newRow("name without extension used as typed")
            << 2 << "r" << QStringList {"x"} << QByteArray("x\r\n");
    }
    void eachListSavesItsLinksWithCrLfAfterEveryLine()
    {
        QFETCH(int, number);
        QFETCH(QString, name);
        QFETCH(QStringList, links);
        QFETCH(QByteArray, bytes);
        ShownWindow w;
        w.fill(number, links);
        w.fill(number == 2 ? 3 : 2, {"https://other.example/"});
        w.platform.saveAnswers.enqueue(w.path(name));
        w.click(w.button(number == 2 ? "saveValidButton" : "saveInvalidButton"));
        QCOMPARE(TestFiles::read(w.path(name)), bytes);
        QCOMPARE(entriesOf(w.folder.path()), QStringList {name});
        QVERIFY(w.platform.boxes.isEmpty());
        QCOMPARE(w.form->mousePointer(), int(MainWindow::DefaultPointer));
        QCOMPARE(w.list(number)->links(), links);
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
        ShownWindow w;
        w.fill(3, {"new"});
        const QString target = TestFiles::write(w.path("old.txt"), "old");
        w.platform.saveAnswers.enqueue(target);
        w.platform.yesNoAnswers.enqueue(answer);
        w.click(w.button("saveInvalidButton"));
        QCOMPARE(w.platform.boxTexts(),
                 QStringList {"Are you sure you wish to overwrite " + target + " ?"});
        QCOMPARE(w.platform.boxes.first().caption, w.form->applicationTitle());
        QCOMPARE(w.platform.boxes.first().buttons, Platform::Buttons::YesNo);
        QCOMPARE(TestFiles::read(target), bytesAfter);
        QCOMPARE(entriesOf(w.folder.path()), QStringList {"old.txt"});
        // Whatever the answer, the pointer is back to the default once the click is over.
        QCOMPARE(w.form->mousePointer(), int(MainWindow::DefaultPointer));
    }

    void unwritableTargetGivesExactlyOneReport()
    {
        ShownWindow w;
        w.fill(2, {"a", "b", "c"});
        const QString target = QDir(TestFiles::impossiblePath(w.folder.path())).filePath("r.txt");
        w.platform.saveAnswers.enqueue(target);
        w.click(w.button("saveValidButton"));
        QCOMPARE(w.platform.errorReports().size(), 1);
        QCOMPARE(w.platform.boxes.size(), 1);
        QVERIFY(w.platform.boxes.first().text.contains(
            "\r\nin Pennyvale2021/08/31.Form1.PushButton6_Click at line 130\r\r"));
        QCOMPARE(entriesOf(w.folder.path()), QStringList {"regular-file"});
        QCOMPARE(w.form->mousePointer(), int(MainWindow::DefaultPointer));
    }

    // Written through a temporary file: the old content stays until the new one is complete,
    // while the window keeps processing events under the hourglass before each line.
    void oldFileStaysUntilTheNewOneIsComplete()
    {
        ShownWindow w;
        w.fill(2, {"1", "2", "3"});
        const QString target = TestFiles::write(w.path("r.txt"), "old");
        QList<QByteArray> seen;
        QList<int> pointers;
        w.platform.onProcessEvents = [&] {
            seen << TestFiles::read(target);
            pointers << w.form->mousePointer();
        };
        w.platform.saveAnswers.enqueue(target);
        w.click(w.button("saveValidButton"));
        QCOMPARE(seen, QList<QByteArray>({"old", "old", "old"}));
        QCOMPARE(pointers, QList<int>(3, MainWindow::HourglassPointer));
        QCOMPARE(TestFiles::read(target), QByteArray("1\r\n2\r\n3\r\n"));
    }

    void failedSaveLeavesNoPartialFile()
    {
        ShownWindow w;
        w.fill(3, {"1", "2", "3"});
        const QString target = w.path("r.txt");
        // Mid-save, something else takes the name: a folder the file cannot replace.
        w.platform.onProcessEvents = [&] {
            if (!QFileInfo::exists(target))
                TestFiles::write(QDir(target).filePath("inside"), "x");
        };
        w.platform.saveAnswers.enqueue(target);
        w.click(w.button("saveInvalidButton"));
        QCOMPARE(w.platform.errorReports().size(), 1);
        QVERIFY(w.platform.boxes.first().text.contains("PushButton1_Click at line 140\r\r"));
        QCOMPARE(entriesOf(w.folder.path()), QStringList {"r.txt"});
        QVERIFY(QFileInfo(target).isDir());
    }

    // A full disk (here the file-size limit, with its signal ignored) fails the save with one
    // report giving the system's reason, and the old file stays as it was: whether a write
    // fails mid-file or only the last lines, written out of the buffer at the end, do not fit.
    void saveThatCannotGrowGivesExactlyOneReport_data()
    {
        QTest::addColumn<int>("links");
        QTest::addColumn<int>("line");
        QTest::newRow("fails mid-file") << 2000 << 136;
        QTest::newRow("fails when the buffer is written out") << 3 << 140;
    }
    void saveThatCannotGrowGivesExactlyOneReport()
    {
#ifdef Q_OS_WIN
        QSKIP("Windows has no file-size limit (RLIMIT_FSIZE) to stand for a full disk");
#else
        QFETCH(int, links);
        QFETCH(int, line);
        ShownWindow w;
        QStringList many;
        for (int i = 0; i < links; ++i)
            many << u"https://a.example/%1"_qs.arg(i);
        w.fill(2, many);
        const QString target = TestFiles::write(w.path("r.txt"), "old\r\n");
        w.platform.saveAnswers.enqueue(target);
        w.platform.yesNoAnswers.enqueue(Platform::Answer::Yes);
        {
            const TestFiles::FileSizeLimit fullDisk(32);
            w.click(w.button("saveValidButton"));
        }
        QCOMPARE(w.platform.errorReports().size(), 1);
        const QString report = w.platform.errorReports().first().text;
        QVERIFY2(report.startsWith(u"Cannot write to \"%1\": File too large\r\n"_qs.arg(target))
                     && report.contains(u"PushButton6_Click at line %1\r\r"_qs.arg(line)),
                 qPrintable(report));
        QCOMPARE(TestFiles::read(target), QByteArray("old\r\n"));
        QCOMPARE(entriesOf(w.folder.path()), QStringList {"r.txt"});
        QCOMPARE(w.form->mousePointer(), int(MainWindow::DefaultPointer));
#endif
    }

    void clearingTheListMidSaveStillSavesEveryLink_data()
    {
        QTest::addColumn<int>("number");
        QTest::newRow("valid") << 2;
        QTest::newRow("invalid") << 3;
    }
    void clearingTheListMidSaveStillSavesEveryLink()
    {
        QFETCH(int, number);
        ShownWindow w;
        w.fill(number, {"1", "2", "3"});
        w.platform.onProcessEvents = [&] {
            if (w.platform.processEventsCalls == 2) // Clear works while the hourglass shows
                w.click(number == 2 ? w.button("clearValidButton")
                                    : w.button("clearInvalidButton"));
        };
        w.platform.saveAnswers.enqueue(w.path("r.txt"));
        w.click(w.button(number == 2 ? "saveValidButton" : "saveInvalidButton"));
        QCOMPARE(w.list(number)->count(), 0);
        QVERIFY(w.platform.boxes.isEmpty());
        QCOMPARE(TestFiles::read(w.path("r.txt")), QByteArray("1\r\n2\r\n3\r\n"));
    }
};

QTEST_MAIN(ResultSavingTest)
#include "tst_ResultSaving.moc"
