// Program entry: the link object, the language, the main window and the
// wait notice, then the event loop until the main window closes.
//
// The serial line is not touched at start; the drivers are first called
// when the user connects.
#include "commandline.h"
#include "commclass.h"
#include "langsupp.h"
#include "meldung.h"
#include "messageboxpresenter.h"
#include "rq60main.h"
#include "termination.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLoggingCategory>
#include <QTimer>
#include <QTranslator>

Q_LOGGING_CATEGORY(lcApp, "pxrq60.app", QtWarningMsg)

namespace {

// A driver library that cannot be loaded ends the program before any window
// exists. The language library is not loaded yet, so the link's message is
// the number of its text followed by the library's name.
constexpr int ExitDriverMissing = 4;

// Qt's own texts (the Yes and No of the boxes, the file, print and page
// dialogs) in the language of the settings, from Qt's translations package.
// Without it they stay English.
void loadQtTexts(QTranslator &translator)
{
    if (translator.load(QStringLiteral("qtbase_") + configuredLanguage().toLower(),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&translator);
}

} // namespace

int main(int argc, char *argv[])
{
    if (const int rc = answerCommandLine(argc, argv); rc >= 0)
        return rc;

    // Qt needs its application object before it can show any box, the
    // start-up failures below included; it touches neither the device nor
    // the settings.
    QApplication app(argc, argv);
    QMessageBoxPresenter presenter;
    setMessagePresenter(&presenter);

    try {
        replaceCurrentLink(QStringLiteral("WN"));
    } catch (const TCommClassException &e) {
        StartupFailureBox(e.message());
        return ExitDriverMissing;
    }
    LoadLanguageLibrary(); // ends the program with exit code 1 when missing
    QTranslator qtTexts;
    loadQtTexts(qtTexts);
    TerminationRequests termination;

    int rc = 0;
    {
        TFormRQ60Main mainWindow; // its creation runs Init
        termination.setMainWindow(&mainWindow);
        TFormMeldung notice(&mainWindow);
        FormMeldung = &notice;
        mainWindow.show();
        QTimer::singleShot(0, [] { qCInfo(lcApp) << "started: the window is up"; });
        rc = app.exec();
        termination.setMainWindow(nullptr);
        FormMeldung = nullptr;
    }
    destroyCurrentLink();
    FreeLanguageLibrary();
    setMessagePresenter(nullptr);
    return rc;
}
