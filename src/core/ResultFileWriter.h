// ResultFileWriter: writes one result file, a link per line each ending in CR LF, in UTF-8. An
// existing file is replaced only once the new one is complete.
#pragma once

#include <QFile>
#include <QSaveFile>
#include <QString>
#include <QStringList>

#include <functional>

class ResultFileWriter
{
public:
    explicit ResultFileWriter(const QString &path);

    // Each step throws AppError naming the path and the system's reason. After a failure
    // nothing reaches a regular target; the old file, if any, stays as it was. A target that
    // exists and is no regular file (a FIFO, a device) is written directly, since replacing it
    // would put a regular file in its place.
    void open();
    void writeLine(const QString &link);
    void commit();

private:
    [[noreturn]] void fail(const QString &what, int error);
    QFileDevice &file();

    QSaveFile m_saveFile;
    QFile m_directFile;
    bool m_direct = false;
};

// Fails now, with the message a later write would give, when path could not be written as a
// result file; nothing is left behind. A FIFO or a device is only asked whether it may be
// written, since opening a FIFO would wait for its reader.
void probeResultFile(const QString &path);

// Writes links to path as a result file, calling beforeEachLine before each line. Throws
// AppError when the file cannot be created or written; the old file then stays as it was and
// no partial file is left.
void writeResultFile(const QString &path, const QStringList &links,
                     const std::function<void()> &beforeEachLine = {});
