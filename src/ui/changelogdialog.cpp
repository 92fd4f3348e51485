#include "changelogdialog.h"

#include "addresscaptions.h"
#include "helpentry.h"
#include "langsupp.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

enum Column { Time, Reader, Operation, Address, Name, Old, Written, Confirmed, Result, Columns };

QString timeText(const QDateTime &t)
{
    const QDateTime local = t.toLocalTime();
    const QLocale system = QLocale::system();
    return system.toString(local.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           local.time().toString(QStringLiteral("HH:mm:ss"));
}

} // namespace

QString changeOperationText(ChangeOperation operation)
{
    switch (operation) {
    case ChangeOperation::Edit: return langText(8520);
    case ChangeOperation::Transfer: return langText(8521);
    case ChangeOperation::Calibration: return langText(8522);
    case ChangeOperation::CounterReset: return langText(8523);
    case ChangeOperation::BatteryCapacity: return langText(8524);
    case ChangeOperation::StatusClear: return langText(8525);
    case ChangeOperation::Key: return langText(8526);
    case ChangeOperation::Other: break;
    }
    return langText(8527);
}

QString changeEntryResultText(const ChangeLogEntry &entry)
{
    if (entry.interrupted())
        return langText(8535);
    const int status = entry.last().status;
    switch (changeResultOf(status)) {
    case ChangeResult::Confirmed: return langText(8530);
    case ChangeResult::NotConfirmed: return langFormatId(8531, {status});
    case ChangeResult::Refused: return langFormatId(8532, {status});
    case ChangeResult::NotSent: return langFormatId(8533, {status});
    case ChangeResult::Failed: break;
    }
    return langFormatId(8534, {status});
}

ChangeLogDialog::ChangeLogDialog(const QString &deviceNumber, const QString &folder,
                                 QWidget *parent)
    : QDialog(parent), m_folder(folder), m_device(new QComboBox), m_address(new QComboBox),
      m_byDate(new QCheckBox(langText(8504))), m_from(new QDateEdit), m_to(new QDateEdit),
      m_table(new QTableWidget(0, Columns)), m_summary(new QLabel),
      m_save(new QPushButton(langText(8507)))
{
    setWindowTitle(langText(8500));
    setProperty("helpKeyword", QStringLiteral("Aenderungsprotokoll"));

    m_device->setEditable(true);
    m_device->addItems(loggedDeviceNumbers(m_folder));
    m_device->setMinimumContentsLength(14);
    auto *show = new QPushButton(langText(8502));
    m_address->setEditable(true);
    m_address->setMinimumContentsLength(6);
    const QString systemDate = QLocale::system().dateFormat(QLocale::ShortFormat);
    for (QDateEdit *d : {m_from, m_to}) {
        d->setCalendarPopup(true);
        d->setDisplayFormat(systemDate);
        d->setDate(QDate::currentDate());
        d->setEnabled(false);
    }
    m_from->setDate(QDate::currentDate().addMonths(-1));

    auto *filters = new QGridLayout;
    filters->addWidget(new QLabel(langText(8501)), 0, 0);
    filters->addWidget(m_device, 0, 1);
    filters->addWidget(show, 0, 2);
    filters->addWidget(new QLabel(langText(8503)), 1, 0);
    filters->addWidget(m_address, 1, 1);
    auto *dates = new QHBoxLayout;
    dates->addWidget(m_byDate);
    dates->addWidget(m_from);
    dates->addWidget(new QLabel(langText(8505)));
    dates->addWidget(m_to);
    dates->addStretch(1);
    filters->addLayout(dates, 1, 2, 1, 2);
    filters->setColumnStretch(3, 1);

    m_table->setHorizontalHeaderLabels({langText(8510), langText(8511), langText(8512),
                                        langText(8513), langText(8514), langText(8515),
                                        langText(8516), langText(8517), langText(8518)});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setWordWrap(false);

    auto *buttons = new QDialogButtonBox;
    buttons->addButton(m_save, QDialogButtonBox::ActionRole);
    auto *help = buttons->addButton(langText(8509), QDialogButtonBox::HelpRole);
    auto *close = buttons->addButton(langText(8508), QDialogButtonBox::RejectRole);
    close->setDefault(true);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_summary);
    layout->addWidget(buttons);
    resize(1200, 560);

    connect(show, &QPushButton::clicked, this, [this] { showDevice(m_device->currentText()); });
    connect(m_device->lineEdit(), &QLineEdit::returnPressed, this,
            [this] { showDevice(m_device->currentText()); });
    connect(m_address, &QComboBox::currentTextChanged, this, &ChangeLogDialog::applyFilter);
    connect(m_byDate, &QCheckBox::toggled, this, [this](bool on) {
        m_from->setEnabled(on);
        m_to->setEnabled(on);
        applyFilter();
    });
    connect(m_from, &QDateEdit::dateChanged, this, &ChangeLogDialog::applyFilter);
    connect(m_to, &QDateEdit::dateChanged, this, &ChangeLogDialog::applyFilter);
    connect(m_save, &QPushButton::clicked, this, &ChangeLogDialog::saveClicked);
    connect(help, &QPushButton::clicked, this,
            [] { showHelpKeyword(QStringLiteral("Aenderungsprotokoll")); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    const QString start = deviceNumber.isEmpty() ? m_device->itemText(0) : deviceNumber;
    if (!start.isEmpty())
        showDevice(start);
    else
        fillTable();
}

void ChangeLogDialog::showDevice(const QString &deviceNumber)
{
    const QString name = changeLogFileName(deviceNumber);
    const QString path = m_folder + QLatin1Char('/') + name;
    m_content = readChangeLog(path);
    {
        const QSignalBlocker quiet(m_device);
        m_device->setEditText(name.chopped(4));
    }
    // The addresses the log holds, for the filter's list.
    QStringList addresses;
    for (const ChangeLogEntry &e : m_content.entries)
        if (!addresses.contains(e.first().address))
            addresses << e.first().address;
    std::sort(addresses.begin(), addresses.end());
    {
        const QSignalBlocker quiet(m_address);
        const QString keep = m_address->currentText();
        m_address->clear();
        m_address->addItem(QString());
        m_address->addItems(addresses);
        m_address->setEditText(keep);
    }
    applyFilter();
    if (m_content.problem)
        LangMessageBoxArgs(8538, {path, m_content.problem.describe()}, 500, MbIconError);
}

void ChangeLogDialog::applyFilter()
{
    ChangeLogFilter filter;
    filter.address = m_address->currentText();
    if (m_byDate->isChecked()) {
        filter.from = m_from->date();
        filter.to = m_to->date();
    }
    m_shown = filterChangeLog(m_content.entries, filter);
    fillTable();
}

void ChangeLogDialog::fillTable()
{
    m_table->setRowCount(int(m_shown.size()));
    for (int row = 0; row < m_shown.size(); ++row) {
        const ChangeLogEntry &e = m_shown.at(row);
        const ChangeRecord &first = e.first();
        const QString texts[Columns] = {
            timeText(first.time),
            first.reader,
            changeOperationText(first.operation),
            first.address,
            addressCaption(first.address),
            first.oldValue,
            first.written,
            e.outcome ? e.outcome->confirmed : QString(),
            changeEntryResultText(e),
        };
        // A write whose result is unknown stands out: the device may hold
        // the new value or the old one.
        const bool doubtful =
            e.interrupted() || changeResultOf(e.last().status) == ChangeResult::NotConfirmed;
        const bool failed = !doubtful && changeResultOf(e.last().status) != ChangeResult::Confirmed;
        for (int c = 0; c < Columns; ++c) {
            auto *item = new QTableWidgetItem(texts[c]);
            item->setToolTip(texts[c]); // a cut text can still be read whole
            if (doubtful)
                item->setBackground(QColor(255, 230, 160));
            else if (failed)
                item->setBackground(QColor(255, 205, 205));
            m_table->setItem(row, c, item);
        }
    }
    m_table->resizeColumnsToContents();
    QString summary;
    if (!m_content.exists && !m_device->currentText().isEmpty())
        summary = langFormatId(8537, {m_device->currentText()});
    else
        summary = langFormatId(8536, {int(m_shown.size()), int(m_content.entries.size())});
    if (m_content.unreadLines > 0)
        summary += QLatin1Char(' ') + langFormatId(8539, {m_content.unreadLines});
    m_summary->setText(summary);
    m_save->setEnabled(!m_shown.isEmpty());
}

bool ChangeLogDialog::saveShown(const QString &path)
{
    QString error;
    if (saveChangeLogEntries(path, m_shown, &error))
        return true;
    LangMessageBoxArgs(8540, {path, error}, 500, MbIconError);
    return false;
}

void ChangeLogDialog::saveClicked()
{
    const QString suggested =
        QDir::home().filePath(QStringLiteral("rq60-%1-log.csv").arg(m_device->currentText()));
    const QString path =
        QFileDialog::getSaveFileName(this, langText(8542), suggested, langText(8541));
    if (!path.isEmpty())
        saveShown(path);
}
