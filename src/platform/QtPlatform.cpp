#include "platform/QtPlatform.h"

#include "core/AppError.h"
#include "platform/SaveDialog.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>
#include <QWindow>

#include <cstdio>
#include <cstdlib>

namespace {
// A dialog is a window of its own rather than a child of its owner: a child takes on its
// owner's style sheet, and the skin is the main window's alone. The window system still keeps
// the dialog above its owner.
void keepAbove(QDialog &dialog, QWidget *owner)
{
    if (!owner)
        return;
    dialog.winId();
    if (QWindow *window = dialog.windowHandle())
        window->setTransientParent(owner->window()->windowHandle());
}
} // namespace

QtPlatform::QtPlatform()
{
    // The watch takes itself off again when it is destroyed.
    if (QCoreApplication *application = QCoreApplication::instance())
        application->installNativeEventFilter(&m_destroyedWindowWatch);
}

Platform::Answer QtPlatform::messageBox(QWidget *owner, const QString &text, const QString &caption,
                                        Buttons buttons, Icon icon)
{
    QMessageBox box;
    keepAbove(box, owner);
    box.setWindowTitle(caption);
    box.setText(text);
    switch (icon) {
    case Icon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    if (buttons == Buttons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return Answer::Ok;
}

QString QtPlatform::inputBox(QWidget *owner, const QString &prompt, const QString &caption,
                             const QString &defaultText)
{
    QInputDialog dialog;
    keepAbove(dialog, owner);
    dialog.setWindowTitle(caption);
    dialog.setLabelText(prompt);
    dialog.setTextEchoMode(QLineEdit::Normal);
    dialog.setTextValue(defaultText);
    return dialog.exec() == QDialog::Accepted ? dialog.textValue() : QString();
}

QString QtPlatform::toQtFilter(const QString &filter)
{
    const QStringList parts = filter.split(u'|', Qt::SkipEmptyParts);
    QStringList choices;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts.at(i + 1);
        patterns.replace(u';', u' ');
        if (patterns == u"*.*")
            patterns = QStringLiteral("*");
        QString description = parts.at(i);
        const qsizetype paren = description.indexOf(u'(');
        if (paren >= 0)
            description.truncate(paren);
        choices << description.trimmed() + QStringLiteral(" (") + patterns + u')';
    }
    return choices.join(QStringLiteral(";;"));
}

QString QtPlatform::openAnswer(const QStringList &paths)
{
    if (paths.isEmpty())
        return {};
    if (paths.size() == 1)
        return QDir::toNativeSeparators(paths.first());
    // Several names: the folder once, then each bare name after a NUL, the way the
    // common dialogs report a multiple selection.
    QString answer = QDir::toNativeSeparators(QFileInfo(paths.first()).absolutePath());
    for (const QString &path : paths)
        answer += QChar(u'\0') + QFileInfo(path).fileName();
    return answer;
}

QString QtPlatform::showOpen(QWidget *owner, const FileDialogSettings &settings)
{
    const QString filter = toQtFilter(settings.filter);
    QStringList paths;
    if (settings.flags & AllowMultiSelectFlag) {
        paths = QFileDialog::getOpenFileNames(owner, settings.title, settings.fileName, filter);
    } else {
        const QString path
            = QFileDialog::getOpenFileName(owner, settings.title, settings.fileName, filter);
        if (!path.isEmpty())
            paths << path;
    }
    const QString answer = openAnswer(paths);
    if (answer.size() > settings.maxFileSize)
        throw AppError(QStringLiteral("The file name buffer is too small to hold the chosen "
                                      "file names."),
                       FileNameBufferTooSmall);
    return answer;
}

QString QtPlatform::showSave(QWidget *owner, const FileDialogSettings &settings)
{
    if (std::optional<QString> path = systemSaveDialog(owner, settings))
        return *path;
    // The program asks its own overwrite question and uses a name typed without an
    // extension exactly as typed, so the dialog does neither.
    const QString path = QFileDialog::getSaveFileName(owner, settings.title, settings.fileName,
                                                      toQtFilter(settings.filter), nullptr,
                                                      QFileDialog::DontConfirmOverwrite);
    return QDir::toNativeSeparators(path);
}

void QtPlatform::openUrl(const QString &address)
{
    QDesktopServices::openUrl(QUrl(address, QUrl::TolerantMode));
}

void QtPlatform::processEvents()
{
    QCoreApplication::processEvents();
}

void QtPlatform::endProgram()
{
    std::fflush(nullptr);
    std::_Exit(0);
}
