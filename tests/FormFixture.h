// A started main window for the window tests: a scripted platform, a program folder in a
// temporary directory, and a time of day whose home-page draw is chosen by the test.
#pragma once

#include "app/Form1.h"
#include "app/HomePageDraw.h"
#include "support/ScriptedPlatform.h"

#include <QTemporaryDir>

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

struct FormFixture
{
    QTemporaryDir programFolder;
    ScriptedPlatform platform;
    int seconds = secondsDrawing(false);
    std::unique_ptr<Form1> form;

    QString pathInProgramFolder(const QString &name) const { return programFolder.filePath(name); }

    // Creates the window and runs its start-up steps, as the program does.
    Form1 &start()
    {
        form = std::make_unique<Form1>(platform, Form1::Startup {programFolder.path(), [this] {
                                                                     return seconds;
                                                                 }});
        form->Form_Load();
        return *form;
    }
};
