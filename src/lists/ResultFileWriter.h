// ResultFileWriter: writes one result file, a link per line each ending in CR LF, in the
// system's 8-bit code page. An existing file is replaced only once the new one is complete.
#pragma once

#include <QSaveFile>
#include <QString>

class ResultFileWriter
{
public:
    explicit ResultFileWriter(const QString &path);

    // Each step throws AppError naming the path and the system's reason. After a failure
    // nothing reaches the target; the old file, if any, stays as it was.
    void open();
    void writeLine(const QString &link);
    void commit();

private:
    [[noreturn]] void fail(const QString &what);

    QSaveFile m_file;
};
