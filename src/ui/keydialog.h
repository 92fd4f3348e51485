// What the two dialogs that give a V1x device a new customer key or a new
// supplier key (TFormCustomerKey, TFormSupplierKey) have in common: the key
// is typed twice, "Übernehmen" is offered only when both entries match, and
// it writes the key while its lock is open. What differs (the design with
// its caption, label and field names, the lock that must be open, the
// address written) is each dialog's own.
//
// The key is never shown (each character reads "*"), never put into a
// message or log, and the fields are emptied after every write, whatever
// its outcome.
//
// Created on demand with the main window as parent, shown modally, released
// when closed; the key goes to the device through the session.
#ifndef PXRQ60_UI_KEYDIALOG_H
#define PXRQ60_UI_KEYDIALOG_H

#include <QDialog>
#include <cstdint>

class DeviceSession;
class QLineEdit;
class QPushButton;

struct KeyDialogKind {
    const char *lockAddress; // the lock that must be open (state text)
    uint16_t lockClosedId;   // message when it is closed
    const char *keyAddress;  // where the new key is written
};

class TFormKeyDialog : public QDialog
{
    Q_OBJECT

public:
    ~TFormKeyDialog() override;

    const KeyDialogKind &kind() const { return m_kind; }
    QLineEdit *firstEntry() const { return m_first; }
    QLineEdit *repeatEntry() const { return m_repeat; }
    QPushButton *captureButton() const { return m_capture; }

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

protected:
    TFormKeyDialog(const KeyDialogKind &kind, DeviceSession &session, QWidget *parent);
    // The controls of the dialog's design, once it is set up; connects
    // them and translates the dialog.
    void takeControls(QLineEdit *first, QLineEdit *repeat, QPushButton *escape,
                      QPushButton *capture, QPushButton *help);

    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    const KeyDialogKind &m_kind;
    DeviceSession &m_session;
    QLineEdit *m_first = nullptr;
    QLineEdit *m_repeat = nullptr;
    QPushButton *m_capture = nullptr;
    bool m_comparing = false; // the focus moves of a comparison are no exits
};

#endif
