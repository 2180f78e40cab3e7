// ApplicationIcon: the program's icon, in the sizes the window system picks from.
#pragma once

#include <QIcon>

// The icon at 32, 48, 128 and 256 pixels, from the program's built-in resources.
QIcon applicationIcon();

// Resource paths of the pictures, smallest first.
QStringList applicationIconFiles();
