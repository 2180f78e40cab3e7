// What a page says about the video itself (its title, channel and length), kept so that a report
// can still name a video after the site stopped showing it.
#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

struct VideoDetails
{
    QString title;
    QString channel; // the channel's name as the page shows it
    QString channelId; // "UC…"
    std::optional<qint64> lengthSeconds;

    bool isEmpty() const
    {
        return title.isEmpty() && channel.isEmpty() && channelId.isEmpty() && !lengthSeconds;
    }
    bool operator==(const VideoDetails &) const = default;
};

// The page's videoDetails object, read where the page has one (a playable, age-restricted,
// region-blocked or members-only video's page); empty otherwise.
VideoDetails readVideoDetails(QByteArrayView page);
