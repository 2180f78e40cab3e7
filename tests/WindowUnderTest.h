// WindowUnderTest: the main window on the scripted platform, loaded and shown offscreen, with
// small helpers that drive its lists the way a user does (clicks, double-clicks, keys).
#pragma once

#include "app/Form1.h"
#include "lists/LinkListView.h"
#include "support/ScriptedPlatform.h"

#include <QTemporaryDir>
#include <QtTest>

struct WindowUnderTest
{
    QTemporaryDir folder;
    ScriptedPlatform platform;
    Form1 form {platform, {folder.path(), [] {
                               return 0;
                           }}};

    WindowUnderTest()
    {
        form.Form_Load();
        form.show();
        if (!QTest::qWaitForWindowExposed(&form))
            qFatal("the window was not shown");
        // Only what the test itself causes counts.
        platform.boxes.clear();
        platform.openedAddresses.clear();
        platform.processEventsCalls = 0;
    }

    LinkListView *list(int number) const
    {
        return number == 1 ? form.ListView1 : number == 2 ? form.ListView2 : form.ListView3;
    }

    void fill(int number, const QStringList &links)
    {
        for (const QString &link : links) {
            if (number == 3)
                list(number)->append(link, QStringLiteral("Video unavailable"));
            else
                list(number)->append(link);
        }
    }

    static QPoint rowCentre(LinkListView *list, int row)
    {
        return list->visualItemRect(list->topLevelItem(row - 1)).center();
    }

    // A real click on a row: press and release on the list's viewport.
    static void clickRow(LinkListView *list, int row)
    {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCentre(list, row));
    }

    // A real double-click as the window system delivers it: a click, then the double-click
    // press and its release.
    static void doubleClickAt(LinkListView *list, QPoint at)
    {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
    }
    static void doubleClickRow(LinkListView *list, int row)
    {
        doubleClickAt(list, rowCentre(list, row));
    }

    static void click(QPushButton *button) { QTest::mouseClick(button, Qt::LeftButton); }
};
