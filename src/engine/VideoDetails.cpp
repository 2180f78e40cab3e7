#include "engine/VideoDetails.h"

#include "core/PlayabilityVerdict.h"
#include "engine/ScriptObject.h"

#include <QJsonValue>

namespace {
// The length comes as a string of digits ("lengthSeconds":"316"); a number is taken too. A
// length that is no whole number of seconds, or a negative one, is none.
std::optional<qint64> lengthOf(const QJsonValue &value)
{
    bool isNumber = false;
    qint64 seconds = -1;
    if (value.isString())
        seconds = value.toString().toLongLong(&isNumber);
    else if (value.isDouble() && value.toDouble() == double(value.toInteger()))
        seconds = value.toInteger(), isNumber = true;
    if (!isNumber || seconds < 0)
        return std::nullopt;
    return seconds;
}
} // namespace

VideoDetails readVideoDetails(QByteArrayView page)
{
    const ScriptObject object = readScriptObject(page, QLatin1StringView("videodetails"));
    if (object.found != ScriptObject::Found::Read)
        return {};
    const QJsonObject &details = object.object;
    VideoDetails read;
    // Shortened as every text the judgement hands on: a page may say anything at any length.
    read.title = shortenedReason(details.value(u"title").toString().trimmed());
    read.channel = shortenedReason(details.value(u"author").toString().trimmed());
    read.channelId = shortenedReason(details.value(u"channelId").toString().trimmed());
    read.lengthSeconds = lengthOf(details.value(u"lengthSeconds"));
    return read;
}
