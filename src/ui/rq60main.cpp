// The main window's cycle: start, connect, page reads, disconnect, loss of
// the link and closing; the wait notice, the menus and printing. The
// display of values is in rq60display.cpp, editing in rq60editing.cpp, the
// dialogs in rq60dialogs.cpp.
#include "rq60main.h"

#include "addresstable.h"
#include "componentkind.h"
#include "helpentry.h"
#include "helpers.h"
#include "info.h"
#include "inisettings.h"
#include "langsupp.h"
#include "meldung.h"
#include "pagearchive.h"
#include "pagecalibration.h"
#include "pageconversion.h"
#include "pagecounters.h"
#include "pageinformation.h"
#include "printing.h"
#include "translateform.h"
#include "ui_rq60main.h"
#include "wireformat.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QMenuBar>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QScopeGuard>
#include <QShortcut>
#include <QSignalBlocker>

QString ProgramShortName;

namespace {

constexpr int ArchivePage = 3;

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

bool isUserInput(const QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin: return true;
    default: return false;
    }
}

} // namespace

TFormRQ60Main::TFormRQ60Main(DeviceSession &session, QWidget *parent)
    : QMainWindow(parent), m_ui(std::make_unique<Ui::TFormRQ60Main>()), m_session(session)
{
    m_ui->setupUi(this);
    m_userMarkerStyle = m_ui->Edit10->styleSheet();
    applyEditMasks();
    for (TNotebookPage *page : notebookPages())
        page->setHost(this);
    // The lock state boxes only show what the device reports; a click must
    // not open their list and pretend to change a lock.
    auto *inert = new InputSwallower(this);
    for (QComboBox *box : findChildren<QComboBox *>())
        if (box->property("displayOnly").toBool())
            box->installEventFilter(inert);
    connectSignals();
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
    qApp->removeEventFilter(this);
    setBeforeMessageHook({});
}

void TFormRQ60Main::connectSignals()
{
    connect(m_ui->acConnect, &QAction::triggered, this, &TFormRQ60Main::acConnectExecute);
    connect(m_ui->acDisconnect, &QAction::triggered, this, &TFormRQ60Main::acDisconnectExecute);
    connect(m_ui->mn13Exit, &QAction::triggered, this, &QWidget::close);
    connect(m_ui->mn41Inhalt, &QAction::triggered, this, &TFormRQ60Main::mn41InhaltClick);
    connect(m_ui->mn42Suchen, &QAction::triggered, this, &TFormRQ60Main::mn42SuchenClick);
    connect(m_ui->mn43Info, &QAction::triggered, this, &TFormRQ60Main::mn43InfoClick);
    connect(m_ui->mn11Print, &QAction::triggered, this, &TFormRQ60Main::mn11PrintClick);
    connect(m_ui->mn12PrinterSetup, &QAction::triggered, this,
            &TFormRQ60Main::mn12PrinterSetupClick);
    connect(m_ui->acReadArchivData, &QAction::triggered, this,
            &TFormRQ60Main::acReadArchivDataExecute);
    connect(m_ui->TabbedNotebook1, &QTabWidget::currentChanged, this,
            &TFormRQ60Main::TabbedNotebook1Click);
    connect(m_ui->btShowStatRegText, &QPushButton::clicked, this,
            &TFormRQ60Main::btShowStatRegTextClick);
    connect(m_ui->btClearStatusRegister, &QPushButton::clicked, this,
            &TFormRQ60Main::btClearStatusRegisterClick);
    // The plain-text list explains the register on screen, so it follows it.
    connect(m_ui->StatusRegister, &QLineEdit::textChanged, this, [this] {
        if (m_statusPlainText)
            fillStatusPlainText();
    });
    connect(m_ui->btSet, &QPushButton::clicked, this, &TFormRQ60Main::btSetClick);
    connect(m_ui->btCancel, &QPushButton::clicked, this, &TFormRQ60Main::btCancelClick);

    // Connections end with the window or the session, whichever goes first.
    connect(&m_session, &DeviceSession::lockChanged, this, &TFormRQ60Main::LockChanged);
    connect(&m_session, &DeviceSession::linkLost, this, &TFormRQ60Main::LostConnection);
    // Cleared before a link closes: closing handles events for a while, and
    // nothing may start a device exchange meanwhile.
    connect(&m_session, &DeviceSession::connectionChanged, this,
            &TFormRQ60Main::updateDeviceButtons);
    // Nothing the user does reaches the window while the session works:
    // its waits and the link switch of the V1x archive handle events.
    connect(&m_session, &DeviceSession::busyChanged, this, [this](bool busy) {
        if (busy)
            qApp->installEventFilter(this);
        else
            qApp->removeEventFilter(this);
    });
}

bool TFormRQ60Main::eventFilter(QObject *watched, QEvent *event)
{
    if (m_session.isBusy() && isUserInput(event)) {
        const auto *widget = qobject_cast<const QWidget *>(watched);
        const QObject *owner = widget ? widget->window() : watched->parent();
        if (owner == this)
            return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

QList<TNotebookPage *> TFormRQ60Main::notebookPages() const
{
    return {m_ui->pgInformation, m_ui->pgConversion, m_ui->pgCounters, m_ui->pgArchive,
            m_ui->pgCalibration};
}

TNotebookPage *TFormRQ60Main::currentPage() const
{
    return notebookPages().value(m_ui->TabbedNotebook1->currentIndex());
}

TPageInformation *TFormRQ60Main::informationPage() const
{
    return m_ui->pgInformation;
}

TPageConversion *TFormRQ60Main::conversionPage() const
{
    return m_ui->pgConversion;
}

TPageCounters *TFormRQ60Main::countersPage() const
{
    return m_ui->pgCounters;
}

TPageArchive *TFormRQ60Main::archivePage() const
{
    return m_ui->pgArchive;
}

TPageCalibration *TFormRQ60Main::calibrationPage() const
{
    return m_ui->pgCalibration;
}

void TFormRQ60Main::Init()
{
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
        m_session.takeReferenceTemperatures(IniSettings.Justify);
        m_firstInit = false;
    }
    QLocale dot = QLocale::c();
    dot.setNumberOptions(QLocale::OmitGroupSeparator);
    QLocale::setDefault(dot);

    calibrationPage()->forgetMeasuredPoints();
    LastPageIndex = 0;
    conversionPage()->setWarningGroupVisible(false);
    PageReady = false;
    m_ui->btSet->setEnabled(false);

    selectPageQuietly(0);
    setConnectedActions(false);
    // Without a device the buttons that talk to one have nothing to do.
    updateDeviceButtons();
    conversionPage()->setTemperatureRangeVisible(true);
    setUserLockGroupActive(false);
}

void TFormRQ60Main::acConnectExecute()
{
    if (m_cycleRunning || m_session.isBusy() || m_session.isConnected())
        return;
    m_cycleRunning = true;
    const auto done = qScopeGuard([this] { m_cycleRunning = false; });
    m_ui->acConnect->setEnabled(false);
    if (!m_session.connectDevice(IniSettings.Comm)) {
        setConnectedActions(false);
        return;
    }
    PageReady = false;
    showWaitNotice(543);
    if (m_session.generation() == Generation::V1x) {
        conversionPage()->setTemperatureRangeVisible(false);
        setUserLockGroupActive(true);
    }
    ResetChangeFlagsAndDisableButtons();
    selectPageQuietly(0);
    TabbedNotebook1Click();
    LockChanged();
    updateDeviceButtons();
    closeWaitNotice();
    setConnectedActions(true);
    PageReady = true;
}

void TFormRQ60Main::TabbedNotebook1Click()
{
    if (!m_session.isConnected() || m_session.isBusy())
        return;
    if (m_ui->btSet->isEnabled()) {
        // The question is about the values on screen: the page just left
        // stays in front until it is answered.
        const int chosen = m_ui->TabbedNotebook1->currentIndex();
        selectPageQuietly(LastPageIndex);
        if (answerPendingChanges(513))
            selectPageQuietly(chosen);
    }

    TNotebookPage *page = currentPage();
    const Generation gen = m_session.generation();
    PageReady = false;
    const int32_t status = page->readAndShow();
    if (const int context = page->helpContext(gen))
        m_ui->TabbedNotebook1->setProperty("helpContext", context);
    // The page shows the device's values now: a field that failed to be
    // written shows what the device kept, and only a new edit marks it.
    ResetChangeFlagsAndDisableButtons();
    PageReady = true;
    if (status != 0 && page->reportsFailedReads(gen))
        LangMessageBoxArgs(514, {status}, 500, MbOk);
    LastPageIndex = page->pageIndex();
}

void TFormRQ60Main::acDisconnectExecute()
{
    if (m_cycleRunning || m_session.isBusy())
        return;
    if (m_session.isConnected() && m_ui->btSet->isEnabled() && !answerPendingChanges(513)) {
        selectPageQuietly(LastPageIndex);
        return;
    }
    m_cycleRunning = true;
    const auto done = qScopeGuard([this] { m_cycleRunning = false; });
    m_ui->acDisconnect->setEnabled(false);
    // Nothing of the device just left may be shown or used again: the
    // session forgets it, and the window starts over.
    if (!m_session.DisConnect())
        return;
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

// Nothing can be written over a lost link: the technician learns which
// changes did not reach the device, in the box that says the program ends.
void TFormRQ60Main::LostConnection()
{
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
    if (m_session.isConnected())
        m_session.DisConnect();
    QLocale::setDefault(m_savedLocale);
}

void TFormRQ60Main::acReadArchivDataExecute()
{
    if (m_ui->TabbedNotebook1->currentIndex() != ArchivePage) {
        // The page switch reads and lists the archive.
        m_ui->TabbedNotebook1->setCurrentIndex(ArchivePage);
        // Pending changes written on the way keep the page just left; its
        // archive was not read, and an export now would write an old one.
        if (m_ui->TabbedNotebook1->currentIndex() != ArchivePage)
            return;
    }
    archivePage()->btCreateTempFileClick();
}

QStringList TFormRQ60Main::userOptionsMenuPath() const
{
    return {RemoveChars(m_ui->mn2Einstellungen->title(), QStringLiteral("&")),
            RemoveChars(m_ui->mn22UserOpt->text(), QStringLiteral("&"))};
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
    const bool v1x = connected && m_session.generation() == Generation::V1x;
    m_ui->acConnect->setEnabled(!connected);
    for (QAction *a : {m_ui->acDisconnect, m_ui->acChangeBattCap, m_ui->acReadArchivData})
        a->setEnabled(connected);
    for (QAction *a :
         {m_ui->acChangeCustomerKey, m_ui->acChangeSupplierKey, m_ui->acChangeUserLock})
        a->setEnabled(v1x);
}

void TFormRQ60Main::mn43InfoClick()
{
    TFormInfo info(this);
    TranslateForm(&info, 0);
    info.exec();
}

void TFormRQ60Main::mn41InhaltClick()
{
    showHelpKeyword(QStringLiteral("Inhalt"));
}

void TFormRQ60Main::mn42SuchenClick()
{
    showHelpFinder();
}

void TFormRQ60Main::mn12PrinterSetupClick()
{
    QPageSetupDialog dialog(programPrinter(), this);
    dialog.exec();
}

void TFormRQ60Main::mn11PrintClick()
{
    QPrintDialog dialog(programPrinter(), this);
    // Closing the dialog any other way than with "Print" prints nothing.
    if (dialog.exec() != QDialog::Accepted)
        return;
    QPrinter *printer = programPrinter();
    if (!printWidgetImage(this, printer)) {
        const QString target = printer->outputFileName().isEmpty() ? printer->printerName()
                                                                   : printer->outputFileName();
        LangMessageBoxArgs(1414, {target}, 500, MbOk);
    }
}
