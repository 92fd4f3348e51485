// The user lock dialog of V1x devices ("Benutzerschloss ändern"): sends the
// customer key (to P10) or the supplier key (to P0) to open its lock, and
// shows the states of the two locks and of the user lock they make up.
//
// The device answers a key with the new state of its lock, so an unchanged
// state means the key was wrong. Keys are never shown or put into a message,
// and a key field is emptied after each send.
//
// Created on demand with the main window as parent, shown modally, released
// when closed. It reads and writes through the device session; the lock
// states it leaves in the session's values are what the main window takes
// over afterwards.
#ifndef PXRQ60_UI_USERLOCK_H
#define PXRQ60_UI_USERLOCK_H

#include <QDialog>
#include <QString>
#include <memory>

namespace Ui {
class TFormUserLock;
}
class DeviceSession;
class QLineEdit;

class TFormUserLock : public QDialog
{
    Q_OBJECT

public:
    // FormCreate: reads P0 and P10 (a failed read keeps the old texts),
    // shows the states, translates the dialog.
    explicit TFormUserLock(DeviceSession &session, QWidget *parent = nullptr);
    ~TFormUserLock() override;

    // Sends the key in `keyText` to `address` ("P10" or "P0"). An empty key:
    // message 6105. A failed write: 518 naming the address, the key as "*".
    // Written: 6102 when the lock changed its state, 6101 when not.
    void SendKey(const QString &address, const QString &keyText);
    // Each sends its key, then reads that lock again and shows the states,
    // whatever became of the key.
    void btSendCustomerKeyClick();
    void btSendSupplierKeyClick();
    // Supplier lock, customer lock and user lock as "offen"/"geschlossen".
    void DisplayLockStates();
    void btOkClick();
    void btHelpClick();

    Ui::TFormUserLock *ui() const { return m_ui.get(); }

private:
    QLineEdit *keyFieldFor(const QString &address) const;
    void sendAndShow(const QString &address, QLineEdit *field);

    std::unique_ptr<Ui::TFormUserLock> m_ui;
    DeviceSession &m_session;
};

#endif
