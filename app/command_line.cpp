#include "app/command_line.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>
#include <cstdio>

#include "skalomi_build.h"

namespace {

const char kDescription[] =
    "Enlarges and reduces pictures, with a Japanese user interface.\n"
    "A file named on the command line is opened as the source image exactly\n"
    "as if it had been dropped on the window; of several files, the first.\n"
    "Reads BMP, JPEG, GIF, PNG and Windows metafiles (.wmf, .emf); saves BMP,\n"
    "JPEG, GIF and PNG. Qt's own options (such as -platform or -style) are\n"
    "accepted too.";

}  // namespace

WindowCommandLine ReadWindowCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    // Single-dash words are whole options, as Qt's own are (-style, -reverse),
    // so "-reverse" is never read as "-r -e -v ...".
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays help on commandline options."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Displays version information."));
    parser.addOption(help);
    parser.addOption(version);
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("The picture to open."),
                                 QStringLiteral("[file...]"));

    WindowCommandLine line;
    const bool understood = parser.parse(arguments);
    if (parser.isSet(help)) {
        line.Asked = WindowCommandLine::Request::Help;
        line.Text = parser.helpText();
    } else if (parser.isSet(version)) {
        line.Asked = WindowCommandLine::Request::Version;
        line.Text = QStringLiteral(SKALOMI_VERSION_TEXT "\n");
    } else if (!understood) {
        line.Asked = WindowCommandLine::Request::Error;
        line.Text = parser.errorText();
    } else {
        // Relative names are put after the current folder as they stand:
        // cleaning "link/../a.png" by its text would name another file than
        // the one the system opens when "link" is a symbolic link.
        for (const QString& file : parser.positionalArguments())
            line.Files << (file.isEmpty() || QDir::isAbsolutePath(file)
                               ? file
                               : QDir::currentPath() + QLatin1Char('/') + file);
    }
    return line;
}

int PrintCommandLineAnswer(const WindowCommandLine& line) {
    switch (line.Asked) {
        case WindowCommandLine::Request::Help:
        case WindowCommandLine::Request::Version:
            std::fputs(line.Text.toLocal8Bit().constData(), stdout);
            return 0;
        case WindowCommandLine::Request::Error:
            std::fprintf(stderr, "skalomi: %s\nTry 'skalomi --help'.\n",
                         line.Text.toLocal8Bit().constData());
            return 1;
        case WindowCommandLine::Request::Start:
            break;
    }
    return 0;
}
