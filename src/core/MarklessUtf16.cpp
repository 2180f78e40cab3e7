#include "core/MarklessUtf16.h"

namespace {
constexpr qsizetype SampleSize = 1024;

// At least 90% of the pairs with the NUL on the expected side, and at most 2% on the other,
// which leaves room for a few characters such as U+0100 whose low byte is NUL.
bool nulsOnOneSide(qsizetype expected, qsizetype other, qsizetype pairs)
{
    return expected * 10 >= pairs * 9 && other * 50 <= pairs;
}
} // namespace

MarklessUtf16 detectMarklessUtf16(QByteArrayView start)
{
    const QByteArrayView sample = start.first(std::min(start.size(), SampleSize));
    const qsizetype pairs = sample.size() / 2; // an odd last byte has no partner to judge by
    if (pairs == 0)
        return MarklessUtf16::None;
    qsizetype firstNuls = 0, secondNuls = 0;
    for (qsizetype pair = 0; pair < pairs; ++pair) {
        firstNuls += sample[2 * pair] == '\0';
        secondNuls += sample[2 * pair + 1] == '\0';
    }
    if (nulsOnOneSide(secondNuls, firstNuls, pairs))
        return MarklessUtf16::Utf16LE;
    if (nulsOnOneSide(firstNuls, secondNuls, pairs))
        return MarklessUtf16::Utf16BE;
    return MarklessUtf16::None;
}
