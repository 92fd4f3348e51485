// The two dialogs that give a V1x device a new customer key or a new
// supplier key. They are one dialog: the key is typed twice, "Übernehmen"
// is offered only when both entries match, and it writes the key while its
// lock is open. What differs (caption, label, field names, the lock that
// must be open, the address written) is the data of KeyDialogKind.
//
// The key is never shown (each character reads "*"), never put into a
// message or log, and the fields are emptied after every write, whatever
// its outcome.
//
// Created on demand with the main window as parent, shown modally, released
// when closed.
#ifndef PXRQ60_UI_KEYDIALOG_H
#define PXRQ60_UI_KEYDIALOG_H

#include <QDialog>
#include <cstdint>
#include <memory>

namespace Ui {
class TFormKeyDialog;
}
class QLineEdit;

struct KeyDialogKind {
    uint16_t captionId;      // the dialog's Tag
    uint16_t firstLabelId;   // Tag of the label of the first entry
    const char *fieldPrefix; // the entries are named prefix + "1" and + "2"
    const char *lockAddress; // the lock that must be open (state text)
    uint16_t lockClosedId;   // message when it is closed
    const char *keyAddress;  // where the new key is written
};

extern const KeyDialogKind CustomerKeyKind; // 6000, 6001, CustomerKey, P10, 6103, P11
extern const KeyDialogKind SupplierKeyKind; // 6002, 6003, SupplierKey, P0, 6104, P9

class TFormKeyDialog : public QDialog
{
    Q_OBJECT

public:
    // FormCreate: names and tags the controls after `kind` and translates.
    TFormKeyDialog(const KeyDialogKind &kind, QWidget *parent = nullptr);
    ~TFormKeyDialog() override;

    const KeyDialogKind &kind() const { return m_kind; }
    QLineEdit *firstEntry() const;
    QLineEdit *repeatEntry() const;

    // Enter in the first entry: on to the repeat entry.
    void Key1Enter();
    // Enter in the repeat entry, or leaving it: the entries are compared as
    // they stand. Different: message 6100, both emptied, "Übernehmen"
    // disabled, back to the first entry. Equal: "Übernehmen" enabled and
    // focused.
    void Key2Exit();
    // Writes the key while its lock is open (6103/6104 otherwise): message
    // 520 when written, 518 with the status when not; the dialog stays open.
    void btCaptureClick();
    void btEscapeClick();
    void btHelpClick();

    Ui::TFormKeyDialog *ui() const { return m_ui.get(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    const KeyDialogKind &m_kind;
    std::unique_ptr<Ui::TFormKeyDialog> m_ui;
    bool m_comparing = false; // the focus moves of a comparison are no exits
};

class TFormCustomerKey : public TFormKeyDialog
{
    Q_OBJECT
public:
    explicit TFormCustomerKey(QWidget *parent = nullptr) : TFormKeyDialog(CustomerKeyKind, parent)
    {
    }
};

class TFormSupplierKey : public TFormKeyDialog
{
    Q_OBJECT
public:
    explicit TFormSupplierKey(QWidget *parent = nullptr) : TFormKeyDialog(SupplierKeyKind, parent)
    {
    }
};

#endif
