// StandardStreams: the shell tool's standard input, output and error as each system has them:
// whether one is a terminal and how wide, how text reaches it, and how input is read whole.
#pragma once

#include <QIODevice>

#include <memory>

class QFile;

class StandardStreams
{
public:
    enum class Stream { Input, Output, Error };

    // Prepares the streams for the program's run. On Windows: input and output are byte
    // streams, printed lines end in CR LF (the console's convention; text that already ends
    // a line in CR LF keeps it), and a console shows UTF-8, as it was before once this ends.
    StandardStreams();
    ~StandardStreams();
    StandardStreams(const StandardStreams &) = delete;
    StandardStreams &operator=(const StandardStreams &) = delete;

    // The devices a QTextStream writes standard output and standard error through.
    QIODevice *output();
    QIODevice *error();

    // True when the stream is an interactive terminal (on Windows: a console).
    static bool isTerminal(Stream stream);
    // The columns of the terminal behind the stream, or 0 when unknown.
    static int terminalColumns(Stream stream);
    // From here on a write into a closed pipe, or past a file-size limit, fails with an error
    // the writer sees instead of ending the program.
    static void letFailedWritesReturn();
    // Opens file for reading standard input as bytes; false when it cannot.
    static bool openInput(QFile &file);

    // The signal a write into a closed pipe raises on Linux; the shell tool ends with 128 plus
    // this when its output goes away, on Windows as well, so scripts see one status.
    static constexpr int BrokenPipeSignal = 13;

private:
    struct Devices;
    std::unique_ptr<Devices> m_devices;
};
