// FetchToolFiles: the fetch tool as the window's check runs deploy it, in a folder of the
// run's own inside the temporary folder, and the message file each fetch writes its page to.
#pragma once

#include <QString>

class Platform;

class FetchToolFiles
{
public:
    // Makes a new folder of the run's own inside the temporary folder, deploys the tool into
    // it and records the tool and the message file there. Throws AppError on failure,
    // leaving no new folder behind and what an earlier deployment recorded as it was.
    void deploy();
    // Quietly deletes the tool, the certificate file and the message file, letting the window
    // process its events before each deletion, and then the run's folder.
    void removeQuietly(Platform &platform) const;

    // The tool the run starts: set by a successful deployment and kept until the next one
    // (empty before the first).
    QString toolPath() const { return m_toolPath; }
    // The message file of the last successful deployment, beside the tool.
    QString messagePath() const { return m_messagePath; }

private:
    QString m_folder;
    QString m_toolPath;
    QString m_messagePath;
};

// Lets the window process its pending events, then deletes path plainly and, when that
// fails, once more after making the file writable. Never fails and never reports.
void deleteFileQuietly(Platform &platform, const QString &path);
