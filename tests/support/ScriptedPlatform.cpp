#include "support/ScriptedPlatform.h"

#include "core/AppError.h"
#include "platform/QtChildProcess.h"

#include <QCoreApplication>

void ScriptedPlatform::queueOpenAnswer(const QString &answer)
{
    openAnswers.enqueue([answer] { return answer; });
}

void ScriptedPlatform::queueOpenError(int number, const QString &description)
{
    openAnswers.enqueue(
        [number, description]() -> QString { throw AppError(description, number); });
}

QList<ScriptedPlatform::Box> ScriptedPlatform::errorReports() const
{
    QList<Box> reports;
    for (const Box &box : boxes) {
        if (box.caption == u"Application Error")
            reports << box;
    }
    return reports;
}

QStringList ScriptedPlatform::boxTexts() const
{
    QStringList texts;
    for (const Box &box : boxes)
        texts << box.text;
    return texts;
}

Platform::Answer ScriptedPlatform::messageBox(QWidget *, const QString &text,
                                              const QString &caption, Buttons buttons, Icon icon)
{
    boxes.append({text, caption, buttons, icon});
    if (onBox)
        onBox(boxes.last());
    if (buttons == Buttons::YesNo)
        return yesNoAnswers.isEmpty() ? Answer::Yes : yesNoAnswers.dequeue();
    return Answer::Ok;
}

QString ScriptedPlatform::inputBox(QWidget *, const QString &prompt, const QString &caption,
                                   const QString &defaultText)
{
    prompts.append({prompt, caption, defaultText});
    return promptAnswers.isEmpty() ? QString() : promptAnswers.dequeue();
}

QString ScriptedPlatform::showOpen(QWidget *, const FileDialogSettings &settings)
{
    openDialogs.append(settings);
    return openAnswers.isEmpty() ? QString() : openAnswers.dequeue()();
}

QString ScriptedPlatform::showSave(QWidget *, const FileDialogSettings &settings)
{
    saveDialogs.append(settings);
    return saveAnswers.isEmpty() ? QString() : saveAnswers.dequeue();
}

void ScriptedPlatform::openUrl(const QString &address)
{
    openedAddresses << address;
}

void ScriptedPlatform::processEvents()
{
    ++processEventsCalls;
    QCoreApplication::processEvents();
    if (onProcessEvents)
        onProcessEvents();
}

void ScriptedPlatform::endProgram()
{
    ++endProgramCalls;
    if (onEndProgram)
        onEndProgram();
}

std::unique_ptr<ChildProcess> ScriptedPlatform::startProcess(const ProcessStart &start)
{
    startedProcesses << start;
    return QtChildProcess::start(start);
}

bool ScriptedPlatform::queryConnectedState(quint32 &state, quint32 &flags)
{
    ++connectedStateQueries;
    if (!connectedState)
        return false;
    state = *connectedState;
    flags = 0;
    return true;
}

bool ScriptedPlatform::setConnectedState(quint32 state, quint32)
{
    connectedStateSets << state;
    if (connectedStateAfterSet)
        connectedState = *connectedStateAfterSet;
    return true;
}
