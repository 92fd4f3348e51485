#include "sio_opt.h"

#include "addresstable.h"
#include "componentkind.h"
#include "helpentry.h"
#include "inisettings.h"
#include "langsupp.h"
#include "lineport.h"
#include "lineports.h"
#include "translateform.h"
#include "ui_sio_opt.h"

#include <QFileInfo>
#include <QMenu>
#include <QShowEvent>
#include <QSignalBlocker>

namespace {

constexpr int PortCount = 4;

QString portName(int n)
{
    return QStringLiteral("COM") + QString::number(n);
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
    setChangeMark(false);
    showPortDevices();
}

void TFormSioOptions::SioChange()
{
    setChangeMark(true);
    m_ui->btAssign->setEnabled(m_ui->Sio->currentIndex() >= 0);
}

void TFormSioOptions::SaveSioOptions()
{
    if (!changeMarked() || m_ui->Sio->currentIndex() < 0)
        return;
    try {
        WriteComPort(uint8_t(m_ui->Sio->currentIndex() + 1));
        setChangeMark(false);
    } catch (const IniWriteError &e) {
        LangErrorBox(e.text());
    }
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
            setChangeMark(false);
    }
    QDialog::done(result);
}

bool TFormSioOptions::changeMarked() const
{
    return componentTag(m_ui->Sio) & TagChangeFlag;
}

void TFormSioOptions::setChangeMark(bool on)
{
    const int64_t tag = componentTag(m_ui->Sio);
    setComponentTag(m_ui->Sio, on ? tag | TagChangeFlag : tag & ~int64_t(TagChangeFlag));
}

// Each item names the device its number opens, so that a technician with a
// USB adapter sees at once whether COM1 is that adapter.
void TFormSioOptions::showPortDevices()
{
    for (int i = 0; i < m_ui->Sio->count() && i < m_itemTexts.size(); ++i) {
        const std::optional<QString> path = linePortPath(i + 1);
        QString text = m_itemTexts.at(i) + QStringLiteral("  \u2013  ");
        if (!path)
            text += langText(3008);
        else if (QFileInfo::exists(*path))
            text += *path;
        else
            text += *path + QStringLiteral("  (") + langText(3006) + QLatin1Char(')');
        m_ui->Sio->setItemText(i, text);
    }
}

void TFormSioOptions::fillPortMenu()
{
    m_portMenu->clear();
    const QList<SerialPort> ports = findSerialPorts(deviceDirectory);
    if (ports.isEmpty()) {
        m_portMenu->addAction(langText(3007))->setEnabled(false);
        return;
    }
    // The port the selected number opens now carries a tick.
    const std::optional<QString> current = linePortPath(m_ui->Sio->currentIndex() + 1);
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
    if (!WriteLinePort(n, path)) {
        LangMessageBoxArgs(3021, {linePortConfPath()}, 500, MbIconError);
        return;
    }
    showPortDevices();
    const std::optional<QString> opens = linePortPath(n);
    if (opens && *opens != path)
        LangMessageBoxArgs(3022, {portName(n), *opens, portName(n)}, 501, MbOk);
}
