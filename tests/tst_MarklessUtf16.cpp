// Recognising UTF-16 without a byte-order mark: both byte orders, the thresholds, and the texts
// that must never be taken for UTF-16.
#include "core/MarklessUtf16.h"

#include <QStringEncoder>
#include <QtTest>

namespace {
QByteArray utf16(const QString &text, QStringConverter::Encoding encoding)
{
    return QStringEncoder(encoding).encode(text);
}
void row(const char *name, const QByteArray &bytes, MarklessUtf16 expected)
{
    QTest::newRow(name) << bytes << expected;
}
} // namespace

class MarklessUtf16Test : public QObject
{
    Q_OBJECT

private slots:
    void detectsByTheNulBytes_data()
    {
        using enum MarklessUtf16;
        constexpr auto LE = QStringConverter::Utf16LE, BE = QStringConverter::Utf16BE;
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<MarklessUtf16>("expected");
        const QString links = u"https://youtu.be/dQw4w9WgXcQ\r\nhttps://example.com/\r\n"_qs;
        row("UTF-16LE links", utf16(links, LE), Utf16LE);
        row("UTF-16BE links", utf16(links, BE), Utf16BE);
        row("one character LE", utf16(u"a"_qs, LE), Utf16LE);
        row("one character BE", utf16(u"a"_qs, BE), Utf16BE);
        row("odd last byte is left out", utf16(u"abc"_qs, LE) + "d", Utf16LE);
        row("accents keep their NUL", utf16(u"Café déjà vu, Ångström"_qs, LE), Utf16LE);
        // 9 of 10 characters ASCII is just enough; 8 of 10 is not.
        row("90% ASCII", utf16(u"abcdefghi\u4E8C"_qs.repeated(20), LE), Utf16LE);
        row("80% ASCII", utf16(u"abcdefgh\u4E8C\u4E8D"_qs.repeated(20), LE), None);
        row("Chinese text", utf16(u"動画を再生できません"_qs, LE), None);
        // A few characters with a NUL low byte (U+0100) are tolerated, many are not.
        row("one U+0100 in 60", utf16(u"a"_qs.repeated(59) + u"\u0100"_qs, LE), Utf16LE);
        row("one U+0100 in 10", utf16(u"a"_qs.repeated(9) + u"\u0100"_qs, LE), None);
        row("only the first kilobyte counts",
            utf16(u"a"_qs.repeated(512), LE) + QByteArray(4000, 'x'), Utf16LE);
        row("beyond the first kilobyte does not count",
            QByteArray(1024, 'x') + utf16(u"a"_qs.repeated(2000), LE), None);
        row("UTF-8 text", u"https://youtu.be/dQw4w9WgXcQ\nCafé 動画\n"_qs.toUtf8(), None);
        row("Latin-1 text", QByteArray("caf\xE9 na\xEFve"), None);
        row("all NULs", QByteArray(64, '\0'), None);
        row("NULs on both sides", QByteArray("a\0\0b", 4).repeated(16), None);
        row("one byte", QByteArray(1, '\0'), None);
        row("empty", QByteArray(), None);
    }
    void detectsByTheNulBytes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(MarklessUtf16, expected);
        QCOMPARE(detectMarklessUtf16(bytes), expected);
    }
};

QTEST_GUILESS_MAIN(MarklessUtf16Test)
#include "tst_MarklessUtf16.moc"
