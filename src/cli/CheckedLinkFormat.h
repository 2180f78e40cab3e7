// The lines brindlewood-check prints per checked link: tab-separated text or one JSON object.
#pragma once

#include "cli/CheckedLink.h"

#include <QString>

namespace CheckedLinkFormat {
// "valid<TAB>LINK" or "invalid<TAB>LINK<TAB>REASON", then a line feed.
QString textLine(const CheckedLink &checked);
// {"link":…,"verdict":"valid"|"invalid","reason":…,"status":…|null}, then a line feed. The
// reason of a valid link is empty, as --page gives it; status is null when the page gave none.
QString jsonLine(const CheckedLink &checked);
} // namespace CheckedLinkFormat
