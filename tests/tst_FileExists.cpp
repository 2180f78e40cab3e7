// FileExists: answers whether a readable file is there, and never throws.
#include "support/TestFiles.h"
#include "textio/FileExists.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class FileExistsTest : public QObject
{
    Q_OBJECT
private slots:
    void answersForEveryKindOfPath()
    {
        QTemporaryDir dir;
        const QString file = TestFiles::write(dir.filePath("links.txt"), "a\r\n");
        const QString readOnly = TestFiles::write(dir.filePath("ro.txt"), "a");
        QFile::setPermissions(readOnly, QFile::ReadOwner);

        QVERIFY(FileExists(file));
        QVERIFY(FileExists(readOnly));
        QVERIFY(!FileExists(QString()));
        QVERIFY(!FileExists(dir.filePath("missing.txt")));
        QVERIFY(!FileExists(dir.filePath("no-such-folder/links.txt")));
        QVERIFY(!FileExists(dir.path())); // a folder is not a file
        QVERIFY(!FileExists(TestFiles::impossiblePath(dir.path())));
    }
};

QTEST_GUILESS_MAIN(FileExistsTest)
#include "tst_FileExists.moc"
