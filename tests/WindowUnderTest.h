// WindowUnderTest: the main window on the scripted platform, its program folder a temporary
// directory and its home-page draw chosen by the test, with helpers that act as a user does.
#pragma once

#include "gui/HomePageDraw.h"
#include "gui/LinkListView.h"
#include "gui/MainWindow.h"
#include "support/ScriptedPlatform.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// Seconds since midnight whose draw opens the home page (wanted = true) or does not.
inline int secondsDrawing(bool wantHomePage)
{
    for (int seconds = 0; seconds < 24 * 60 * 60; ++seconds) {
        if ((homePageDraw(seconds) == HomePageNumber) == wantHomePage)
            return seconds;
    }
    return -1;
}

struct WindowUnderTest
{
    QTemporaryDir folder;
    ScriptedPlatform platform;
    int seconds = secondsDrawing(false);
    std::unique_ptr<MainWindow> form;

    QString path(const QString &name) const { return folder.filePath(name); }

    // Creates the window and runs its start-up steps, as the program does.
    MainWindow &start()
    {
        form = std::make_unique<MainWindow>(platform, MainWindow::Startup {folder.path(), [this] {
                                                                               return seconds;
                                                                           }});
        form->runStartup();
        return *form;
    }

    // Starts and shows the window; only what the test itself causes counts afterwards.
    MainWindow &show()
    {
        start();
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()))
            qFatal("the window was not shown");
        platform.boxes.clear();
        platform.openedAddresses.clear();
        platform.processEventsCalls = 0;
        return *form;
    }

    LinkListView *list(int number) const
    {
        return number == 1 ? form->inputList()
            : number == 2  ? form->validList()
                           : form->invalidList();
    }
    QList<int> counts() const { return {list(1)->count(), list(2)->count(), list(3)->count()}; }

    void fill(int number, const QStringList &links)
    {
        for (const QString &link : links) {
            if (number == 3)
                list(number)->append(link, QStringLiteral("Video unavailable"));
            else
                list(number)->append(link);
        }
    }

    // A real click on a row: press and release on the list's viewport.
    static void clickRow(LinkListView *list, int row)
    {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCentre(list, row));
    }
    // A real double-click as the window system delivers it: a click, then the double-click
    // press and its release. Row 0 is a spot of an empty list.
    static void doubleClickRow(LinkListView *list, int row)
    {
        const QPoint at = row ? rowCentre(list, row) : QPoint(20, 10);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
    }
    // A button of the window by its object name (addLinkButton, startCheckingButton, ...).
    QPushButton *button(const char *name) const
    {
        auto *found = form->findChild<QPushButton *>(QLatin1String(name));
        if (!found)
            qFatal("the window has no button %s", name);
        return found;
    }
    static void click(QPushButton *button) { QTest::mouseClick(button, Qt::LeftButton); }

private:
    static QPoint rowCentre(LinkListView *list, int row)
    {
        return list->visualItemRect(list->topLevelItem(row - 1)).center();
    }
};

// The window started and shown before the test acts.
struct ShownWindow : WindowUnderTest
{
    ShownWindow() { show(); }
};
