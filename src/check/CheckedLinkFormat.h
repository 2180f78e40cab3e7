// The lines brindlewood-check prints per checked link: tab-separated text or one JSON object.
#pragma once

#include "check/CheckedLink.h"

#include <QByteArray>

namespace CheckedLinkFormat {
// "valid<TAB>LINK" or "invalid<TAB>LINK<TAB>REASON", then a line feed.
QByteArray textLine(const CheckedLink &checked);
// {"link":…,"verdict":"valid"|"invalid","reason":…|null,"status":…|null}, then a line feed.
QByteArray jsonLine(const CheckedLink &checked);
} // namespace CheckedLinkFormat
