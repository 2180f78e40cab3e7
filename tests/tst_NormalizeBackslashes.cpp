// Repairing the paths built from a multiple selection, in both separator spellings.
#include "lists/PathRepair.h"

#include <QtTest>

namespace {
// The cases are written with backslashes; the slash rows swap them.
void addBothSpellings(const char *name, const QString &path, const QString &expected)
{
    QTest::newRow(qPrintable(QStringLiteral("%1, backslash").arg(QLatin1String(name))))
        << QChar(u'\\') << path << expected;
    QString slashPath = path, slashExpected = expected;
    slashPath.replace(u'\\', u'/');
    slashExpected.replace(u'\\', u'/');
    QTest::newRow(qPrintable(QStringLiteral("%1, slash").arg(QLatin1String(name))))
        << QChar(u'/') << slashPath << slashExpected;
}
} // namespace

class NormalizeBackslashesTest : public QObject
{
    Q_OBJECT
private slots:
    void repairsRunsOfSeparators_data()
    {
        QTest::addColumn<QChar>("separator");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        addBothSpellings("drive root pair", "C:\\\\a.txt", "C:\\a.txt");
        addBothSpellings("plain path", "C:\\links\\a.txt", "C:\\links\\a.txt");
        addBothSpellings("network path unchanged", "\\\\server\\share\\a.txt",
                         "\\\\server\\share\\a.txt");
        addBothSpellings("pair inside network path", "\\\\server\\share\\\\a.txt",
                         "\\\\server\\share\\a.txt");
        addBothSpellings("three leading become two", "\\\\\\server\\a.txt", "\\\\server\\a.txt");
        addBothSpellings("one leading stays one", "\\links\\a.txt", "\\links\\a.txt");
        addBothSpellings("pair after one leading", "\\links\\\\a.txt", "\\links\\a.txt");
        addBothSpellings("triple inside becomes double", "C:\\links\\\\\\a.txt",
                         "C:\\links\\\\a.txt");
        addBothSpellings("four inside become two", "C:\\links\\\\\\\\a.txt", "C:\\links\\\\a.txt");
        addBothSpellings("trailing pair", "C:\\links\\\\", "C:\\links\\");
        addBothSpellings("no separator", "a.txt", "a.txt");
        addBothSpellings("empty", "", "");
        // The other spelling is an ordinary character.
        QTest::newRow("slashes left alone by backslash")
            << QChar(u'\\') << QStringLiteral("C://a.txt") << QStringLiteral("C://a.txt");
        QTest::newRow("backslashes left alone by slash")
            << QChar(u'/') << QStringLiteral("\\\\server\\\\a")
            << QStringLiteral("\\\\server\\\\a");
    }
    void repairsRunsOfSeparators()
    {
        QFETCH(QChar, separator);
        QFETCH(QString, path);
        QFETCH(QString, expected);
        QCOMPARE(NormalizeBackslashes(path, separator), expected);
    }

    void chosenNameJoinsFolderWithOneSeparator_data()
    {
        QTest::addColumn<QChar>("separator");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        const QChar back(u'\\'), slash(u'/');
        QTest::newRow("drive root") << back << "C:\\"
                                    << "a.txt"
                                    << "C:\\a.txt";
        QTest::newRow("folder") << back << "C:\\links"
                                << "a.txt"
                                << "C:\\links\\a.txt";
        QTest::newRow("network folder") << back << "\\\\server\\share"
                                        << "a.txt"
                                        << "\\\\server\\share\\a.txt";
        QTest::newRow("root folder") << slash << "/"
                                     << "a.txt"
                                     << "/a.txt";
        QTest::newRow("slash folder") << slash << "/home/me"
                                      << "a.txt"
                                      << "/home/me/a.txt";
        QTest::newRow("slash network folder") << slash << "//server/share"
                                              << "a.txt"
                                              << "//server/share/a.txt";
    }
    void chosenNameJoinsFolderWithOneSeparator()
    {
        QFETCH(QChar, separator);
        QFETCH(QString, folder);
        QFETCH(QString, name);
        QFETCH(QString, expected);
        // What the loader does with each name of a multiple selection.
        QCOMPARE(NormalizeBackslashes(joinChosenPath(folder, name, separator), separator),
                 expected);
    }

    void thisPlatformUsesItsOwnSeparator()
    {
        QCOMPARE(NormalizeBackslashes(QStringLiteral("x") + QDir::separator() + QDir::separator()
                                      + QStringLiteral("y")),
                 QStringLiteral("x") + QDir::separator() + QStringLiteral("y"));
    }
};

QTEST_GUILESS_MAIN(NormalizeBackslashesTest)
#include "tst_NormalizeBackslashes.moc"
