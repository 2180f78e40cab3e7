// SharedFile: what runs that share one file (the shell tool's cache) need of the system to keep
// out of each other's way: advisory locks on the open file, and whether the file open is still
// the one its name leads to.
#pragma once

#include <QFile>
#include <QString>

namespace SharedFile {
// Takes the lock on file for this run alone when no other run holds any; false otherwise.
bool tryLockAlone(QFile &file);
// Holds the lock on file together with other runs, waiting while one holds it alone; a lock
// this run held alone becomes a shared one.
void lockShared(QFile &file);
// Whether the open file is still the one path names (another run may have put a new file in
// its place meanwhile).
bool isStillNamedBy(const QFile &file, const QString &path);
// Whether a file may be replaced by another of its name while it is open here. Windows
// refuses that rename, so the file must be closed first there.
bool canReplaceWhileOpen();
} // namespace SharedFile
