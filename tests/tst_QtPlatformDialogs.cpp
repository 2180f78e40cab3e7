// The real file dialogs' translations: the filter text, and the answer text built from the
// chosen files that the loader splits again.
#include "platform/QtPlatform.h"

#include <QtTest>

class QtPlatformDialogsTest : public QObject
{
    Q_OBJECT
private slots:
    void filterBecomesQtChoices()
    {
        QCOMPARE(QtPlatform::toQtFilter(QStringLiteral("Text Files (*.txt)|*.txt|All Files "
                                                       "(*.*)|*.*|")),
                 QStringLiteral("Text Files (*.txt);;All Files (*)"));
    }

    void openAnswerText_data()
    {
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QString>("answer");
        const QChar nul(u'\0');
        QTest::newRow("cancel") << QStringList {} << QString();
#ifdef Q_OS_WIN
        // Windows' dialogs answer with drive letters or network folders, in backslashes.
        QTest::newRow("one file is its full path")
            << QStringList {"C:/Users/me/a b.txt"} << QStringLiteral("C:\\Users\\me\\a b.txt");
        QTest::newRow("several: folder then each name")
            << QStringList {"C:/Users/me/c.txt", "C:/Users/me/a.txt"}
            << QStringLiteral("C:\\Users\\me") + nul + "c.txt" + nul + "a.txt";
        QTest::newRow("several in a drive's root folder")
            << QStringList {"D:/a.txt", "D:/b.txt"}
            << QStringLiteral("D:\\") + nul + "a.txt" + nul + "b.txt";
        QTest::newRow("a network folder")
            << QStringList {"//server/share/links/a.txt", "//server/share/links/b.txt"}
            << QStringLiteral("\\\\server\\share\\links") + nul + "a.txt" + nul + "b.txt";
#else
        QTest::newRow("one file is its full path")
            << QStringList {"/home/me/a b.txt"} << QStringLiteral("/home/me/a b.txt");
        QTest::newRow("several: folder then each name")
            << QStringList {"/home/me/c.txt", "/home/me/a.txt"}
            << QStringLiteral("/home/me") + nul + "c.txt" + nul + "a.txt";
        QTest::newRow("several in the root folder")
            << QStringList {"/a.txt", "/b.txt"}
            << QStringLiteral("/") + nul + "a.txt" + nul + "b.txt";
#endif
    }
    void openAnswerText()
    {
        QFETCH(QStringList, paths);
        QFETCH(QString, answer);
        QCOMPARE(QtPlatform::openAnswer(paths), answer);
    }
};

QTEST_GUILESS_MAIN(QtPlatformDialogsTest)
#include "tst_QtPlatformDialogs.moc"
