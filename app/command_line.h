#pragma once

// The window program's command line, read the way Qt programs read theirs:
//   skalomi [options] [file...]
// Qt's own options (-platform, -style, ...) are taken out by the application
// object before this sees the list. A file named here is opened as if it had
// been dropped on the window: of several, the first.

#include <QString>
#include <QStringList>

struct WindowCommandLine {
    enum class Request { Start, Help, Version, Error };
    Request Asked = Request::Start;
    QStringList Files;  // full paths, in the order given
    QString Text;       // the help or version text, or what was wrong
};

// Reads `arguments` (the program's name first, as QCoreApplication gives
// them). Relative paths are made full against the current folder. Help and
// version win over anything else on the line, even a mistake.
WindowCommandLine ReadWindowCommandLine(const QStringList& arguments);

// Prints the help or the version on standard output or the error on
// standard error; returns the exit status (0, or 1 after an error).
int PrintCommandLineAnswer(const WindowCommandLine& line);
