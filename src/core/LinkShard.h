// Which of N shards a link falls in, so that N machines can split one list among themselves
// without talking to each other: the same video lands in the same shard however it is spelt.
#pragma once

#include <QString>
#include <QStringView>

// One shard of a list split N ways; index counts from 0 to count - 1.
struct Shard
{
    int index = 0;
    int count = 1;

    bool operator==(const Shard &) const = default;
};

namespace LinkShard {
// What decides a link's shard: its video id when the link (trimmed of blanks) is a video link
// in any spelling --normalize reads, or a bare id; otherwise the trimmed link itself.
QString shardKey(QStringView link);

// The first 8 bytes of the SHA-1 of shardKey(link) in UTF-8, read as a big-endian unsigned
// number, modulo count. Any tool can recompute it, for example in Python:
// int(hashlib.sha1(key.encode()).hexdigest()[:16], 16) % count.
int shardOf(QStringView link, int count);

inline bool belongsTo(QStringView link, const Shard &shard)
{
    return shard.count <= 1 || shardOf(link, shard.count) == shard.index;
}
} // namespace LinkShard
