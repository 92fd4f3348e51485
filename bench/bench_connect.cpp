// How long a technician waits after "Verbinden" (F3) until page 0 shows the
// device: the main window (offscreen), the link object, our driver libraries
// and a simulated RQ-60 behind a pseudo-terminal paced as a 4800 baud line
// with a 20 ms reaction time. Each round connects and disconnects once.
//
//   QT_QPA_PLATFORM=offscreen bench_connect [rounds]
#include "commclass.h"
#include "devicesession.h"
#include "langsupp.h"
#include "meldung.h"
#include "programpath.h"
#include "ptyserver.h"
#include "rq60main.h"
#include "ui_rq60main.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

// Boxes would stop the clock; the benchmark counts them instead.
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
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    const int baud = 4800, reactMs = 20;

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

    std::printf("connect (F3 until page 0 shows), %d baud paced, %d ms reaction, %d rounds\n", baud,
                reactMs, rounds);
    for (int gen : {1, 2}) {
        rq60::PtyServer device(gen);
        qputenv("SLINE_32_COM1", QByteArray::fromStdString(device.start()));
        device.control("pace " + std::to_string(baud));
        device.control("react " + std::to_string(reactMs));
        std::vector<double> ms;
        std::size_t requests = 0;
        {
            TFormRQ60Main window(*session);
            TFormMeldung notice(&window);
            FormMeldung = &notice;
            window.show();
            for (int r = 0; r < rounds; ++r) {
                device.clearLog();
                QElapsedTimer t;
                t.start();
                window.ui()->acConnect->trigger();
                ms.push_back(double(t.nsecsElapsed()) / 1e6);
                requests += device.requestLog().size();
                window.ui()->acDisconnect->trigger();
                QCoreApplication::processEvents();
            }
            FormMeldung = nullptr;
        }
        // The first connect after the start differs: the link object still
        // holds the drivers loaded at start.
        const double first = ms.front();
        std::sort(ms.begin(), ms.end());
        std::printf("V%dx: first %.0f ms; median %.0f ms, min %.0f ms, max %.0f ms; %zu requests a "
                    "connect\n",
                    gen, first, ms[ms.size() / 2], ms.front(), ms.back(),
                    requests / std::size_t(rounds));
        device.stop();
    }
    std::printf("boxes shown: %d\n", presenter.boxes);
    session.reset();
    FreeLanguageLibrary();
    setMessagePresenter(nullptr);
    return 0;
}
