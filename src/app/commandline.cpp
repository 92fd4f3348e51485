#include "commandline.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

int answerCommandLine(int argc, char *argv[])
{
    // A core application reads the arguments as Qt does, without a display.
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pxrq60"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PXRQ60_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Service and parameterisation tool for the RQ-60 gas volume corrector.\n"
        "\n"
        "Settings: PXRQ60.INI in $PXRQ60_SETTINGS_DIR, else /var/lib/pxrq60.\n"
        "Serial ports: COMn lines of sline_32.conf in the same folder.\n"
        "See pxrq60(1) for the settings, the serial ports and the driver status codes."));
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
