// The battery capacity dialog. After a battery change the technician tells
// the device the capacity of the new battery (0.0 to 9.9 Ah); the device
// answers with the remaining operating time it expects, in months.
//
// The device keeps both in L35: "c.c;mmm", capacity, a separator, months.
// The dialog reads L35 when it is shown, lets the user step or type the
// capacity, writes it and shows the months the device reports back. It
// touches no other window: whoever opens it takes the new months from
// runTimeWritten() (the main window puts them into its field L35).
//
// Created on demand with the main window as parent, shown modally, released
// when closed; every device exchange goes through the device session and
// blocks the dialog.
#ifndef PXRQ60_UI_BATTCAP_H
#define PXRQ60_UI_BATTCAP_H

#include <QDialog>
#include <QString>
#include <memory>

namespace Ui {
class TFormBattCap;
}
class DeviceSession;

class TFormBattCap : public QDialog
{
    Q_OBJECT

public:
    // FormCreate: translates the dialog; "Verwerfen" and "Setzen" start
    // disabled, nothing is marked as changed.
    explicit TFormBattCap(DeviceSession &session, QWidget *parent = nullptr);
    ~TFormBattCap() override;

    // Reads L35 and fills the fields; a failed read shows message 603 with
    // the status in the caption and leaves both fields empty. Runs when the
    // dialog is shown.
    void FormShow();
    // An edit of the capacity, typed or stepped, marks it and enables
    // "Verwerfen" and "Setzen"; the program's own filling does not.
    void RestCapChange();
    // One step of 0.1 Ah; the arrows stop at 9.9 and at 0.1.
    void SpinButton1UpClick();
    void SpinButton1DownClick();
    // Writes the capacity. Success: the device's months are shown, handed on
    // by runTimeWritten() and reported with message 600. Failure: message
    // 601 with the status; the edit stays pending.
    void btSetClick();
    // With an edit not yet written, asks (602) whether to write it; closes
    // afterwards, also when the write failed. A capacity that is no number
    // keeps the dialog open so that it can be corrected.
    void btOKClick();
    void btCancelClick();
    void BtHelpClick();

    // The months the dialog shows.
    QString RestRunTimeText() const;

    Ui::TFormBattCap *ui() const { return m_ui.get(); }

signals:
    // The device took a new capacity and expects this many months (decimal,
    // no leading zeros).
    void runTimeWritten(const QString &months);

protected:
    void showEvent(QShowEvent *event) override;

private:
    enum class SetOutcome { Written, WriteFailed, NotANumber };
    SetOutcome setCapacity();
    bool capacityTenths(int *tenths);
    void showCapacityTenths(int tenths);
    void setChangePending(bool pending);

    std::unique_ptr<Ui::TFormBattCap> m_ui;
    DeviceSession &m_session;
    // False while the program fills RestCap: those changes are no edits.
    bool m_handlersActive = false;
    bool m_shown = false;
};

#endif
