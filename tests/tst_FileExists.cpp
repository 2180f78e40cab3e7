// FileExists: answers whether a readable file is there, and never throws.
#include "core/FileExists.h"
#include "support/TestFiles.h"

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

        QVERIFY(fileExists(file));
        QVERIFY(fileExists(readOnly));
        QVERIFY(!fileExists(QString()));
        QVERIFY(!fileExists(dir.filePath("missing.txt")));
        QVERIFY(!fileExists(dir.filePath("no-such-folder/links.txt")));
        QVERIFY(!fileExists(dir.path())); // a folder is not a file
        QVERIFY(!fileExists(TestFiles::impossiblePath(dir.path())));
    }
};

QTEST_GUILESS_MAIN(FileExistsTest)
#include "tst_FileExists.moc"
