// FileIdentity: which file a name leads to, as the system resolves names, so that two names of one
// file (a hard link, a bind mount, a name in other letter case on Windows) compare equal.
#pragma once

#include <QString>

#include <optional>

struct FileIdentity
{
    quint64 volume = 0; // the device (POSIX) or the volume's serial number (Windows)
    quint64 index = 0; // the inode (POSIX) or the file index (Windows)

    bool operator==(const FileIdentity &) const = default;
};

// The identity of the file path leads to; none when there is no such file (yet).
std::optional<FileIdentity> fileIdentity(const QString &path);

// Whether a and b name one file: by identity when both exist, else by their resolved paths
// (without regard to case on Windows, whose file systems ignore it).
bool isSameFile(const QString &a, const QString &b);
