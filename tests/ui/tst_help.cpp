// The help window as the technician meets it, offscreen and without a
// device: F1 on fields, buttons and dialog controls, the "Hilfe" buttons, the
// menu entries "Inhalt" and "Suchen", the index and the full-text search, a
// topic that does not exist, the language of the help file, and the help
// while a modal dialog is open.
#include "battcap.h"
#include "helpentry.h"
#include "helpkey.h"
#include "helpwindow.h"
#include "inisettings.h"
#include "langsupp.h"
#include "programpath.h"
#include "rq60main.h"
#include "testsupport.h"
#include "ui_battcap.h"
#include "ui_rq60main.h"
#include "windowui.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHelpContentModel>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpIndexWidget>
#include <QHelpSearchEngine>
#include <QHelpSearchQueryWidget>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <functional>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

class HelpTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void startWithBothHelpFilesShowsNoBox_data();
    void startWithBothHelpFilesShowsNoBox();
    void f1OpensTheTopicOfTheControl_data();
    void f1OpensTheTopicOfTheControl();
    void f1OnAnOpenListTakesTheListsTopic();
    void f1TakesTheLockedFieldUnderThePointer_data();
    void f1TakesTheLockedFieldUnderThePointer();
    void inhaltAndSuchenOpenTheirTabs();
    void indexFilterFindsAnAddress();
    void fullTextSearchFindsTopics();
    void missingTopicOpensTheContentsWithANote();
    void backAndForward();
    void keepsItsSizeAndPlace();
    void helpWorksWhileAModalDialogIsOpen();
    void languageChoosesTheHelpFile();
    void missingEnglishFileFallsBackToGerman();
    void collectionFileIsNeverWhereAnotherUserCouldPrepareIt_data();
    void collectionFileIsNeverWhereAnotherUserCouldPrepareIt();
    void opensBesideTheMainWindowWithWholeTitles();
    void endsWithTheMainWindow();

private:
    void useLanguage(const char *language);
    HelpWindow *help() const { return HelpWindow::existing(); }
    void pressF1(QWidget *w);

    std::unique_ptr<SettingsSandbox> m_settings;
    std::unique_ptr<DeviceSession> m_session;
    std::unique_ptr<MessageRecorder> m_boxes;
    QTemporaryDir m_cache;
};

void HelpTest::initTestCase()
{
    // The engine's register goes to the user's cache folder; here a folder
    // of the test's own.
    qputenv("XDG_CACHE_HOME", QFile::encodeName(m_cache.path()));
    useBuiltProgramDirectory();
    m_settings = std::make_unique<SettingsSandbox>();
    useLanguage("DE");
    LoadLanguageLibrary(QStringLiteral("DE"));
    QVERIFY(LanguageLibraryLoaded());
    installHelpKey();
}

void HelpTest::cleanupTestCase()
{
    destroyHelpWindow();
    FreeLanguageLibrary();
}

void HelpTest::init()
{
    m_boxes = std::make_unique<MessageRecorder>();
    useBuiltProgramDirectory();
    m_session = std::make_unique<DeviceSession>();
    useLanguage("DE");
    SetHelpFile();
    clearRecordedHelpRequests();
}

void HelpTest::cleanup()
{
    if (help())
        help()->hide();
}

void HelpTest::useLanguage(const char *language)
{
    m_settings->write(QStringLiteral("PXRQ60.INI"),
                      QByteArray("[COMMON]\r\nLANGUAGE=") + language + "\r\n");
    ReadIniSettings();
}

void HelpTest::pressF1(QWidget *w)
{
    w->window()->show();
    w->window()->activateWindow();
    w->setFocus();
    QTest::keyClick(w, Qt::Key_F1);
}

void HelpTest::startWithBothHelpFilesShowsNoBox_data()
{
    QTest::addColumn<QByteArray>("language");
    QTest::newRow("DE") << QByteArray("DE");
    QTest::newRow("EN") << QByteArray("EN");
}

void HelpTest::startWithBothHelpFilesShowsNoBox()
{
    QFETCH(QByteArray, language);
    useLanguage(language.constData());
    TFormRQ60Main w(*m_session);
    QVERIFY2(m_boxes->shown.isEmpty(), qPrintable(m_boxes->shown.value(0).text));
    QCOMPARE(QFileInfo(HelpFile()).fileName(), "pxrq60" + language + ".qch");
}

void HelpTest::f1OpensTheTopicOfTheControl_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("title");
    QTest::newRow("page-1 field k-Zahl") << "P1" << 1 << "k-Zahl";
    QTest::newRow("page-1 check box") << "P14_1" << 1 << "Impulsabhängige Messung";
    QTest::newRow("page-4 button Lesen") << "btReadLowerTemp" << 4 << "Messwerte lesen (Istwerte)";
    QTest::newRow("head field") << "Edit2" << 0 << "Software-Version";
    // A group of its own has no topic: the notebook's, the page read last
    // (none yet, so the first page).
    QTest::newRow("group without topic") << "gbGeneral" << 1 << "Seite „Geräteinformationen“";
    QTest::newRow("status register Löschen")
        << "btClearStatusRegister" << 0 << "Statusregister 1 löschen";
}

void HelpTest::f1OpensTheTopicOfTheControl()
{
    QFETCH(QString, control);
    QFETCH(int, page);
    QFETCH(QString, title);
    TFormRQ60Main w(*m_session);
    WindowUi(w)->TabbedNotebook1->setCurrentIndex(page); // not connected: reads nothing
    auto *target = w.findChild<QWidget *>(control);
    QVERIFY(target);
    target->setEnabled(true);
    target->setFocusPolicy(Qt::StrongFocus);
    pressF1(target);
    QVERIFY(help());
    QVERIFY(help()->isVisible());
    QCOMPARE(help()->topicTitle(), title);
    QCOMPARE(recordedHelpRequests().size(), 1); // one press, one topic
    QVERIFY(m_boxes->shown.isEmpty());
}

void HelpTest::f1OnAnOpenListTakesTheListsTopic()
{
    TFormRQ60Main w(*m_session);
    WindowUi(w)->TabbedNotebook1->setCurrentIndex(1);
    w.show();
    QComboBox *list = WindowUi(w)->P4;
    list->setEnabled(true);
    list->showPopup();
    QWidget *popup = list->view();
    QVERIFY(popup->isVisible());
    QTest::keyClick(popup, Qt::Key_F1);
    QCOMPARE(help()->topicTitle(), QStringLiteral("cp-Wert Impulseingang"));
    list->hidePopup();
}

// A locked field takes no focus; F1 with the pointer on it opens its own
// topic where the focus only gives its page's. A field with the focus and a
// topic of its own still wins.
void HelpTest::f1TakesTheLockedFieldUnderThePointer_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QString>("pointer");
    QTest::addColumn<QString>("title");
    QTest::newRow("page tabs, pointer on a locked field") << "TabbedNotebook1"
                                                          << "P1"
                                                          << "k-Zahl";
    QTest::newRow("field with its own topic, pointer elsewhere") << "P4"
                                                                 << "P1"
                                                                 << "cp-Wert Impulseingang";
    // Nothing closer under the pointer: the focus's topic, the page read
    // last (none yet, so the first).
    QTest::newRow("page tabs, pointer on the page") << "TabbedNotebook1"
                                                    << "pgConversion"
                                                    << "Seite „Geräteinformationen“";
}

void HelpTest::f1TakesTheLockedFieldUnderThePointer()
{
    QFETCH(QString, focus);
    QFETCH(QString, pointer);
    QFETCH(QString, title);
    TFormRQ60Main w(*m_session);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.ui()->TabbedNotebook1->setCurrentIndex(1); // not connected: the fields are locked
    auto *under = w.findChild<QWidget *>(pointer);
    auto *focused = w.findChild<QWidget *>(focus);
    QVERIFY(under && focused);
    focused->setEnabled(true);
    focused->setFocusPolicy(Qt::StrongFocus);
    if (pointer == QLatin1String("P1"))
        under->setEnabled(false); // as the closed calibration lock leaves it
    QCursor::setPos(under->mapToGlobal(QPoint(2, 2)));
    QCOMPARE(QApplication::widgetAt(QCursor::pos()), under);
    pressF1(focused);
    QCOMPARE(help()->topicTitle(), title);
}

void HelpTest::inhaltAndSuchenOpenTheirTabs()
{
    TFormRQ60Main w(*m_session);
    w.show();
    WindowUi(w)->mn41Inhalt->trigger();
    QCOMPARE(help()->navigation()->currentIndex(), int(HelpWindow::ContentsTab));
    QCOMPARE(help()->topicTitle(), QStringLiteral("Inhalt"));

    // "Suchen" is the full-text search, ready to type into.
    WindowUi(w)->mn42Suchen->trigger();
    QCOMPARE(help()->navigation()->currentIndex(), int(HelpWindow::SearchTab));
    QVERIFY(help()->searchInput());
    QCOMPARE(help()->focusWidget(), help()->searchInput());
    QVERIFY(recordedHelpRequests().last().finder);
    QCOMPARE(help()->navigation()->tabText(HelpWindow::SearchTab), langText(7503));
}

void HelpTest::indexFilterFindsAnAddress()
{
    showHelpFinder();
    help()->navigation()->setCurrentIndex(HelpWindow::IndexTab);
    auto *index = help()->findChild<QHelpIndexWidget *>(QStringLiteral("helpIndex"));
    QVERIFY(index);
    QHelpIndexModel *model = help()->engine()->indexModel();
    if (model->rowCount() == 0)
        QVERIFY(QSignalSpy(model, &QHelpIndexModel::indexCreated).wait(10000));
    QTest::keyClicks(help()->indexFilter(), QStringLiteral("L18"));
    QTest::keyClick(help()->indexFilter(), Qt::Key_Return);
    QCOMPARE(help()->topicTitle(), QStringLiteral("Gerätenummer"));
}

void HelpTest::fullTextSearchFindsTopics()
{
    showHelpFinder();
    QHelpSearchEngine *search = help()->engine()->searchEngine();
    QSignalSpy indexed(search, &QHelpSearchEngine::indexingFinished);
    help()->navigation()->setCurrentIndex(HelpWindow::SearchTab); // builds the index
    QVERIFY(indexed.wait(30000));
    QSignalSpy found(search, &QHelpSearchEngine::searchingFinished);
    search->search(QStringLiteral("Kompressibilitätszahl"));
    QVERIFY(found.wait(10000));
    QVERIFY(found.first().first().toInt() >= 1);
    const auto titles = [search] {
        QStringList t;
        for (const QHelpSearchResult &r : search->searchResults(0, search->searchResultCount()))
            t << r.title();
        t.sort();
        return t;
    };
    QVERIFY(titles().contains(QStringLiteral("k-Zahl")));

    // German joins words: a word typed into the search field also finds the
    // longer words it begins ("Batterie" in "Batteriekapazität").
    search->search(QStringLiteral("Batterie*"));
    QVERIFY(found.wait(10000));
    const QStringList prefixed = titles();
    QVERIFY2(prefixed.contains(QStringLiteral("Dialog „Batteriekapazität ändern“")),
             qPrintable(prefixed.join(QLatin1String(", "))));
    search->queryWidget()->setSearchInput(QStringLiteral("Batterie"));
    emit search->queryWidget()->search();
    QVERIFY(found.wait(10000));
    QCOMPARE(titles(), prefixed);
}

void HelpTest::missingTopicOpensTheContentsWithANote()
{
    showHelpContext(4711);
    QCOMPARE(help()->topicTitle(), QStringLiteral("Inhalt"));
    QCOMPARE(help()->navigation()->currentIndex(), int(HelpWindow::ContentsTab));
    QCOMPARE(help()->statusText(), langFormatId(7509, {4711}));
    showHelpKeyword(QStringLiteral("Gibt_es_nicht"));
    QVERIFY(help()->statusText().contains(QStringLiteral("Gibt_es_nicht")));
    QVERIFY(m_boxes->shown.isEmpty()); // never a box in the field

    showHelpContext(202); // a topic found clears the note
    QVERIFY(help()->statusText().isEmpty());
}

void HelpTest::backAndForward()
{
    showHelpContext(202);
    showHelpContext(201);
    auto *back = help()->findChild<QAction *>(QStringLiteral("helpBack"));
    auto *forward = help()->findChild<QAction *>(QStringLiteral("helpForward"));
    QVERIFY(back && forward);
    QVERIFY(back->isEnabled());
    back->trigger();
    QCOMPARE(help()->topicTitle(), QStringLiteral("k-Zahl"));
    QVERIFY(forward->isEnabled());
    forward->trigger();
    QCOMPARE(help()->topicTitle(), QStringLiteral("cp-Wert Impulseingang"));
}

void HelpTest::keepsItsSizeAndPlace()
{
    showHelpContext(202);
    help()->setGeometry(123, 145, 700, 500);
    const QRect placed = help()->geometry();
    help()->close(); // the close box hides it
    QVERIFY(!help()->isVisible());
    QVERIFY(help());
    showHelpContext(201);
    QVERIFY(help()->isVisible());
    QCOMPARE(help()->geometry(), placed);
}

void HelpTest::helpWorksWhileAModalDialogIsOpen()
{
    TFormBattCap dialog(*m_session); // no device: the read on opening fails with 603
    bool ran = false;
    QTimer::singleShot(0, &dialog, [&] {
        ran = true;
        // A failed check returns from here; the dialog must close all the same.
        const auto closeDialog = qScopeGuard([&] { dialog.reject(); });
        QVERIFY(QApplication::activeModalWidget() == &dialog);
        // F1 on a dialog field without a topic of its own: the dialog's.
        pressF1(dialog.ui()->RestCap);
        QCOMPARE(help()->topicTitle(), QStringLiteral("Dialog „Batteriekapazität ändern“"));
        dialog.ui()->BtHelp->click();
        QCOMPARE(help()->topicTitle(), QStringLiteral("Batteriekapazität und Restbetriebsdauer"));
        QCOMPARE(recordedHelpRequests().last().keyword, QStringLiteral("Batterie_Nennkapazit_t"));

        // The help window takes input while the dialog waits: a key typed
        // through the window system reaches its search field.
        showHelpFinder();
        help()->searchInput()->clear();
        QVERIFY(QTest::qWaitForWindowExposed(help()));
        QTest::keyClick(help()->windowHandle(), Qt::Key_B);
        QCOMPARE(help()->searchInput()->text(), QStringLiteral("b"));
    });
    dialog.exec();
    QVERIFY(ran);
    QCOMPARE(m_boxes->textIds(), QList<int>{603});
}

void HelpTest::languageChoosesTheHelpFile()
{
    showHelpContext(202);
    QCOMPARE(help()->topicTitle(), QStringLiteral("k-Zahl"));
    // "Trennen" runs the start-up step again; the help follows the language.
    useLanguage("EN");
    SetHelpFile();
    showHelpContext(202);
    QCOMPARE(help()->topicTitle(), QStringLiteral("k-factor"));
    QVERIFY(help()->helpFile().endsWith(QLatin1String("/pxrq60EN.qch")));
    showHelpKeyword(QStringLiteral("Benutzerschloss"));
    QCOMPARE(help()->topicTitle(), QStringLiteral("User lock and keys"));
    QVERIFY(m_boxes->shown.isEmpty());
}

void HelpTest::missingEnglishFileFallsBackToGerman()
{
    QTemporaryDir programDir;
    QVERIFY(QFile::copy(QStringLiteral(PX_BIN_DIR "/pxrq60DE.qch"),
                        programDir.filePath(QStringLiteral("pxrq60DE.qch"))));
    setProgramFilePath(programDir.filePath(QStringLiteral("pxrq60")));
    useLanguage("EN");
    SetHelpFile();
    QCOMPARE(m_boxes->textIds(), QList<int>{546});
    QCOMPARE(m_boxes->shown[0].args, QStringList{programDir.filePath("pxrq60EN.qch")});
    showHelpContext(202);
    QCOMPARE(help()->topicTitle(), QStringLiteral("k-Zahl"));
    QCOMPARE(help()->helpFile(), programDir.filePath(QStringLiteral("pxrq60DE.qch")));
    QCOMPARE(m_boxes->shown.size(), 1);
    destroyHelpWindow(); // its engine holds the file of the folder that goes now
}

// The register of help files goes to the user's cache. Where the home
// cannot be written, the fallback folder in the temporary directory is used
// only if it is this user's own and private; a folder prepared by someone
// else (a link, or one others may write, holding a link named like the
// register) is left alone, and no file appears through the link. The help
// opens in every case.
void HelpTest::collectionFileIsNeverWhereAnotherUserCouldPrepareIt_data()
{
    QTest::addColumn<QString>("prepared");
    QTest::addColumn<bool>("cached");
    QTest::newRow("home writable: the user's cache") << "" << true;
    QTest::newRow("no home, fallback is a link") << "link" << false;
    QTest::newRow("no home, fallback writable by all, link inside") << "open" << false;
    QTest::newRow("no home, fallback made now") << "none" << true;
}

void HelpTest::collectionFileIsNeverWhereAnotherUserCouldPrepareIt()
{
    QFETCH(QString, prepared);
    QFETCH(bool, cached);
    destroyHelpWindow(); // the register is chosen when the window opens a help file
    QTemporaryDir tmp;   // the temporary directory of this case
    const QByteArray oldTmp = qgetenv("TMPDIR");
    const QByteArray oldCache = qgetenv("XDG_CACHE_HOME");
    const auto restore = qScopeGuard([&] {
        destroyHelpWindow();
        qputenv("TMPDIR", oldTmp);
        qputenv("XDG_CACHE_HOME", oldCache);
    });
    qputenv("TMPDIR", QFile::encodeName(tmp.path()));
    const QString fallback = tmp.filePath(QStringLiteral("pxrq60-help-%1").arg(getuid()));
    const QString victim = tmp.filePath(QStringLiteral("victim"));
    const QString name = QFileInfo(helpCollectionFile(HelpFile())).fileName();
    if (!prepared.isEmpty()) {
        // A home that cannot be written, also by root: a file in the way.
        QFile(tmp.filePath("home")).open(QIODevice::WriteOnly);
        qputenv("XDG_CACHE_HOME", QFile::encodeName(tmp.filePath("home/.cache")));
    }
    if (prepared == QLatin1String("link")) {
        QVERIFY(QDir().mkpath(tmp.filePath("elsewhere")));
        QVERIFY(QFile::link(tmp.filePath("elsewhere"), fallback));
        QVERIFY(QFile::link(victim, tmp.filePath("elsewhere/") + name));
    } else if (prepared == QLatin1String("open")) {
        QVERIFY(QDir().mkpath(fallback));
        QVERIFY(::chmod(QFile::encodeName(fallback).constData(), 0777) == 0);
        QVERIFY(QFile::link(victim, fallback + QLatin1Char('/') + name));
    }

    showHelpContext(202);
    QCOMPARE(help()->topicTitle(), QStringLiteral("k-Zahl"));
    QVERIFY(!QFileInfo::exists(victim));
    const QString collection = helpCollectionFile(HelpFile());
    QCOMPARE(!collection.isEmpty(), cached);
    if (prepared.isEmpty())
        QVERIFY2(collection.startsWith(m_cache.path() + QLatin1Char('/')), qPrintable(collection));
    if (prepared == QLatin1String("none")) {
        QCOMPARE(QFileInfo(collection).path(), fallback);
        struct stat st {
        };
        QVERIFY(::lstat(QFile::encodeName(fallback).constData(), &st) == 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0700));
    }
    if (cached)
        QVERIFY(QFileInfo::exists(collection));
}

void HelpTest::opensBesideTheMainWindowWithWholeTitles()
{
    destroyHelpWindow(); // a new window takes its first place
    QMainWindow main;
    const QRect screen = main.screen()->availableGeometry();
    main.setGeometry(screen.left(), screen.top(), screen.width() / 3, screen.height() / 2);
    main.show();
    main.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    showHelpKeyword(QStringLiteral("Inhalt"));
    QVERIFY(!help()->frameGeometry().intersects(main.frameGeometry()));
    QVERIFY(screen.contains(help()->frameGeometry()));

    // Every title of the contents is shown whole: none is elided.
    auto *contents = help()->findChild<QHelpContentWidget *>(QStringLiteral("helpContents"));
    QVERIFY(contents);
    QHelpContentModel *model = help()->engine()->contentModel();
    if (model->rowCount() == 0)
        QVERIFY(QSignalSpy(model, &QHelpContentModel::contentsCreated).wait(10000));
    contents->expandAll();
    QCoreApplication::processEvents();
    QStringList cut;
    std::function<void(const QModelIndex &)> walk = [&](const QModelIndex &parent) {
        for (int r = 0; r < model->rowCount(parent); ++r) {
            const QModelIndex i = model->index(r, 0, parent);
            const QString title = i.data().toString();
            if (contents->visualRect(i).width() < contents->fontMetrics().horizontalAdvance(title))
                cut << title;
            walk(i);
        }
    };
    walk(QModelIndex());
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1String(" | "))));
}

// "Beenden" (and SIGTERM, which closes the main window the same way) ends
// the program with the help open: the event loop returns and the help
// window goes with it.
void HelpTest::endsWithTheMainWindow()
{
    TFormRQ60Main w(*m_session);
    w.show();
    showHelpContext(202);
    QVERIFY(help()->isVisible());
    QTimer::singleShot(0, &w, [&w] { w.ui()->mn13Exit->trigger(); });
    // A loop that did not end would fail the test instead of hanging it.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    connect(&watchdog, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
    watchdog.start(30000);
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!help());
}

QTEST_MAIN(HelpTest)
#include "tst_help.moc"
