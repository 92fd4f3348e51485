#include "battcap.h"

#include "addresstable.h"
#include "battery.h"
#include "componentkind.h"
#include "devicesession.h"
#include "devicetypes.h"
#include "displayrules.h"
#include "editmask.h"
#include "helpentry.h"
#include "helpers.h"
#include "langsupp.h"
#include "translateform.h"
#include "ui_battcap.h"

#include <QShowEvent>
#include <cmath>
#include <optional>

namespace {

const QString BatteryAddress = QStringLiteral("L35");

// A capacity typed, or months answered, that is no number.
void showNotANumber(const QString &text)
{
    showUnshownValues(0, {{BatteryAddress, text}});
}

} // namespace

TFormBattCap::TFormBattCap(DeviceSession &session, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TFormBattCap>()), m_session(session)
{
    m_ui->setupUi(this);
    // A close button in the title bar and nothing else.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    QLineEdit *restCap = m_ui->RestCap;
    restCap->setInputMask(EditMask(restCap->property("editMask").toString()).qtInputMask());

    connect(restCap, &QLineEdit::textChanged, this, &TFormBattCap::RestCapChange);
    connect(m_ui->SpinButton1Up, &QToolButton::clicked, this, &TFormBattCap::SpinButton1UpClick);
    connect(m_ui->SpinButton1Down, &QToolButton::clicked, this,
            &TFormBattCap::SpinButton1DownClick);
    connect(m_ui->btSet, &QPushButton::clicked, this, &TFormBattCap::btSetClick);
    connect(m_ui->btOK, &QPushButton::clicked, this, &TFormBattCap::btOKClick);
    connect(m_ui->btCancel, &QPushButton::clicked, this, &TFormBattCap::btCancelClick);
    connect(m_ui->BtHelp, &QPushButton::clicked, this, &TFormBattCap::BtHelpClick);

    setChangePending(false);
    m_handlersActive = true;
    TranslateForm(this, 0);
}

TFormBattCap::~TFormBattCap() = default;

void TFormBattCap::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Restoring a minimised window shows it again; the device is read once.
    if (!event->spontaneous() && !m_shown) {
        m_shown = true;
        FormShow();
    }
}

void TFormBattCap::FormShow()
{
    // A read asks for the bare address; the protocol driver refuses a
    // request with "=" in it.
    const int32_t status = m_session.readValues(BatteryAddress);
    if (status != 0) {
        LangStatusBox(603, status);
        return;
    }
    const QString value = m_session.values().L[35];
    m_handlersActive = false;
    m_ui->RestCap->setText(batteryCapacityOf(value));
    m_handlersActive = true;
    m_ui->RestRunTime->setText(batteryMonthsOf(value));
}

void TFormBattCap::RestCapChange()
{
    if (m_handlersActive)
        setChangePending(true);
}

void TFormBattCap::SpinButton1UpClick()
{
    int tenths = 0;
    if (capacityTenths(&tenths) && tenths <= 98)
        showCapacityTenths(tenths + 1);
}

void TFormBattCap::SpinButton1DownClick()
{
    int tenths = 0;
    if (capacityTenths(&tenths) && tenths >= 2)
        showCapacityTenths(tenths - 1);
}

void TFormBattCap::btSetClick()
{
    setCapacity();
}

void TFormBattCap::btOKClick()
{
    if (m_ui->btSet->isEnabled() && LangMessageBox(602, 502, MbYesNo) == IdYes &&
        setCapacity() == SetOutcome::NotANumber)
        return;
    accept();
}

void TFormBattCap::btCancelClick()
{
    reject();
}

void TFormBattCap::BtHelpClick()
{
    showHelpKeyword(QStringLiteral("Batterie_Nennkapazit_t"));
}

QString TFormBattCap::RestRunTimeText() const
{
    return m_ui->RestRunTime->text();
}

TFormBattCap::SetOutcome TFormBattCap::setCapacity()
{
    int tenths = 0;
    if (!capacityTenths(&tenths))
        return SetOutcome::NotANumber;
    const QString capacity = batteryCapacityValue(tenths);

    // An unconfirmed write is read back; the device's months are in the text
    // it holds, which the session files in the store.
    WriteRequest request;
    request.address = BatteryAddress;
    request.value = capacity;
    request.confirmByReadBack = true;
    request.storeAnswer = true;
    const WriteResult result = m_session.write(request);
    if (!result.written()) {
        LangMessageBoxArgs(601, {result.status}, 500, MbOk);
        return SetOutcome::WriteFailed;
    }
    const QString monthsText = batteryMonthsOf(result.confirmedValue);
    int months = 0;
    try {
        months = StrToInt(TrimLeftChars(monthsText, QStringLiteral(" ")));
    } catch (const ConversionError &) {
        showNotANumber(monthsText);
        return SetOutcome::NotANumber;
    }
    const QString runTime = QString::number(months);
    m_ui->RestRunTime->setText(runTime);
    emit runTimeWritten(runTime);
    setChangePending(false);
    // Trimming the zeros of "0" leaves nothing; a flat battery is 0 months.
    QString shown = TrimLeftChars(runTime, QStringLiteral(" 0"));
    if (shown.isEmpty())
        shown = QStringLiteral("0");
    LangMessageBoxArgs(600, {shown}, 501, MbOk);
    return SetOutcome::Written;
}

// The capacity in tenths of an Ah. Whole tenths keep the arrows' limits
// exact, where 9.8 + 0.1 in binary floating point is not quite 9.9.
bool TFormBattCap::capacityTenths(int *tenths)
{
    // Both digits of the template are required: "5." is half a capacity.
    const QString text = m_ui->RestCap->text();
    const std::optional<long double> v =
        m_ui->RestCap->hasAcceptableInput() ? decimalValue(text.trimmed()) : std::nullopt;
    if (!v) {
        showNotANumber(text);
        return false;
    }
    *tenths = int(std::lround(*v * 10.0L));
    return true;
}

// The arrows' text, "%1.1f"; like a typed one it passes through RestCapChange.
void TFormBattCap::showCapacityTenths(int tenths)
{
    m_ui->RestCap->setText(batteryCapacityValue(tenths));
}

void TFormBattCap::setChangePending(bool pending)
{
    const int64_t tag = componentTag(m_ui->RestCap);
    setComponentTag(m_ui->RestCap, pending ? tag | TagChangeFlag : tag & ~int64_t(TagChangeFlag));
    m_ui->btCancel->setEnabled(pending);
    m_ui->btSet->setEnabled(pending);
}
