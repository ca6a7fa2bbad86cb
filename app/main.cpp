// Start-up: the application object with its title, the four windows in
// their order, the main window shown, the event loop until it closes.

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "app/general_error.h"
#include "app/qt_platform.h"
#include "app/startup.h"
#include "app/texts.h"

int main(int argc, char** argv) {
    TApplication application(argc, argv);
    QCoreApplication::setApplicationName(texts::ApplicationTitle);

    // Qt's own dialogs (the file dialogs) in Japanese, like the rest.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTexts);

    QtPlatform platform;
    application.SetPlatform(&platform);
    TApplicationWindows windows(platform);
    windows.ShowMainWindow();
    const int status = TApplication::exec();
    application.SetPlatform(nullptr);
    return status;
}
