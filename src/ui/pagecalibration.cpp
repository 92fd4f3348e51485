#include "pagecalibration.h"

#include "addresstable.h"
#include "devicesession.h"
#include "editmask.h"
#include "fieldlook.h"
#include "langsupp.h"
#include "ui_pagecalibration.h"

TPageCalibration::TPageCalibration(QWidget *parent)
    : TNotebookPage(parent), m_ui(std::make_unique<Ui::TPageCalibration>())
{
    m_ui->setupUi(this);
}

TPageCalibration::~TPageCalibration() = default;

void TPageCalibration::connectFields()
{
    markOnChange({"TempLowRef", "TempHighRef"});
    connect(m_ui->P147neu, &QLineEdit::textChanged, this, &TPageCalibration::P147neuChange);
    connect(m_ui->P148neu, &QLineEdit::textChanged, this, &TPageCalibration::P148neuChange);
    connect(m_ui->btReadLowerTemp, &QPushButton::clicked, this,
            &TPageCalibration::btReadLowerTempClick);
    connect(m_ui->btReadUpperTemp, &QPushButton::clicked, this,
            &TPageCalibration::btReadUpperTempClick);
    connect(m_ui->btCalcOffsetAndGradient, &QPushButton::clicked, this,
            &TPageCalibration::btCalcOffsetAndGradientClick);
}

int32_t TPageCalibration::readAndShow()
{
    // The reference temperatures as last checked or written, not as the
    // settings file had them at start.
    host().DisplayValues(QStringLiteral("TempLowRef,TempHighRef"));
    const int32_t status = TNotebookPage::readAndShow();
    const TVCVal &values = host().session().values();
    m_ui->P147old->setText(values.P[147]);
    m_ui->P148old->setText(values.P[148]);
    m_twoPointsRead = false;
    host().updateDeviceButtons();
    return status;
}

void TPageCalibration::btReadLowerTempClick()
{
    ReadTemp(TempPoint::Lower);
}

void TPageCalibration::btReadUpperTempClick()
{
    ReadTemp(TempPoint::Upper);
}

void TPageCalibration::ReadTemp(TempPoint point)
{
    host().DisplayValues(host().session().readMeasuredTemperature(point));
    const QString low = host().session().values().P[170];
    const QString high = host().session().values().P[171];
    if (low == high) {
        // The sensor has not been moved to the second point (or nothing was
        // read yet): no calculation from a single point.
        LangMessageBox(542, 502, MbOk);
        m_twoPointsRead = false;
    } else if (!low.isEmpty() && !high.isEmpty()) {
        m_twoPointsRead = true;
    }
    host().updateDeviceButtons();
}

void TPageCalibration::btCalcOffsetAndGradientClick()
{
    const CalibrationOutcome outcome =
        host().session().calculateCalibration(m_ui->TempLowRef->text(), m_ui->TempHighRef->text());
    if (outcome.status == CalibrationOutcome::EqualMeasured) {
        // Two readings that differ only in their form (20 and 20.0) are
        // one point: dividing by their difference would give no number,
        // and none may reach the device.
        LangMessageBox(542, 502, MbOk);
        m_twoPointsRead = false;
        host().updateDeviceButtons();
        return;
    }
    if (outcome.status != CalibrationOutcome::Computed)
        return;
    // Right-aligned in the four positions of the fields. A result equal
    // to the text already there raises no change event, yet it is a new
    // calculation to write: both are marked either way.
    const EditMask mask(m_ui->P147neu->property("editMask").toString());
    m_ui->P147neu->setText(mask.fieldText(outcome.result.offsetText.trimmed()));
    m_ui->P148neu->setText(mask.fieldText(outcome.result.gradientText.trimmed()));
    P147neuChange();
    P148neuChange();
    setMarked(m_ui->btCalcOffsetAndGradient, false);
}

void TPageCalibration::P147neuChange()
{
    setMarked(m_ui->P147neu, true);
    host().enableSetAndCancel();
}

void TPageCalibration::P148neuChange()
{
    setMarked(m_ui->P148neu, true);
    host().enableSetAndCancel();
}

void TPageCalibration::clearNewValues()
{
    emptyField(m_ui->P147neu);
    emptyField(m_ui->P148neu);
}
