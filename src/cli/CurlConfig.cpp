#include "cli/CurlConfig.h"

namespace CurlConfig {

namespace {
// The kernel refuses a single program argument of this many bytes or more (MAX_ARG_STRLEN,
// counting the terminating NUL), so the window's fetch cannot start for such a link.
constexpr qsizetype LongestArgumentBytes = 128 * 1024 - 1;
} // namespace

bool canPassAsOneArgument(const QString &link)
{
    return !link.contains(QChar(u'\0')) && link.toUtf8().size() <= LongestArgumentBytes;
}

QByteArray quoted(const QString &value)
{
    const QByteArray bytes = value.toUtf8();
    QByteArray out;
    out.reserve(bytes.size() + 2);
    out += '"';
    for (char c : bytes) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\v':
            out += "\\v";
            break;
        default:
            out += c;
        }
    }
    out += '"';
    return out;
}

QByteArray transferList(const QList<Transfer> &transfers)
{
    QByteArray list;
    for (const Transfer &transfer : transfers) {
        list += "url = " + quoted(transfer.link) + '\n';
        list += "output = " + quoted(transfer.outputPath) + '\n';
    }
    return list;
}

} // namespace CurlConfig
