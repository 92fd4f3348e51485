// The main window's fields: showing stored values, the lock states and
// their field enabling, status register 1, and emptying after a disconnect.
// What a value text turns into is decided by the display rules of the
// device layer; this file only puts the result into the widgets.
#include "rq60main.h"

#include "addresstable.h"
#include "commclass.h"
#include "componentkind.h"
#include "displayrules.h"
#include "editmask.h"
#include "fieldlook.h"
#include "helpers.h"
#include "langsupp.h"
#include "pagearchive.h"
#include "pagecalibration.h"
#include "pageconversion.h"
#include "pagecounters.h"
#include "ui_pagecalibration.h"
#include "ui_pageconversion.h"
#include "ui_pagecounters.h"
#include "ui_rq60main.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QScopeGuard>
#include <QSignalBlocker>
#include <QSpinBox>

namespace {

class StoreLookup : public ValueLookup
{
public:
    explicit StoreLookup(const TVCVal &values) : m_values(values) {}
    QString value(const QString &key) const override { return m_values.value(key); }

private:
    const TVCVal &m_values;
};

} // namespace

void TFormRQ60Main::DisplayValues(const QString &list)
{
    const bool wasReady = PageReady;
    PageReady = false;
    const auto restore = qScopeGuard([&] { PageReady = wasReady; });
    const TVCVal &values = m_session.values();
    const DisplayResult result =
        displayOperations(list, StoreLookup(values), m_session.generation(), values.TempReadSide);
    for (const DisplayOp &op : result.ops)
        applyDisplayOp(op);
    if (!result.unshown.isEmpty())
        showUnshownValues(UnshownValuesStringId, result.unshown);
}

void TFormRQ60Main::applyDisplayOp(const DisplayOp &op)
{
    QObject *target = op.field.isEmpty() ? nullptr : findChild<QObject *>(op.field);
    switch (op.kind) {
    case DisplayOpKind::SetText:
        if (auto *edit = qobject_cast<QLineEdit *>(target))
            edit->setText(op.text);
        break;
    case DisplayOpKind::SelectIndex:
        // A selection the program makes is no edit: the list stays silent.
        if (auto *combo = qobject_cast<QComboBox *>(target)) {
            const QSignalBlocker block(combo);
            combo->setCurrentIndex(op.value);
        }
        break;
    case DisplayOpKind::SetSpinValue:
        if (auto *spin = qobject_cast<QSpinBox *>(target))
            spin->setValue(op.value);
        break;
    case DisplayOpKind::SetChecked:
        if (auto *box = qobject_cast<QCheckBox *>(target))
            box->setChecked(op.value != 0);
        break;
    case DisplayOpKind::SetStateText:
        if (auto *combo = qobject_cast<QComboBox *>(target)) {
            // The lock boxes list "geschlossen" and "offen" as items 0 and 1,
            // translated from the texts that name the states.
            int index = combo->findText(langText(uint16_t(op.value)));
            if (index < 0)
                index = op.value == UserLockClosedStringId ? 0 : 1;
            const QSignalBlocker block(combo);
            combo->setCurrentIndex(index);
        }
        break;
    case DisplayOpKind::ShowWarningGroup:
        conversionPage()->setWarningGroupVisible(op.value != 0);
        break;
    case DisplayOpKind::WarningGroupFollowsP37:
        conversionPage()->setWarningGroupVisible(
            warningGroupVisible(conversionPage()->ui()->P37->currentText()));
        break;
    case DisplayOpKind::ShowMessage: showDeviceMessage(op.message); break;
    case DisplayOpKind::ShowArchive: archivePage()->DispArchiv(); break;
    }
}

void TFormRQ60Main::LockChanged()
{
    if (!m_session.link())
        return;
    // The register is read directly, not from the last page read: it tells
    // what the lock change is about.
    if (m_session.readValues(QStringLiteral("L4")) == 0)
        m_ui->StatusRegister->setText(m_session.values().L[4]);
    else
        m_ui->StatusRegister->setText(langText(500)); // "Fehler"

    const QSignalBlocker block(m_ui->Eichschloss);
    switch (m_session.lockState()) {
    case TCommClass::LockOpen:
        m_ui->Eichschloss->setCurrentIndex(1);
        EnableEichValues();
        EnableUserValues();
        break;
    case TCommClass::LockClosed:
        m_ui->Eichschloss->setCurrentIndex(0);
        DisableEichValues();
        // A V2x device has no user lock: class B is never locked there,
        // whatever a V1x device connected before left in the fields.
        if (m_session.generation() == Generation::V2x)
            EnableUserValues();
        else if (userLockClosed(m_session.values().P[0], m_session.values().P[10]))
            DisableUserValues();
        break;
    default: break;
    }
}

void TFormRQ60Main::setLockClassEnabled(uint32_t tagBit, bool enabled)
{
    if (tagBit == TagCalibrationLock)
        m_calibrationOpen = enabled;
    for (QWidget *w : findChildren<QWidget *>()) {
        if (!(componentTag(w) & tagBit))
            continue;
        const ComponentKind kind = componentKind(w);
        const bool entry = kind == ComponentKind::MaskEdit || kind == ComponentKind::ComboBox ||
                           kind == ComponentKind::SpinEdit;
        if (!entry && kind != ComponentKind::CheckBox && kind != ComponentKind::Button)
            continue;
        // An open lock does not override what else the control waits for.
        w->setEnabled(enabled && controlAllowed(w));
        if (entry)
            setEntryLook(w, enabled);
    }
}

bool TFormRQ60Main::controlAllowed(const QWidget *w) const
{
    const Ui::TPageCalibration *calibration = calibrationPage()->ui();
    if (w == conversionPage()->ui()->P38)
        return conversionPage()->warningGroupShown();
    if (w == calibration->btCalcOffsetAndGradient)
        return m_session.isConnected() && calibrationPage()->twoPointsRead();
    if (w == calibration->btReadLowerTemp || w == calibration->btReadUpperTemp ||
        w == countersPage()->ui()->btDeleteAllCounter || w == m_ui->btClearStatusRegister)
        return m_session.isConnected();
    return true;
}

// The buttons that talk to the device (or compute from what it measured):
// their lock class, if any, and whether they have anything to do.
void TFormRQ60Main::updateDeviceButtons()
{
    const Ui::TPageCalibration *calibration = calibrationPage()->ui();
    for (QWidget *b : {static_cast<QWidget *>(calibration->btReadLowerTemp),
                       static_cast<QWidget *>(calibration->btReadUpperTemp),
                       static_cast<QWidget *>(countersPage()->ui()->btDeleteAllCounter),
                       static_cast<QWidget *>(calibration->btCalcOffsetAndGradient)})
        b->setEnabled(m_calibrationOpen && controlAllowed(b));
    m_ui->btClearStatusRegister->setEnabled(controlAllowed(m_ui->btClearStatusRegister));
}

void TFormRQ60Main::EnableEichValues()
{
    setLockClassEnabled(TagCalibrationLock, true);
}
void TFormRQ60Main::DisableEichValues()
{
    setLockClassEnabled(TagCalibrationLock, false);
}
void TFormRQ60Main::EnableUserValues()
{
    setLockClassEnabled(TagUserLock, true);
}
void TFormRQ60Main::DisableUserValues()
{
    setLockClassEnabled(TagUserLock, false);
}

void TFormRQ60Main::applyUserLock(bool open)
{
    if (open)
        EnableUserValues();
    else
        DisableUserValues();
}

void TFormRQ60Main::assignLockClasses()
{
    for (QObject *o : findChildren<QObject *>()) {
        const int64_t tag = componentTag(o);
        if (tag & ~int64_t(TagStringIdMask))
            setComponentTag(o, tag & TagStringIdMask);
    }
    for (const LockAssignment &a : lockClassAssignments())
        if (QObject *o = findChild<QObject *>(a.component))
            setComponentTag(o, componentTag(o) | lockTagBit(a.lock));
}

void TFormRQ60Main::applyEditMasks()
{
    for (QLineEdit *edit : findChildren<QLineEdit *>()) {
        const QString design = edit->property("editMask").toString();
        if (!design.isEmpty())
            edit->setInputMask(EditMask(design).qtInputMask());
    }
}

// Only V1x devices have the user lock: its group is grey with a grey " B"
// until such a device is connected, and the markers beside the user-lock
// fields appear only then.
void TFormRQ60Main::setUserLockGroupActive(bool active)
{
    m_ui->gbBenutzerschloss->setEnabled(active);
    QPalette p = m_ui->gbBenutzerschloss->palette();
    p.setColor(QPalette::WindowText, active ? QColor(Qt::black) : QColor(Qt::gray));
    m_ui->gbBenutzerschloss->setPalette(p);
    QString style = m_userMarkerStyle;
    if (!active)
        style.replace(QLatin1String("color: red"), QLatin1String("color: gray"));
    m_ui->Edit10->setStyleSheet(style);
    for (int n = 13; n <= 20; ++n)
        if (auto *marker = findChild<QLineEdit *>(QStringLiteral("Edit%1").arg(n)))
            marker->setVisible(active);
}

void TFormRQ60Main::ResetScreen()
{
    const QString markerE = langText(1018);
    const QString markerB = langText(1019);
    for (QWidget *w : findChildren<QWidget *>()) {
        // The text field inside a spin field is part of it, not a field of
        // its own: emptying it would show no number instead of 0.
        if (qobject_cast<QAbstractSpinBox *>(w->parentWidget()))
            continue;
        switch (componentKind(w)) {
        case ComponentKind::Edit: {
            auto *edit = static_cast<QLineEdit *>(w);
            if (edit->text() != markerE && edit->text() != markerB &&
                edit != conversionPage()->ui()->Edit8)
                emptyField(edit);
            break;
        }
        case ComponentKind::MaskEdit: emptyField(static_cast<QLineEdit *>(w)); break;
        case ComponentKind::ComboBox: {
            const QSignalBlocker block(w);
            static_cast<QComboBox *>(w)->setCurrentIndex(-1);
            break;
        }
        case ComponentKind::SpinEdit: static_cast<QSpinBox *>(w)->setValue(0); break;
        case ComponentKind::CheckBox: static_cast<QCheckBox *>(w)->setChecked(false); break;
        default: break;
        }
    }
    selectPageQuietly(0);
    m_ui->btSet->setEnabled(false);
    m_ui->btCancel->setEnabled(false);
}

void TFormRQ60Main::btShowStatRegTextClick()
{
    if (m_statusPlainText) {
        m_ui->Memo1->hide();
        m_statusPlainText = false;
        m_ui->btShowStatRegText->setText(langText(1010));
        m_ui->btShowStatRegText->setChecked(false);
        return;
    }
    m_statusPlainText = true;
    m_ui->btShowStatRegText->setText(langText(1011));
    m_ui->btShowStatRegText->setChecked(true);
    fillStatusPlainText();
    m_ui->Memo1->show();
    m_ui->Memo1->raise();
}

void TFormRQ60Main::fillStatusPlainText()
{
    m_ui->Memo1->clear();
    int height = 25;
    for (uint16_t id : statusBitStringIds(m_session.values().L[4])) {
        height += 20;
        m_ui->Memo1->appendPlainText(langText(id));
    }
    // The list lies over the top of the notebook, right under the status
    // register group it explains.
    QWidget *group = m_ui->gbStatusRegister;
    const QPoint at = group->mapTo(m_ui->centralwidget, QPoint(0, group->height()));
    m_ui->Memo1->setGeometry(at.x(), at.y(), 474, height);
}

void TFormRQ60Main::btClearStatusRegisterClick()
{
    if (LangMessageBox(511, 502, MbYesNo | MbDefaultNo) != IdYes)
        return;
    // The device answers with what is left in the register (the open
    // calibration lock stays), which can be longer than the request: the
    // write's own buffer holds any answer, so a long one is no failure.
    WriteRequest clearing;
    clearing.address = QStringLiteral("L4");
    clearing.value = QStringLiteral("0");
    const WriteResult result = m_session.write(clearing);
    if (!result.written()) {
        LangStatusBox(512, result.status, MbOk);
        return;
    }
    m_session.readValues(QStringLiteral("L4"));
    DisplayValues(QStringLiteral("L4"));
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    // The device needs a moment before the register shows what is left.
    WaitMs(2000);
    m_session.readValues(QStringLiteral("L4"));
    DisplayValues(QStringLiteral("L4"));
}
