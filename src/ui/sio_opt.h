// The serial options dialog ("Optionen Schnittstelle"): which port number
// the link opens, COM1 to COM4, kept as key COM of section COMM.
//
// On Linux a port number names a device by the line driver's rule; each item
// shows the device its number opens and whether it is there or refused, and
// "Zuordnen" gives the selected number one of the ports found on the machine
// (a line of sline_32.conf). An assignment is a change like the choice of
// the number: marked, written with "Ok", asked about on closing and dropped
// by "No"; sline_32.conf is shared by every technician of the machine, so
// nothing reaches it before the user saves. The settings file keeps the
// number, so its format stays.
//
// Created on demand with the main window as parent, shown modally, released
// when closed. It needs nothing from the main window.
#ifndef PXRQ60_UI_SIO_OPT_H
#define PXRQ60_UI_SIO_OPT_H

#include "lineports.h"

#include <QDialog>
#include <QMap>
#include <QStringList>
#include <functional>
#include <memory>

namespace Ui {
class TFormSioOptions;
}
class QMenu;

class TFormSioOptions : public QDialog
{
    Q_OBJECT

public:
    // FormCreate: translates the dialog.
    explicit TFormSioOptions(QWidget *parent = nullptr);
    ~TFormSioOptions() override;

    // Selects the configured port (none when Com is outside 1..4), clears the
    // change marks and shows each number's device. Runs when the dialog is
    // shown.
    void FormActivate();
    // The user picked an item: it is marked as changed.
    void SioChange();
    // Writes what is marked: the assignments to sline_32.conf, then the
    // number to the settings file. A file that cannot be written is named
    // with the reason, and its mark stays. False when something stayed
    // unsaved.
    bool SaveSioOptions();
    void btOKClick(); // saves, then closes (also when saving failed)
    void btCancelClick();
    void btHelpClick();

    // Gives the selected port number the device `path`: shown at once and
    // marked, written to sline_32.conf by "Ok". Saving reports a number that
    // still opens another device because a setting of higher rank (the
    // environment) names it.
    void assignPort(const QString &path);
    // The menu of "Zuordnen": one entry per port found, whose data is the
    // path to assign.
    QMenu *portMenu() const { return m_portMenu; }

    // Where "Zuordnen" takes its ports from; tests give ports of their own.
    std::function<QList<SerialPort>()> portSource = [] { return findSerialPorts(); };

    // Any mark: the number or an assignment.
    bool changeMarked() const;
    // The assignments not yet saved: port number -> device path.
    QMap<int, QString> pendingAssignments() const { return m_assigned; }
    Ui::TFormSioOptions *ui() const { return m_ui.get(); }

protected:
    void showEvent(QShowEvent *event) override;
    // FormClose: every way of closing passes here; with a mark still set
    // it asks whether to save.
    void done(int result) override;

private:
    bool sioMarked() const;
    void setMark(QWidget *control, bool on);
    void clearMarks();
    void showPortDevices();
    void fillPortMenu();
    bool saveAssignments();

    std::unique_ptr<Ui::TFormSioOptions> m_ui;
    QMenu *m_portMenu = nullptr;
    QStringList m_itemTexts; // the translated items, before the devices
    QMap<int, QString> m_assigned;
    bool m_shown = false;
};

#endif
