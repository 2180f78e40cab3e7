// The lines brindlewood-check prints per checked link: tab-separated text or one JSON object.
#pragma once

#include "cli/ReportFormat.h"
#include "engine/CheckedLink.h"

#include <QString>

namespace CheckedLinkFormat {
// "valid<TAB>LINK", "invalid<TAB>LINK<TAB>REASON" or "unknown<TAB>LINK<TAB>CAUSE", then a line
// feed, each field shown with printableField.
QString textLine(const CheckedLink &checked);
// {"link":…,"verdict":…,"reason":…,"subreason":…|null,"status":…|null,"cause":…|null,
// "http":…|null,"attempts":N} (with "source":… after the link when it has one), then a line
// feed; for a saved page {"file":…,"verdict":…,"reason":…,"subreason":…|null,"status":…|null,
// "cause":…|null}. A page that named its video adds "title", "channel", "channel_id" (strings)
// and "length_seconds" (a number), each null when the page left it out, before "http". The
// reason and cause are ReportFormat's. Every string is exact.
QString jsonLine(const CheckedLink &checked,
                 ReportFormat::Subject subject = ReportFormat::Subject::Links);

// With --changes, what the store decided before: "was valid on 2024-05-01T12:00:00Z", or "new".
QString changeText(const CheckedLink &checked);

// A field of the plain output as it may reach a terminal: every C0 control character and DEL
// becomes a visible escape (\t, \n, \r, else \xHH), every 8-bit control (U+0080 to U+009F)
// and bidirectional override or isolate (U+202A to U+202E, U+2066 to U+2069) one such as
// \u202e, so no page or link can move the cursor, recolour the screen or make one line look
// like another.
QString printableField(const QString &text);
} // namespace CheckedLinkFormat
