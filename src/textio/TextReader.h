// The whole-file reader: reads any link file or fetched page into a line list, choosing
// the encoding from the file's byte-order mark.
#pragma once

#include <QString>
#include <QStringList>

// Reads the whole file at path and returns its lines without their line breaks.
// Throws AppError with a clear description when the file cannot be opened or read.
QStringList ReadAllLines(const QString &path);
