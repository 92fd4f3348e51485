#include "commandline.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

void describe(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "Service and parameterisation tool for the RQ-60 gas volume corrector.\n"
        "\n"
        "Settings: PXRQ60.INI in $PXRQ60_SETTINGS_DIR, else /var/lib/pxrq60.\n"
        "Serial ports: COMn lines of sline_32.conf in the same folder.\n"
        "See pxrq60(1) for the settings, the serial ports and the driver status codes."));
}

bool asked(int argc, char *argv[], const char *option)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], option) == 0)
            return true;
    return false;
}

void name(QCommandLineParser &parser)
{
    QCoreApplication::setApplicationName(QStringLiteral("pxrq60"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PXRQ60_VERSION));
    describe(parser);
}

// --help-all: the help with Qt's own options, which only a widget
// application object knows. It is made on a platform that needs no display
// (nothing is shown; the last -platform given wins), and Qt's parser prints
// the text and ends the program.
[[noreturn]] void answerHelpAll(int argc, char *argv[])
{
    const QString platforms =
        QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms/");
    std::vector<char *> args(argv, argv + argc);
    char option[] = "-platform";
    char minimal[] = "minimal";
    char offscreen[] = "offscreen";
    if (QFileInfo::exists(platforms + QStringLiteral("libqminimal.so")))
        args.insert(args.end(), {option, minimal});
    else if (QFileInfo::exists(platforms + QStringLiteral("libqoffscreen.so")))
        args.insert(args.end(), {option, offscreen});
    args.push_back(nullptr);
    int n = int(args.size()) - 1;
    std::unique_ptr<QCoreApplication> app;
    if (n > argc)
        app = std::make_unique<QApplication>(n, args.data());
    else // no platform without a display here: the core options only
        app = std::make_unique<QCoreApplication>(n, args.data());
    QCommandLineParser parser;
    name(parser);
    parser.addHelpOption();
    parser.addVersionOption();
    parser.process(*app);
    std::exit(0); // not reached: process() has answered --help-all
}

} // namespace

int answerCommandLine(int argc, char *argv[])
{
    if (asked(argc, argv, "--help-all"))
        answerHelpAll(argc, argv);

    // A core application reads the arguments as Qt does, without a display.
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    name(parser);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    // Unknown options are Qt's own (-platform offscreen, ...): not an error here.
    parser.parse(QCoreApplication::arguments());
    if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("pxrq60 %s\n", PXRQ60_VERSION);
        return 0;
    }
    return -1;
}
