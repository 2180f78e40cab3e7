#include "platform/CursorFile.h"

#include "core/AppError.h"

#include <QFile>
#include <QPixmap>
#include <QtEndian>

namespace {
constexpr qsizetype DirectoryHeaderSize = 6;
constexpr qsizetype DirectoryEntrySize = 16;
constexpr quint16 CursorResourceType = 2;

[[noreturn]] void invalidPicture()
{
    throw AppError(QStringLiteral("Invalid picture"), InvalidPictureError);
}

quint16 word(const QByteArray &bytes, qsizetype at)
{
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

quint32 dword(const QByteArray &bytes, qsizetype at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

} // namespace

CursorPicture decodeCursorFile(const QByteArray &bytes)
{
    if (bytes.size() < DirectoryHeaderSize + DirectoryEntrySize)
        invalidPicture();
    const quint16 count = word(bytes, 4);
    if (word(bytes, 0) != 0 || word(bytes, 2) != CursorResourceType || count == 0
        || bytes.size() < DirectoryHeaderSize + count * DirectoryEntrySize)
        invalidPicture();

    // The first picture is the one used, as for any cursor with a single size.
    const qsizetype entry = DirectoryHeaderSize;
    const QPoint hotSpot(word(bytes, entry + 4), word(bytes, entry + 6));
    const quint32 size = dword(bytes, entry + 8);
    const quint32 offset = dword(bytes, entry + 12);
    if (size == 0 || offset > quint64(bytes.size()) || size > quint64(bytes.size()) - offset)
        invalidPicture();

    // Qt's icon reader, part of Qt GUI, decodes a cursor's first picture (bitmap or PNG)
    // but has no use for the hotspot; that comes from the directory entry above.
    const QImage image = QImage::fromData(bytes, "cur");
    if (image.isNull() || !image.rect().contains(hotSpot))
        invalidPicture();
    return {image, hotSpot};
}

QCursor readCursorFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Path/File access error"), 75);
    // A pointer picture is a few kilobytes; a larger file is no cursor of ours and is refused
    // without being read whole.
    constexpr qint64 MaxCursorBytes = 1024 * 1024;
    if (!file.isSequential() && file.size() > MaxCursorBytes)
        invalidPicture();
    const QByteArray bytes = file.read(MaxCursorBytes + 1);
    if (bytes.size() > MaxCursorBytes)
        invalidPicture();
    const CursorPicture cursor = decodeCursorFile(bytes);
    return QCursor(QPixmap::fromImage(cursor.image), cursor.hotSpot.x(), cursor.hotSpot.y());
}
