// Repairing the paths built from a multiple selection, in both separator spellings.
#include "core/PathRepair.h"

#include <QtTest>

namespace {
// The cases are written with backslashes; the slash rows swap them. The folder is joined
// with the name first when given, as the loader does with each name of a selection.
void addBothSpellings(const char *name, const QString &folder, const QString &path,
                      const QString &expected)
{
    for (const QChar separator : {u'\\', u'/'}) {
        const auto spelled = [&](QString text) {
            return text.replace(u'\\', separator);
        };
        QTest::newRow(qPrintable(u"%1 %2"_qs.arg(QLatin1String(name), separator)))
            << separator << spelled(folder) << spelled(path) << spelled(expected);
    }
}
} // namespace

class PathRepairTest : public QObject
{
    Q_OBJECT
private slots:
    void repairsRunsOfSeparators_data()
    {
        QTest::addColumn<QChar>("separator");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        addBothSpellings("drive root pair", "", "C:\\\\a.txt", "C:\\a.txt");
        addBothSpellings("plain path", "", "C:\\links\\a.txt", "C:\\links\\a.txt");
        addBothSpellings("network path", "", "\\\\server\\share\\a.txt",
                         "\\\\server\\share\\a.txt");
        addBothSpellings("pair inside network path", "", "\\\\server\\share\\\\a.txt",
                         "\\\\server\\share\\a.txt");
        addBothSpellings("three leading become two", "", "\\\\\\server\\a.txt",
                         "\\\\server\\a.txt");
        addBothSpellings("one leading stays one", "", "\\links\\a.txt", "\\links\\a.txt");
        addBothSpellings("pair after one leading", "", "\\links\\\\a.txt", "\\links\\a.txt");
        addBothSpellings("triple inside becomes double", "", "C:\\links\\\\\\a.txt",
                         "C:\\links\\\\a.txt");
        addBothSpellings("four inside become two", "", "C:\\links\\\\\\\\a.txt",
                         "C:\\links\\\\a.txt");
        addBothSpellings("trailing pair", "", "C:\\links\\\\", "C:\\links\\");
        addBothSpellings("empty", "", "", "");
        addBothSpellings("join at drive root", "C:\\", "a.txt", "C:\\a.txt");
        addBothSpellings("join in a folder", "C:\\links", "a.txt", "C:\\links\\a.txt");
        addBothSpellings("join in a network folder", "\\\\server\\share", "a.txt",
                         "\\\\server\\share\\a.txt");
        addBothSpellings("join at the root", "\\", "a.txt", "\\a.txt");
        // The other spelling is an ordinary character.
        QTest::newRow("slashes left alone by backslash") << QChar(u'\\') << ""
                                                         << "C://a.txt"
                                                         << "C://a.txt";
        QTest::newRow("backslashes left alone by slash") << QChar(u'/') << ""
                                                         << "\\\\s\\\\a"
                                                         << "\\\\s\\\\a";
    }
    void repairsRunsOfSeparators()
    {
        QFETCH(QChar, separator);
        QFETCH(QString, folder);
        QFETCH(QString, path);
        QFETCH(QString, expected);
        const QString joined = folder.isEmpty() ? path : joinChosenPath(folder, path, separator);
        QCOMPARE(normalizeBackslashes(joined, separator), expected);
    }

    void thisPlatformUsesItsOwnSeparator()
    {
#ifdef Q_OS_WIN
        QCOMPARE(normalizeBackslashes(u"C:\\x\\\\y"_qs), u"C:\\x\\y"_qs);
        QCOMPARE(normalizeBackslashes(u"\\\\server\\share\\\\y"_qs), u"\\\\server\\share\\y"_qs);
        QCOMPARE(joinChosenPath(u"C:\\"_qs, u"a.txt"_qs), u"C:\\a.txt"_qs);
#else
        QCOMPARE(normalizeBackslashes(u"x//y"_qs), u"x/y"_qs);
#endif
    }
};

QTEST_GUILESS_MAIN(PathRepairTest)
#include "tst_PathRepair.moc"
