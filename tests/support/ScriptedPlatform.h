// ScriptedPlatform: the tests' stand-in for the platform. It answers prompts and dialogs
// from queues filled by the test and records every box shown and every address opened,
// so no test blocks on a dialog or starts a browser.
#pragma once

#include "platform/Platform.h"

#include <QList>
#include <QQueue>
#include <QStringList>

#include <functional>
#include <optional>

class ScriptedPlatform : public Platform
{
public:
    struct Box
    {
        QString text;
        QString caption;
        Buttons buttons;
        Icon icon;
    };
    struct Prompt
    {
        QString prompt;
        QString caption;
        QString defaultText;
    };

    // Queued answers; an empty queue answers Yes / "" / cancel.
    QQueue<Answer> yesNoAnswers;
    QQueue<QString> promptAnswers;
    // Each entry is what the open dialog returns (the answer text), or an error to throw.
    QQueue<std::function<QString()>> openAnswers;
    QQueue<QString> saveAnswers;

    // What was shown.
    QList<Box> boxes;
    QList<Prompt> prompts;
    QList<FileDialogSettings> openDialogs;
    QList<FileDialogSettings> saveDialogs;
    QStringList openedAddresses;
    int processEventsCalls = 0;
    int endProgramCalls = 0;

    // Runs whenever a message box is shown (for example to act while a run is under way).
    std::function<void(const Box &)> onBox;
    // Runs at every processEvents, after the real event processing.
    std::function<void()> onProcessEvents;
    // Runs where the real program would end (to see what it would leave behind).
    std::function<void()> onEndProgram;
    // Child processes: every start is recorded, and the child really runs.
    QList<ProcessStart> startedProcesses;

    // The scripted connected-state record. No value makes every query fail.
    std::optional<quint32> connectedState = ConnectedStateConnected;
    // What a set turns the state into; no value leaves the state as it is.
    std::optional<quint32> connectedStateAfterSet;
    int connectedStateQueries = 0;
    QList<quint32> connectedStateSets;

    void queueOpenAnswer(const QString &answer);
    void queueOpenError(int number, const QString &description);

    // Boxes with the "Application Error" caption.
    QList<Box> errorReports() const;
    QStringList boxTexts() const;

    Answer messageBox(QWidget *owner, const QString &text, const QString &caption, Buttons buttons,
                      Icon icon) override;
    QString inputBox(QWidget *owner, const QString &prompt, const QString &caption,
                     const QString &defaultText) override;
    QString showOpen(QWidget *owner, const FileDialogSettings &settings) override;
    QString showSave(QWidget *owner, const FileDialogSettings &settings) override;
    void openUrl(const QString &address) override;
    void processEvents() override;
    void endProgram() override;
    std::unique_ptr<ChildProcess> startProcess(const ProcessStart &start) override;
    bool queryConnectedState(quint32 &state, quint32 &flags) override;
    bool setConnectedState(quint32 state, quint32 flags) override;
};
