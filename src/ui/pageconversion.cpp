#include "pageconversion.h"

#include "devicesession.h"
#include "fieldlook.h"
#include "ui_pageconversion.h"
#include "wireformat.h"

TPageConversion::TPageConversion(QWidget *parent)
    : TNotebookPage(parent), m_ui(std::make_unique<Ui::TPageConversion>())
{
    m_ui->setupUi(this);
}

TPageConversion::~TPageConversion() = default;

void TPageConversion::connectFields()
{
    markOnChange({"L27Low", "L27High", "L156", "L157", "P1", "P2", "P3", "P4", "P13", "P14"});
    connect(m_ui->P14_1, &QCheckBox::clicked, this, &TPageConversion::P14_1Click);
    connect(m_ui->P37, &QComboBox::activated, this, &TPageConversion::P37Change);
    connect(m_ui->P38, &QSpinBox::valueChanged, this, &TPageConversion::P38Change);
}

void TPageConversion::P14_1Click()
{
    host().SetChangeFlagAndEnableButtons(m_ui->P14_1);
    setMarked(m_ui->P14_1, false);
    if (host().pageReady())
        setMarked(m_ui->P14, true);
}

void TPageConversion::P37Change()
{
    if (!host().pageReady())
        return;
    const Generation gen = host().session().generation();
    host().SetChangeFlagAndEnableButtons(m_ui->P37);
    setMarked(m_ui->P37, pulseInputWrites(gen, m_ui->P38->value()).p37);
    setMarked(m_ui->P38, true);

    host().setPageReady(false);
    m_inP37Change = true;
    const bool twoInputs = m_ui->P37->currentText() != QLatin1String("1");
    m_ui->P38->setValue(twoInputs ? 1 : 0); // runs P38Change
    setWarningGroupVisible(twoInputs);
    m_inP37Change = false;
    host().setPageReady(true);
}

// Only an edit (or the choice in P37) moves the marks: a value the program
// puts in while showing the page is no change, and on a V1x device it must
// not select P37 from P38 either, since that device reports P37 itself.
void TPageConversion::P38Change()
{
    if (!host().pageReady() && !m_inP37Change)
        return;
    host().SetChangeFlagAndEnableButtons(m_ui->P38);
    m_ui->P37->setCurrentIndex(m_ui->P38->value() > 0 ? 1 : 0);
    const PulseInputWrites writes =
        pulseInputWrites(host().session().generation(), m_ui->P38->value());
    setMarked(m_ui->P37, writes.p37);
    setMarked(m_ui->P38, writes.p38);
}

void TPageConversion::setWarningGroupVisible(bool visible)
{
    const bool unlocked = host().calibrationLockOpen();
    m_warningGroupShown = visible;
    m_ui->P38->setVisible(visible);
    m_ui->P38->setEnabled(visible && unlocked);
    setEntryLook(m_ui->P38, unlocked);
    m_ui->Edit6->setVisible(visible);
    m_ui->lbWarnAfter->setVisible(visible);
    m_ui->lbFaultyPulses->setVisible(visible);
}

void TPageConversion::setTemperatureRangeVisible(bool visible)
{
    for (QWidget *w :
         {static_cast<QWidget *>(m_ui->Edit7), static_cast<QWidget *>(m_ui->Edit8),
          static_cast<QWidget *>(m_ui->lbTempRange), static_cast<QWidget *>(m_ui->lbTempRangeUnit),
          static_cast<QWidget *>(m_ui->L27Low), static_cast<QWidget *>(m_ui->L27High)})
        w->setVisible(visible);
}
