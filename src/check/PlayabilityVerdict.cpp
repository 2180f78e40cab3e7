#include "check/PlayabilityVerdict.h"

#include <algorithm>

namespace {
// The page's JSON punctuation is stripped so that the status object reads as a flat run of
// "label:value," pieces.
bool isDeletedPunctuation(QChar c)
{
    switch (c.unicode()) {
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

// Deletes every occurrence of word in one left-to-right pass, compacting in place. What the
// deletion itself brings together is not looked at again.
void deleteWord(QString &line, QStringView word)
{
    qsizetype found = line.indexOf(word);
    if (found < 0)
        return;
    QChar *const data = line.data();
    qsizetype write = found;
    qsizetype read = found + word.size();
    for (;;) {
        found = line.indexOf(word, read);
        const qsizetype end = found < 0 ? line.size() : found;
        std::copy(data + read, data + end, data + write);
        write += end - read;
        if (found < 0)
            break;
        read = found + word.size();
    }
    line.truncate(write);
}

// Each deletion works on the result of the one before, in this order and exactly (letter case
// counts). Deleting the six punctuation characters one after the other leaves the same text as
// deleting them together, so they share a single pass.
QString cleanedLine(QStringView line)
{
    QString cleaned(line.size(), Qt::Uninitialized);
    QChar *out = cleaned.data();
    for (const QChar c : line) {
        if (!isDeletedPunctuation(c))
            *out++ = c;
    }
    cleaned.truncate(out - cleaned.data());
    deleteWord(cleaned, u"runs");
    deleteWord(cleaned, u"text");
    return cleaned;
}

char16_t foldAsciiCase(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? char16_t(c + (u'a' - u'A')) : c;
}

// Finds label (lower-case ASCII) in line from index from on, folding only ASCII letters: other
// characters match nothing but themselves. Returns -1 when not found, also when from lies
// beyond the end.
qsizetype findLabel(QStringView line, QStringView label, qsizetype from)
{
    const qsizetype last = line.size() - label.size();
    const char16_t first = label[0].unicode();
    for (qsizetype i = from; i <= last; ++i) {
        if (foldAsciiCase(line[i].unicode()) != first)
            continue;
        qsizetype k = 1;
        while (k < label.size() && foldAsciiCase(line[i + k].unicode()) == label[k].unicode())
            ++k;
        if (k == label.size())
            return i;
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

PlayabilityVerdict ReadPlayabilityVerdict(const QStringList &lines)
{
    for (const QString &line : lines) {
        const QString cleaned = cleanedLine(line);
        const qsizetype marker = findLabel(cleaned, Marker, 0);
        // The first line with the marker decides, whatever it yields.
        if (marker >= 0)
            return verdictOfLine(cleaned, marker);
    }
    return {};
}
