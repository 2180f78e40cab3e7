#include "core/ResultFileWriter.h"

#include "core/AppError.h"
#include "core/FileErrorReason.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <unistd.h>

ResultFileWriter::ResultFileWriter(const QString &path)
    : m_saveFile(path)
    , m_directFile(path)
{
}

QFileDevice &ResultFileWriter::file()
{
    return m_direct ? static_cast<QFileDevice &>(m_directFile) : m_saveFile;
}

void ResultFileWriter::open()
{
    // Symbolic links are followed: one naming a regular file keeps the safe replacement.
    const QFileInfo target(m_saveFile.fileName());
    m_direct = target.exists() && !target.isFile() && !target.isDir();
    errno = 0;
    // Unbuffered, so a failing write reports at once and the system's reason is still known.
    const bool opened = m_direct ? m_directFile.open(QIODevice::WriteOnly | QIODevice::Unbuffered)
                                 : m_saveFile.open(QIODevice::WriteOnly);
    if (!opened)
        fail(QStringLiteral("Cannot create"), errno);
}

void ResultFileWriter::writeLine(const QString &link)
{
    // UTF-8 on every system: in Windows' 8-bit code page most characters would become "?",
    // and the link one that no longer opens.
    const QByteArray bytes = link.toUtf8() + "\r\n";
    errno = 0;
    if (file().write(bytes) != bytes.size())
        fail(QStringLiteral("Cannot write to"), errno);
}

void ResultFileWriter::commit()
{
    errno = 0;
    if (m_direct) {
        const bool flushed = m_directFile.flush();
        const int error = errno;
        m_directFile.close();
        if (!flushed || m_directFile.error() != QFileDevice::NoError)
            fail(QStringLiteral("Cannot save"), error);
        return;
    }
    // The last lines are still in the write buffer, and QSaveFile's commit renames over the
    // old file even when writing them out fails (a full disk): they go out, checked, first.
    if (!m_saveFile.flush())
        fail(QStringLiteral("Cannot write to"), errno);
    errno = 0;
    if (!m_saveFile.commit())
        fail(QStringLiteral("Cannot save"), errno);
}

void ResultFileWriter::fail(const QString &what, int error)
{
    const QString reason = fileErrorReason(file(), error);
    if (m_direct)
        m_directFile.close();
    else
        m_saveFile.cancelWriting();
    throw AppError(QStringLiteral("%1 \"%2\": %3")
                       .arg(what, QDir::toNativeSeparators(m_saveFile.fileName()), reason));
}

void writeResultFile(const QString &path, const QStringList &links,
                     const std::function<void()> &beforeEachLine)
{
    ResultFileWriter file(path);
    file.open();
    for (const QString &link : links) {
        if (beforeEachLine)
            beforeEachLine();
        file.writeLine(link);
    }
    file.commit();
}

void probeResultFile(const QString &path)
{
    const QFileInfo target(path);
    if (target.exists() && !target.isFile() && !target.isDir()) {
        if (::access(QFile::encodeName(path).constData(), W_OK) != 0)
            throw AppError(
                QStringLiteral("Cannot write \"%1\": %2").arg(path, qt_error_string(errno)));
        return;
    }
    QSaveFile probe(path);
    if (!probe.open(QIODevice::WriteOnly))
        throw AppError(QStringLiteral("Cannot write \"%1\": %2").arg(path, probe.errorString()));
    probe.cancelWriting();
}
