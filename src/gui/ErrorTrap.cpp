#include "gui/ErrorTrap.h"

#include "core/AppError.h"
#include "platform/Platform.h"

ErrorTrap::ErrorTrap(Platform &platform, QWidget *owner, QString routine)
    : m_platform(platform)
    , m_owner(owner)
    , m_routine(std::move(routine))
{
}

QString ErrorTrap::describe(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const AppError &e) {
        return e.description();
    } catch (const std::bad_alloc &) {
        return QStringLiteral("Out of memory");
    } catch (const std::exception &e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

QString ErrorTrap::reportText(const QString &description) const
{
    return description + QStringLiteral("\r\nin ") + QLatin1String(ProjectPrefix) + m_routine
        + QStringLiteral(" at line ") + QString::number(m_line)
        + QStringLiteral("\r\rPlease email screenshot of this message to ")
        + QLatin1String(SupportAddress);
}

void ErrorTrap::report(std::exception_ptr error)
{
    m_platform.messageBox(m_owner, reportText(describe(error)), QString::fromLatin1(ReportCaption),
                          Platform::Buttons::Ok, Platform::Icon::Exclamation);
}
