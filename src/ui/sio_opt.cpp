#include "sio_opt.h"

#include "addresstable.h"
#include "componentkind.h"
#include "fileproblemtext.h"
#include "helpentry.h"
#include "inisettings.h"
#include "langsupp.h"
#include "lineport.h"
#include "linkstatus.h"
#include "sharedfile.h"
#include "translateform.h"
#include "ui_sio_opt.h"

#include <QFileInfo>
#include <QMenu>
#include <QShowEvent>
#include <QSignalBlocker>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int PortCount = 4;

// Texts of the port states (language library).
enum : uint16_t {
    TxtNotPresent = 3006,     // nothing at the path now
    TxtDriverMissing = 3008,  // no line driver to ask
    TxtAssignFailed = 3021,   // sline_32.conf could not be written
    TxtStillOverruled = 3022, // the environment names another device
    TxtSaveFailed = 8000,     // the settings file could not be written
    TxtNotSaved = 8001,       // an assignment that "Ok" will write
    TxtRefused = 8002,        // the line driver will not open the device
    TxtRefusedNote = 8003,    // why, below the list
    TxtOwnedBy = 8004,        // the device belongs to another user
    TxtNoDevice = 8006,       // a file, a pipe or a folder
    TxtNoSerialPort = 8007,   // a device of root that is no serial port
};

QString portName(int n)
{
    return QStringLiteral("COM") + QString::number(n);
}

// Why the line driver refuses `path`, in the words of what the device is:
// the driver opens only serial devices of root or of the user.
QString refusalReason(const QString &path)
{
    struct stat st {
    };
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISCHR(st.st_mode))
        return langText(TxtNoDevice);
    if (st.st_uid != 0 && st.st_uid != ::geteuid()) {
        const QString owner = QFileInfo(path).owner();
        return langFormatId(TxtOwnedBy, {owner.isEmpty() ? QString::number(st.st_uid) : owner});
    }
    return langText(TxtNoSerialPort);
}

} // namespace

TFormSioOptions::TFormSioOptions(QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TFormSioOptions>())
{
    m_ui->setupUi(this);
    // A fixed border: a title bar with the close box, no resizing.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    m_portMenu = new QMenu(this);
    m_ui->btAssign->setMenu(m_portMenu);
    m_ui->PortNote->hide();
    connect(m_portMenu, &QMenu::aboutToShow, this, &TFormSioOptions::fillPortMenu);
    connect(m_ui->Sio, &QComboBox::currentIndexChanged, this, &TFormSioOptions::SioChange);
    connect(m_ui->btOK, &QPushButton::clicked, this, &TFormSioOptions::btOKClick);
    connect(m_ui->btCancel, &QPushButton::clicked, this, &TFormSioOptions::btCancelClick);
    connect(m_ui->btHelp, &QPushButton::clicked, this, &TFormSioOptions::btHelpClick);

    TranslateForm(this, 0);
    for (int i = 0; i < m_ui->Sio->count(); ++i)
        m_itemTexts << m_ui->Sio->itemText(i);
}

TFormSioOptions::~TFormSioOptions() = default;

void TFormSioOptions::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Restoring a minimised dialog must not undo the user's choice.
    if (!event->spontaneous() && !m_shown) {
        m_shown = true;
        FormActivate();
    }
}

void TFormSioOptions::FormActivate()
{
    {
        const QSignalBlocker quiet(m_ui->Sio);
        const int com = IniSettings.Comm.Com;
        m_ui->Sio->setCurrentIndex(com >= 1 && com <= PortCount ? com - 1 : -1);
    }
    m_ui->btAssign->setEnabled(m_ui->Sio->currentIndex() >= 0);
    clearMarks();
}

void TFormSioOptions::SioChange()
{
    setMark(m_ui->Sio, true);
    m_ui->btAssign->setEnabled(m_ui->Sio->currentIndex() >= 0);
    showPortDevices(); // the note belongs to the selected number
}

bool TFormSioOptions::SaveSioOptions()
{
    // The assignment first: a number saved without the device it was chosen
    // for would open another one.
    if (!saveAssignments())
        return false;
    if (!sioMarked() || m_ui->Sio->currentIndex() < 0)
        return true;
    try {
        WriteComPort(uint8_t(m_ui->Sio->currentIndex() + 1));
        setMark(m_ui->Sio, false);
        return true;
    } catch (const IniWriteError &e) {
        LangMessageBoxArgs(TxtSaveFailed, {iniFilePath(), e.reason()}, 500, MbIconError);
        return false;
    }
}

bool TFormSioOptions::saveAssignments()
{
    if (!(componentTag(m_ui->btAssign) & TagChangeFlag))
        return true;
    for (auto it = m_assigned.begin(); it != m_assigned.end();) {
        FileProblem problem;
        if (!WriteLinePort(it.key(), it.value(), &problem)) {
            LangMessageBoxArgs(TxtAssignFailed, {linePortConfPath(), fileProblemText(problem)}, 500,
                               MbIconError);
            return false;
        }
        // The environment outranks the file (tests, the demo): say so
        // rather than let the technician believe the new port is used.
        const std::optional<QString> opens = linePortPath(it.key());
        if (opens && *opens != it.value())
            LangMessageBoxArgs(TxtStillOverruled, {portName(it.key()), *opens, portName(it.key())},
                               501, MbOk);
        it = m_assigned.erase(it);
    }
    setMark(m_ui->btAssign, false);
    showPortDevices();
    return true;
}

void TFormSioOptions::btOKClick()
{
    SaveSioOptions();
    accept();
}

void TFormSioOptions::btCancelClick()
{
    reject();
}

void TFormSioOptions::btHelpClick()
{
    showHelpKeyword(QStringLiteral("Serielle_Schnittstelle"));
}

void TFormSioOptions::done(int result)
{
    if (changeMarked()) {
        if (LangMessageBox(3020, 502, MbYesNo) == IdYes)
            SaveSioOptions();
        else
            clearMarks();
    }
    QDialog::done(result);
}

bool TFormSioOptions::changeMarked() const
{
    return sioMarked() || (componentTag(m_ui->btAssign) & TagChangeFlag);
}

bool TFormSioOptions::sioMarked() const
{
    return componentTag(m_ui->Sio) & TagChangeFlag;
}

void TFormSioOptions::setMark(QWidget *control, bool on)
{
    const int64_t tag = componentTag(control);
    setComponentTag(control, on ? tag | TagChangeFlag : tag & ~int64_t(TagChangeFlag));
}

void TFormSioOptions::clearMarks()
{
    setMark(m_ui->Sio, false);
    setMark(m_ui->btAssign, false);
    m_assigned.clear();
    showPortDevices();
}

// Each item names the device its number opens, so that a technician with a
// USB adapter sees at once whether COM1 is that adapter; a device the line
// driver refuses is shown as refused, with the reason below the list.
void TFormSioOptions::showPortDevices()
{
    QString note;
    for (int i = 0; i < m_ui->Sio->count() && i < m_itemTexts.size(); ++i) {
        const int n = i + 1;
        QString text = m_itemTexts.at(i) + QStringLiteral("  \u2013  ");
        if (m_assigned.contains(n)) {
            text += m_assigned.value(n) + QStringLiteral("  (") + langText(TxtNotSaved) +
                    QLatin1Char(')');
        } else {
            const LinePort port = linePortOf(n);
            if (port.status == drv::DrvOk && QFileInfo::exists(port.path)) {
                text += port.path;
            } else if (port.status == drv::DrvOk) {
                text +=
                    port.path + QStringLiteral("  (") + langText(TxtNotPresent) + QLatin1Char(')');
            } else if (port.status == drv::DrvPortNotTrusted) {
                text += (port.path.isEmpty() ? portName(n) : port.path) + QStringLiteral("  (") +
                        langText(TxtRefused) + QLatin1Char(')');
                if (i == m_ui->Sio->currentIndex())
                    note = langFormatId(TxtRefusedNote,
                                        {portName(n), port.path, refusalReason(port.path)});
            } else if (port.status == drv::DrvOutOfOrder) {
                text += langText(TxtDriverMissing);
            } else {
                text += statusMeaning(port.status);
            }
        }
        m_ui->Sio->setItemText(i, text);
    }
    m_ui->PortNote->setText(note);
    m_ui->PortNote->setVisible(!note.isEmpty());
}

void TFormSioOptions::fillPortMenu()
{
    m_portMenu->clear();
    const QList<SerialPort> ports = portSource ? portSource() : QList<SerialPort>();
    if (ports.isEmpty()) {
        m_portMenu->addAction(langText(3007))->setEnabled(false);
        return;
    }
    // The port the selected number opens (or will open after "Ok") carries
    // a tick.
    const int n = m_ui->Sio->currentIndex() + 1;
    const std::optional<QString> current =
        m_assigned.contains(n) ? std::optional<QString>(m_assigned.value(n)) : linePortPath(n);
    for (const SerialPort &port : ports) {
        QAction *a = m_portMenu->addAction(port.label);
        a->setData(port.path);
        a->setCheckable(true);
        a->setChecked(current && *current == port.path);
        connect(a, &QAction::triggered, this, [this, path = port.path] { assignPort(path); });
    }
}

void TFormSioOptions::assignPort(const QString &path)
{
    const int n = m_ui->Sio->currentIndex() + 1;
    if (n < 1)
        return;
    m_assigned.insert(n, path);
    setMark(m_ui->btAssign, true);
    showPortDevices();
}
