// ApplicationTitle: the caption that message boxes and prompts without one of their own
// show, cut from the product name.
#pragma once

#include <QString>

// Drops the product name's last word, then further words while more than 40 characters
// remain. Only U+0020 counts as a blank. A name without a blank has nothing to cut at and
// is used unchanged; a first word longer than 40 characters is kept whole.
QString applicationTitleFor(const QString &productName);
