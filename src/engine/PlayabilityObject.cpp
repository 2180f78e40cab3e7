#include "engine/PlayabilityObject.h"

#include "engine/ScriptObject.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>

namespace {
// A text as the site writes it: a plain string, {"simpleText":...} or {"runs":[{"text":...}]}.
QString textOf(const QJsonValue &value)
{
    if (value.isString())
        return value.toString();
    const QJsonObject object = value.toObject();
    if (object.value(u"simpleText").isString())
        return object.value(u"simpleText").toString();
    QString joined;
    for (const QJsonValue &run : object.value(u"runs").toArray())
        joined += run.toObject().value(u"text").toString();
    return joined;
}

// The renderer of the error screen ({"playerErrorMessageRenderer":{...}} or another kind).
QJsonObject errorScreenRenderer(const QJsonObject &status)
{
    const QJsonObject screen = status.value(u"errorScreen").toObject();
    for (auto it = screen.begin(); it != screen.end(); ++it) {
        if (it.value().isObject())
            return it.value().toObject();
    }
    return {};
}

} // namespace

QString PlayabilityObject::message() const
{
    if (reason.isEmpty())
        return subreason;
    if (subreason.isEmpty() || subreason == reason)
        return reason;
    return reason + u" - "_qs + subreason;
}

PlayabilityObject readPlayabilityObject(QByteArrayView page)
{
    const ScriptObject object = readScriptObject(page, QLatin1StringView("playabilitystatus"));
    PlayabilityObject read;
    read.raw = object.raw;
    switch (object.found) {
    case ScriptObject::Found::NoName:
        return read;
    case ScriptObject::Found::Unreadable:
        read.found = PlayabilityObject::Found::Unreadable;
        return read;
    case ScriptObject::Found::Read:
        break;
    }
    const QJsonObject &status = object.object;
    const QJsonObject renderer = errorScreenRenderer(status);
    read.found = PlayabilityObject::Found::Read;
    read.status = status.value(u"status").toString();
    read.reason = textOf(status.value(u"reason")).trimmed();
    if (read.reason.isEmpty())
        read.reason = textOf(renderer.value(u"reason")).trimmed();
    read.subreason = textOf(renderer.value(u"subreason")).trimmed();
    return read;
}
