// Loading link files chosen in the open dialog into the input list.
#include "WindowUnderTest.h"
#include "lists/LinkFileLoading.h"
#include "platform/AppError.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QStringEncoder>
#include <QtTest>

namespace {
const QString TooManyFiles = QStringLiteral(
    "You've selected too many files to add.\r\rPlease try adding via the \"Add All\" button.");
}

class LinkFileLoadingTest : public QObject
{
    Q_OBJECT

    static QString writeFile(WindowUnderTest &w, const QString &name, const QByteArray &bytes)
    {
        return TestFiles::write(QDir(w.folder.path()).filePath(name), bytes);
    }

private slots:
    void cancelLoadsNothingAndShowsNothing()
    {
        WindowUnderTest w;
        w.fill(1, {QStringLiteral("kept")});
        w.click(w.form.PushButton3);
        QCOMPARE(w.form.ListView1->links(), QStringList {"kept"});
        QVERIFY(w.platform.boxes.isEmpty());
        QCOMPARE(w.form.mousePointer(), int(Form1::DefaultPointer));

        QCOMPARE(w.platform.openDialogs.size(), 1);
        const auto &dialog = w.platform.openDialogs.first();
        QCOMPARE(dialog.fileName, QString());
        QCOMPARE(dialog.flags, 2621953);
        QCOMPARE(dialog.title,
                 QStringLiteral("Load List(s) - Hold Ctrl to select multiple list files"));
        QCOMPARE(dialog.filter, QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*|"));
        QCOMPARE(dialog.maxFileSize, 30000);
    }

    void linesOfALinkFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("blank lines skipped, items untrimmed")
            << QByteArray("a\r\n\r\n   \r\n b \r\n") << QStringList {"a", " b "};
        QTest::newRow("a tab is not blank")
            << QByteArray("a\r\n\t\r\nb\r\n") << QStringList {"a", "\t", "b"};
        QTest::newRow("same link twice")
            << QByteArray("https://a.example/1\r\nhttps://a.example/1\r\n")
            << QStringList {"https://a.example/1", "https://a.example/1"};
        QTest::newRow("empty file") << QByteArray() << QStringList {};
        QTest::newRow("no final line break") << QByteArray("x\r\ny") << QStringList {"x", "y"};
        QTest::newRow("UTF-8 without mark")
            << QByteArray("https://a.example/w\xc3\xa4tch\r\n")
            << QStringList {QStringLiteral("https://a.example/w\u00e4tch")};
    }
    void linesOfALinkFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, items);
        WindowUnderTest w;
        w.fill(1, {QStringLiteral("before")});
        const QString path = writeFile(w, QStringLiteral("links.txt"), bytes);
        w.platform.queueOpenAnswer(path);
        w.click(w.form.PushButton3);
        QCOMPARE(w.form.ListView1->links(), QStringList {"before"} + items);
        QVERIFY(w.platform.boxes.isEmpty());
        QCOMPARE(w.form.mousePointer(), int(Form1::DefaultPointer));
    }

    void sameFileTwiceAddsItsLinesAgain()
    {
        WindowUnderTest w;
        const QString path = writeFile(w, QStringLiteral("l.txt"), "1\r\n2\r\n");
        w.platform.queueOpenAnswer(path);
        w.platform.queueOpenAnswer(path);
        w.click(w.form.PushButton3);
        w.click(w.form.PushButton3);
        QCOMPARE(w.form.ListView1->links(), QStringList({"1", "2", "1", "2"}));
    }

    void severalFilesLoadInTheDialogsOrder()
    {
        WindowUnderTest w;
        writeFile(w, QStringLiteral("a.txt"), "a1\r\na2\r\n");
        writeFile(w, QStringLiteral("b.txt"), "b1\r\n");
        writeFile(w, QStringLiteral("c.txt"), "c1\r\n");
        w.platform.queueOpenFiles(w.folder.path(), {"c.txt", "a.txt", "b.txt"});
        w.click(w.form.PushButton3);
        QCOMPARE(w.form.ListView1->links(), QStringList({"c1", "a1", "a2", "b1"}));
        QVERIFY(w.platform.boxes.isEmpty());
        QCOMPARE(w.form.mousePointer(), int(Form1::DefaultPointer));
    }

    void folderEndingInSeparatorStillLoads()
    {
        WindowUnderTest w;
        writeFile(w, QStringLiteral("a.txt"), "a\r\n");
        writeFile(w, QStringLiteral("b.txt"), "b\r\n");
        w.platform.queueOpenAnswer(w.folder.path() + QStringLiteral("/\0a.txt\0b.txt"));
        w.click(w.form.PushButton3);
        QCOMPARE(w.form.ListView1->links(), QStringList({"a", "b"}));
    }

    void vanishedFileIsReportedAndTheRestStillLoad()
    {
        WindowUnderTest w;
        writeFile(w, QStringLiteral("a.txt"), "a\r\n");
        writeFile(w, QStringLiteral("c.txt"), "c\r\n");
        QList<int> pointerDuringBox;
        w.platform.onBox = [&](const ScriptedPlatform::Box &) {
            pointerDuringBox << w.form.mousePointer();
        };
        w.platform.queueOpenFiles(w.folder.path(), {"a.txt", "gone.txt", "c.txt"});
        w.click(w.form.PushButton3);
        QCOMPARE(w.form.ListView1->links(), QStringList({"a", "c"}));
        QCOMPARE(w.platform.boxes.size(), 1);
        QCOMPARE(w.platform.boxes.first().text, QStringLiteral("File not found"));
        QCOMPARE(w.platform.boxes.first().caption, w.form.applicationTitle());
        QCOMPARE(w.platform.boxes.first().buttons, Platform::Buttons::Ok);
        QCOMPARE(pointerDuringBox, QList<int> {Form1::HourglassPointer});
        QCOMPARE(w.form.mousePointer(), int(Form1::DefaultPointer));
    }

    void tooManyFilesLoadsNone()
    {
        WindowUnderTest w;
        w.platform.queueOpenError(FileNameBufferTooSmall, QStringLiteral("Buffer too small"));
        QList<int> pointerDuringBox;
        w.platform.onBox = [&](const ScriptedPlatform::Box &) {
            pointerDuringBox << w.form.mousePointer();
        };
        w.click(w.form.PushButton3);
        QCOMPARE(w.form.ListView1->count(), 0);
        QCOMPARE(w.platform.boxes.size(), 1);
        QCOMPARE(w.platform.boxes.first().text, TooManyFiles);
        QCOMPARE(w.platform.boxes.first().caption, w.form.applicationTitle());
        QCOMPARE(w.platform.boxes.first().buttons, Platform::Buttons::Ok);
        QCOMPARE(pointerDuringBox, QList<int> {Form1::DefaultPointer});
        QCOMPARE(w.form.mousePointer(), int(Form1::DefaultPointer));
    }

    void otherDialogFailureGivesTheErrorReport()
    {
        WindowUnderTest w;
        w.platform.queueOpenError(32755, QStringLiteral("Dialog failed"));
        w.click(w.form.PushButton3);
        QCOMPARE(w.platform.errorReports().size(), 1);
        QVERIFY(w.platform.boxes.first().text.startsWith(
            QStringLiteral("Dialog failed\r\nin Pennyvale2021/08/31.Form1.PushButton3_Click at "
                           "line 108\r\r")));
        QCOMPARE(w.form.ListView1->count(), 0);
        QCOMPARE(w.form.mousePointer(), int(Form1::DefaultPointer));
    }

    // Needs the byte-order-mark reader: the stand-in reads plain UTF-8 only.
    void linkFilesWithByteOrderMarkLoad_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QString text
            = QStringLiteral("https://a.example/1\r\n   \r\nhttps://a.example/w\u00e4tch\r\n");
        QStringEncoder le(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
        QStringEncoder be(QStringConverter::Utf16BE, QStringConverter::Flag::WriteBom);
        QTest::newRow("UTF-16 LE") << QByteArray(le.encode(text));
        QTest::newRow("UTF-16 BE") << QByteArray(be.encode(text));
        QTest::newRow("marked UTF-8") << QByteArray("\xef\xbb\xbf" + text.toUtf8());
    }
    void linkFilesWithByteOrderMarkLoad()
    {
        QFETCH(QByteArray, bytes);
        WindowUnderTest w;
        w.platform.queueOpenAnswer(writeFile(w, QStringLiteral("marked.txt"), bytes));
        w.click(w.form.PushButton3);
        QCOMPARE(
            w.form.ListView1->links(),
            QStringList({"https://a.example/1", QStringLiteral("https://a.example/w\u00e4tch")}));
        QVERIFY(w.platform.boxes.isEmpty());
    }
};

QTEST_MAIN(LinkFileLoadingTest)
#include "tst_LinkFileLoading.moc"
