// NativeFileNames: file names as the system gives them, also those that are not UTF-8 (an old
// Latin-1 name on Linux), kept byte for byte so the file they name can be opened again.
#pragma once

#include <QFile>
#include <QString>
#include <QStringList>

// The program's arguments. On Linux a byte that is not part of valid UTF-8 becomes a lone
// surrogate U+DC80 to U+DCFF (as Python's "surrogateescape" does) instead of U+FFFD, which would
// lose it; on Windows the arguments are UTF-16 already and come as Qt gives them.
QStringList nativeArguments(int argc, char *argv[]);

// Opens path (as nativeArguments spells it) for reading into file; false with the system's
// reason in why when it cannot.
bool openNativeForReading(QFile &file, const QString &path, QString *why);
