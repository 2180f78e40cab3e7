#include "core/PlayabilityVerdict.h"

#include <algorithm>
#include <array>

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

// Cleans raw into cleaned, reusing cleaned's storage, with the result of deleting the six
// punctuation characters, then every "runs", then every "text", each deletion working left to
// right on the result of the one before and comparing exactly.
//
// All three happen in one pass. The punctuation goes first, whatever its order: deleting single
// characters one after the other leaves the same text as deleting them together. The letters
// that might start a "runs" are held back until the word is complete (and dropped) or cannot be
// (and passed on). What passes on is written out, and a "text" is taken back off the end as it
// completes, but only when it is made of letters written since the last "text" was taken off:
// a one-pass deletion does not look again at what it has brought together.
void clean(QStringView raw, QString &cleaned)
{
    static constexpr char16_t Runs[] = u"runs";
    cleaned.resize(raw.size());
    QChar *const start = cleaned.data();
    QChar *out = start;
    qsizetype writtenSinceDeletion = 0;
    const auto write = [&](char16_t c) {
        *out++ = c;
        if (++writtenSinceDeletion >= 4 && c == u't' && out[-2] == u'x' && out[-3] == u'e'
            && out[-4] == u't') {
            out -= 4;
            writtenSinceDeletion = 0;
        }
    };

    int heldBack = 0; // how many letters of "runs" are held back
    for (const QChar qc : raw) {
        const char16_t c = qc.unicode();
        if (isDeletedPunctuation(c))
            continue;
        if (c == Runs[heldBack]) {
            if (++heldBack == 4)
                heldBack = 0;
            continue;
        }
        for (int i = 0; i < heldBack; ++i)
            write(Runs[i]);
        // No letter of "runs" repeats, so only an "r" can start the next one.
        heldBack = c == u'r' ? 1 : 0;
        if (heldBack == 0)
            write(c);
    }
    for (int i = 0; i < heldBack; ++i)
        write(Runs[i]);
    cleaned.truncate(out - start);
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
    verdict.reason = std::move(reasonText);
    return verdict;
}
} // namespace

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
