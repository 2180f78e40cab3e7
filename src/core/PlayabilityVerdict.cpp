#include "core/PlayabilityVerdict.h"

#include "core/TextReader.h"

#include <algorithm>
#include <array>
#include <optional>

namespace {
// The page's JSON punctuation is stripped so that the status object reads as a flat run of
// "label:value," pieces.
bool isDeletedPunctuation(char16_t c)
{
    switch (c) {
    case u'"':
    case u'{':
    case u'}':
    case u'[':
    case u']':
    case u'\\':
        return true;
    default:
        return false;
    }
}

// Cleans text with the result of deleting the six punctuation characters, then every "runs",
// then every "text", each deletion working left to right on the result of the one before and
// comparing exactly. A line may be handed over in any number of parts, one after the other:
// the result is the same as for the whole line at once.
//
// All three happen in one pass. The punctuation goes first, whatever its order: deleting single
// characters one after the other leaves the same text as deleting them together. The letters
// that might start a "runs" are held back until the word is complete (and dropped) or cannot be
// (and passed on). What passes on is written out, and a "text" is taken back off the end as it
// completes, but only when it is made of letters written since the last "text" was taken off:
// a one-pass deletion does not look again at what it has brought together.
class Cleaner
{
public:
    // Appends the cleaned part to out. Only the last three characters of out may still be
    // taken back off by a later part.
    void append(QStringView raw, QString &out)
    {
        const qsizetype before = out.size();
        // Every character passes on at most once, with at most three letters held back.
        out.resize(before + raw.size() + 3);
        QChar *const start = out.data();
        QChar *at = start + before;
        for (const QChar qc : raw) {
            const char16_t c = qc.unicode();
            if (isDeletedPunctuation(c))
                continue;
            if (c == Runs[m_heldBack]) {
                if (++m_heldBack == 4)
                    m_heldBack = 0;
                continue;
            }
            passHeldBackOn(at);
            // No letter of "runs" repeats, so only an "r" can start the next one.
            if (c == u'r')
                m_heldBack = 1;
            else
                write(c, at);
        }
        out.truncate(at - start);
    }

    // Ends the line: the letters still held back pass on.
    void finish(QString &out)
    {
        const qsizetype before = out.size();
        out.resize(before + 3);
        QChar *const start = out.data();
        QChar *at = start + before;
        passHeldBackOn(at);
        out.truncate(at - start);
        m_writtenSinceDeletion = 0;
    }

private:
    static constexpr char16_t Runs[] = u"runs";

    void write(char16_t c, QChar *&at)
    {
        *at++ = c;
        if (++m_writtenSinceDeletion >= 4 && c == u't' && at[-2] == u'x' && at[-3] == u'e'
            && at[-4] == u't') {
            at -= 4;
            m_writtenSinceDeletion = 0;
        }
    }

    void passHeldBackOn(QChar *&at)
    {
        for (int i = 0; i < m_heldBack; ++i)
            write(Runs[i], at);
        m_heldBack = 0;
    }

    int m_heldBack = 0; // how many letters of "runs" are held back
    qsizetype m_writtenSinceDeletion = 0;
};

// Cleans raw whole into cleaned, reusing cleaned's storage.
void clean(QStringView raw, QString &cleaned)
{
    cleaned.truncate(0);
    Cleaner cleaner;
    cleaner.append(raw, cleaned);
    cleaner.finish(cleaned);
}

// A page's player response is one line of megabytes. Cleaning it piece by piece in a small
// buffer keeps the search for the marker in the cache and spares a full cleaned copy of every
// line. A piece ends just after a comma: cleaning keeps commas, and neither the two words nor
// the marker hold one, so nothing that cleaning or the search looks at spans two pieces.
qsizetype pieceLength(QStringView rest)
{
    constexpr qsizetype PieceLength = 1 << 15;
    if (rest.size() <= PieceLength)
        return rest.size();
    const qsizetype comma = rest.indexOf(u',', PieceLength);
    return comma < 0 ? rest.size() : comma + 1;
}

char16_t foldAsciiCase(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? char16_t(c + (u'a' - u'A')) : c;
}

// Finds label (lower-case ASCII) in line from index from on, folding only ASCII letters: other
// characters match nothing but themselves. Returns -1 when not found, also when from lies
// beyond the end. The window skips ahead by the character under its end (Horspool), so the
// marker search touches only a fraction of a long line's characters.
qsizetype findLabel(QStringView line, QStringView label, qsizetype from)
{
    const qsizetype length = label.size();
    std::array<qsizetype, 128> skip;
    skip.fill(length);
    for (qsizetype k = 0; k + 1 < length; ++k)
        skip[label[k].unicode()] = length - 1 - k;

    const char16_t lastOfLabel = label[length - 1].unicode();
    for (qsizetype i = from; i <= line.size() - length;) {
        const char16_t last = foldAsciiCase(line[i + length - 1].unicode());
        if (last == lastOfLabel) {
            qsizetype k = length - 2;
            while (k >= 0 && foldAsciiCase(line[i + k].unicode()) == label[k].unicode())
                --k;
            if (k < 0)
                return i;
        }
        // A character outside ASCII matches no letter of a label.
        i += last < skip.size() ? skip[last] : length;
    }
    return -1;
}

qsizetype findComma(QStringView line, qsizetype from)
{
    return from > line.size() ? -1 : line.indexOf(u',', from);
}

// Only blanks count as empty here; a tab or any other character makes a reason.
bool isAllSpaces(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c == u' '; });
}

constexpr QStringView Marker = u"playabilitystatus";
constexpr QStringView StatusLabel = u"status:";
constexpr QStringView ReasonLabel = u"reason:";
constexpr QStringView SubreasonLabel = u"subreason:";
constexpr QStringView SubreasonEnd = u",reason";

// Cuts the verdict out of the line that holds the marker at index marker.
PlayabilityVerdict verdictOfLine(QStringView line, qsizetype marker)
{
    PlayabilityVerdict verdict;
    const qsizetype status = findLabel(line, StatusLabel, marker + Marker.size());
    if (status < 0)
        return verdict;
    const qsizetype statusStart = status + StatusLabel.size();
    const qsizetype statusEnd = findComma(line, statusStart);
    if (statusEnd < 0)
        return verdict;
    verdict.status = line.sliced(statusStart, statusEnd - statusStart).toString();
    if (verdict.status == u"OK") {
        verdict.kind = PlayabilityVerdict::Kind::Valid;
        return verdict;
    }

    // The reason label is searched from the status's comma on, so a "subreason:" standing
    // first supplies it with its last seven characters.
    const qsizetype reason = findLabel(line, ReasonLabel, statusEnd);
    if (reason < 0)
        return verdict;
    const qsizetype reasonStart = reason + ReasonLabel.size();
    const qsizetype reasonEnd = findComma(line, reasonStart);
    if (reasonEnd < 0)
        return verdict;

    QString subreason;
    const qsizetype sub = findLabel(line, SubreasonLabel, reasonEnd);
    if (sub >= 0) {
        const qsizetype subStart = sub + SubreasonLabel.size();
        const qsizetype subEnd = findLabel(line, SubreasonEnd, subStart);
        if (subEnd >= 0)
            subreason = line.sliced(subStart, subEnd - subStart).toString().replace(u',', u' ');
    }

    QString reasonText
        = line.sliced(reasonStart, reasonEnd - reasonStart).toString() + u' ' + subreason;
    if (isAllSpaces(reasonText))
        return verdict;
    verdict.kind = PlayabilityVerdict::Kind::Invalid;
    verdict.reason = shortenedReason(std::move(reasonText));
    return verdict;
}
// Reads a page's text as it is decoded, a piece at a time, cutting it into lines as the line
// reader does (at CR LF and lone LF) and cleaning each line as it comes. Until the marker shows
// up only a short tail of the cleaned line is kept, enough to find a marker that continues in
// the next piece; from the marker on the cleaned line is kept whole, for its verdict.
class PageScanner
{
public:
    // Takes the next piece of text; false once the verdict is known.
    bool take(QStringView text)
    {
        for (;;) {
            const qsizetype lf = text.indexOf(u'\n');
            if (lf < 0) {
                appendToLine(text);
                return true;
            }
            appendToLine(text.first(lf), true);
            if (endLine())
                return false;
            text = text.sliced(lf + 1);
        }
    }

    PlayabilityVerdict finish()
    {
        if (!m_verdict) {
            if (m_crHeldBack)
                appendRaw(u"\r");
            endLine();
        }
        return m_verdict.value_or(PlayabilityVerdict {});
    }

private:
    // Until the marker shows up the line is searched and trimmed about this often.
    static constexpr qsizetype SearchEvery = 1 << 15;

    // A CR at the end of a piece is held back: with an LF after it, it is part of the break.
    void appendToLine(QStringView part, bool beforeBreak = false)
    {
        if (m_crHeldBack) {
            m_crHeldBack = false;
            if (!beforeBreak || !part.isEmpty())
                appendRaw(u"\r");
        }
        if (part.endsWith(u'\r')) {
            part.chop(1);
            m_crHeldBack = !beforeBreak;
        }
        appendRaw(part);
    }

    void appendRaw(QStringView part)
    {
        if (m_marker >= 0) {
            m_cleaner.append(part, m_line);
            return;
        }
        for (qsizetype from = 0; from < part.size(); from += SearchEvery) {
            m_cleaner.append(part.sliced(from, qMin(SearchEvery, part.size() - from)), m_line);
            if (m_line.size() > SearchEvery && searchMarker(m_line.size() - 3)) {
                m_cleaner.append(part.sliced(qMin(from + SearchEvery, part.size())), m_line);
                return;
            }
        }
    }

    // Looks for the marker in the first settled characters of the line; without it, drops
    // all but the tail where a marker may yet begin.
    bool searchMarker(qsizetype settled)
    {
        m_marker = findLabel(QStringView(m_line).first(settled), Marker, 0);
        if (m_marker >= 0)
            return true;
        const qsizetype dropped = settled - (Marker.size() - 1);
        if (dropped > 0)
            m_line.remove(0, dropped);
        return false;
    }

    // Ends the line; true when it decided the page.
    bool endLine()
    {
        m_cleaner.finish(m_line);
        if (m_marker < 0)
            searchMarker(m_line.size());
        if (m_marker >= 0) {
            m_verdict = verdictOfLine(QStringView(m_line).sliced(m_marker), 0);
            return true;
        }
        m_line.truncate(0);
        return false;
    }

    Cleaner m_cleaner;
    QString m_line; // the cleaned line, or while no marker is found its tail
    qsizetype m_marker = -1;
    bool m_crHeldBack = false;
    std::optional<PlayabilityVerdict> m_verdict;
};
} // namespace

QString shortenedReason(QString text)
{
    if (text.size() <= MaxReasonLength)
        return text;
    qsizetype kept = MaxReasonLength - 1;
    if (text.at(kept - 1).isHighSurrogate())
        --kept;
    text.truncate(kept);
    text += QChar(char16_t(0x2026));
    return text;
}

PlayabilityVerdict verdictOfPage(QByteArrayView page)
{
    PageScanner scanner;
    TextReader::decodeInPieces(page, 1 << 16, [&](QStringView text) { return scanner.take(text); });
    return scanner.finish();
}

PlayabilityVerdict readPlayabilityVerdict(const QStringList &lines)
{
    QString piece;
    for (const QString &line : lines) {
        for (QStringView rest = line; !rest.isEmpty();) {
            const qsizetype length = pieceLength(rest);
            clean(rest.first(length), piece);
            const qsizetype marker = findLabel(piece, Marker, 0);
            // The first line with the marker decides, whatever it yields. Every search from
            // here on lies past the marker, so the cleaned line from the marker on suffices.
            if (marker >= 0) {
                QString deciding = piece.sliced(marker);
                QString after;
                clean(rest.sliced(length), after);
                deciding += after;
                return verdictOfLine(deciding, 0);
            }
            rest = rest.sliced(length);
        }
    }
    return {};
}
