// The application title cut from the product name.
#include "gui/ApplicationTitle.h"

#include <QtTest>

namespace {
void row(const char *name, const QString &productName, const QString &title)
{
    QTest::newRow(name) << productName << title;
}
} // namespace

class ApplicationTitleTest : public QObject
{
    Q_OBJECT
private slots:
    void titleDropsLastWordThenCutsToForty_data()
    {
        QTest::addColumn<QString>("productName");
        QTest::addColumn<QString>("title");
        row("one word is kept", "Brindlewood", "Brindlewood");
        row("short name still loses its last word", "Brindlewood Link Sorter", "Brindlewood Link");
        // Eight words, 50 characters; seven words take 41, six take 35.
        row("fifty characters, eight words", "Quick Brown Foxes Jumping Over Lazy Hound Sleeping",
            "Quick Brown Foxes Jumping Over Lazy");
        row("exactly forty after the first cut", "Abcdefghij Abcdefghij Abcdefghij Abcdefg Tail",
            "Abcdefghij Abcdefghij Abcdefghij Abcdefg");
        row("forty-one after the first cut", "Abcdefghij Abcdefghij Abcdefghij Abcdefgh Tail",
            "Abcdefghij Abcdefghij Abcdefghij");
        row("trailing blank cuts only the blank", "Brindlewood ", "Brindlewood");
        row("no-break space is not a blank", u"Brindlewood\u00a0Link Sorter"_qs,
            u"Brindlewood\u00a0Link"_qs);
        row("tab is not a blank", "Brindlewood\tLink", "Brindlewood\tLink");
        row("overlong first word is kept whole",
            "Supercalifragilisticexpialidocious-Link-Sorter Edition",
            "Supercalifragilisticexpialidocious-Link-Sorter");
        row("empty", "", "");
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
