// File names on Linux are bytes; UTF-8 is only their usual reading.
#include "system/NativeFileNames.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {
constexpr char16_t EscapeBase = 0xDC00;

bool isEscapedByte(QChar c, QChar before)
{
    return c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF && !before.isHighSurrogate();
}

// The length of the valid UTF-8 sequence at bytes[at], 0 when none starts there.
qsizetype utf8SequenceLength(QByteArrayView bytes, qsizetype at)
{
    const auto lead = static_cast<unsigned char>(bytes[at]);
    const qsizetype length = lead < 0x80 ? 1
        : (lead >> 5) == 0x6             ? 2
        : (lead >> 4) == 0xE             ? 3
        : (lead >> 3) == 0x1E            ? 4
                                         : 0;
    if (length == 0 || at + length > bytes.size())
        return 0;
    return QByteArrayView(bytes).sliced(at, length).isValidUtf8() ? length : 0;
}

QString decodedName(QByteArrayView bytes)
{
    QString name;
    for (qsizetype at = 0; at < bytes.size();) {
        const qsizetype length = utf8SequenceLength(bytes, at);
        if (length == 0) {
            name += QChar(char16_t(EscapeBase + static_cast<unsigned char>(bytes[at])));
            ++at;
        } else {
            name += QString::fromUtf8(bytes.sliced(at, length));
            at += length;
        }
    }
    return name;
}

QByteArray encodedName(const QString &name)
{
    QByteArray bytes;
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (!isEscapedByte(name[i], i > 0 ? name[i - 1] : QChar()))
            continue;
        bytes += QStringView(name).sliced(runStart, i - runStart).toUtf8();
        bytes += char(name[i].unicode() - EscapeBase);
        runStart = i + 1;
    }
    return bytes + QStringView(name).sliced(runStart).toUtf8();
}
} // namespace

QStringList nativeArguments(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << decodedName(QByteArrayView(argv[i]));
    return arguments;
}

bool openNativeForReading(QFile &file, const QString &path, QString *why)
{
    const int descriptor = ::open(encodedName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        *why = qt_error_string(errno);
        return false;
    }
    if (!file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        *why = file.errorString();
        ::close(descriptor);
        return false;
    }
    return true;
}
