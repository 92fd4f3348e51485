// "Aktion > Parametersatz vergleichen ..." and "... übertragen ...": a set
// loaded from its file against the connected device's values, one row per
// address with the name the window shows, the set's value, the device's
// value and what a transfer would do with it; differences marked.
//
// The dialog talks to no device. "Übertragen ..." is offered when the
// opener gives a transfer function: the dialog builds the plan, asks once
// with every change and every skipped address listed, and hands the plan
// over only on "Ja".
#ifndef PXRQ60_UI_PARAMETERSETDIALOG_H
#define PXRQ60_UI_PARAMETERSETDIALOG_H

#include "transferplan.h"

#include <QDialog>
#include <functional>

class QDialogButtonBox;
class QLabel;
class QPushButton;
class QTableWidget;

class ParameterSetDialog : public QDialog
{
    Q_OBJECT

public:
    using TransferFunction = std::function<void(const TransferPlan &plan)>;

    ParameterSetDialog(const ParameterSet &set, const QString &fileName,
                       const DeviceIdentity &device, const DeviceTexts &deviceValues,
                       Generation generation, const LockStates &locks, QWidget *parent = nullptr);

    // Shows "Übertragen ..."; without it the dialog only compares.
    void setTransferFunction(TransferFunction transfer);
    // The plan, the question, and the transfer on "Ja". False when nothing
    // was handed over.
    bool transfer();

    QTableWidget *table() const { return m_table; }
    QPushButton *transferButton() const { return m_transferButton; }
    const QList<CompareRow> &rows() const { return m_rows; }

private:
    void fill();

    ParameterSet m_set;
    QString m_fileName;
    DeviceTexts m_deviceValues;
    Generation m_generation;
    LockStates m_locks;
    QList<CompareRow> m_rows;
    TransferFunction m_transfer;
    QTableWidget *m_table;
    QLabel *m_summary;
    QPushButton *m_transferButton;
    QDialogButtonBox *m_buttons;
};

// The question before a transfer: every write (address, name, old -> new,
// as the window shows the values) and every address a lock holds, with its
// lock; "Ja" / "Nein", "Nein" the default. A plan without writes is only
// reported. True on "Ja".
bool confirmTransfer(const TransferPlan &plan, Generation generation);

QString transferStateText(TransferState state);

#endif
