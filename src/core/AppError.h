// AppError: the one error type the program raises and the error report shows,
// a description plus an optional error number (0 when the error has none).
#pragma once

#include <QString>
#include <stdexcept>

class AppError : public std::runtime_error
{
public:
    explicit AppError(const QString &description, int number = 0)
        : std::runtime_error(description.toStdString())
        , m_description(description)
        , m_number(number)
    {
    }

    QString description() const { return m_description; }
    int number() const { return m_number; }

private:
    QString m_description;
    int m_number;
};

// Raised by the open dialog when the chosen names do not fit its file-name text.
inline constexpr int FileNameBufferTooSmall = 20476;
