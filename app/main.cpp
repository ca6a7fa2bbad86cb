// Start-up: the command line, the application object with its title, the
// four windows in their order, the main window shown with the file named on
// the command line, the event loop until it closes.

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "app/command_line.h"
#include "app/startup.h"
#include "app/window_kit/general_error.h"
#include "app/window_kit/qt_platform.h"
#include "app/window_kit/texts.h"
#include "skalomi_build.h"

int main(int argc, char** argv) {
    // --help and --version answer without a display: a plain application
    // object, which needs none, reads the line first. Qt's window options are
    // still on the line here, so anything else waits for the real one.
    {
        QCoreApplication reader(argc, argv);
        const WindowCommandLine line = ReadWindowCommandLine(QCoreApplication::arguments());
        if (line.Asked == WindowCommandLine::Request::Help ||
            line.Asked == WindowCommandLine::Request::Version)
            return PrintCommandLineAnswer(line);
    }

    TApplication application(argc, argv);
    const WindowCommandLine line = ReadWindowCommandLine(QCoreApplication::arguments());
    if (line.Asked != WindowCommandLine::Request::Start) return PrintCommandLineAnswer(line);
    QCoreApplication::setApplicationName(texts::ApplicationTitle);
    QCoreApplication::setApplicationVersion(QStringLiteral(SKALOMI_VERSION));
    // Lets the desktop match the windows with the menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(SKALOMI_APP_ID));

    // Qt's own dialogs (the file dialogs) in Japanese, like the rest.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTexts);

    QtPlatform platform;
    application.SetPlatform(&platform);
    TApplicationWindows windows(platform);
    windows.ShowMainWindow();
    windows.OpenFromCommandLine(line.Files);
    const int status = TApplication::exec();
    application.SetPlatform(nullptr);
    return status;
}
