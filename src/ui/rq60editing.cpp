// Editing the main window's fields and writing them back: change marks,
// the coupled fields (H6 from H2 and H4, P37 with P38, P14 with its box,
// the two halves of L27), "Setzen" and "Verwerfen". What a field's text
// becomes on the wire is decided by the device layer (wireformat.h); this
// file only collects the texts, writes and reports.
#include "rq60main.h"

#include "addresstable.h"
#include "componentkind.h"
#include "devicevalues.h"
#include "editmask.h"
#include "helpers.h"
#include "inisettings.h"
#include "langsupp.h"
#include "ui_rq60main.h"
#include "wireformat.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QSet>
#include <QSpinBox>
#include <exception>
#include <functional>

namespace {

// Runs a function when its widget loses the input focus (the fields' exit
// event).
class ExitWatcher : public QObject
{
public:
    ExitWatcher(QObject *parent, std::function<void()> onExit)
        : QObject(parent), m_onExit(std::move(onExit))
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::FocusOut)
            m_onExit();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_onExit;
};

// The fields whose change only marks them; the coupled fields have handlers
// of their own.
const char *const PlainChangeFields[] = {
    "H1",     "H23",     "H2",   "H4",   "L7",   "L8",   "L12",        "L18",
    "L27Low", "L27High", "L123", "L124", "L156", "L157", "P1",         "P2",
    "P3",     "P4",      "P13",  "P14",  "P310", "P311", "TempLowRef", "TempHighRef"};

bool hasChangeFlag(const QObject *o)
{
    return o && (componentTag(o) & TagChangeFlag);
}

void setChangeFlag(QObject *o, bool on)
{
    if (!o)
        return;
    const int64_t tag = componentTag(o);
    setComponentTag(o, on ? (tag | TagChangeFlag) : (tag & ~int64_t(TagChangeFlag)));
}

// The refusal of a write: caption "Fehler <status>", the key and the text
// that did not reach the device.
void showWriteRefused(const QString &key, const QString &value, int32_t status)
{
    LangStatusBoxArgs(518, {key, value}, status);
}

} // namespace

void TFormRQ60Main::connectEditing()
{
    for (const char *name : PlainChangeFields) {
        QObject *field = findChild<QObject *>(QLatin1String(name));
        if (auto *edit = qobject_cast<QLineEdit *>(field))
            connect(edit, &QLineEdit::textChanged, this,
                    [this, edit] { SetChangeFlagAndEnableButtons(edit); });
        else if (auto *spin = qobject_cast<QSpinBox *>(field))
            connect(spin, &QSpinBox::valueChanged, this,
                    [this, spin] { SetChangeFlagAndEnableButtons(spin); });
        // A list reports only the user's choice; the program's selections
        // while showing values stay silent.
        else if (auto *combo = qobject_cast<QComboBox *>(field))
            connect(combo, &QComboBox::activated, this,
                    [this, combo] { SetChangeFlagAndEnableButtons(combo); });
    }
    m_ui->H2->installEventFilter(new ExitWatcher(m_ui->H2, [this] { H2Exit(); }));
    m_ui->H4->installEventFilter(new ExitWatcher(m_ui->H4, [this] { H4Exit(); }));
    connect(m_ui->P14_1, &QCheckBox::clicked, this, &TFormRQ60Main::P14_1Click);
    connect(m_ui->P37, &QComboBox::activated, this, &TFormRQ60Main::P37Change);
    connect(m_ui->P38, &QSpinBox::valueChanged, this, &TFormRQ60Main::P38Change);
    connect(m_ui->P147neu, &QLineEdit::textChanged, this, &TFormRQ60Main::P147neuChange);
    connect(m_ui->P148neu, &QLineEdit::textChanged, this, &TFormRQ60Main::P148neuChange);
    connect(m_ui->btSet, &QPushButton::clicked, this, &TFormRQ60Main::btSetClick);
    connect(m_ui->btCancel, &QPushButton::clicked, this, &TFormRQ60Main::btCancelClick);
}

// Marks the field being edited. That is the field whose change event fired
// rather than whichever widget holds the focus: a turn of the mouse wheel
// over a list changes that list without giving it the focus, and marking
// the focused field instead would write a value nobody touched and lose the
// one that was changed.
void TFormRQ60Main::SetChangeFlagAndEnableButtons(QObject *edited)
{
    if (!PageReady)
        return;
    setChangeFlag(edited ? edited : QApplication::focusWidget(), true);
    m_ui->btCancel->setEnabled(true);
    m_ui->btSet->setEnabled(true);
}

// H6 is the device's sum of H2 and H4. Leaving H2 or H4 after an edit shows
// the new sum and marks H6, so that "Setzen" writes it after them. Passing
// through without an edit leaves H6 alone: the counters keep running, and
// a sum of the shown texts written later would set H6 to an old total.
void TFormRQ60Main::H2Exit()
{
    if (!PageReady || !(hasChangeFlag(m_ui->H2) || hasChangeFlag(m_ui->H4)))
        return;
    try {
        const QString sum = H2plusH4(m_ui->H2->text(), m_ui->H4->text());
        PageReady = false;
        m_ui->H6->setText(sum);
        PageReady = true;
        setChangeFlag(m_ui->H6, true);
    } catch (const ConversionError &) {
        // A half-typed counter has no sum yet; "Setzen" reports the field.
    }
}

void TFormRQ60Main::H4Exit()
{
    H2Exit();
}

// The box belongs to the cycle time: a click on it is a change of P14.
void TFormRQ60Main::P14_1Click()
{
    SetChangeFlagAndEnableButtons(m_ui->P14_1);
    setChangeFlag(m_ui->P14_1, false);
    if (PageReady)
        setChangeFlag(m_ui->P14, true);
}

// The number of pulse inputs. A V2x device has no P37: it learns the choice
// from P38 alone (0 for one input, the warning count for two). A V1x device
// takes P37 and, for two inputs, P38.
void TFormRQ60Main::P37Change()
{
    if (!PageReady)
        return;
    SetChangeFlagAndEnableButtons(m_ui->P37);
    if (generation() == Generation::V2x)
        setChangeFlag(m_ui->P37, false);
    setChangeFlag(m_ui->P38, true);

    PageReady = false;
    m_inP37Change = true;
    const bool twoInputs = m_ui->P37->currentText() != QLatin1String("1");
    m_ui->P38->setValue(twoInputs ? 1 : 0); // runs P38Change
    setWarningGroupVisible(twoInputs);
    m_inP37Change = false;
    PageReady = true;
}

// The warning count chooses the number of inputs shown in P37. Only an edit
// (or the choice in P37) moves the marks: a value the program puts in while
// showing the page is no change, and on a V1x device it must not select
// P37 from P38 either, since that device reports P37 itself.
void TFormRQ60Main::P38Change()
{
    if (!PageReady && !m_inP37Change)
        return;
    SetChangeFlagAndEnableButtons(m_ui->P38);
    m_ui->P37->setCurrentIndex(m_ui->P38->value() > 0 ? 1 : 0);
    if (generation() == Generation::V1x) {
        setChangeFlag(m_ui->P37, true);
        if (m_ui->P38->value() == 0)
            setChangeFlag(m_ui->P38, false);
    }
}

// The calculation fills the new offset and gradient from code; they are
// changes to write all the same.
void TFormRQ60Main::P147neuChange()
{
    setChangeFlag(m_ui->P147neu, true);
    m_ui->btCancel->setEnabled(true);
    m_ui->btSet->setEnabled(true);
}

void TFormRQ60Main::P148neuChange()
{
    setChangeFlag(m_ui->P148neu, true);
    m_ui->btCancel->setEnabled(true);
    m_ui->btSet->setEnabled(true);
}

FieldInput TFormRQ60Main::fieldInput(const QString &name) const
{
    FieldInput in;
    QObject *field = findChild<QObject *>(name);
    if (auto *edit = qobject_cast<QLineEdit *>(field)) {
        in.text = edit->text();
    } else if (auto *combo = qobject_cast<QComboBox *>(field)) {
        in.text = combo->currentText();
        in.index = combo->currentIndex();
    } else if (auto *spin = qobject_cast<QSpinBox *>(field)) {
        in.text = QString::number(spin->value());
    }
    if (name == QLatin1String("P14")) {
        in.checked = m_ui->P14_1->isChecked();
    } else if (name == QLatin1String("H6")) {
        in.partner1 = m_ui->H2->text();
        in.partner2 = m_ui->H4->text();
    } else if (name == QLatin1String("L27Low") || name == QLatin1String("L27High")) {
        in.partner1 = QString::number(m_ui->L27Low->value());
        in.partner2 = QString::number(m_ui->L27High->value());
    }
    return in;
}

// Writes one checked value; false when it did not reach its place.
bool TFormRQ60Main::writeFieldValue(const WireValue &w)
{
    const QString settingsKey = w.settingsKey();
    if (!settingsKey.isEmpty()) {
        // The reference temperatures belong to this PC's calibration set-up,
        // not to the device: they go to the settings file only.
        try {
            if (settingsKey == QLatin1String("TEMPLOW"))
                WriteTempLow(w.value);
            else
                WriteTempHigh(w.value);
        } catch (const IniWriteError &) {
            LangMessageBox(519, 500, MbOk);
            return false;
        }
        StoreValue(w.key, w.value);
        return true;
    }
    // Unconfirmed writes are read back; only the exact text sent counts as
    // written. On success the store holds what the device answered.
    const int32_t status = WriteValueConfirmed(w.key, w.value);
    if (status != 0) {
        showWriteRefused(w.key, w.value, status);
        return false;
    }
    return true;
}

// "Setzen" and "Verwerfen" disable themselves when done, and Qt then moves
// the focus on to the next control. The technician stays where they were:
// in the field they were editing (also when they clicked the button).
void TFormRQ60Main::restoreEntryFocus(QWidget *before)
{
    QWidget *target = before;
    if (!target || target == m_ui->btSet || target == m_ui->btCancel)
        target = m_lastEntryFocus;
    if (target && target->isVisible() && target->isEnabled())
        target->setFocus();
}

void TFormRQ60Main::btSetClick()
{
    const QPointer<QWidget> focusBefore = QApplication::focusWidget();
    const Generation gen = generation();
    QList<QObject *> flagged;
    for (const QString &name : writeOrder())
        if (QObject *field = findChild<QObject *>(name); hasChangeFlag(field))
            flagged << field;
    // The buttons are enabled only by an edit; with nothing marked there is
    // nothing to write and no success to report.
    if (flagged.isEmpty())
        return;

    QWidget *firstFailed = nullptr;
    QSet<QString> keysDone;
    try {
        for (QObject *field : flagged) {
            // L27 is one address for both spin fields: written (or refused)
            // once per "Setzen"; a written L27 has unmarked its other half.
            if (!hasChangeFlag(field))
                continue;
            const WireValue w =
                CheckAndFormatValue(field->objectName(), fieldInput(field->objectName()), gen);
            bool ok = false;
            if (w.failed()) {
                if (w.message)
                    showDeviceMessage(*w.message);
            } else if (!keysDone.contains(w.key)) {
                keysDone.insert(w.key);
                ok = writeFieldValue(w);
            }
            if (!ok) {
                if (!firstFailed)
                    firstFailed = qobject_cast<QWidget *>(field);
                continue;
            }
            // Unmarked before the field shows the device's answer, so that
            // a value it cannot show does not get it written twice.
            setChangeFlag(field, false);
            if (w.key == QLatin1String("L27")) {
                setChangeFlag(m_ui->L27Low, false);
                setChangeFlag(m_ui->L27High, false);
            }
            DisplayValues(w.key);
        }
    } catch (const std::exception &) {
        LangMessageBox(521, 500, MbOk);
        return;
    } catch (const ConversionError &) {
        // A text that should hold a number and does not, for example an
        // emptied L18: the fields not yet written keep their marks.
        LangMessageBox(521, 500, MbOk);
        return;
    }
    if (firstFailed) {
        firstFailed->setFocus();
        return;
    }
    LangMessageBox(520, 501, MbOk);
    m_ui->btCancel->setEnabled(false);
    m_ui->btSet->setEnabled(false);
    restoreEntryFocus(focusBefore);
}

void TFormRQ60Main::btCancelClick()
{
    const QPointer<QWidget> focusBefore = QApplication::focusWidget();
    ResetChangeFlagsAndDisableButtons();
    TabbedNotebook1Click();
    if (m_ui->TabbedNotebook1->currentIndex() == 4) {
        // Emptying them is a change by their own rule; it is no edit here.
        m_ui->P147neu->clear();
        m_ui->P148neu->clear();
        ResetChangeFlagsAndDisableButtons();
    }
    restoreEntryFocus(focusBefore);
}
