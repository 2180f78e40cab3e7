// The application title cut from the product name.
#include "app/ApplicationTitle.h"

#include <QtTest>

class ApplicationTitleTest : public QObject
{
    Q_OBJECT
private slots:
    void titleDropsLastWordThenCutsToForty_data()
    {
        QTest::addColumn<QString>("productName");
        QTest::addColumn<QString>("title");
        QTest::newRow("one word is kept") << "Brindlewood"
                                          << "Brindlewood";
        QTest::newRow("short name still loses its last word") << "Brindlewood Link Sorter"
                                                              << "Brindlewood Link";
        // Eight words, 50 characters; seven words take 41, six take 35.
        QTest::newRow("fifty characters, eight words")
            << "Quick Brown Foxes Jumping Over Lazy Hound Sleeping"
            << "Quick Brown Foxes Jumping Over Lazy";
        QTest::newRow("exactly forty after the first cut")
            << "Abcdefghij Abcdefghij Abcdefghij Abcdefg Tail"
            << "Abcdefghij Abcdefghij Abcdefghij Abcdefg";
        QTest::newRow("forty-one after the first cut")
            << "Abcdefghij Abcdefghij Abcdefghij Abcdefgh Tail"
            << "Abcdefghij Abcdefghij Abcdefghij";
        QTest::newRow("trailing blank cuts nothing but the blank") << "Brindlewood "
                                                                   << "Brindlewood";
        QTest::newRow("no-break space is not a blank")
            << QStringLiteral("Brindlewood\u00a0Link Sorter")
            << QStringLiteral("Brindlewood\u00a0Link");
        QTest::newRow("tab is not a blank") << "Brindlewood\tLink"
                                            << "Brindlewood\tLink";
        QTest::newRow("overlong first word is kept whole")
            << "Supercalifragilisticexpialidocious-Link-Sorter Edition"
            << "Supercalifragilisticexpialidocious-Link-Sorter";
        QTest::newRow("empty") << ""
                               << "";
    }
    void titleDropsLastWordThenCutsToForty()
    {
        QFETCH(QString, productName);
        QFETCH(QString, title);
        QCOMPARE(applicationTitleFor(productName), title);
    }
};

QTEST_APPLESS_MAIN(ApplicationTitleTest)
#include "tst_ApplicationTitle.moc"
