// FetchToolFiles: the fetch tool as the window's check runs deploy it into the temporary
// folder, and the message file each fetch writes its page to.
#pragma once

#include <QString>

class Platform;

class FetchToolFiles
{
public:
    // Deploys into the temporary folder and records the tool and the message file. Throws
    // AppError on failure, leaving what an earlier deployment recorded as it was.
    void deploy();
    // Quietly deletes the tool, the certificate file and the message file, letting the window
    // process its events before each deletion.
    void removeQuietly(Platform &platform) const;

    // The tool the run starts: set by a successful deployment and kept until the next one
    // (empty before the first).
    QString toolPath() const { return m_toolPath; }
    // The message file of the last successful deployment.
    QString messagePath() const { return m_messagePath; }

private:
    QString m_toolPath;
    QString m_messagePath;
};

// Lets the window process its pending events, then deletes path plainly and, when that
// fails, once more after making the file writable. Never fails and never reports.
void deleteFileQuietly(Platform &platform, const QString &path);
