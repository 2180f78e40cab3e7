// Twips: the window is laid out in twips (1/1440 inch); this converts to pixels at the
// screen's logical resolution (15 twips per pixel at 96 dpi).
#pragma once

#include <QRect>
#include <cmath>

inline int twipsToPixels(int twips, qreal dpi)
{
    return static_cast<int>(std::lround(twips * dpi / 1440.0));
}

inline QRect twipsToPixels(int left, int top, int width, int height, qreal dpi)
{
    return QRect(twipsToPixels(left, dpi), twipsToPixels(top, dpi), twipsToPixels(width, dpi),
                 twipsToPixels(height, dpi));
}
