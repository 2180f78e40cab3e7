// The shell tool's --format csv and --format markdown reports of checked links.
#pragma once

#include "engine/CheckedLink.h"

#include <QList>
#include <QString>

#include <optional>

namespace ReportFormat {
// Whether the CSV has a last "source" column: the caller knows before the first row is written
// (it is with --extract), so every row of one report has the same columns.
enum class SourceColumn { Without, With };

// What a report lists: checked links, or saved pages (--page), which have a "file" column in
// place of "link" and no HTTP code.
enum class Subject { Links, Pages };

// "valid", "invalid" or "unknown".
QString verdictWord(LinkVerdict verdict);

// The reason of the JSON and CSV reports: the site's own reason when the page said anything
// (empty when it gave only a subreason), else the link's reason or cause.
QString siteOrOwnReason(const CheckedLink &checked);
// Why nothing was judged: the cause of an unknown link; none for the others.
std::optional<QString> cause(const CheckedLink &checked);

// "link,verdict,reason,status,http,subreason,cause,title,channel,channel_id,length_seconds"
// (",source" with SourceColumn::With), then CR LF; for Subject::Pages "file" in place of "link"
// and no "http". The video's columns are empty when the page did not say.
QString csvHeader(SourceColumn sourceColumn = SourceColumn::Without,
                  Subject subject = Subject::Links);

// One CSV record per checked link, written as it is decided: a field holding a comma, a quote,
// CR or LF is quoted with its quotes doubled (RFC 4180); an absent value is an empty field; the
// record ends in CR LF. A text that starts with =, +, -, @, a tab or a CR, after blanks or not,
// gets a leading ' so
// that a spreadsheet shows it instead of running it as a formula (OWASP's advice on CSV
// injection): reasons come from any server a link reaches.
QString csvRow(const CheckedLink &checked, SourceColumn sourceColumn = SourceColumn::Without,
               Subject subject = Subject::Links);

// What a store adds to each report, by name: "title", "channel", "channel_id",
// "length_seconds" (the video's, for an invalid link the last ones the store knows),
// "last_seen_valid", "previous_verdict" and "previous_checked_at" (the verdict the store decided
// before and when); each value none where the store knows none, times as "2024-05-01T12:00:00Z".
QList<std::pair<QString, std::optional<QString>>> storeFields(const CheckedLink &checked);
// The store's fields as CSV columns appended to csvHeader's and csvRow's, each with its comma.
QString csvStoreHeader();
QString csvStoreCells(const CheckedLink &checked);

// The whole report at the end of a run: "## Valid (N)", "## Invalid (N)" and "## Unknown (N)",
// each with a table of its links in the given order (or "None."), Title, Channel and Length
// columns when any page named its video, and a Source column when any link has a source. Links and
// statuses are code spans, not live links, so a bad or hostile link is never one click away;
// reasons are plain text. No cell text can break out of its cell.
QString markdownReport(const QList<CheckedLink> &results, Subject subject = Subject::Links);
} // namespace ReportFormat
