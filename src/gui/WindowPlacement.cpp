#include "gui/WindowPlacement.h"

namespace {
// Where a span of the given length starts on a line: centred when it fits, else at the start
// (the end is lost rather than both ends: the list and its first buttons are on the left).
int placeSpan(int length, int start, int available)
{
    return length <= available ? start + (available - length) / 2 : start;
}
} // namespace

QPoint placeOnScreen(QSize frameSize, const QRect &available)
{
    return {placeSpan(frameSize.width(), available.left(), available.width()),
            placeSpan(frameSize.height(), available.top(), available.height())};
}
