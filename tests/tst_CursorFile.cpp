// Reading the hand pointer's cursor file: the picture and the hotspot, and every way a file
// can fail to be a cursor.
#include "CursorFixtures.h"
#include "core/AppError.h"
#include "platform/CursorFile.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace CursorFixtures;

class CursorFileTest : public QObject
{
    Q_OBJECT
private slots:
    void monochromeCursorUsesItsMask()
    {
        const CursorPicture cursor = decodeCursorFile(cursorFile(maskBitmap(32), 32, {0, 31}));
        QCOMPARE(cursor.image.size(), QSize(32, 32));
        QCOMPARE(cursor.hotSpot, QPoint(0, 31));
        QCOMPARE(cursor.image.pixel(3, 10), qRgba(255, 255, 255, 255));
        QCOMPARE(qAlpha(cursor.image.pixel(28, 10)), 0);
    }

    void pngCursorIsRead()
    {
        const CursorPicture cursor
            = decodeCursorFile(cursorFile(pngPicture(48, qRgba(0, 128, 0, 255)), 48, {20, 2}));
        QCOMPARE(cursor.image.size(), QSize(48, 48));
        QCOMPARE(cursor.hotSpot, QPoint(20, 2));
        QCOMPARE(QColor(cursor.image.pixel(47, 47)), QColor(0, 128, 0));
    }

    void unusableFilesAreInvalidPictures_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray good = handCursor({4, 4});
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text") << QByteArray("this is not a cursor, just some text lines\n");
        QTest::newRow("directory only") << good.left(22);
        QTest::newRow("icon, not cursor") << cursorFile(maskBitmap(32), 32, {1, 1}, 1);
        QTest::newRow("no pictures") << QByteArray(good).replace(4, 1, "\0", 1);
        QTest::newRow("picture cut short") << good.left(good.size() - 100);
        QTest::newRow("offset past end") << QByteArray(good).replace(18, 4, "\xf0\xff\xff\x7f");
        QTest::newRow("hotspot outside picture") << handCursor({32, 0});
        QTest::newRow("garbage picture") << cursorFile(QByteArray(300, '\x5a'), 32, {0, 0});
        QTest::newRow("broken png") << cursorFile(pngPicture(16, ~0u).left(40), 16, {0, 0});
    }
    void unusableFilesAreInvalidPictures()
    {
        QFETCH(QByteArray, bytes);
        try {
            decodeCursorFile(bytes);
            QFAIL("no error raised");
        } catch (const AppError &error) {
            QCOMPARE(error.description(), u"Invalid picture"_qs);
            QCOMPARE(error.number(), InvalidPictureError);
        }
    }

    void readCursorFileGivesPointerWithHotspot()
    {
        QTemporaryDir folder;
        const QCursor cursor
            = readCursorFile(TestFiles::write(folder.filePath("HAND-M.CUR"), handCursor({11, 1})));
        QCOMPARE(cursor.shape(), Qt::BitmapCursor);
        QCOMPARE(cursor.hotSpot(), QPoint(11, 1));
        QVERIFY_THROWS_EXCEPTION(AppError, readCursorFile(folder.filePath("missing.cur")));
    }
};

QTEST_MAIN(CursorFileTest)
#include "tst_CursorFile.moc"
