#include "check/CheckedLinkFormat.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace CheckedLinkFormat {

namespace {
// A JSON string literal with Qt's escaping; QJsonObject would sort the keys, and a fixed key
// order keeps the lines easy to read and to compare.
QByteArray jsonString(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray {text}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

QByteArray jsonStringOrNull(const QString &text)
{
    return text.isEmpty() ? QByteArrayLiteral("null") : jsonString(text);
}
} // namespace

QByteArray textLine(const CheckedLink &checked)
{
    if (checked.valid)
        return "valid\t" + checked.link.toUtf8() + '\n';
    return "invalid\t" + checked.link.toUtf8() + '\t' + checked.reason.toUtf8() + '\n';
}

QByteArray jsonLine(const CheckedLink &checked)
{
    return "{\"link\":" + jsonString(checked.link)
        + ",\"verdict\":" + (checked.valid ? "\"valid\"" : "\"invalid\"")
        + ",\"reason\":" + (checked.valid ? QByteArrayLiteral("null") : jsonString(checked.reason))
        + ",\"status\":" + jsonStringOrNull(checked.status) + "}\n";
}

} // namespace CheckedLinkFormat
