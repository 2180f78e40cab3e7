// Milliseconds: time arithmetic that saturates instead of wrapping, for waits a site asks
// for (a Retry-After of 9223372036854776 s is still "too long", never "now").
#pragma once

#include <QtGlobal>

#include <limits>

namespace Milliseconds {
constexpr qint64 Forever = std::numeric_limits<qint64>::max();

// seconds * 1000, at most Forever; a negative count is no wait at all.
constexpr qint64 ofSeconds(qint64 seconds)
{
    if (seconds <= 0)
        return 0;
    return seconds > Forever / 1000 ? Forever : seconds * 1000;
}

// at + waitMs, at most Forever.
constexpr qint64 after(qint64 at, qint64 waitMs)
{
    if (waitMs <= 0)
        return at;
    return at > Forever - waitMs ? Forever : at + waitMs;
}
} // namespace Milliseconds
