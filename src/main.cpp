// brindlewood: the window that sorts video links into valid and invalid ones.
#include "app/ApplicationIcon.h"
#include "app/Form1.h"
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
    Form1 form(platform, {QCoreApplication::applicationDirPath(), [] {
                              return QTime::currentTime().msecsSinceStartOfDay() / 1000;
                          }});
    form.Form_Load(); // start-up reports, if any, come before the window shows
    form.showCentred();
    return app.exec();
}
