#include "parametersetdialog.h"

#include "helpentry.h"
#include "langsupp.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

enum Column { Address, Name, SetValue, DeviceValue, State, Columns };

QString lockName(LockClass lock)
{
    return langText(lock == LockClass::User ? 1009 : 1005);
}

QString dateText(const QDateTime &t)
{
    if (!t.isValid())
        return QStringLiteral("?");
    const QDateTime local = t.toLocalTime();
    return QLocale::system().toString(local.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           local.time().toString(QStringLiteral("HH:mm"));
}

} // namespace

QString transferStateText(TransferState state)
{
    switch (state) {
    case TransferState::Equal: return langText(8556);
    case TransferState::Write: return langText(8557);
    case TransferState::LockedByCalibration: return langText(8558);
    case TransferState::LockedByUser: return langText(8559);
    case TransferState::NotTransferable: break;
    }
    return langText(8560);
}

bool confirmTransfer(const TransferPlan &plan, Generation generation)
{
    QStringList skipped;
    for (const SkippedWrite &s : plan.skipped)
        skipped << QStringLiteral("%1  %2: %3").arg(s.address, s.name, lockName(s.lock));
    MessageRequest box;
    box.caption = langText(8564);
    box.captionId = 8564;
    if (plan.writes.isEmpty()) {
        box.text = langText(8568);
        box.textId = 8568;
        if (!skipped.isEmpty())
            box.text += QStringLiteral("\n\n") + langText(8566) + QLatin1Char('\n') +
                        skipped.join(QLatin1Char('\n'));
        box.flags = MbOk;
        showMessage(box);
        return false;
    }
    QStringList writes;
    for (const PlannedWrite &w : plan.writes) {
        const QString old =
            w.oldValue.isEmpty() ? langText(8563) : shownValue(w.address, w.oldValue, generation);
        writes << QStringLiteral("%1  %2: %3 → %4")
                      .arg(w.address, w.name, old, shownValue(w.address, w.value, generation));
        box.args << w.address;
    }
    box.text = langText(8565) + QLatin1Char('\n') + writes.join(QLatin1Char('\n'));
    if (!skipped.isEmpty())
        box.text += QStringLiteral("\n\n") + langText(8566) + QLatin1Char('\n') +
                    skipped.join(QLatin1Char('\n'));
    box.text += QStringLiteral("\n\n") + langText(8567);
    box.textId = 8565;
    box.flags = MbYesNo | MbDefaultNo;
    return showMessage(box) == IdYes;
}

ParameterSetDialog::ParameterSetDialog(const ParameterSet &set, const QString &fileName,
                                       const DeviceIdentity &device,
                                       const DeviceTexts &deviceValues, Generation generation,
                                       const LockStates &locks, QWidget *parent)
    : QDialog(parent), m_set(set), m_fileName(fileName), m_deviceValues(deviceValues),
      m_generation(generation), m_locks(locks), m_table(new QTableWidget(0, Columns)),
      m_summary(new QLabel), m_transferButton(new QPushButton(langText(8562))),
      m_buttons(new QDialogButtonBox)
{
    setWindowTitle(langText(8550));
    setProperty("helpKeyword", QStringLiteral("Parametersatz"));

    auto *origin = new QLabel(
        langFormatId(8551, {QFileInfo(fileName).fileName(), dateText(set.saved), set.reader,
                            shownValue(QStringLiteral("L18"), set.device.number, set.generation),
                            set.device.type.trimmed(), set.device.softwareVersion}));
    origin->setWordWrap(true);
    auto *target =
        new QLabel(langFormatId(8552, {shownValue(QStringLiteral("L18"), device.number, generation),
                                       device.type.trimmed(), device.softwareVersion}));
    target->setWordWrap(true);

    m_table->setHorizontalHeaderLabels(
        {langText(8513), langText(8514), langText(8553), langText(8554), langText(8555)});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setWordWrap(false);

    auto *buttons = m_buttons;
    m_transferButton->hide();
    // Enter closes; a transfer is never started by a stray key.
    m_transferButton->setAutoDefault(false);
    auto *help = buttons->addButton(langText(8509), QDialogButtonBox::HelpRole);
    auto *close = buttons->addButton(langText(8508), QDialogButtonBox::RejectRole);
    close->setDefault(true);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(origin);
    layout->addWidget(target);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_summary);
    layout->addWidget(buttons);
    resize(1000, 640);

    connect(m_transferButton, &QPushButton::clicked, this, &ParameterSetDialog::transfer);
    connect(help, &QPushButton::clicked, this,
            [] { showHelpKeyword(QStringLiteral("Parametersatz")); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    fill();
}

void ParameterSetDialog::setTransferFunction(TransferFunction transfer)
{
    m_transfer = std::move(transfer);
    // The button box shows every button it holds: the button joins it only
    // while there is a transfer to offer.
    if (m_transfer)
        m_buttons->addButton(m_transferButton, QDialogButtonBox::ActionRole);
    else
        m_buttons->removeButton(m_transferButton);
    m_transferButton->setVisible(bool(m_transfer));
}

void ParameterSetDialog::fill()
{
    m_rows = compareParameterSet(m_set, m_deviceValues, m_generation, m_locks);
    m_table->setRowCount(int(m_rows.size()));
    int differing = 0;
    for (int r = 0; r < m_rows.size(); ++r) {
        const CompareRow &row = m_rows.at(r);
        const QString texts[Columns] = {row.address, row.name, row.setValue,
                                        row.deviceRead ? row.deviceValue : langText(8563),
                                        transferStateText(row.state)};
        differing += row.differs;
        for (int c = 0; c < Columns; ++c) {
            auto *item = new QTableWidgetItem(texts[c]);
            if (row.differs) {
                // Marked by more than a colour: bold, and the last column
                // says what happens to it.
                QFont bold = item->font();
                bold.setBold(true);
                item->setFont(bold);
                item->setBackground(row.state == TransferState::Write ? QColor(255, 230, 160)
                                                                      : QColor(235, 235, 235));
            }
            m_table->setItem(r, c, item);
        }
    }
    m_table->resizeColumnsToContents();
    m_summary->setText(langFormatId(8561, {differing, int(m_rows.size())}));
}

bool ParameterSetDialog::transfer()
{
    if (!m_transfer)
        return false;
    const TransferPlan plan = transferPlan(m_set, m_deviceValues, m_generation, m_locks);
    if (plan.refused()) {
        showSetProblem(m_fileName, plan.problem);
        return false;
    }
    if (!confirmTransfer(plan, m_generation))
        return false;
    m_transfer(plan);
    return true;
}
