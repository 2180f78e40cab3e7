// ReplaceFile: putting a finished file in the place of another in one step, as each system
// allows it.
#pragma once

#include <QString>

// Renames from to to, replacing whatever is at to (a symbolic link included, which is
// replaced, never followed). Returns false with the system's reason in why when it cannot.
bool replaceFile(const QString &from, const QString &to, QString *why);

// Gives the open file behind descriptor the owner, group and mode of the file at original, so
// that a file rewritten in another's place (by root, for another user) stays as it was to its
// user. Does nothing where the system has no such owners (Windows) or original is not there.
void takeOwnerAndMode(int descriptor, const QString &original);
