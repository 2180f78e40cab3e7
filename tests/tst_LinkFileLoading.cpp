// Loading link files chosen in the open dialog into the input list.
#include "WindowUnderTest.h"
#include "core/AppError.h"
#include "support/TestFiles.h"

#include <QStringEncoder>

class LinkFileLoadingTest : public QObject
{
    Q_OBJECT
private slots:
    void cancelLoadsNothingAndShowsNothing()
    {
        ShownWindow w;
        w.fill(1, {"kept"});
        w.click(w.button("loadLinkFilesButton"));
        QCOMPARE(w.form->inputList()->links(), QStringList {"kept"});
        QVERIFY(w.platform.boxes.isEmpty());
        QCOMPARE(w.platform.openDialogs.size(), 1);
        const auto &dialog = w.platform.openDialogs.first();
        QCOMPARE(dialog.fileName, QString());
        QCOMPARE(dialog.flags, 2621953);
        QCOMPARE(dialog.title, u"Load List(s) - Hold Ctrl to select multiple list files"_qs);
        QCOMPARE(dialog.filter, u"Text Files (*.txt)|*.txt|All Files (*.*)|*.*|"_qs);
        QCOMPARE(dialog.maxFileSize, 30000);
    }

    void linesOfALinkFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("items");
        const QString text = u"https://a.example/1\r\n   \r\nhttps://a.example/w\u00e4tch\r\n"_qs;
        const QStringList textItems = {"https://a.example/1", u"https://a.example/w\u00e4tch"_qs};
        QStringEncoder le(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
        QStringEncoder be(QStringConverter::Utf16BE, QStringConverter::Flag::WriteBom);
        QTest::newRow("blank lines skipped, items untrimmed, a tab is not blank")
            << QByteArray("a\r\n\r\n   \r\n b \r\n\t\r\n") << QStringList {"a", " b ", "\t"};
        QTest::newRow("same link twice") << QByteArray("x\r\nx\r\n") << QStringList {"x", "x"};
        QTest::newRow("empty file") << QByteArray() << QStringList {};
        QTest::newRow("no final line break") << QByteArray("x\r\ny") << QStringList {"x", "y"};
        QTest::newRow("UTF-8 without mark") << text.toUtf8() << textItems;
        QTest::newRow("marked UTF-8") << QByteArray("\xef\xbb\xbf" + text.toUtf8()) << textItems;
        QTest::newRow("UTF-16 LE") << QByteArray(le.encode(text)) << textItems;
        QTest::newRow("UTF-16 BE") << QByteArray(be.encode(text)) << textItems;
    }
    void linesOfALinkFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, items);
        ShownWindow w;
        w.fill(1, {"before"});
        w.platform.queueOpenAnswer(TestFiles::write(w.path("links.txt"), bytes));
        w.click(w.button("loadLinkFilesButton"));
        QCOMPARE(w.form->inputList()->links(), QStringList {"before"} + items);
        QVERIFY(w.platform.boxes.isEmpty());
        QCOMPARE(w.form->mousePointer(), int(MainWindow::DefaultPointer));
    }

    // Several names come back as the folder and the names; one of them may have vanished
    // meanwhile, which is said once while the others still load.
    void severalFilesLoadInTheDialogsOrder_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("links");
        QTest::addColumn<QStringList>("boxes");
        QTest::newRow("three files") << "" << QStringList {"c.txt", "a.txt", "b.txt"}
                                     << QStringList {"c1", "a1", "a2", "b1"} << QStringList {};
        QTest::newRow("folder ending in a separator")
            << "/" << QStringList {"a.txt", "b.txt"} << QStringList {"a1", "a2", "b1"}
            << QStringList {};
        QTest::newRow("a vanished file")
            << "" << QStringList {"a.txt", "gone.txt", "c.txt"} << QStringList {"a1", "a2", "c1"}
            << QStringList {"File not found"};
    }
    void severalFilesLoadInTheDialogsOrder()
    {
        QFETCH(QString, folder);
        QFETCH(QStringList, names);
        QFETCH(QStringList, links);
        QFETCH(QStringList, boxes);
        ShownWindow w;
        TestFiles::write(w.path("a.txt"), "a1\r\na2\r\n");
        TestFiles::write(w.path("b.txt"), "b1\r\n");
        TestFiles::write(w.path("c.txt"), "c1\r\n");
        QList<int> pointerDuringBox;
        w.platform.onBox = [&](const ScriptedPlatform::Box &) {
            pointerDuringBox << w.form->mousePointer();
        };
        w.platform.queueOpenAnswer(w.folder.path() + folder + QChar(0) + names.join(QChar(0)));
        w.click(w.button("loadLinkFilesButton"));
        QCOMPARE(w.form->inputList()->links(), links);
        QCOMPARE(w.platform.boxTexts(), boxes);
        QCOMPARE(pointerDuringBox, QList<int>(boxes.size(), MainWindow::HourglassPointer));
        QCOMPARE(w.form->mousePointer(), int(MainWindow::DefaultPointer));
    }

    void sameFileTwiceAddsItsLinesAgain()
    {
        ShownWindow w;
        const QString path = TestFiles::write(w.path("l.txt"), "1\r\n2\r\n");
        w.platform.queueOpenAnswer(path);
        w.platform.queueOpenAnswer(path);
        w.click(w.button("loadLinkFilesButton"));
        w.click(w.button("loadLinkFilesButton"));
        QCOMPARE(w.form->inputList()->links(), QStringList({"1", "2", "1", "2"}));
    }

    void dialogFailures_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("text");
        QTest::newRow("too many files") << int(FileNameBufferTooSmall)
                                        << "You've selected too many files to add.\r\rPlease try "
                                           "adding via the \"Add All\" button.";
        QTest::newRow("other failure") << 32755
                                       << "Dialog failed\r\nin Pennyvale2021/08/31.Form1."
                                          "PushButton3_Click at line 108\r\r";
    }
    void dialogFailures()
    {
        QFETCH(int, number);
        QFETCH(QString, text);
        ShownWindow w;
        w.platform.queueOpenError(number, "Dialog failed");
        w.click(w.button("loadLinkFilesButton"));
        QCOMPARE(w.form->inputList()->count(), 0);
        QCOMPARE(w.platform.boxes.size(), 1);
        QVERIFY2(w.platform.boxes.first().text.startsWith(text),
                 qPrintable(w.platform.boxes.first().text));
        QCOMPARE(w.form->mousePointer(), int(MainWindow::DefaultPointer));
    }
};

QTEST_MAIN(LinkFileLoadingTest)
#include "tst_LinkFileLoading.moc"
