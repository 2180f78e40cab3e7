// Builds Windows cursor files (.cur) for the tests: one picture, a 1-bit bitmap with its mask
// or a PNG, behind the directory entry that gives its size and hotspot.
#pragma once

#include <QBuffer>
#include <QDataStream>
#include <QImage>
#include <QPoint>

namespace CursorFixtures {

// Writes the values as little-endian words of their own sizes.
template<typename... Values> QByteArray littleEndian(Values... values)
{
    QByteArray out;
    QDataStream stream(&out, QIODevice::WriteOnly);
    stream.setByteOrder(QDataStream::LittleEndian);
    (stream << ... << values);
    return out;
}

// The file around one picture: directory header of the given type (2: cursor), one entry.
inline QByteArray cursorFile(const QByteArray &picture, int size, QPoint hotSpot, quint16 type = 2)
{
    return littleEndian(quint16(0), type, quint16(1), quint8(size), quint8(size), quint16(0),
                        quint16(hotSpot.x()), quint16(hotSpot.y()), quint32(picture.size()),
                        quint32(22))
        + picture;
}

// 1-bit bitmap in the classic cursor form: the left half white, the right half transparent
// (AND bit set, XOR bit clear).
inline QByteArray maskBitmap(int size)
{
    QByteArray bitmap = littleEndian(quint32(40), qint32(size), qint32(size * 2), quint16(1),
                                     quint16(1), quint32(0), quint32(0), qint32(0), qint32(0),
                                     quint32(2), quint32(0), quint32(0), quint32(0x00ffffff));
    const int stride = ((size + 31) / 32) * 4;
    QByteArray xorBits(stride * size, '\0'), andBits(stride * size, '\0');
    for (int row = 0; row < size; ++row) {
        for (int x = 0; x < size; ++x) {
            QByteArray &bits = x < size / 2 ? xorBits : andBits;
            bits[row * stride + x / 8] = char(bits[row * stride + x / 8] | (0x80 >> (x % 8)));
        }
    }
    return bitmap + xorBits + andBits;
}

inline QByteArray pngPicture(int size, QRgb colour)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(colour);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

inline QByteArray handCursor(QPoint hotSpot)
{
    return cursorFile(maskBitmap(32), 32, hotSpot);
}

} // namespace CursorFixtures
