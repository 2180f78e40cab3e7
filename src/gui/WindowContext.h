// WindowContext: what the window's button and list handlers work on (the three link lists,
// the pointer setting, the check-run flag, whether the window is closing, the platform) and
// nothing more of the window.
#pragma once

#include <QString>

class FetchToolFiles;
class LinkListView;
class Platform;
class QWidget;

class WindowContext
{
public:
    // The window's pointer setting; the hourglass also marks the window as busy.
    enum MousePointer { DefaultPointer = 0, HourglassPointer = 11, HandPointer = 99 };

    virtual Platform &platform() const = 0;
    // The owner of the message boxes, prompts and dialogs a handler shows.
    virtual QWidget *dialogOwner() = 0;
    // The caption of every box and prompt that names none of its own.
    virtual QString applicationTitle() const = 0;

    virtual LinkListView *inputList() const = 0;
    virtual LinkListView *validList() const = 0;
    virtual LinkListView *invalidList() const = 0;

    virtual MousePointer mousePointer() const = 0;
    virtual void setMousePointer(MousePointer pointer) = 0;
    // While a run, a load or a save walks the lists, rows may not be removed.
    bool isBusy() const { return mousePointer() == HourglassPointer; }

    // True while a check run is in progress; the only guard against a second run.
    virtual bool isChecking() const = 0;
    virtual void setChecking(bool checking) = 0;
    // True once the window has been closed, or its native window destroyed: a check run in
    // progress stops its fetch, deletes its files and ends there.
    virtual bool isClosing() const = 0;

    // The fetch tool the window's check runs deploy, kept between runs.
    virtual FetchToolFiles &fetchToolFiles() = 0;

protected:
    ~WindowContext() = default;
};
