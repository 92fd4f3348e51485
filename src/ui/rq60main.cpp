// The main window's cycle: start, connect, page reads, disconnect, loss of
// the link and closing. The display of values is in rq60display.cpp.
#include "rq60main.h"

#include "battcap.h"

#include "addresstable.h"
#include "commclass.h"
#include "componentkind.h"
#include "devicevalues.h"
#include "displayrules.h"
#include "dsmodul.h"
#include "helpers.h"
#include "info.h"
#include "inisettings.h"
#include "langsupp.h"
#include "linkstatus.h"
#include "meldung.h"
#include "translateform.h"
#include "ui_rq60main.h"
#include "wireformat.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QMenuBar>
#include <QScopeGuard>
#include <QShortcut>
#include <QSignalBlocker>

QString ProgramShortName;

namespace {

// Keeps mouse, wheel and key input away from a widget that only displays.
class InputSwallower : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease: return true;
        default: return false;
        }
    }
};

} // namespace

TFormRQ60Main::TFormRQ60Main(QWidget *parent)
    : QMainWindow(parent), m_ui(std::make_unique<Ui::TFormRQ60Main>())
{
    m_ui->setupUi(this);
    m_userMarkerStyle = m_ui->Edit10->styleSheet();
    applyEditMasks();
    // The lock state boxes only show what the device reports; a click must
    // not open their list and pretend to change a lock.
    auto *inert = new InputSwallower(this);
    for (QComboBox *box : findChildren<QComboBox *>())
        if (box->property("displayOnly").toBool())
            box->installEventFilter(inert);

    connect(m_ui->acConnect, &QAction::triggered, this, &TFormRQ60Main::acConnectExecute);
    connect(m_ui->acDisconnect, &QAction::triggered, this, &TFormRQ60Main::acDisconnectExecute);
    connect(m_ui->mn13Exit, &QAction::triggered, this, &QWidget::close);
    connect(m_ui->mn41Inhalt, &QAction::triggered, this, &TFormRQ60Main::mn41InhaltClick);
    connect(m_ui->mn42Suchen, &QAction::triggered, this, &TFormRQ60Main::mn42SuchenClick);
    connect(m_ui->mn43Info, &QAction::triggered, this, &TFormRQ60Main::mn43InfoClick);
    connect(m_ui->acChangeBattCap, &QAction::triggered, this,
            &TFormRQ60Main::acChangeBattCapExecute);
    connect(m_ui->TabbedNotebook1, &QTabWidget::currentChanged, this,
            &TFormRQ60Main::TabbedNotebook1Click);
    connectDisplay();
    connectEditing();
    connectArchive();
    connectCalibration();
    connectDialogs();

    // F10 opens the menu bar from the keyboard, as on other desktops.
    auto *menuKey = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(menuKey, &QShortcut::activated, this, [this] {
        if (!menuBar()->actions().isEmpty())
            menuBar()->setActiveAction(menuBar()->actions().first());
    });
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        if (now && now != m_ui->btSet && now != m_ui->btCancel && isAncestorOf(now) &&
            !qobject_cast<QPushButton *>(now))
            m_lastEntryFocus = now;
    });
    // The wait notice stays on top of every window: it goes before any box,
    // whoever shows the box.
    setBeforeMessageHook([this] { closeWaitNotice(); });

    Init();
    // Lists show their first item once filled; the window starts as empty
    // as after a disconnect.
    ResetScreen();
}

TFormRQ60Main::~TFormRQ60Main()
{
    setBeforeMessageHook({});
}

Generation TFormRQ60Main::generation() const
{
    return DeviceVersion >= 2.0f ? Generation::V2x : Generation::V1x;
}

void TFormRQ60Main::Init()
{
    ChannelOpen = false;
    ProgramShortName = QStringLiteral("PXRQ60");
    ReadIniSettings();
    SetHelpFile();
    TranslateForm(this, 0);

    assignLockClasses();
    m_statusPlainText = false;
    // The plain-text list belongs to the device just left; the translation
    // has put the button's caption back to "Klartext ein".
    m_ui->Memo1->hide();
    m_ui->btShowStatRegText->setChecked(false);

    if (m_firstInit) {
        m_savedLocale = QLocale();
        // The reference temperatures start from the settings; once checked
        // or written they stay as they are until the program ends.
        DeviceValues.TempLowRef = IniSettings.Justify.TempLow;
        DeviceValues.TempHighRef = IniSettings.Justify.TempHigh;
        m_firstInit = false;
    }
    QLocale dot = QLocale::c();
    dot.setNumberOptions(QLocale::OmitGroupSeparator);
    QLocale::setDefault(dot);

    m_twoPointsRead = false;
    LastPageIndex = 0;
    setWarningGroupVisible(false);
    PageReady = false;
    m_ui->btSet->setEnabled(false);

    selectPageQuietly(0);
    setConnectedActions(false);
    // Without a device the buttons that talk to one have nothing to do.
    updateDeviceButtons();
    setTemperatureRangeVisible(true);
    setUserLockGroupActive(false);
}

void TFormRQ60Main::OpenCom()
{
    ChannelOpen = false;
    try {
        TCommClass *link = currentLink();
        if (!link) // a failed protocol switch left no link object
            link = replaceCurrentLink(QStringLiteral("WN"));
        link->SetActive(false);
        link->SetPort(QStringLiteral("COM") + QString::number(IniSettings.Comm.Com));
        link->SetInitString(IniSettings.Comm.Init);
        link->SetOptions(TCommClass::OptPeriodicCheck | TCommClass::OptReportLock |
                         TCommClass::OptCloseLine | TCommClass::OptCloseAndUnload);
        link->CheckInterval = uint16_t(IniSettings.Comm.CheckTime);
        link->SetActive(true);
        // Connections end with the window or the link, whichever goes first.
        connect(link->notifier(), &LinkNotifier::lockChanged, this, &TFormRQ60Main::LockChanged,
                Qt::UniqueConnection);
        connect(link->notifier(), &LinkNotifier::lostConnection, this,
                &TFormRQ60Main::LostConnection, Qt::UniqueConnection);
        ChannelOpen = true;
    } catch (const TCommClassException &e) {
        // The user gets one plain message; the cause is in the cable, the
        // port or the device, which message 510 asks them to check. Its
        // details say what the driver found.
        LangMessageBoxDetails(510, 500, MbOk, connectFailureDetails(e, currentLink()));
    }
}

void TFormRQ60Main::acConnectExecute()
{
    if (m_cycleRunning || ChannelOpen)
        return;
    m_cycleRunning = true;
    const auto done = qScopeGuard([this] { m_cycleRunning = false; });
    m_ui->acConnect->setEnabled(false);
    // The store still holds the texts of the device connected before. A read
    // that fails keeps the old text of its address, which must not be
    // another device's value; nor may that device's user-lock keys decide
    // the fields of this one, already in the lock check of the opening.
    DeviceValues.clearDeviceTexts();
    OpenCom();
    if (!ChannelOpen) {
        setConnectedActions(false);
        return;
    }
    PageReady = false;
    showWaitNotice(543);
    ReadValues(QStringLiteral("L34"));
    DeviceVersion = float(decimalValue(DeviceValues.L[34]).value_or(0.0L));

    if (generation() == Generation::V1x) {
        setTemperatureRangeVisible(false);
        setUserLockGroupActive(true);
    }
    ResetChangeFlagsAndDisableButtons();
    selectPageQuietly(0);
    TabbedNotebook1Click();
    LockChanged(currentLink());
    updateDeviceButtons();
    closeWaitNotice();
    setConnectedActions(true);
    PageReady = true;
}

void TFormRQ60Main::TabbedNotebook1Click()
{
    if (!ChannelOpen)
        return;
    if (m_ui->btSet->isEnabled()) {
        // The question is about the values on screen: the page just left
        // stays in front until it is answered.
        const int chosen = m_ui->TabbedNotebook1->currentIndex();
        selectPageQuietly(LastPageIndex);
        if (answerPendingChanges(513))
            selectPageQuietly(chosen);
    }

    const int page = m_ui->TabbedNotebook1->currentIndex();
    const Generation gen = generation();
    const QString list = pageAddressList(page, gen);
    int32_t status = 0;
    PageReady = false;
    switch (page) {
    case 0:
        status = ReadValues(list);
        DisplayValues(list);
        if (gen == Generation::V1x) {
            if (userLockClosed(DeviceValues.P[0], DeviceValues.P[10]))
                DisableUserValues();
            else
                EnableUserValues();
        }
        break;
    case 3:
        showWaitNotice(544);
        if (gen == Generation::V2x) {
            ReadValues(list); // errors of the archive list are not reported
            DisplayValues(list);
        } else {
            status = readDsArchive();
        }
        closeWaitNotice();
        break;
    case 4:
        // The reference temperatures as last checked or written, not as the
        // settings file had them at start.
        DisplayValues(QStringLiteral("TempLowRef,TempHighRef"));
        status = ReadValues(list);
        DisplayValues(list);
        m_ui->P147old->setText(DeviceValues.P[147]);
        m_ui->P148old->setText(DeviceValues.P[148]);
        m_twoPointsRead = false;
        updateDeviceButtons();
        break;
    default:
        status = ReadValues(list);
        DisplayValues(list);
        break;
    }
    const PageInfo &info = pages().at(page);
    if (page != 3 || gen == Generation::V2x)
        m_ui->TabbedNotebook1->setProperty("helpContext", info.helpContext);
    // The page shows the device's values now: a field that failed to be
    // written shows what the device kept, and only a new edit marks it.
    ResetChangeFlagsAndDisableButtons();
    PageReady = true;
    if (status != 0)
        LangMessageBoxArgs(514, {status}, 500, MbOk);
    LastPageIndex = page;
}

// The archive of a V1x device comes as DS records over the second protocol:
// the "WN" session is ended, a "DS" link reads the records, and a new "WN"
// link takes its place again. Gives the status of ending the "WN" session;
// the other steps report their own failures.
int32_t TFormRQ60Main::readDsArchive()
{
    int32_t status = 0;
    if (TCommClass *link = currentLink())
        status = link->SendSessionEnd();
    try {
        replaceCurrentLink(QStringLiteral("DS"));
        OpenCom();
        if (ChannelOpen)
            ReadDSArchive();
    } catch (const TCommClassException &e) {
        // A driver library that cannot be loaded: no readout this time.
        LangMessageBoxDetails(510, 500, MbOk, connectFailureDetails(e, currentLink()));
    }
    try {
        replaceCurrentLink(QStringLiteral("WN"));
    } catch (const TCommClassException &) {
        // OpenCom below tries once more and reports the failure.
    }
    OpenCom();
    DispArchiv();
    return status;
}

void TFormRQ60Main::acDisconnectExecute()
{
    if (m_cycleRunning)
        return;
    if (ChannelOpen && m_ui->btSet->isEnabled() && !answerPendingChanges(513)) {
        selectPageQuietly(LastPageIndex);
        return;
    }
    m_cycleRunning = true;
    const auto done = qScopeGuard([this] { m_cycleRunning = false; });
    m_ui->acDisconnect->setEnabled(false);
    DisConnect();
    // Nothing of the device just left may be shown or used again: a stored
    // temperature is no measurement of the next one.
    DeviceValues.clearDeviceTexts();
    Init();
    ResetScreen();
}

// Asks whether to write pending changes. Yes: writes them and answers
// false (the caller stays where it was). No: drops them and answers true.
bool TFormRQ60Main::answerPendingChanges(uint16_t questionId)
{
    if (LangMessageBox(questionId, 502, MbYesNo) == IdYes) {
        btSetClick();
        return false;
    }
    ResetChangeFlagsAndDisableButtons();
    return true;
}

void TFormRQ60Main::DisConnect()
{
    TCommClass *link = currentLink();
    // Cleared first: closing the link handles events for a while, and a page
    // click meanwhile must not read from a link going down.
    ChannelOpen = false;
    updateDeviceButtons();
    if (!link)
        return;
    link->SendSessionEnd();
    link->SetActive(false);
}

// Nothing can be written over a lost link: the technician learns which
// changes did not reach the device, in the box that says the program ends.
void TFormRQ60Main::LostConnection(TCommClass *)
{
    ChannelOpen = false;
    m_linkLost = true;
    updateDeviceButtons();
    const QStringList unwritten = m_ui->btSet->isEnabled() ? pendingWriteKeys() : QStringList();
    if (unwritten.isEmpty())
        LangMessageBox(516, 502, MbOk);
    else
        LangMessageBoxArgs(573, {unwritten.join(QStringLiteral(", "))}, 502, MbOk);
    ResetChangeFlagsAndDisableButtons();
    close();
}

// The addresses of the changed fields, in the write order, each once; the
// reference temperatures by their names.
QStringList TFormRQ60Main::pendingWriteKeys() const
{
    QStringList keys;
    for (const QString &name : writeOrder()) {
        const QObject *field = findChild<QObject *>(name);
        if (!field || !(componentTag(field) & TagChangeFlag))
            continue;
        QString key = writeKey(name, generation());
        if (key == QLatin1String("TempLowRef"))
            key = langText(550);
        else if (key == QLatin1String("TempHighRef"))
            key = langText(551);
        if (!keys.contains(key))
            keys << key;
    }
    return keys;
}

void TFormRQ60Main::closeEvent(QCloseEvent *event)
{
    if (!m_linkLost && m_ui->btSet->isEnabled() && LangMessageBox(517, 502, MbYesNo) == IdYes) {
        btSetClick();
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void TFormRQ60Main::FormClose()
{
    TCommClass *link = currentLink();
    if (link && link->IsConnected())
        DisConnect();
    QLocale::setDefault(m_savedLocale);
}

void TFormRQ60Main::ResetChangeFlagsAndDisableButtons()
{
    for (QObject *o : findChildren<QObject *>()) {
        const int64_t tag = componentTag(o);
        if (tag & TagChangeFlag)
            setComponentTag(o, tag & ~int64_t(TagChangeFlag));
    }
    m_ui->btSet->setEnabled(false);
    m_ui->btCancel->setEnabled(false);
}

void TFormRQ60Main::acChangeBattCapExecute()
{
    TFormBattCap dialog(this);
    // The dialog hands back the months the device answered; the window puts
    // them into its own field.
    connect(&dialog, &TFormBattCap::runTimeWritten, m_ui->L35, &QLineEdit::setText);
    dialog.exec();
}

void TFormRQ60Main::mn43InfoClick()
{
    TFormInfo info(this);
    TranslateForm(&info, 0);
    info.exec();
}

void TFormRQ60Main::showWaitNotice(uint16_t textId)
{
    closeWaitNotice();
    MeldungCaption = langText(501);
    MeldungText = langText(textId);
    if (FormMeldung)
        FormMeldung->showOver(this);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_noticeShown = true;
}

void TFormRQ60Main::closeWaitNotice()
{
    if (!m_noticeShown)
        return;
    m_noticeShown = false;
    if (FormMeldung)
        FormMeldung->hide();
    QApplication::restoreOverrideCursor();
}

void TFormRQ60Main::selectPageQuietly(int index)
{
    const QSignalBlocker block(m_ui->TabbedNotebook1);
    m_ui->TabbedNotebook1->setCurrentIndex(index);
}

void TFormRQ60Main::setConnectedActions(bool connected)
{
    const bool v1x = connected && generation() == Generation::V1x;
    m_ui->acConnect->setEnabled(!connected);
    for (QAction *a : {m_ui->acDisconnect, m_ui->acChangeBattCap, m_ui->acReadArchivData})
        a->setEnabled(connected);
    for (QAction *a :
         {m_ui->acChangeCustomerKey, m_ui->acChangeSupplierKey, m_ui->acChangeUserLock})
        a->setEnabled(v1x);
}
