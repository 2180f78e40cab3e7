// CursorFile: reads a Windows cursor file (.cur) into a mouse pointer: its first picture
// and the hotspot stored with it.
#pragma once

#include <QByteArray>
#include <QCursor>
#include <QImage>
#include <QPoint>
#include <QString>

struct CursorPicture
{
    QImage image;
    QPoint hotSpot;
};

// Decodes the bytes of a cursor file. Throws AppError ("Invalid picture", 481) when they
// are not a cursor whose first picture Qt can read (a bitmap or a PNG) with its hotspot
// inside the picture.
CursorPicture decodeCursorFile(const QByteArray &bytes);

// Reads and decodes the cursor file at path; throws AppError when it cannot be read or is
// not a valid cursor.
QCursor readCursorFile(const QString &path);

inline constexpr int InvalidPictureError = 481;
