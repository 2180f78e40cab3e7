// HiddenStart: a child process that shows no window of its own, such as the console window a
// Windows program would otherwise flash up for every fetch.
#pragma once

class QProcess;

// Makes the next start of process hidden. On Windows the child gets no console window and is
// told to keep any window it makes hidden; on Linux a child has no window of its own to show.
void startHidden(QProcess &process);
