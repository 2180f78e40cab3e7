// lists_bench: how long the window takes to load a large link file into the input list and to
// save a large result list, through the real handlers on an offscreen window.
#include "core/ResultFileWriter.h"
#include "gui/LinkListView.h"
#include "gui/MainWindow.h"
#include "platform/QtPlatform.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {
// The real platform, except that every dialog answers with a fixed path and shows nothing.
class BenchPlatform : public QtPlatform
{
public:
    QString path;

    Answer messageBox(QWidget *, const QString &, const QString &, Buttons, Icon) override
    {
        return Answer::Yes;
    }
    QString inputBox(QWidget *, const QString &, const QString &, const QString &) override
    {
        return {};
    }
    QString showOpen(QWidget *, const FileDialogSettings &) override { return path; }
    QString showSave(QWidget *, const FileDialogSettings &) override { return path; }
    void openUrl(const QString &) override { }
};

QString linkNumber(int i)
{
    return QStringLiteral("https://www.youtube.com/watch?v=%1").arg(i, 11, 10, QChar(u'0'));
}
} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir folder;
    BenchPlatform platform;
    MainWindow form(platform, {folder.path(), [] {
                                   return 0;
                               }});
    form.runStartup();
    form.show();

    std::printf("%-40s %10s\n", "operation", "ms");
    for (int lines : {10000, 100000}) {
        QByteArray bytes;
        for (int i = 0; i < lines; ++i)
            bytes += linkNumber(i).toUtf8() + "\r\n";
        platform.path = QDir(folder.path()).filePath(QStringLiteral("links.txt"));
        QFile file(platform.path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return 1;
        file.close();

        form.inputList()->clear();
        QElapsedTimer timer;
        timer.start();
        form.loadLinkFiles();
        std::printf("%-40s %10lld\n", qPrintable(QStringLiteral("load %1-line file").arg(lines)),
                    timer.elapsed());
        if (form.inputList()->count() != lines)
            return 1;

        form.validList()->clear();
        for (const QString &link : form.inputList()->links())
            form.validList()->append(link);
        platform.path = QDir(folder.path()).filePath(QStringLiteral("valid.txt"));
        timer.start();
        form.saveValidList();
        std::printf("%-40s %10lld\n",
                    qPrintable(QStringLiteral("save %1 links (window)").arg(lines)),
                    timer.elapsed());

        timer.start();
        writeResultFile(platform.path, form.validList()->links());
        std::printf("%-40s %10lld\n",
                    qPrintable(QStringLiteral("write %1 links (shell tool)").arg(lines)),
                    timer.elapsed());
    }
    return 0;
}
