// Reading the hand pointer's cursor file: the picture and the hotspot, and every way a
// file can fail to be a cursor.
#include "CursorFixtures.h"
#include "platform/AppError.h"
#include "platform/CursorFile.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace CursorFixtures;

class CursorFileTest : public QObject
{
    Q_OBJECT
private slots:
    void bitmapCursorKeepsColoursAndTransparency()
    {
        const QByteArray file
            = cursorFile(colourBitmap(32, 32, qRgba(200, 40, 10, 255)), 32, 32, QPoint(9, 3));
        const CursorPicture cursor = decodeCursorFile(file);
        QCOMPARE(cursor.image.size(), QSize(32, 32));
        QCOMPARE(cursor.hotSpot, QPoint(9, 3));
        QCOMPARE(QColor(cursor.image.pixel(5, 2)), QColor(200, 40, 10));
        QCOMPARE(qAlpha(cursor.image.pixel(5, 30)), 0);
    }

    void monochromeCursorUsesItsMask()
    {
        const CursorPicture cursor
            = decodeCursorFile(cursorFile(maskBitmap(32, 32), 32, 32, QPoint(0, 31)));
        QCOMPARE(cursor.image.size(), QSize(32, 32));
        QCOMPARE(cursor.hotSpot, QPoint(0, 31));
        const QRgb drawn = cursor.image.pixel(3, 10);
        QCOMPARE(qAlpha(drawn), 255);
        QCOMPARE(QColor(drawn).rgb(), QColor(Qt::white).rgb());
        QCOMPARE(qAlpha(cursor.image.pixel(28, 10)), 0);
    }

    void pngCursorIsRead()
    {
        const CursorPicture cursor = decodeCursorFile(
            cursorFile(pngPicture(48, 48, qRgba(0, 128, 0, 255)), 48, 48, QPoint(20, 2)));
        QCOMPARE(cursor.image.size(), QSize(48, 48));
        QCOMPARE(cursor.hotSpot, QPoint(20, 2));
        QCOMPARE(QColor(cursor.image.pixel(47, 47)), QColor(0, 128, 0));
    }

    void unusableFilesAreInvalidPictures_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray good = cursorFile(colourBitmap(32, 32, 0xff102030), 32, 32, QPoint(4, 4));
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text") << QByteArray("this is not a cursor, just some text lines\n");
        QTest::newRow("directory only") << good.left(22);
        QTest::newRow("icon, not cursor")
            << cursorFile(colourBitmap(32, 32, 0xff102030), 32, 32, QPoint(1, 32), 1);
        QByteArray noPictures = good;
        noPictures[4] = 0;
        QTest::newRow("no pictures") << noPictures;
        QTest::newRow("picture cut short") << good.left(good.size() - 100);
        QByteArray offsetPastEnd = good;
        qToLittleEndian<quint32>(0x7ffffff0, offsetPastEnd.data() + 18);
        QTest::newRow("offset past end") << offsetPastEnd;
        QTest::newRow("hotspot outside picture")
            << cursorFile(colourBitmap(32, 32, 0xff102030), 32, 32, QPoint(32, 0));
        QTest::newRow("garbage picture")
            << cursorFile(QByteArray(300, '\x5a'), 32, 32, QPoint(0, 0));
        QTest::newRow("broken png")
            << cursorFile(pngPicture(16, 16, 0xffffffff).left(40), 16, 16, QPoint(0, 0));
    }
    void unusableFilesAreInvalidPictures()
    {
        QFETCH(QByteArray, bytes);
        try {
            decodeCursorFile(bytes);
            QFAIL("no error raised");
        } catch (const AppError &error) {
            QCOMPARE(error.description(), QStringLiteral("Invalid picture"));
            QCOMPARE(error.number(), InvalidPictureError);
        }
    }

    void readCursorFileGivesPointerWithHotspot()
    {
        QTemporaryDir folder;
        const QString path
            = TestFiles::write(folder.filePath("HAND-M.CUR"),
                               cursorFile(colourBitmap(32, 32, 0xff000000), 32, 32, QPoint(11, 1)));
        const QCursor cursor = readCursorFile(path);
        QCOMPARE(cursor.shape(), Qt::BitmapCursor);
        QCOMPARE(cursor.hotSpot(), QPoint(11, 1));
        QCOMPARE(cursor.pixmap().size(), QSize(32, 32));
    }

    void missingFileRaisesAccessError()
    {
        QTemporaryDir folder;
        QVERIFY_THROWS_EXCEPTION(AppError, readCursorFile(folder.filePath("HAND-M.CUR")));
    }
};

QTEST_MAIN(CursorFileTest)
#include "tst_CursorFile.moc"
