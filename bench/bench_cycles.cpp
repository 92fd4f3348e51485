// Resident memory over many connect and disconnect cycles against a
// simulated RQ-60 (V2x) behind a pseudo-terminal: the device session alone,
// or the main window (offscreen) driving it as "Verbinden" and "Trennen" do.
// Prints the resident set every tenth of the run; a leak shows as a figure
// that keeps growing. Run it under heaptrack or valgrind --tool=massif to
// see where memory goes.
//
//   bench_cycles [rounds] [session|window]
#include "devicesession.h"
#include "langsupp.h"
#include "meldung.h"
#include "programpath.h"
#include "ptyserver.h"
#include "rq60main.h"
#include "ui_rq60main.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Boxes would stop the run; it counts them instead.
class CountingPresenter : public MessagePresenter
{
public:
    int present(const MessageRequest &r) override
    {
        if (r.textId != 546) // the help file is not part of this measurement
            ++boxes;
        return IdNo;
    }
    int boxes = 0;
};

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(10, atoi(argv[1])) : 200;
    const bool window = argc > 2 && QByteArray(argv[2]) == "window";

    QTemporaryDir settings;
    qputenv("PXRQ60_SETTINGS_DIR", QFile::encodeName(settings.path()));
    QFile ini(settings.filePath("PXRQ60.INI"));
    if (!ini.open(QIODevice::WriteOnly))
        return 1;
    ini.write("[COMMON]\r\nLANGUAGE=DE\r\n[COMM]\r\nCOM=1\r\nINIT=4800,N,8,1,BIN,RS0,DS0\r\n"
              "CHECKTIME=20000\r\n");
    ini.close();
    setProgramFilePath(QStringLiteral(PX_BIN_DIR "/pxrq60"));
    CountingPresenter presenter;
    setMessagePresenter(&presenter);
    auto session = std::make_unique<DeviceSession>();
    LoadLanguageLibrary(QStringLiteral("DE"));
    rq60::PtyServer device(2);
    qputenv("SLINE_32_COM1", QByteArray::fromStdString(device.start()));

    std::unique_ptr<TFormRQ60Main> mainWindow;
    std::unique_ptr<TFormMeldung> notice;
    if (window) {
        mainWindow = std::make_unique<TFormRQ60Main>(*session);
        notice = std::make_unique<TFormMeldung>(mainWindow.get());
        FormMeldung = notice.get();
        mainWindow->show();
    }
    TComm comm;
    comm.Com = 1;
    comm.Init = QStringLiteral("4800,N,8,1,BIN,RS0,DS0");
    comm.CheckTime = 20000;

    std::printf("%d connect/disconnect cycles, %s; resident KiB:\n", rounds,
                window ? "main window" : "device session");
    long first = 0;
    for (int r = 1; r <= rounds; ++r) {
        if (window) {
            mainWindow->ui()->acConnect->trigger();
            mainWindow->ui()->acDisconnect->trigger();
        } else {
            session->connectDevice(comm);
            session->readPage(0);
            session->DisConnect();
        }
        device.clearLog();
        QCoreApplication::processEvents();
        if (r == rounds / 10)
            first = residentKiB();
        if (r % (rounds / 10) == 0)
            std::printf("  after %4d: %ld\n", r, residentKiB());
    }
    std::printf("growth from cycle %d to %d: %ld KiB (%.2f KiB a cycle); boxes shown: %d\n",
                rounds / 10, rounds, residentKiB() - first,
                double(residentKiB() - first) / (rounds - rounds / 10), presenter.boxes);
    FormMeldung = nullptr;
    notice.reset();
    if (qEnvironmentVariableIsSet(
            "PX_KEEP_WINDOW")) // for a heap profile: what it holds counts as kept
        (void)mainWindow.release();
    mainWindow.reset();
    device.stop();
    session.reset();
    FreeLanguageLibrary();
    setMessagePresenter(nullptr);
    return 0;
}
