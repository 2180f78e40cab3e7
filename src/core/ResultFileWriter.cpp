#include "core/ResultFileWriter.h"

#include "core/AppError.h"

#include <QDir>

ResultFileWriter::ResultFileWriter(const QString &path)
    : m_file(path)
{
}

void ResultFileWriter::open()
{
    if (!m_file.open(QIODevice::WriteOnly))
        fail(QStringLiteral("Cannot create"));
}

void ResultFileWriter::writeLine(const QString &link)
{
    // The 8-bit code page of the system: UTF-8 on Linux and macOS, the ANSI code page on
    // Windows, where a character it cannot hold is written as its replacement.
    const QByteArray bytes = link.toLocal8Bit() + "\r\n";
    if (m_file.write(bytes) != bytes.size())
        fail(QStringLiteral("Cannot write to"));
}

void ResultFileWriter::commit()
{
    if (!m_file.commit())
        fail(QStringLiteral("Cannot save"));
}

void ResultFileWriter::fail(const QString &what)
{
    const QString reason = m_file.errorString();
    m_file.cancelWriting();
    throw AppError(QStringLiteral("%1 \"%2\": %3")
                       .arg(what, QDir::toNativeSeparators(m_file.fileName()), reason));
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
