// FileExists: the one test the program uses to ask whether a file is there before it
// loads, reads or overwrites it. Never throws.
#pragma once

#include <QString>

// True when path names an existing file whose modification time can be read. A folder is
// not a file the program can read or overwrite, so it answers false.
bool fileExists(const QString &path) noexcept;
