// The calibration page (two-point calibration of the temperature input) and
// the counter reset of the counters page. The arithmetic is the device
// layer's (calibration.h); the new offset and gradient are written like any
// other edit, by "Setzen".
#include "rq60main.h"

#include "addresstable.h"
#include "calibration.h"
#include "componentkind.h"
#include "devicevalues.h"
#include "displayrules.h"
#include "editmask.h"
#include "helpers.h"
#include "langsupp.h"
#include "ui_rq60main.h"
#include "wireformat.h"

#include <QLineEdit>
#include <QPushButton>

void TFormRQ60Main::connectCalibration()
{
    connect(m_ui->btReadLowerTemp, &QPushButton::clicked, this,
            &TFormRQ60Main::btReadLowerTempClick);
    connect(m_ui->btReadUpperTemp, &QPushButton::clicked, this,
            &TFormRQ60Main::btReadUpperTempClick);
    connect(m_ui->btCalcOffsetAndGradient, &QPushButton::clicked, this,
            &TFormRQ60Main::btCalcOffsetAndGradientClick);
    connect(m_ui->btDeleteAllCounter, &QPushButton::clicked, this,
            &TFormRQ60Main::btDeleteAllCounterClick);
}

// A V1x device measures at either point through P28; the store files the
// answer under the point named by the reading side.
void TFormRQ60Main::btReadLowerTempClick()
{
    if (generation() == Generation::V2x) {
        ReadTemp(170);
        return;
    }
    DeviceValues.TempReadSide = QStringLiteral("LOWER");
    ReadTemp(28);
}

void TFormRQ60Main::btReadUpperTempClick()
{
    if (generation() == Generation::V2x) {
        ReadTemp(171);
        return;
    }
    DeviceValues.TempReadSide = QStringLiteral("UPPER");
    ReadTemp(28);
}

void TFormRQ60Main::ReadTemp(int n)
{
    const QString address = QStringLiteral("P") + QString::number(n);
    // A failed read keeps the previous text; the comparison below decides
    // what the button may do with it.
    ReadValues(address);
    DisplayValues(address);
    const QString low = DeviceValues.P[170];
    const QString high = DeviceValues.P[171];
    if (low == high) {
        // The sensor has not been moved to the second point (or nothing was
        // read yet): no calculation from a single point.
        LangMessageBox(542, 502, MbOk);
        m_twoPointsRead = false;
    } else if (!low.isEmpty() && !high.isEmpty()) {
        m_twoPointsRead = true;
    }
    updateDeviceButtons();
}

// Checks a reference temperature as "Setzen" does and keeps the formatted
// text in memory; the settings file gets it only through "Setzen".
static QString checkedReference(const QString &name, const QString &text, Generation gen)
{
    FieldInput in;
    in.text = text;
    WireValue w;
    try {
        w = CheckAndFormatValue(name, in, gen);
    } catch (const ConversionError &) {
        showUnshownValues(CalculationImpossibleStringId, {{name, text.trimmed()}});
        return QString();
    }
    if (w.failed()) {
        if (w.message)
            showDeviceMessage(*w.message);
        return QString();
    }
    StoreValue(name, w.value);
    return w.value;
}

void TFormRQ60Main::btCalcOffsetAndGradientClick()
{
    const Generation gen = generation();
    const QString low =
        checkedReference(QStringLiteral("TempLowRef"), m_ui->TempLowRef->text(), gen);
    const QString high =
        checkedReference(QStringLiteral("TempHighRef"), m_ui->TempHighRef->text(), gen);
    if (low.isEmpty() || high.isEmpty())
        return;
    const CalibrationResult r =
        computeOffsetAndGradient(low, high, DeviceValues.P[170], DeviceValues.P[171],
                                 DeviceValues.P[147], DeviceValues.P[148]);
    if (r.status == CalibrationResult::NotANumber) {
        // A measured or old value that is no number (a point never read
        // is empty): nothing is computed.
        showUnshownValues(CalculationImpossibleStringId, {{r.badKey, r.badText}});
        return;
    }
    if (const std::optional<DeviceMessage> refused =
            calibrationMessage(r, low, high, DeviceValues.P[170], DeviceValues.P[171])) {
        // A result that cannot be right is not offered for writing.
        showDeviceMessage(*refused);
        return;
    }
    if (r.status == CalibrationResult::EqualMeasured) {
        // Two readings that differ only in their form (20 and 20.0) are
        // one point: dividing by their difference would give no number,
        // and none may reach the device.
        LangMessageBox(542, 502, MbOk);
        m_twoPointsRead = false;
        updateDeviceButtons();
        return;
    }
    // Right-aligned in the four positions of the fields. A result equal
    // to the text already there raises no change event, yet it is a new
    // calculation to write: both are marked either way.
    const EditMask mask(m_ui->P147neu->property("editMask").toString());
    m_ui->P147neu->setText(mask.fieldText(r.offsetText.trimmed()));
    m_ui->P148neu->setText(mask.fieldText(r.gradientText.trimmed()));
    P147neuChange();
    P148neuChange();
    setComponentTag(m_ui->btCalcOffsetAndGradient,
                    componentTag(m_ui->btCalcOffsetAndGradient) & ~int64_t(TagChangeFlag));
}

void TFormRQ60Main::btDeleteAllCounterClick()
{
    if (LangMessageBox(540, 502, MbYesNo | MbDefaultNo) != IdYes)
        return;
    const int32_t status = WriteValue(counterResetRequest(generation()));
    if (status != 0) {
        LangStatusBox(541, status, MbOk);
        return;
    }
    PageReady = false;
    TabbedNotebook1Click();
    // The counters are zero now, whatever a read during the reset returned;
    // the next successful read replaces these texts.
    PageReady = false;
    for (const auto &[key, text] : clearedCounterTexts())
        StoreValue(key, text);
    PageReady = true;
}
