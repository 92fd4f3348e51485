// The main window against a simulated device behind a pseudo-terminal,
// through the real driver libraries: start state, connect for both
// generations, page reads, lock changes, failed reads, disconnect, loss of
// the link and closing.
#include "addresstable.h"
#include "commclass.h"
#include "componentkind.h"
#include "devicevalues.h"
#include "driverproc.h"
#include "dsmodul.h"
#include "inisettings.h"
#include "langsupp.h"
#include "meldung.h"
#include "ptyserver.h"
#include "rq60main.h"
#include "testsupport.h"
#include "ui_rq60main.h"
#include "windowui.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

namespace {

QByteArray settingsFile(int checkTime, const char *com = "1")
{
    return QByteArray("[COMMON]\r\nLANGUAGE=DE\r\n[COMM]\r\nCOM=") + com +
           "\r\nINIT=4800,N,8,1,BIN,RS0,DS0\r\nCHECKTIME=" + QByteArray::number(checkTime) + "\r\n";
}

bool logHas(const std::vector<std::string> &log, const char *entry)
{
    for (const std::string &line : log)
        if (line == entry)
            return true;
    return false;
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void startsIdleWithoutTouchingTheLine();
    void connectsToV2xDevice();
    void connectsToV1xDevice();
    void readsEachPageWithItsList();
    void archiveReadoutWithoutTheDsDriver();
    void warningCountAndOutputFunctionFollowTheDevice();
    void followsTheCalibrationLock();
    void reportsAFailedReadOnceAfterThePage();
    void survivesAValueItCannotShow();
    void failedConnectLeavesTheWindowIdle();
    void connectsThroughAnEchoingHead();
    void disconnectReadsSettingsAgainAndEmptiesFields();
    void pendingChangesAreOfferedOnPageChangeDisconnectAndClose();
    void lostLinkEndsTheProgram();
    void closingDisconnects();
    void statusRegisterPlainTextAndClearing();
    void aboutBoxAndWaitNotice();
    void batteryMenuWritesCapacityAndShowsMonths();
    void lockStatesComeFromTheConnectedDeviceOnly();
    void noSecondConnectOrDisconnectWhileOneRuns();
    void lostLinkNamesTheChangesNotWritten();
    void noDeviceControlsWithoutADevice();
    void waitNoticeNeverCoversABox();
    void failedSessionEndOfTheV1xArchiveIsReported();
    void nothingRunsInsideTheLinkSwitch();
    void menusAndButtonsFromTheKeyboard();

private:
    // The boxes shown, without the note that the help file is missing (the
    // help files are not built yet).
    QList<MessageRequest> boxes() const;
    QList<int> boxIds() const;
    void startDevice(int generation);
    std::unique_ptr<TFormRQ60Main> connectedWindow(int generation, bool lockOpen = false);

    std::unique_ptr<SettingsSandbox> m_settings;
    std::unique_ptr<DeviceSession> m_session;
    std::unique_ptr<MessageRecorder> m_boxes;
    std::unique_ptr<rq60::PtyServer> m_device;
    std::unique_ptr<TFormMeldung> m_notice;
};

void MainWindowTest::initTestCase()
{
    useBuiltProgramDirectory();
    m_settings = std::make_unique<SettingsSandbox>();
    m_settings->write(QStringLiteral("PXRQ60.INI"), settingsFile(300));
    LoadLanguageLibrary(QStringLiteral("DE"));
    QVERIFY(LanguageLibraryLoaded());
}

void MainWindowTest::cleanupTestCase()
{
    m_session.reset();
    FreeLanguageLibrary();
    m_settings.reset();
}

void MainWindowTest::init()
{
    m_settings->write(QStringLiteral("PXRQ60.INI"), settingsFile(300));
    m_boxes = std::make_unique<MessageRecorder>();
    m_session = std::make_unique<DeviceSession>();
    m_notice = std::make_unique<TFormMeldung>();
    FormMeldung = m_notice.get();
}

void MainWindowTest::cleanup()
{
    m_session.reset();
    m_device.reset();
    m_notice.reset();
    m_boxes.reset();
}

QList<MessageRequest> MainWindowTest::boxes() const
{
    QList<MessageRequest> l;
    for (const MessageRequest &r : m_boxes->shown)
        if (r.textId != 546)
            l << r;
    return l;
}

QList<int> MainWindowTest::boxIds() const
{
    QList<int> ids;
    for (const MessageRequest &r : boxes())
        ids << r.textId;
    return ids;
}

void MainWindowTest::startDevice(int generation)
{
    m_device = std::make_unique<rq60::PtyServer>(generation);
    const std::string path = m_device->start();
    qputenv("SLINE_32_COM1", QByteArray::fromStdString(path));
}

std::unique_ptr<TFormRQ60Main> MainWindowTest::connectedWindow(int generation, bool lockOpen)
{
    startDevice(generation);
    if (lockOpen)
        m_device->control("lock open");
    auto w = std::make_unique<TFormRQ60Main>(*m_session);
    w->show();
    w->acConnectExecute();
    if (!w->session().isConnected())
        qWarning() << "not connected; boxes:" << boxIds();
    return w;
}

void MainWindowTest::startsIdleWithoutTouchingTheLine()
{
    startDevice(2);
    TFormRQ60Main w(*m_session);
    WindowUi ui(w);
    QCOMPARE(w.windowTitle(), QStringLiteral("Paramix100  für RQ-60"));
    QVERIFY(ui->acConnect->isEnabled());
    for (QAction *a : {ui->acDisconnect, ui->acChangeBattCap, ui->acReadArchivData,
                       ui->acChangeCustomerKey, ui->acChangeSupplierKey, ui->acChangeUserLock})
        QVERIFY2(!a->isEnabled(), qPrintable(a->objectName()));
    QVERIFY(!ui->btSet->isEnabled() && !ui->btCancel->isEnabled());
    // Without a device nothing that talks to one is live.
    for (QPushButton *b : {ui->btCalcOffsetAndGradient, ui->btReadLowerTemp, ui->btReadUpperTemp,
                           ui->btDeleteAllCounter, ui->btClearStatusRegister})
        QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
    QVERIFY(ui->P38->isHidden() && !ui->P38->isEnabled() && ui->Edit6->isHidden());
    QVERIFY(!ui->L27Low->isHidden() && !ui->Edit8->isHidden());
    QVERIFY(!ui->gbBenutzerschloss->isEnabled());
    QVERIFY(ui->Edit10->styleSheet().contains(QLatin1String("gray")));
    for (int n = 13; n <= 20; ++n)
        QVERIFY(w.findChild<QLineEdit *>(QStringLiteral("Edit%1").arg(n))->isHidden());
    // Translated: the page titles come from the table, the menus too.
    QCOMPARE(ui->TabbedNotebook1->tabText(1), langText(1051));
    // Nothing is shown before a device is read, lists included.
    QCOMPARE(ui->L12->currentIndex(), -1);
    QCOMPARE(ui->P310->currentIndex(), -1);
    QCOMPARE(ui->Eichschloss->currentIndex(), -1);
    QCOMPARE(ui->acConnect->text(), langText(129));
    // Lock classes: E and B bits on their fields, the string ID kept.
    QVERIFY(componentTag(ui->P4) & TagCalibrationLock);
    QVERIFY(componentTag(ui->L7) & TagUserLock);
    QVERIFY(!(componentTag(ui->L2) & (TagCalibrationLock | TagUserLock)));
    // Masked fields carry their template as a Qt mask.
    QCOMPARE(ui->H1->inputMask(), QStringLiteral("00000000.00;_"));

    // A page click while not connected selects the page and reads nothing.
    ui->TabbedNotebook1->setCurrentIndex(2);
    QCOMPARE(ui->TabbedNotebook1->currentIndex(), 2);
    QVERIFY(m_device->requestLog().empty());
    QVERIFY(boxes().isEmpty());
    QCOMPARE(QLocale().decimalPoint(), QStringLiteral("."));
}

void MainWindowTest::connectsToV2xDevice()
{
    auto w = connectedWindow(2);
    WindowUi ui(*w);
    QVERIFY(w->session().isConnected());
    QVERIFY(w->pageReady());
    QCOMPARE(w->session().generation(), Generation::V2x);
    QCOMPARE(w->session().deviceVersion(), 2.05f);
    QVERIFY(ui->acDisconnect->isEnabled() && ui->acChangeBattCap->isEnabled() &&
            ui->acReadArchivData->isEnabled());
    QVERIFY(!ui->acConnect->isEnabled());
    QVERIFY(!ui->acChangeCustomerKey->isEnabled() && !ui->acChangeUserLock->isEnabled());

    // L34 decides the generation, then page 0 reads its V2x list in address
    // order, each address once; the connect's lock check reads L4 last.
    QStringList reads = readsIn(m_device->requestLog());
    const int first = reads.indexOf(QStringLiteral("L34"));
    QVERIFY(first >= 0);
    reads = reads.mid(first + 1);
    QCOMPARE(reads.mid(0, 13), (QStringList{"L2", "L4", "L7", "L8", "L12", "L18", "L33", "L34",
                                            "L35", "L123", "L124", "P310", "P311"}));
    QCOMPARE(ui->Edit2->text(), QStringLiteral("2.05"));
    QCOMPARE(ui->Edit1->text(), QStringLiteral(" RQ-60"));
    QCOMPARE(ui->L18->text().trimmed(), QStringLiteral("123456"));
    QCOMPARE(ui->Edit3->text(), QStringLiteral("123456"));
    QCOMPARE(ui->L12->currentText(), QStringLiteral("6"));
    QCOMPARE(ui->P311->currentText(), QStringLiteral("1"));

    // Calibration lock closed: class E disabled and silver, class B (no user
    // lock on V2x) stays enabled; the user lock group stays grey.
    QCOMPARE(ui->Eichschloss->currentIndex(), 0);
    QVERIFY(!ui->P4->isEnabled() && !ui->H1->isEnabled() && !ui->btDeleteAllCounter->isEnabled());
    QCOMPARE(ui->H1->palette().color(QPalette::Base), QColor(192, 192, 192));
    // ... and still readable: the disabled text is not the background.
    QVERIFY(ui->L18->palette().color(QPalette::Disabled, QPalette::Text) != QColor(192, 192, 192));
    QVERIFY(ui->L7->isEnabled() && ui->P310->isEnabled());
    QVERIFY(!ui->gbBenutzerschloss->isEnabled());
    QVERIFY(!ui->L27Low->isHidden());
    QVERIFY(boxes().isEmpty());
    QCOMPARE(ui->TabbedNotebook1->property("helpContext").toInt(), 100);
}

void MainWindowTest::connectsToV1xDevice()
{
    auto w = connectedWindow(1);
    WindowUi ui(*w);
    QVERIFY(w->session().isConnected());
    QCOMPARE(w->session().generation(), Generation::V1x);
    QVERIFY(ui->acChangeCustomerKey->isEnabled() && ui->acChangeSupplierKey->isEnabled() &&
            ui->acChangeUserLock->isEnabled());
    const QStringList reads = readsIn(m_device->requestLog());
    for (const char *a : {"P0", "P10", "P16", "P17"})
        QVERIFY2(reads.contains(QLatin1String(a)), a);
    QVERIFY(!reads.contains(QStringLiteral("P310")));
    QVERIFY(ui->L27Low->isHidden() && ui->Edit7->isHidden() && ui->Edit8->isHidden());
    QVERIFY(ui->gbBenutzerschloss->isEnabled());
    QVERIFY(ui->Edit10->styleSheet().contains(QLatin1String("red")));
    QVERIFY(!ui->Edit13->isHidden() && !ui->Edit20->isHidden());
    // Both keys "0": the user lock is closed, its fields are disabled.
    QCOMPARE(ui->Benutzerschloss->currentText(), langText(1007));
    QVERIFY(!ui->L7->isEnabled() && !ui->H23->isEnabled());
    // P16 code 4 is "Imp.-Ausg. Vb, ungestört" (item 1) on a V1x device.
    QCOMPARE(ui->P310->currentIndex(), 1);

    // An open supplier lock (P0 "1") enables them at the next page-0 read.
    m_device->control("set P0 1");
    w->TabbedNotebook1Click();
    QCOMPARE(ui->Benutzerschloss->currentText(), langText(1008));
    QVERIFY(ui->L7->isEnabled() && ui->H23->isEnabled());
}

// A page chosen is read (its lists are the session's business, tested
// there) and shown, and the notebook's help topic follows it.
void MainWindowTest::readsEachPageWithItsList()
{
    auto w = connectedWindow(2);
    WindowUi ui(*w);
    const struct {
        int page;
        const char *firstRead;
        int help;
    } pagesRead[] = {{1, "L2", 200}, {2, "H1", 300}, {4, "L2", 500}};
    for (const auto &p : pagesRead) {
        m_device->clearLog();
        ui->TabbedNotebook1->setCurrentIndex(p.page);
        QStringList reads = readsIn(m_device->requestLog());
        reads.removeAll(QStringLiteral("L4")); // periodic checks in between
        QCOMPARE(reads.value(0), QLatin1String(p.firstRead));
        QCOMPARE(ui->TabbedNotebook1->property("helpContext").toInt(), p.help);
        QCOMPARE(w->lastPageIndex(), p.page);
    }
    // Page 4 shows the stored offset and gradient and the reference
    // temperatures of the settings.
    QCOMPARE(ui->P147old->text(), QStringLiteral("2725"));
    QCOMPARE(ui->P148old->text(), QStringLiteral("2040"));
    QCOMPARE(m_session->values().TempLowRef, IniSettings.Justify.TempLow);
    QVERIFY2(ui->TempLowRef->text().contains(QLatin1String("20.0")),
             qPrintable(ui->TempLowRef->text()));
    QVERIFY(!ui->btCalcOffsetAndGradient->isEnabled());

    // The V2x archive comes from H201..H215 without a protocol switch.
    m_device->clearLog();
    ui->TabbedNotebook1->setCurrentIndex(3);
    const QStringList reads = readsIn(m_device->requestLog());
    QVERIFY(reads.contains(QStringLiteral("H201")) && reads.contains(QStringLiteral("H215")));
    QCOMPARE(ui->TabbedNotebook1->property("helpContext").toInt(), 400);
    QVERIFY(!logHas(m_device->requestLog(), "ENQ"));
    QVERIFY(boxes().isEmpty());
    QVERIFY(!FormMeldung->isVisible() && !QApplication::overrideCursor());
}

void MainWindowTest::archiveReadoutWithoutTheDsDriver()
{
    auto w = connectedWindow(1);
    QVERIFY(w->session().isConnected());
    // A driver folder that lacks the "DS" protocol library.
    QTemporaryDir drivers;
    for (const char *name : {"sline_32.so", "pcola_32.so"})
        QVERIFY(QFile::link(QStringLiteral(PX_BIN_DIR "/") + QLatin1String(name),
                            drivers.filePath(QLatin1String(name))));
    TCommClass::setDriverDirectory(drivers.path());
    const auto restore = qScopeGuard([] { TCommClass::setDriverDirectory(QString()); });
    m_boxes->clear();
    // The box is not hidden behind the wait notice of the archive page.
    bool covered = false;
    m_boxes->onShow = [&](const MessageRequest &) {
        covered = covered || FormMeldung->isVisible() || QApplication::overrideCursor();
    };
    WindowUi(*w)->TabbedNotebook1->setCurrentIndex(3);
    m_boxes->onShow = nullptr;
    // Reported once; the "WN" link is back and the window usable.
    QCOMPARE(boxIds(), (QList<int>{510}));
    QVERIFY(!covered);
    QVERIFY(m_session->link() && m_session->link()->selector() == QLatin1String("WN"));
    QVERIFY(m_session->link()->IsConnected() && w->session().isConnected());
    QVERIFY(!FormMeldung->isVisible() && !QApplication::overrideCursor());
    m_device->clearLog();
    WindowUi(*w)->TabbedNotebook1->setCurrentIndex(0);
    QVERIFY(readsIn(m_device->requestLog()).contains(QStringLiteral("L34")));
}

void MainWindowTest::warningCountAndOutputFunctionFollowTheDevice()
{
    auto w = connectedWindow(2);
    WindowUi ui(*w);
    // V2x: a warning count above 0 means two pulse inputs and shows the group.
    m_device->control("set P38 3");
    ui->TabbedNotebook1->setCurrentIndex(1);
    QCOMPARE(ui->P37->currentText(), QStringLiteral("2"));
    QCOMPARE(ui->P38->value(), 3);
    QVERIFY(!ui->P38->isHidden() && !ui->Edit6->isHidden() && !ui->lbWarnAfter->isHidden());
    // Shown, but the calibration lock is closed: shown locked, like its class.
    QVERIFY(!ui->P38->isEnabled());
    QCOMPARE(ui->P38->palette().color(QPalette::Base), QColor(192, 192, 192));
    m_device->control("lock open");
    QTRY_VERIFY_WITH_TIMEOUT(ui->P38->isEnabled(), 5000);
    m_device->control("lock close");
    QTRY_VERIFY_WITH_TIMEOUT(!ui->P38->isEnabled(), 5000);

    // An output function the list does not know: message 515 with the code,
    // and the rest of the page is still shown.
    m_device->control("set P310 3");
    m_device->control("set P311 10");
    m_boxes->clear();
    ui->TabbedNotebook1->setCurrentIndex(0);
    QCOMPARE(boxIds(), (QList<int>{515}));
    QCOMPARE(boxes().at(0).args, (QStringList{"3"}));
    QCOMPARE(ui->P310->currentIndex(), 3);
    QCOMPARE(ui->P311->currentText(), QStringLiteral("10"));
}

void MainWindowTest::followsTheCalibrationLock()
{
    auto w = connectedWindow(2);
    WindowUi ui(*w);
    QVERIFY(!ui->P4->isEnabled());
    m_device->control("lock open");
    QTRY_COMPARE_WITH_TIMEOUT(ui->Eichschloss->currentIndex(), 1, 5000);
    QVERIFY(ui->P4->isEnabled() && ui->H1->isEnabled() && ui->btDeleteAllCounter->isEnabled());
    QVERIFY(ui->StatusRegister->text().contains(QLatin1String(".30")));
    QCOMPARE(ui->H1->palette().color(QPalette::Base),
             QApplication::palette().color(QPalette::Active, QPalette::Base));
    // Read-only fields and markers are never touched.
    QVERIFY(ui->H6->isEnabled() && ui->Edit9->isEnabled());
    // The lock box only shows the state: a click opens no list.
    QTest::mouseClick(ui->Eichschloss, Qt::LeftButton);
    QVERIFY(!QApplication::activePopupWidget());
    QCOMPARE(ui->Eichschloss->currentIndex(), 1);

    m_device->control("lock close");
    QTRY_COMPARE_WITH_TIMEOUT(ui->Eichschloss->currentIndex(), 0, 5000);
    QVERIFY(!ui->P4->isEnabled());
    QVERIFY(ui->L7->isEnabled());
    QVERIFY(boxes().isEmpty());
}

void MainWindowTest::reportsAFailedReadOnceAfterThePage()
{
    auto w = connectedWindow(2);
    m_device->control("fail L7 ER05");
    m_device->control("fail L8 ER01");
    m_device->clearLog();
    m_boxes->clear();
    w->TabbedNotebook1Click();
    // Every address was still read; the box names the status of the last
    // failing one (L8: ER01).
    QVERIFY(readsIn(m_device->requestLog()).contains(QStringLiteral("P311")));
    QCOMPARE(boxIds(), (QList<int>{514}));
    QCOMPARE(boxes().at(0).args, (QStringList{"-101"}));
    QCOMPARE(boxes().at(0).captionId, 500);
    QVERIFY(w->pageReady());

    // The archive page does not report its read errors.
    m_device->control("fail H203 ER05");
    m_boxes->clear();
    WindowUi(*w)->TabbedNotebook1->setCurrentIndex(3);
    QVERIFY(boxes().isEmpty());
}

void MainWindowTest::survivesAValueItCannotShow()
{
    auto w = connectedWindow(2);
    WindowUi ui(*w);
    m_device->control("set L12 xx:00");
    m_device->control("set L18 000000000777");
    m_boxes->clear();
    w->TabbedNotebook1Click();
    // L12 keeps what it showed; the rows after it (L18) are shown all the
    // same. One box names the value in the technician's language.
    QCOMPARE(boxIds(), QList<int>{570});
    QCOMPARE(boxes().at(0).captionId, 500);
    QCOMPARE(boxes().at(0).args, (QStringList{"L12", "xx:00"}));
    QVERIFY(boxes().at(0).text.contains(langFormatId(571, {"L12", "xx:00"})));
    QVERIFY(!boxes().at(0).text.contains(QLatin1String("valid integer")));
    QCOMPARE(ui->Edit3->text(), QStringLiteral("777"));
    QCOMPARE(ui->L12->currentText(), QStringLiteral("6"));
    QVERIFY(w->pageReady());
    QVERIFY(!FormMeldung->isVisible() && !QApplication::overrideCursor());
    QCOMPARE(w->lastPageIndex(), 0);

    // A value that could not be read at all: named as such, and the
    // software version after it is still shown. (The program started anew:
    // a session of its own.)
    w.reset();
    m_session = std::make_unique<DeviceSession>();
    startDevice(2);
    m_device->control("fail L12 ER05");
    w = std::make_unique<TFormRQ60Main>(*m_session);
    w->show();
    m_boxes->clear();
    w->acConnectExecute();
    QCOMPARE(boxIds(), (QList<int>{570, 514}));
    QCOMPARE(boxes().at(0).args, (QStringList{"L12", ""}));
    QVERIFY(boxes().at(0).text.contains(langFormatId(572, {"L12"})));
    QCOMPARE(WindowUi(*w)->Edit2->text(), QStringLiteral("2.05"));
    QVERIFY(w->session().isConnected());
}

void MainWindowTest::failedConnectLeavesTheWindowIdle()
{
    qputenv("SLINE_32_COM1", "/nonexistent/pts");
    TFormRQ60Main w(*m_session);
    w.acConnectExecute();
    QVERIFY(!w.session().isConnected());
    QCOMPARE(boxIds(), (QList<int>{510}));
    QCOMPARE(boxes().at(0).captionId, 500);
    // The details say why: the driver status, its meaning, the device path.
    QVERIFY2(boxes().at(0).details.contains("-3") &&
                 boxes().at(0).details.contains("/nonexistent/pts"),
             qPrintable(boxes().at(0).details));
    QVERIFY(WindowUi(w)->acConnect->isEnabled());
    QVERIFY(!WindowUi(w)->acDisconnect->isEnabled());
    QVERIFY(!QApplication::overrideCursor());

    // A port that answers but no device behind it: the sign-on fails.
    startDevice(2);
    m_device->control("fail signon silent");
    m_boxes->clear();
    w.acConnectExecute();
    QVERIFY(!w.session().isConnected());
    QCOMPARE(boxIds(), (QList<int>{510}));
    QVERIFY(boxes().at(0).details.contains("-7"));
}

void MainWindowTest::connectsThroughAnEchoingHead()
{
    // An optical head that returns every byte the program sends.
    startDevice(2);
    QVERIFY(m_device->control("echo on"));
    TFormRQ60Main w(*m_session);
    w.show();
    w.acConnectExecute();
    QVERIFY(w.session().isConnected());
    QVERIFY(boxes().isEmpty());
    QCOMPARE(WindowUi(w)->Edit2->text(), QStringLiteral("2.05"));
}

void MainWindowTest::disconnectReadsSettingsAgainAndEmptiesFields()
{
    auto w = connectedWindow(1, true);
    WindowUi ui(*w);
    QVERIFY(!ui->Edit2->text().isEmpty());
    m_settings->write(QStringLiteral("PXRQ60.INI"), settingsFile(700));
    m_device->clearLog();
    ui->TabbedNotebook1->setCurrentIndex(2);
    w->acDisconnectExecute();

    QVERIFY(!w->session().isConnected());
    QVERIFY(logHas(m_device->requestLog(), "ETB"));
    QVERIFY(!m_session->link()->IsConnected());
    QCOMPARE(IniSettings.Comm.CheckTime, 700);
    QCOMPARE(ui->TabbedNotebook1->currentIndex(), 0);
    QVERIFY(ui->acConnect->isEnabled() && !ui->acDisconnect->isEnabled());
    // Emptied: every value field, both lock boxes; kept: markers and "  bis".
    QVERIFY(ui->Edit2->text().isEmpty() && ui->StatusRegister->text().isEmpty());
    QVERIFY(ui->H1->text().trimmed().remove(QLatin1Char('_')).remove(QLatin1Char('.')).isEmpty());
    QCOMPARE(ui->Eichschloss->currentIndex(), -1);
    QCOMPARE(ui->Benutzerschloss->currentIndex(), -1);
    QCOMPARE(ui->P14->value(), 0);
    QCOMPARE(ui->Edit9->text(), langText(1018));
    QCOMPARE(ui->Edit10->text(), langText(1019));
    QCOMPARE(ui->Edit8->text(), QStringLiteral("  bis"));
    // Back in the start state of a V1x-less window.
    QVERIFY(!ui->L27Low->isHidden() && !ui->gbBenutzerschloss->isEnabled());
    // Undo in an emptied field does not bring back the device's value (nor
    // does each disconnect add to the fields' undo history).
    ui->TabbedNotebook1->setCurrentIndex(2);
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    ui->H1->setFocus();
    QVERIFY(ui->H1->hasFocus());
    QTest::keyClick(ui->H1, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(ui->H1->text().trimmed().remove(QLatin1Char('_')).remove(QLatin1Char('.')).isEmpty());

    // The next connect loads the drivers again and works.
    w->acConnectExecute();
    QVERIFY(w->session().isConnected());
    QVERIFY(!ui->Edit2->text().isEmpty());
    QCOMPARE(m_session->link()->CheckInterval, uint16_t(700));
}

void MainWindowTest::pendingChangesAreOfferedOnPageChangeDisconnectAndClose()
{
    auto w = connectedWindow(2);
    WindowUi ui(*w);
    ui->TabbedNotebook1->setCurrentIndex(1);

    // No: the changes are dropped and the chosen page is read.
    ui->btSet->setEnabled(true);
    ui->btCancel->setEnabled(true);
    setComponentTag(ui->P1, componentTag(ui->P1) | TagChangeFlag);
    m_boxes->answers = {IdNo};
    m_device->clearLog();
    // The question is asked over the page whose values it is about.
    QList<int> pageWhileAsked;
    m_boxes->onShow = [&](const MessageRequest &) {
        pageWhileAsked << ui->TabbedNotebook1->currentIndex();
    };
    ui->TabbedNotebook1->setCurrentIndex(2);
    QCOMPARE(boxIds(), (QList<int>{513}));
    QCOMPARE(pageWhileAsked, QList<int>{1});
    QVERIFY(!ui->btSet->isEnabled() && !ui->btCancel->isEnabled());
    QVERIFY(!(componentTag(ui->P1) & TagChangeFlag));
    QVERIFY(readsIn(m_device->requestLog()).contains(QStringLiteral("H1")));
    QCOMPARE(w->lastPageIndex(), 2);

    // Yes: the page just left is selected and read again.
    ui->btSet->setEnabled(true);
    m_boxes->clear();
    m_boxes->answers = {IdYes};
    m_device->clearLog();
    ui->TabbedNotebook1->setCurrentIndex(4);
    QCOMPARE(ui->TabbedNotebook1->currentIndex(), 2);
    QCOMPARE(pageWhileAsked, (QList<int>{1, 2}));
    m_boxes->onShow = nullptr;
    QVERIFY(readsIn(m_device->requestLog()).contains(QStringLiteral("H1")));
    QVERIFY(!readsIn(m_device->requestLog()).contains(QStringLiteral("P147")));

    // "Trennen" answered Yes keeps the connection.
    ui->btSet->setEnabled(true);
    m_boxes->clear();
    m_boxes->answers = {IdYes};
    w->acDisconnectExecute();
    QCOMPARE(boxIds(), (QList<int>{513}));
    QVERIFY(w->session().isConnected() && m_session->link()->IsConnected());

    // Closing answered Yes keeps the window open; No closes it.
    m_boxes->clear();
    m_boxes->answers = {IdYes, IdNo};
    QVERIFY(!w->close());
    QVERIFY(w->isVisible());
    QVERIFY(w->close());
    QCOMPARE(boxIds(), (QList<int>{517, 517}));
    QVERIFY(!m_session->link()->IsConnected());
}

void MainWindowTest::lostLinkEndsTheProgram()
{
    auto w = connectedWindow(2);
    QVERIFY(w->isVisible());
    m_boxes->clear();
    m_device->hangUp();
    QTRY_VERIFY_WITH_TIMEOUT(!w->isVisible(), 10000);
    QCOMPARE(boxIds(), (QList<int>{516}));
    QCOMPARE(boxes().at(0).captionId, 502);
    QVERIFY(!w->session().isConnected());
    QVERIFY(!m_session->link()->IsConnected());
}

void MainWindowTest::closingDisconnects()
{
    const QLocale before = QLocale();
    {
        QLocale::setDefault(QLocale(QLocale::German));
        auto w = connectedWindow(2);
        QCOMPARE(QLocale().decimalPoint(), QStringLiteral("."));
        m_device->clearLog();
        QVERIFY(w->close());
        QVERIFY(logHas(m_device->requestLog(), "ETB"));
        QVERIFY(!m_session->link()->IsConnected());
        // The separator in force before the window came back.
        QCOMPARE(QLocale().decimalPoint(), QStringLiteral(","));
        QVERIFY(boxes().isEmpty());
    }
    QLocale::setDefault(before);
}

void MainWindowTest::statusRegisterPlainTextAndClearing()
{
    auto w = connectedWindow(2);
    WindowUi ui(*w);
    m_device->control("lock open");
    QTRY_COMPARE_WITH_TIMEOUT(ui->Eichschloss->currentIndex(), 1, 5000);
    m_session->readValues(QStringLiteral("L4"));
    w->DisplayValues(QStringLiteral("L4"));
    QCOMPARE(ui->StatusRegister->text(), QStringLiteral(".3.30"));

    ui->btShowStatRegText->click();
    QVERIFY(ui->Memo1->isVisible());
    QCOMPARE(ui->Memo1->toPlainText(), langText(203) + QLatin1Char('\n') + langText(230));
    QCOMPARE(ui->Memo1->height(), 65);
    QCOMPARE(ui->btShowStatRegText->text(), langText(1011));
    // Right under the status register group.
    const QPoint below =
        ui->gbStatusRegister->mapTo(ui->centralwidget, QPoint(0, ui->gbStatusRegister->height()));
    QCOMPARE(ui->Memo1->pos(), below);
    ui->btShowStatRegText->click();
    QVERIFY(ui->Memo1->isHidden());
    QCOMPARE(ui->btShowStatRegText->text(), langText(1010));

    // Clearing: No does nothing; Yes writes L4=0 and shows what is left
    // (bit 30 stays while the lock is open).
    m_boxes->clear();
    m_boxes->answers = {IdNo};
    m_device->clearLog();
    ui->btClearStatusRegister->click();
    QVERIFY(!logHas(m_device->requestLog(), "W1 L4(0)"));
    m_boxes->answers = {IdYes};
    ui->btShowStatRegText->click(); // the list is on while clearing
    ui->btClearStatusRegister->click();
    QVERIFY(logHas(m_device->requestLog(), "W1 L4(0)"));
    QCOMPARE(ui->StatusRegister->text(), QStringLiteral(".30"));
    QCOMPARE(boxIds(), (QList<int>{511, 511}));
    // The list explains the register as it is now, not as it was.
    QCOMPARE(ui->Memo1->toPlainText(), langText(230));
    QCOMPARE(ui->Memo1->height(), 45);
    // A question that clears the device's register: Enter must not say Yes.
    QVERIFY(boxes().at(0).flags & MbDefaultNo);

    // A refused write is reported with its status; no re-read.
    m_device->control("fail L4 ER05");
    m_boxes->clear();
    m_boxes->answers = {IdYes};
    ui->btClearStatusRegister->click();
    QCOMPARE(boxIds(), (QList<int>{511, 512}));
    QVERIFY(boxes().at(1).caption.endsWith(QLatin1String(" -105")));
    m_device->control("fail clear");
}

void MainWindowTest::aboutBoxAndWaitNotice()
{
    TFormRQ60Main w(*m_session);
    QString title, programLabel;
    QTimer::singleShot(0, [&] {
        QWidget *box = QApplication::activeModalWidget();
        QVERIFY(box);
        title = box->windowTitle();
        programLabel = box->findChild<QLabel *>(QStringLiteral("Label1"))->text();
        box->findChild<QPushButton *>(QStringLiteral("BitBtn1"))->click();
    });
    WindowUi(w)->mn43Info->trigger();
    QCOMPARE(title, langText(5000));
    QCOMPARE(programLabel, langText(5001));

    MeldungCaption = langText(501);
    MeldungText = langText(544);
    FormMeldung->showOver(&w);
    QVERIFY(FormMeldung->isVisible());
    QVERIFY(FormMeldung->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(!(FormMeldung->windowFlags() & Qt::WindowCloseButtonHint));
    QCOMPARE(FormMeldung->labelText(), langText(544));
    // A later paint takes the texts as they are then.
    MeldungText = langText(543);
    FormMeldung->repaint();
    QCOMPARE(FormMeldung->labelText(), langText(543));
    QCOMPARE(FormMeldung->windowTitle(), langText(501));
    FormMeldung->hide();
}

void MainWindowTest::batteryMenuWritesCapacityAndShowsMonths()
{
    auto w = connectedWindow(2);
    QVERIFY(w->session().isConnected());
    QVERIFY(WindowUi(*w)->acChangeBattCap->isEnabled());
    m_device->clearLog();
    QString shownCapacity;
    QTimer::singleShot(0, [&] {
        QWidget *dialog = QApplication::activeModalWidget();
        QVERIFY(dialog);
        auto *cap = dialog->findChild<QLineEdit *>(QStringLiteral("RestCap"));
        QVERIFY(cap);
        shownCapacity = cap->text();
        cap->setText(QStringLiteral("9.5"));
        dialog->findChild<QPushButton *>(QStringLiteral("btSet"))->click();
        dialog->close();
    });
    WindowUi(*w)->acChangeBattCap->trigger();
    QVERIFY(!shownCapacity.isEmpty());
    std::string stored;
    m_device->control("get L35", &stored);
    // 9.5 Ah last the device 120 months; the window shows them at once.
    QCOMPARE(QString::fromStdString(stored), QString("L35=9.5;120"));
    QCOMPARE(WindowUi(*w)->L35->text(), QString("120"));
}

// A V1x device with its user lock closed locks class B; a V2x device
// connected after it has no user lock, so class B is open there even with
// the calibration lock closed.
void MainWindowTest::lockStatesComeFromTheConnectedDeviceOnly()
{
    auto w = connectedWindow(1);
    WindowUi ui(*w);
    QVERIFY(!ui->L7->isEnabled());
    w->acDisconnectExecute();
    startDevice(2);
    w->acConnectExecute();
    QVERIFY(w->session().isConnected());
    QCOMPARE(ui->Eichschloss->currentIndex(), 0);
    QVERIFY(!ui->P4->isEnabled());
    const QColor normal = QApplication::palette().color(QPalette::Active, QPalette::Base);
    for (QWidget *f : std::initializer_list<QWidget *>{ui->L7, ui->L8, ui->L12, ui->L123, ui->L124,
                                                       ui->P310, ui->P311, ui->H23}) {
        QVERIFY2(f->isEnabled(), qPrintable(f->objectName()));
        QCOMPARE(f->palette().color(QPalette::Base), normal);
    }
}

// Closing the old link handles events for a while; a "Verbinden" or
// "Trennen" then must wait for the running one, not start inside it.
void MainWindowTest::noSecondConnectOrDisconnectWhileOneRuns()
{
    startDevice(2);
    TFormRQ60Main w(*m_session);
    w.show();
    int nested = 0;
    QTimer::singleShot(0, &w, [&] {
        ++nested;
        w.acConnectExecute();
        w.acDisconnectExecute();
    });
    w.acConnectExecute();
    QCOMPARE(nested, 1); // it did run inside the connect
    QVERIFY(boxes().isEmpty());
    QVERIFY(w.session().isConnected() && m_session->link()->IsConnected());
    QCOMPARE(WindowUi(w)->Edit2->text(), QStringLiteral("2.05"));
    m_device->clearLog();
    w.TabbedNotebook1Click();
    QVERIFY(boxes().isEmpty());
    QVERIFY(readsIn(m_device->requestLog()).contains(QStringLiteral("L34")));

    QTimer::singleShot(0, &w, [&] {
        ++nested;
        w.acConnectExecute();
    });
    w.acDisconnectExecute();
    QCOMPARE(nested, 2);
    QVERIFY(boxes().isEmpty());
    QVERIFY(!w.session().isConnected() && !m_session->link()->IsConnected());
    QVERIFY(WindowUi(w)->acConnect->isEnabled() && !WindowUi(w)->acDisconnect->isEnabled());
}

// Over a lost link nothing can be written: one box names what was not
// written, and the program ends without offering to write it.
void MainWindowTest::lostLinkNamesTheChangesNotWritten()
{
    auto w = connectedWindow(2, true);
    WindowUi ui(*w);
    ui->TabbedNotebook1->setCurrentIndex(1);
    const int cp = ui->P4->findText(QStringLiteral("10"));
    ui->P4->setCurrentIndex(cp);
    emit ui->P4->activated(cp);
    ui->L27Low->setValue(-5);
    ui->L27High->setValue(35);
    QVERIFY(ui->btSet->isEnabled());
    m_boxes->clear();
    m_device->hangUp();
    QTRY_VERIFY_WITH_TIMEOUT(!w->isVisible(), 10000);
    QCOMPARE(boxIds(), QList<int>{573});
    QCOMPARE(boxes().at(0).args, QStringList{"L27, P4"});
    QCOMPARE(boxes().at(0).captionId, 502);
}

void MainWindowTest::noDeviceControlsWithoutADevice()
{
    auto w = connectedWindow(2, true);
    WindowUi ui(*w);
    ui->TabbedNotebook1->setCurrentIndex(4);
    m_device->control("temp -20");
    ui->btReadLowerTemp->click();
    m_device->control("temp 40");
    ui->btReadUpperTemp->click();
    const QList<QPushButton *> deviceButtons{ui->btReadLowerTemp, ui->btReadUpperTemp,
                                             ui->btCalcOffsetAndGradient, ui->btDeleteAllCounter,
                                             ui->btClearStatusRegister};
    for (QPushButton *b : deviceButtons)
        QVERIFY2(b->isEnabled(), qPrintable(b->objectName()));

    w->acDisconnectExecute();
    for (QPushButton *b : deviceButtons)
        QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
    // Emptied spin fields show their 0, not an empty text.
    for (QSpinBox *spin : {ui->P14, ui->L27Low, ui->L27High, ui->P38})
        QCOMPARE(spin->text(), QStringLiteral("0"));
    // Nothing of the device just left is taken for a measurement.
    QVERIFY(m_session->values().P[170].isEmpty() && m_session->values().P[171].isEmpty());

    // Connected again: the buttons follow the device's lock; the
    // calculation waits for two new measurements.
    w->acConnectExecute();
    QVERIFY(ui->btClearStatusRegister->isEnabled() && ui->btDeleteAllCounter->isEnabled());
    QVERIFY(ui->btReadLowerTemp->isEnabled());
    QVERIFY(!ui->btCalcOffsetAndGradient->isEnabled());
    QVERIFY(boxes().isEmpty());
}

// The wait notice stays on top; a box shown while it is up would hide
// behind it (here 515 during the connect; 510 on the archive page above).
void MainWindowTest::waitNoticeNeverCoversABox()
{
    bool covered = false;
    m_boxes->onShow = [&](const MessageRequest &) {
        covered = covered || FormMeldung->isVisible() || QApplication::overrideCursor();
    };
    startDevice(2);
    m_device->control("set P310 3");
    TFormRQ60Main w(*m_session);
    w.show();
    w.acConnectExecute();
    QCOMPARE(boxIds(), QList<int>{515});
    QVERIFY(!covered);
    QVERIFY(!FormMeldung->isVisible() && !QApplication::overrideCursor());
}

void MainWindowTest::failedSessionEndOfTheV1xArchiveIsReported()
{
    // No periodic check in between: the loss is met by the archive readout.
    m_settings->write(QStringLiteral("PXRQ60.INI"), settingsFile(60000));
    auto w = connectedWindow(1);
    QVERIFY(w->session().isConnected());
    m_boxes->clear();
    m_device->hangUp();
    WindowUi(*w)->TabbedNotebook1->setCurrentIndex(3);
    // Neither link opens again (510 twice), and ending the session failed.
    QCOMPARE(boxIds(), (QList<int>{510, 510, 514}));
    QCOMPARE(boxes().at(2).args, QStringList{QString::number(drv::DrvLineGone)});
}

// "Trennen" pressed while the V1x archive readout replaces the link (the
// old link handles events while it closes) does nothing: the readout ends
// with the window connected, and "Trennen" then disconnects.
void MainWindowTest::nothingRunsInsideTheLinkSwitch()
{
    auto w = connectedWindow(1);
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    bool pressed = false;
    QTimer probe;
    probe.setInterval(1);
    connect(&probe, &QTimer::timeout, this, [&] {
        // While a link object is destroyed, none is current.
        if (pressed || !m_session->isBusy() || m_session->link())
            return;
        pressed = true;
        // The wait notice took the activation; the technician clicks into
        // the window and presses the key.
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QTest::keyClick(w.get(), Qt::Key_F4);
        QTabBar *tabs = WindowUi(*w)->TabbedNotebook1->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
    });
    probe.start();
    WindowUi(*w)->TabbedNotebook1->setCurrentIndex(3);
    probe.stop();
    QVERIFY(pressed);
    QVERIFY(boxes().isEmpty());
    WindowUi ui(*w);
    QCOMPARE(ui->TabbedNotebook1->currentIndex(), 3);
    QVERIFY(m_session->isConnected() && m_session->link()->IsConnected());
    QCOMPARE(m_session->link()->selector(), QStringLiteral("WN"));
    QVERIFY(ui->acDisconnect->isEnabled() && !ui->acConnect->isEnabled());

    m_device->clearLog();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    QTest::keyClick(w.get(), Qt::Key_F4);
    QVERIFY(logHas(m_device->requestLog(), "ETB"));
    QVERIFY(!m_session->isConnected() && !m_session->link()->IsConnected());
    QVERIFY(ui->acConnect->isEnabled() && !ui->acDisconnect->isEnabled());
    QVERIFY(boxes().isEmpty());
}

void MainWindowTest::menusAndButtonsFromTheKeyboard()
{
    startDevice(2);
    TFormRQ60Main w(*m_session);
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    WindowUi ui(w);
    auto closeMenus = [] {
        while (QWidget *popup = QApplication::activePopupWidget())
            popup->close();
    };
    // Alt+K opens "Aktion"; Alt+A stays the archive page's.
    QTest::keyClick(&w, Qt::Key_K, Qt::AltModifier);
    QTRY_COMPARE(QApplication::activePopupWidget(), static_cast<QWidget *>(ui->mn3Aktion));
    closeMenus();
    QTest::keyClick(&w, Qt::Key_A, Qt::AltModifier);
    QCOMPARE(ui->TabbedNotebook1->currentIndex(), 3);
    // F10 opens the menu bar at its first menu.
    QTest::keyClick(&w, Qt::Key_F10);
    QTRY_COMPARE(QApplication::activePopupWidget(), static_cast<QWidget *>(ui->mn1Programm));
    closeMenus();
}

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
