// "Aktion > Änderungsprotokoll ...": the change log of a device, newest
// first, filtered by address and date; the lines shown can be saved as a
// file of the log's own format.
//
// The dialog reads the log files only; it needs no connection. It opens at
// the connected device's number, or at the first device that has a log.
#ifndef PXRQ60_UI_CHANGELOGDIALOG_H
#define PXRQ60_UI_CHANGELOGDIALOG_H

#include "changelogreader.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QTableWidget;

class ChangeLogDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ChangeLogDialog(const QString &deviceNumber = QString(),
                             const QString &folder = changeLogFolder(), QWidget *parent = nullptr);

    // Reads the log of the device with this number and shows it.
    void showDevice(const QString &deviceNumber);
    // Shows the entries that pass the filter fields.
    void applyFilter();
    // Writes the shown entries; false after telling the user why.
    bool saveShown(const QString &path);

    QList<ChangeLogEntry> shownEntries() const { return m_shown; }
    QComboBox *deviceField() const { return m_device; }
    QComboBox *addressField() const { return m_address; }
    QCheckBox *dateFilter() const { return m_byDate; }
    QDateEdit *fromField() const { return m_from; }
    QDateEdit *toField() const { return m_to; }
    QTableWidget *table() const { return m_table; }
    QLabel *summary() const { return m_summary; }

private:
    void saveClicked();
    void fillTable();

    QString m_folder;
    ChangeLogContent m_content;
    QList<ChangeLogEntry> m_shown;
    QComboBox *m_device;
    QComboBox *m_address;
    QCheckBox *m_byDate;
    QDateEdit *m_from;
    QDateEdit *m_to;
    QTableWidget *m_table;
    QLabel *m_summary;
    QPushButton *m_save;
};

// The user's words for what a log entry did: the operation, and the result
// ("bestätigt", "vom Gerät abgelehnt (-104)", "unterbrochen: ...").
QString changeOperationText(ChangeOperation operation);
QString changeEntryResultText(const ChangeLogEntry &entry);

#endif
