// The user options dialog ("Optionen Anwender"): the archive readout and
// export settings of section USER_OPTIONS.
//
// Each of the seven setting controls keeps a change mark (Tag bit 16); "Ok"
// saves the marked ones, in a fixed order, to the record and the file;
// closing with marks left asks whether to save them. Readout mode, channel
// mode, code mark and access code are shown but locked for this program
// (short name "PXRQ60"); the reader, the export file number and the export
// directory can be changed, the directory only through " . . .".
//
// Created on demand with the main window as parent, shown modally, released
// when closed.
#ifndef PXRQ60_UI_USER_OPT_H
#define PXRQ60_UI_USER_OPT_H

#include <QDialog>
#include <QList>
#include <memory>

namespace Ui {
class TFormUserOptions;
}

class TFormUserOptions : public QDialog
{
    Q_OBJECT

public:
    // FormCreate: translates the dialog and centres it on the screen.
    explicit TFormUserOptions(QWidget *parent = nullptr);
    ~TFormUserOptions() override;

    // Locks the four fields this program does not change, fills every
    // control from IniSettings and clears all marks. Runs when the dialog
    // is shown.
    void FormActivate();
    void ShowUserOptions();
    void ClearUserOptionMarks();
    // Writes the marked controls in the order readout mode, channel mode,
    // code mark, export file number, reader, export directory, access code,
    // clearing each mark as its key is written. A key that cannot be written
    // ends the save with a box naming the file and the reason: that control
    // and those after it keep their marks (and the record its old values).
    // False when a key could not be written.
    bool SaveUserOptions();
    // Opens the directory chooser at the export directory; a chosen one
    // goes into Edit2 and is marked.
    void btSelectTempPathClick();
    void btOKClick(); // saves, then closes (also when saving failed)
    void btCancelClick();
    void btHelpClick();

    // The seven setting controls in their saving order.
    QList<QWidget *> settingControls() const;
    bool changeMarked(const QWidget *control) const;
    // The index of the selected channel mode item; -1 when none.
    int channelModeIndex() const;

    Ui::TFormUserOptions *ui() const { return m_ui.get(); }

protected:
    void showEvent(QShowEvent *event) override;
    // FormClose: every way of closing passes here.
    void done(int result) override;

private:
    void mark(QWidget *control);
    void setMark(QWidget *control, bool on);

    std::unique_ptr<Ui::TFormUserOptions> m_ui;
    bool m_shown = false;
};

#endif
