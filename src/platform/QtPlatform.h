// QtPlatform: the real platform, built on Qt's dialogs, QDesktopServices and the
// application's event loop.
#pragma once

#include "platform/DestroyedWindowWatch.h"
#include "platform/Platform.h"

class QtPlatform : public Platform
{
public:
    // Watches the application's native windows from now on.
    QtPlatform();

    Answer messageBox(QWidget *owner, const QString &text, const QString &caption, Buttons buttons,
                      Icon icon) override;
    QString inputBox(QWidget *owner, const QString &prompt, const QString &caption,
                     const QString &defaultText) override;
    QString showOpen(QWidget *owner, const FileDialogSettings &settings) override;
    QString showSave(QWidget *owner, const FileDialogSettings &settings) override;
    void openUrl(const QString &address) override;
    void processEvents() override;
    void endProgram() override;
    // Child processes and the connected state (QtPlatformSystem.cpp).
    std::unique_ptr<ChildProcess> startProcess(const ProcessStart &start) override;
    bool queryConnectedState(quint32 &state, quint32 &flags) override;
    bool setConnectedState(quint32 state, quint32 flags) override;

    // "Text Files (*.txt)|*.txt|All Files (*.*)|*.*|" -> "Text Files (*.txt);;All Files (*)"
    static QString toQtFilter(const QString &filter);
    // Builds the open dialog's answer text from the chosen paths (see Platform::showOpen).
    static QString openAnswer(const QStringList &paths);

private:
    DestroyedWindowWatch m_destroyedWindowWatch;
};
