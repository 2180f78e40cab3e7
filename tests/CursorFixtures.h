// Builds Windows cursor files (.cur) for the tests: a bitmap cursor (32-bit colour or
// 1-bit mask) or a PNG cursor, each with one picture and its hotspot.
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <QtEndian>

namespace CursorFixtures {

inline void putWord(QByteArray &out, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

inline void putDword(QByteArray &out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

// The file around one picture: directory header of the given type, one entry.
inline QByteArray cursorFile(const QByteArray &picture, int width, int height, QPoint hotSpot,
                             quint16 type = 2)
{
    QByteArray file;
    putWord(file, 0);
    putWord(file, type);
    putWord(file, 1);
    file.append(char(width & 0xff));
    file.append(char(height & 0xff));
    file.append('\0');
    file.append('\0');
    putWord(file, quint16(hotSpot.x()));
    putWord(file, quint16(hotSpot.y()));
    putDword(file, quint32(picture.size()));
    putDword(file, 22);
    return file + picture;
}

inline QByteArray bitmapHeader(int width, int height, quint16 bitCount, int colours)
{
    QByteArray header;
    putDword(header, 40);
    putDword(header, quint32(width));
    putDword(header, quint32(height * 2)); // picture plus mask
    putWord(header, 1);
    putWord(header, bitCount);
    putDword(header, 0);
    putDword(header, 0);
    putDword(header, 0);
    putDword(header, 0);
    putDword(header, quint32(colours));
    putDword(header, 0);
    return header;
}

// An all-clear AND mask (every pixel drawn), rows padded to 32 bits.
inline QByteArray clearMask(int width, int height)
{
    const int stride = ((width + 31) / 32) * 4;
    return QByteArray(stride * height, '\0');
}

// 32-bit BGRA bitmap: the top half opaque `top`, the bottom half fully transparent.
inline QByteArray colourBitmap(int width, int height, QRgb top)
{
    QByteArray bitmap = bitmapHeader(width, height, 32, 0);
    for (int row = height - 1; row >= 0; --row) { // bottom-up
        for (int x = 0; x < width; ++x) {
            const QRgb pixel = row < height / 2 ? top : qRgba(0, 0, 0, 0);
            bitmap.append(char(qBlue(pixel)));
            bitmap.append(char(qGreen(pixel)));
            bitmap.append(char(qRed(pixel)));
            bitmap.append(char(qAlpha(pixel)));
        }
    }
    return bitmap + clearMask(width, height);
}

// 1-bit bitmap in the classic cursor form: the left half white, the right half
// transparent (AND bit set, XOR bit clear).
inline QByteArray maskBitmap(int width, int height)
{
    QByteArray bitmap = bitmapHeader(width, height, 1, 2);
    putDword(bitmap, 0x00000000); // colour 0: black
    putDword(bitmap, 0x00ffffff); // colour 1: white
    const int stride = ((width + 31) / 32) * 4;
    QByteArray xorBits(stride * height, '\0');
    QByteArray andBits(stride * height, '\0');
    for (int row = 0; row < height; ++row) {
        for (int x = 0; x < width; ++x) {
            const int byte = row * stride + x / 8;
            const char bit = char(0x80 >> (x % 8));
            if (x < width / 2)
                xorBits[byte] = char(xorBits[byte] | bit);
            else
                andBits[byte] = char(andBits[byte] | bit);
        }
    }
    return bitmap + xorBits + andBits;
}

inline QByteArray pngPicture(int width, int height, QRgb colour)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

} // namespace CursorFixtures
