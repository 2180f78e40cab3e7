// Recognises a UTF-16 file that has no byte-order mark by the NUL bytes that mostly-ASCII text
// has in every other byte.
#pragma once

#include <QByteArrayView>

enum class MarklessUtf16 { None, Utf16LE, Utf16BE };

// Looks at the first kilobyte of a file (the whole start when shorter; fewer than 2 bytes give
// None). Utf16LE when at least 90% of the byte pairs have a NUL in their second byte and at most
// 2% in their first, Utf16BE the other way round, None otherwise. Only text that is mostly ASCII
// (or Latin-1) can be recognised so: other characters have no NUL byte, and text in other
// scripts gives None. 8-bit and UTF-8 text has no NUL bytes and always gives None.
MarklessUtf16 detectMarklessUtf16(QByteArrayView start);
