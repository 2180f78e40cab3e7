// brindlewood: the window that sorts video links into valid and invalid ones.
#include "gui/ApplicationIcon.h"
#include "gui/MainWindow.h"
#include "platform/EndSignals.h"
#include "platform/QtPlatform.h"

#include <QApplication>
#include <QTime>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brindlewood"));
    QApplication::setApplicationVersion(QStringLiteral(BRINDLEWOOD_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("brindlewood"));
    QApplication::setWindowIcon(applicationIcon()); // also for the start-up reports

    QtPlatform platform;
    MainWindow form(platform, {QCoreApplication::applicationDirPath(), [] {
                                   return QTime::currentTime().msecsSinceStartOfDay() / 1000;
                               }});
    // Logout and shutdown end the program as a close does, never in the middle of a fetch.
    const EndSignals endSignals(&form);
    form.runStartup(); // start-up reports, if any, come before the window shows
    form.showCentred();
    return app.exec();
}
