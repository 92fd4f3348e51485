// Shows one of the service record's windows with sample data, for looking
// at them (under Xvfb: `import -window root shot.png`):
//
//   recordwindows chart|log|compare|report [--pdf FILE]
//
// The settings folder is a temporary one; the language is DE unless
// LANGUAGE=EN is in the environment.
#include "archivechart.h"
#include "changelogdialog.h"
#include "langsupp.h"
#include "messageboxpresenter.h"
#include "parametersetdialog.h"
#include "programpath.h"
#include "recordsamples.h"
#include "servicereport.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTemporaryDir settings;
    qputenv("PXRQ60_SETTINGS_DIR", QFile::encodeName(settings.path()));
    QFile ini(settings.filePath("PXRQ60.INI"));
    if (ini.open(QIODevice::WriteOnly))
        ini.write("[COMMON]\r\nLANGUAGE=" + qgetenv("LANGUAGE").left(2).toUpper() + "\r\n");
    ini.close();
    setProgramFilePath(QStringLiteral(PX_BIN_DIR "/pxrq60"));
    LoadLanguageLibrary(QStringLiteral("DE"));
    QMessageBoxPresenter boxes;
    setMessagePresenter(&boxes);
    const QString what = args.value(1);
    const QString folder = settings.filePath("log");
    const QString connection = samples::logVisit(folder, args.contains("--many") ? 60 : 0);
    ChangeLogFilter thisVisit;
    thisVisit.connection = connection;
    QList<ChangeLogEntry> changes =
        filterChangeLog(readChangeLog(folder + "/123456.csv").entries, thisVisit);
    std::reverse(changes.begin(), changes.end());

    std::unique_ptr<QWidget> window;
    if (what == QLatin1String("chart")) {
        auto *chart = new ArchiveChart;
        chart->setEntries(samples::archive());
        chart->resize(640, 400);
        window.reset(chart);
    } else if (what == QLatin1String("log")) {
        window = std::make_unique<ChangeLogDialog>(samples::device().number, folder);
    } else if (what == QLatin1String("compare")) {
        const ParameterSet set = parameterSetFromDevice(samples::deviceValues(), samples::device(),
                                                        "Jörg Weiß", samples::visit());
        DeviceIdentity b = samples::device();
        b.number = samples::otherDeviceValues().value("L18");
        auto *d =
            new ParameterSetDialog(set, "/home/t/station-7.json", b, samples::otherDeviceValues(),
                                   Generation::V2x, LockStates{true, false});
        d->setTransferFunction([](const TransferPlan &) {});
        window.reset(d);
    } else if (what == QLatin1String("report")) {
        const ServiceReportData data = samples::report(changes);
        const int pdf = int(args.indexOf("--pdf"));
        if (pdf > 0) {
            QString error;
            if (!saveServiceReportPdf(args.value(pdf + 1), data, &error)) {
                std::fprintf(stderr, "%s\n", qPrintable(error));
                return 1;
            }
            return 0;
        }
        window = std::make_unique<ServiceReportDialog>(data);
    } else {
        std::fprintf(stderr, "recordwindows chart|log|compare|report [--many] [--pdf FILE]\n");
        return 2;
    }
    window->show();
    const int result = app.exec();
    setMessagePresenter(nullptr);
    return result;
}
