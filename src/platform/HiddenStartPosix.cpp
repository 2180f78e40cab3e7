// On Linux a child shows no window unless it opens one itself; there is nothing to hide.
#include "platform/HiddenStart.h"

void startHidden(QProcess &) { }
