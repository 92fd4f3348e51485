// The serial options dialog ("Optionen Schnittstelle"): which port number
// the link opens, COM1 to COM4, kept as key COM of section COMM.
//
// On Linux a port number names a device by the line driver's rule; each item
// shows the device its number opens and whether it is there, and "Zuordnen"
// gives the selected number one of the ports found on the machine (a line
// of sline_32.conf). The settings file keeps the number, so its format stays.
//
// Created on demand with the main window as parent, shown modally, released
// when closed. It needs nothing from the main window.
#ifndef PXRQ60_UI_SIO_OPT_H
#define PXRQ60_UI_SIO_OPT_H

#include <QDialog>
#include <QStringList>
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
    // change mark and shows each number's device. Runs when the dialog is
    // shown.
    void FormActivate();
    // The user picked an item: it is marked as changed.
    void SioChange();
    // A marked choice goes to the record and the file; a refused write is
    // shown in the standard error box and the mark stays.
    void SaveSioOptions();
    void btOKClick(); // saves, then closes (also when saving failed)
    void btCancelClick();
    void btHelpClick();

    // Gives the selected port number the device `path` in sline_32.conf and
    // shows the item anew; reports a file that cannot be written, and a
    // number that still opens another device because a setting of higher
    // rank (the environment) names it.
    void assignPort(const QString &path);
    // The menu of "Zuordnen": one entry per port found, whose data is the
    // path to assign.
    QMenu *portMenu() const { return m_portMenu; }

    // Where "Zuordnen" looks for ports; tests point it at a tree of their own.
    QString deviceDirectory = QStringLiteral("/dev");

    bool changeMarked() const;
    Ui::TFormSioOptions *ui() const { return m_ui.get(); }

protected:
    void showEvent(QShowEvent *event) override;
    // FormClose: every way of closing passes here; with the mark still set
    // it asks whether to save.
    void done(int result) override;

private:
    void setChangeMark(bool on);
    void showPortDevices();
    void fillPortMenu();

    std::unique_ptr<Ui::TFormSioOptions> m_ui;
    QMenu *m_portMenu = nullptr;
    QStringList m_itemTexts; // the translated items, before the devices
    bool m_shown = false;
};

#endif
