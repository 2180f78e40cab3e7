// Where the main window opens: centred in the screen's free area, and against its left or top
// edge when it is larger than that area, so the controls at those edges stay reachable.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// The top-left corner of a window whose size, frame included, is frameSize.
QPoint placeOnScreen(QSize frameSize, const QRect &available);
