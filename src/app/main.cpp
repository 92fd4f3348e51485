// Program entry: the link object, the language, the main window and the
// wait notice, then the event loop until the main window closes.
//
// The serial line is not touched at start; the drivers are first called
// when the user connects.
#include "commclass.h"
#include "helpkey.h"
#include "helpwindow.h"
#include "langsupp.h"
#include "meldung.h"
#include "messageboxpresenter.h"
#include "qttranslations.h"
#include "rq60main.h"

#include <QApplication>

namespace {

// A driver library that cannot be loaded ends the program before any window
// exists. The language library is not loaded yet, so the link's message is
// the number of its text followed by the library's name.
constexpr int ExitDriverMissing = 4;

} // namespace

int main(int argc, char *argv[])
{
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
    // Yes, No, Cancel and the file and print dialogs are Qt's texts; without
    // them a German box would ask with English buttons.
    installQtTranslations(LoadedLanguage());
    installHelpKey();

    int rc = 0;
    {
        TFormRQ60Main mainWindow; // its creation runs Init
        TFormMeldung notice(&mainWindow);
        FormMeldung = &notice;
        mainWindow.show();
        rc = app.exec();
        FormMeldung = nullptr;
        destroyHelpWindow();
    }
    destroyCurrentLink();
    FreeLanguageLibrary();
    setMessagePresenter(nullptr);
    return rc;
}
