// ReplaceFile: putting a finished file in the place of another in one step, as each system
// allows it.
#pragma once

#include <QString>

// Renames from to to, replacing whatever is at to (a symbolic link included, which is
// replaced, never followed). Returns false with the system's reason in why when it cannot.
bool replaceFile(const QString &from, const QString &to, QString *why);
