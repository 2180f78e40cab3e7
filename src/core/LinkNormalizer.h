// The --normalize rule: turns the lines of a link file into the links to check, rewriting every
// usual spelling of a YouTube video link to one canonical watch link.
#pragma once

#include "core/SeenLinks.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace LinkNormalizer {
// True for exactly 11 characters of A-Z, a-z, 0-9, '_' and '-', the shape of a video id.
bool isVideoId(QStringView text);

// "https://www.youtube.com/watch?v=" followed by the id.
QString watchLink(QStringView id);

// The text without the spaces and tabs around it (other white space is kept).
QStringView trimmedBlanks(QStringView text);

// The canonical watch link when the whole text is a video link (youtu.be/ID; youtube.com/watch
// with v=ID anywhere in its query; /shorts/, /embed/, /v/ or /live/ followed by ID; the www.,
// m. and music. hosts; youtube-nocookie.com/embed/ID; http, https or no scheme; any query or
// fragment after the id) or a bare video id; none otherwise. The text is not trimmed first.
std::optional<QString> canonicalVideoLink(QStringView text);

// The rule below one line at a time, so a long file need not be held as a line list first.
class Normalizer
{
public:
    // The link the line gives, or nothing for a blank line, a comment or a repeat.
    std::optional<QString> take(QStringView line);

private:
    SeenLinks m_seen;
};

// The links to check from a file's lines, in order: each line trimmed of blanks; empty lines
// and lines starting with '#' skipped; video links rewritten; every later repeat dropped.
QStringList normalizeLines(const QStringList &lines);
} // namespace LinkNormalizer
