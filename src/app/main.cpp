// Program entry: the device session (with its link object), the language,
// the main window and the wait notice, then the event loop until the main
// window closes.
//
// The serial line is not touched at start; the drivers are first called
// when the user connects.
#include "commandline.h"
#include "commclass.h"
#include "devicesession.h"
#include "helpkey.h"
#include "helpwindow.h"
#include "inisettings.h"
#include "langsupp.h"
#include "meldung.h"
#include "messageboxpresenter.h"
#include "qttranslations.h"
#include "rq60main.h"
#include "termination.h"

#include <QApplication>
#include <QIcon>
#include <QLoggingCategory>
#include <QTimer>
#include <memory>

Q_LOGGING_CATEGORY(lcApp, "pxrq60.app", QtWarningMsg)

namespace {

// A driver library that cannot be loaded ends the program before any window
// exists. The language library is not loaded yet, so the link's message is
// the number of its text followed by the library's name.
constexpr int ExitDriverMissing = 4;

} // namespace

int main(int argc, char *argv[])
{
    if (const int rc = answerCommandLine(argc, argv); rc >= 0)
        return rc;

    // Qt needs its application object before it can show any box, the
    // start-up failures below included; it touches neither the device nor
    // the settings.
    QApplication app(argc, argv);
    // The desktop finds the running window's entry (and its icon) by this
    // id; the icon is the window's own where the desktop has none.
    QGuiApplication::setDesktopFileName(QStringLiteral(PXRQ60_APP_ID));
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1x%1/pxrq60.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);
    QMessageBoxPresenter presenter;
    setMessagePresenter(&presenter);

    std::unique_ptr<DeviceSession> session;
    try {
        session = std::make_unique<DeviceSession>();
    } catch (const TCommClassException &e) {
        StartupFailureBox(e.message());
        return ExitDriverMissing;
    }
    // Ends the program with exit code 1 when missing.
    LoadLanguageLibrary(configuredLanguage());
    // Yes, No, Cancel and the file and print dialogs are Qt's texts; without
    // them a German box would ask with English buttons.
    installQtTranslations(LoadedLanguage());
    installHelpKey();
    TerminationRequests termination;

    int rc = 0;
    {
        TFormRQ60Main mainWindow(*session); // its creation runs Init
        termination.setMainWindow(&mainWindow);
        TFormMeldung notice(&mainWindow);
        FormMeldung = &notice;
        mainWindow.show();
        QTimer::singleShot(0, [] { qCInfo(lcApp) << "started: the window is up"; });
        rc = app.exec();
        termination.setMainWindow(nullptr);
        FormMeldung = nullptr;
        destroyHelpWindow();
    }
    session.reset();
    FreeLanguageLibrary();
    setMessagePresenter(nullptr);
    return rc;
}
