// Editing the main window's fields and writing them back: the change marks
// of the pages' fields, "Setzen" and "Verwerfen". The session checks,
// formats and writes; this file hands it the marked fields and shows the
// outcome.
#include "rq60main.h"

#include "addresstable.h"
#include "componentkind.h"
#include "langsupp.h"
#include "pagecalibration.h"
#include "ui_pageconversion.h"
#include "ui_pagecounters.h"
#include "ui_rq60main.h"
#include "wireformat.h"

#include "pageconversion.h"
#include "pagecounters.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>

// The pages' fields as "Setzen" sees them.
class TFormRQ60Main::MarkedFields : public ChangedFields
{
public:
    explicit MarkedFields(TFormRQ60Main &window) : m_window(window) {}

    bool isMarked(const QString &field) const override
    {
        return TNotebookPage::isMarked(m_window.findChild<QObject *>(field));
    }

    FieldInput input(const QString &name) const override
    {
        FieldInput in;
        QObject *field = m_window.findChild<QObject *>(name);
        if (auto *edit = qobject_cast<QLineEdit *>(field)) {
            in.text = edit->text();
        } else if (auto *combo = qobject_cast<QComboBox *>(field)) {
            in.text = combo->currentText();
            in.index = combo->currentIndex();
        } else if (auto *spin = qobject_cast<QSpinBox *>(field)) {
            in.text = QString::number(spin->value());
        }
        const Ui::TPageConversion *conversion = m_window.conversionPage()->ui();
        const Ui::TPageCounters *counters = m_window.countersPage()->ui();
        if (name == QLatin1String("P14")) {
            in.checked = conversion->P14_1->isChecked();
        } else if (name == QLatin1String("H6")) {
            in.partner1 = counters->H2->text();
            in.partner2 = counters->H4->text();
        } else if (name == QLatin1String("L27Low") || name == QLatin1String("L27High")) {
            in.partner1 = QString::number(conversion->L27Low->value());
            in.partner2 = QString::number(conversion->L27High->value());
        }
        return in;
    }

    // Unmarked before the field shows the device's answer, so that a value
    // it cannot show does not get it written twice.
    void written(const QString &field, const QString &key) override
    {
        TNotebookPage::setMarked(m_window.findChild<QObject *>(field), false);
        if (key == QLatin1String("L27")) {
            const Ui::TPageConversion *conversion = m_window.conversionPage()->ui();
            TNotebookPage::setMarked(conversion->L27Low, false);
            TNotebookPage::setMarked(conversion->L27High, false);
        }
        m_window.DisplayValues(key);
    }

private:
    TFormRQ60Main &m_window;
};

// Marks the field being edited. That is the field whose change event fired
// rather than whichever widget holds the focus: a turn of the mouse wheel
// over a list changes that list without giving it the focus, and marking
// the focused field instead would write a value nobody touched and lose the
// one that was changed.
void TFormRQ60Main::SetChangeFlagAndEnableButtons(QObject *edited)
{
    if (!PageReady)
        return;
    TNotebookPage::setMarked(edited ? edited : QApplication::focusWidget(), true);
    enableSetAndCancel();
}

void TFormRQ60Main::enableSetAndCancel()
{
    m_ui->btCancel->setEnabled(true);
    m_ui->btSet->setEnabled(true);
}

void TFormRQ60Main::ResetChangeFlagsAndDisableButtons()
{
    for (QObject *o : findChildren<QObject *>())
        if (TNotebookPage::isMarked(o))
            TNotebookPage::setMarked(o, false);
    m_ui->btSet->setEnabled(false);
    m_ui->btCancel->setEnabled(false);
}

// The addresses of the changed fields, in the write order, each once; the
// reference temperatures by their names.
QStringList TFormRQ60Main::pendingWriteKeys() const
{
    QStringList keys;
    for (const QString &name : writeOrder()) {
        if (!TNotebookPage::isMarked(findChild<QObject *>(name)))
            continue;
        QString key = writeKey(name, m_session.generation());
        if (key == QLatin1String("TempLowRef"))
            key = langText(550);
        else if (key == QLatin1String("TempHighRef"))
            key = langText(551);
        if (!keys.contains(key))
            keys << key;
    }
    return keys;
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
    MarkedFields fields(*this);
    const WriteChangesResult result = m_session.writeChanges(fields);
    if (result.refused || result.nothingMarked || result.aborted)
        return;
    if (!result.firstFailed.isEmpty()) {
        if (auto *failed = findChild<QWidget *>(result.firstFailed))
            failed->setFocus();
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
    if (currentPage() == calibrationPage()) {
        // Emptying them is a change by their own rule; it is no edit here.
        calibrationPage()->clearNewValues();
        ResetChangeFlagsAndDisableButtons();
    }
    restoreEntryFocus(focusBefore);
}
