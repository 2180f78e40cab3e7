// ErrorTrap: runs a routine's numbered statements; a statement that throws is shown
// in the Application Error report with its number, and the routine carries on.
#pragma once

#include <QString>

#include <exception>
#include <utility>

class Platform;
class QWidget;

class ErrorTrap
{
public:
    // routine is the name the report prints, one of ReportNames.
    ErrorTrap(Platform &platform, QWidget *owner, QString routine);

    // Runs one numbered statement. Returns false when it failed (the report has been shown).
    template<typename Statement> bool step(int line, Statement &&statement)
    {
        m_line = line;
        try {
            std::forward<Statement>(statement)();
            return true;
        } catch (...) {
            report(std::current_exception());
            return false;
        }
    }

    // Runs a numbered condition test. When the test itself fails the report is shown and
    // the answer is true, so the routine goes on with the first statement it guards.
    template<typename Condition> bool test(int line, Condition &&condition)
    {
        m_line = line;
        try {
            return static_cast<bool>(std::forward<Condition>(condition)());
        } catch (...) {
            report(std::current_exception());
            return true;
        }
    }

    // Marks a numbered statement that cannot fail (a jump, a loop's "next").
    void reach(int line) { m_line = line; }

    int line() const { return m_line; }

    // The report's text for an error with the given description.
    QString reportText(const QString &description) const;

    static QString describe(std::exception_ptr error);

    static constexpr const char *ReportCaption = "Application Error";
    static constexpr const char *ProjectPrefix = "Pennyvale2021/08/31.";
    static constexpr const char *SupportAddress = "support@brindlewood.example";

private:
    void report(std::exception_ptr error);

    Platform &m_platform;
    QWidget *m_owner;
    QString m_routine;
    int m_line = 0;
};
