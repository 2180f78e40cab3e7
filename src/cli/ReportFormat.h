// The shell tool's --format csv and --format markdown reports of checked links.
#pragma once

#include "cli/CheckedLink.h"

#include <QList>
#include <QString>

namespace ReportFormat {
// Whether the CSV has a last "source" column: the caller knows before the first row is written
// (it is with --extract), so every row of one report has the same columns.
enum class SourceColumn { Without, With };

// "valid", "invalid" or "unknown".
QString verdictWord(LinkVerdict verdict);

// "link,verdict,reason,status,http" (",source" with SourceColumn::With), then CR LF.
QString csvHeader(SourceColumn sourceColumn = SourceColumn::Without);

// One CSV record per checked link, written as it is decided: a field holding a comma, a quote,
// CR or LF is quoted with its quotes doubled (RFC 4180); an absent status or HTTP code is an
// empty field; the record ends in CR LF.
QString csvRow(const CheckedLink &checked, SourceColumn sourceColumn = SourceColumn::Without);

// The whole report at the end of a run: "## Valid (N)", "## Invalid (N)" and "## Unknown (N)",
// each with a table of its links in the given order (or "None."), and a Source column when any
// link has a source. Links and statuses are code spans, not live links, so a bad or hostile
// link is never one click away; reasons are plain text. No cell text can break out of its cell.
QString markdownReport(const QList<CheckedLink> &results);
} // namespace ReportFormat
