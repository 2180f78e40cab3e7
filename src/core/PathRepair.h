// Repairs the paths built from the open dialog's answer: a folder joined with a chosen
// name, and runs of separators collapsed the way the loader expects.
#pragma once

#include <QDir>
#include <QString>

// Collapses each non-overlapping pair of separators into one, scanning once from the left.
// A path that begins with two or more separators (a network path) keeps exactly two of them;
// a single leading separator (an absolute path on a slash platform) stays single.
QString normalizeBackslashes(const QString &path, QChar separator = QDir::separator());

// The full path of one name chosen in folder, before NormalizeBackslashes. A folder that
// already ends with the separator (a drive root, or "/") gets no second one: "/" and "a.txt"
// must give "/a.txt", since "//a.txt" would pass for a network path and keep both slashes.
QString joinChosenPath(const QString &folder, const QString &name,
                       QChar separator = QDir::separator());
