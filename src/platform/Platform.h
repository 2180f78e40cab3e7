// Platform: the seam between the program and everything modal or outside it
// (message boxes, the input prompt, file dialogs, the browser, event processing,
// ending the program, child processes, the connected state). The window and its
// handlers talk only to this interface.
#pragma once

#include "core/ProcessStart.h"

#include <QString>

#include <memory>
#include <optional>

class QWidget;

// A started child process, polled by its owner until it has ended.
class ChildProcess
{
public:
    virtual ~ChildProcess() = default;
    // The exit code once the child has ended, nothing while it still runs.
    virtual std::optional<int> exitCode() = 0;
    // Ends the child at once and reaps it.
    virtual void stop() = 0;
};

class Platform
{
public:
    enum class Buttons { Ok, YesNo };
    enum class Icon { None, Information, Exclamation, Critical, Question };
    enum class Answer { Ok, Yes, No };

    // What a handler sets on the file dialog before showing it.
    struct FileDialogSettings
    {
        QString fileName;
        int flags = 0;
        QString title;
        QString filter; // "Description|pattern|Description|pattern|"
        int maxFileSize = 30000;
    };
    // Dialog flags the program uses.
    static constexpr int ReadOnlyFlag = 0x1;
    static constexpr int AllowMultiSelectFlag = 0x200;
    static constexpr int ExplorerFlag = 0x80000;
    static constexpr int LongNamesFlag = 0x200000;

    virtual ~Platform() = default;

    virtual Answer messageBox(QWidget *owner, const QString &text, const QString &caption,
                              Buttons buttons, Icon icon)
        = 0;
    // Returns the text entered, or an empty string when the user cancels.
    virtual QString inputBox(QWidget *owner, const QString &prompt, const QString &caption,
                             const QString &defaultText)
        = 0;
    // Returns one full path, or the folder followed by NUL and each chosen name when several
    // were chosen; empty after a cancel. Throws AppError(FileNameBufferTooSmall) when that
    // text would exceed settings.maxFileSize characters.
    virtual QString showOpen(QWidget *owner, const FileDialogSettings &settings) = 0;
    // Returns the chosen path, or an empty string after a cancel.
    virtual QString showSave(QWidget *owner, const FileDialogSettings &settings) = 0;
    // Hands an address to the desktop's default handler; the outcome is not reported.
    virtual void openUrl(const QString &address) = 0;
    // Lets the window process its pending events.
    virtual void processEvents() = 0;
    // Ends the program at once, running no further handler.
    virtual void endProgram() = 0;

    // Starts a child with no window and its standard streams on the null device.
    // Returns nothing when it cannot be started.
    virtual std::unique_ptr<ChildProcess> startProcess(const ProcessStart &start) = 0;

    // The internet library's connected-state record (option 50): bit 0x1 of the state
    // means connected. The query returns false when the record cannot be read.
    static constexpr quint32 ConnectedStateConnected = 0x1;
    virtual bool queryConnectedState(quint32 &state, quint32 &flags) = 0;
    virtual bool setConnectedState(quint32 state, quint32 flags) = 0;
};
