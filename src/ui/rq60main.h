// The main window: the cycle connect, read the selected page, (edit, write
// back,) disconnect, and the display of the device's values.
//
// The window owns its widgets and nothing else. The value store, the
// settings record and the link object are program-wide; the rules that turn
// value texts into field contents live in the device layer (displayrules.h,
// addresstable.h) and are only applied here.
#ifndef PXRQ60_UI_RQ60MAIN_H
#define PXRQ60_UI_RQ60MAIN_H

#include "devicetypes.h"

#include <QLocale>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <memory>

namespace Ui {
class TFormRQ60Main;
}
class TCommClass;
struct DisplayOp;
struct FieldInput;
struct WireValue;
class QWidget;

// The name the options dialogs file their settings under.
extern QString ProgramShortName;

class TFormRQ60Main : public QMainWindow
{
    Q_OBJECT

public:
    explicit TFormRQ60Main(QWidget *parent = nullptr);
    ~TFormRQ60Main() override;

    // Reads the settings, translates the window, gives the fields their lock
    // classes and puts the window in the state "not connected". Runs from the
    // constructor and again after every disconnect.
    void Init();
    // Opens the current link with the port and line settings of the settings
    // file; ChannelOpen tells whether that worked (message 510 when not).
    void OpenCom();
    void DisConnect();

    // Shows the stored texts of the keys in `list` in their fields. A value
    // a field cannot show (a rule that needs a decimal integer finds none)
    // leaves that field as it was and is reported in one box afterwards;
    // the other keys are still shown.
    void DisplayValues(const QString &list);
    // Applies the calibration lock state of the link (and, for V1x devices,
    // the user lock) to the fields; also re-reads status register 1.
    void LockChanged(TCommClass *sender);
    void EnableEichValues();
    void DisableEichValues();
    void EnableUserValues();
    void DisableUserValues();
    // Empties every value field after a disconnect.
    void ResetScreen();
    void ResetChangeFlagsAndDisableButtons();

    bool ChannelOpen = false;
    bool PageReady = false;
    int LastPageIndex = 0;
    float DeviceVersion = 0.0f;
    Generation generation() const;

    // Action slots, public so that tests can drive the window as the user.
    void acConnectExecute();
    void acDisconnectExecute();
    void TabbedNotebook1Click();
    void LostConnection(TCommClass *sender);
    void btShowStatRegTextClick();
    void btClearStatusRegisterClick();
    void mn41InhaltClick();
    void mn42SuchenClick();
    void mn43InfoClick();
    void acChangeBattCapExecute();
    // The options dialogs and the lock key dialogs (rq60dialogs.cpp). After
    // the user lock dialog the window shows the user lock as the device
    // reported it, enables or locks the user-lock fields, and offers each
    // key dialog only while its lock is open.
    void mn21SioOptClick();
    void mn22UserOptClick();
    void acChangeCustomerKeyExecute();
    void acChangeSupplierKeyExecute();
    void acChangeUserLockExecute();
    // Editing and write-back (rq60editing.cpp). "Setzen" writes every
    // marked field in the write order and shows what the device stored;
    // "Verwerfen" drops the marks and reads the page again.
    void btSetClick();
    void btCancelClick();
    // Marks `edited` (the field whose change event fired; the focused
    // widget when none is given) and enables both buttons; nothing while
    // PageReady is false.
    void SetChangeFlagAndEnableButtons(QObject *edited = nullptr);
    void H2Exit();
    void H4Exit();
    void P14_1Click();
    void P37Change();
    void P38Change();
    void P147neuChange();
    void P148neuChange();
    // The calibration page and the counter reset (rq60calibration.cpp).
    void ReadTemp(int n);
    void btReadLowerTempClick();
    void btReadUpperTempClick();
    void btCalcOffsetAndGradientClick();
    void btDeleteAllCounterClick();
    // The archive page, its export and printing (rq60archive.cpp).
    // DispArchiv lists the archive of the store (V2x) or of the DS records
    // (V1x) in the two grids; rows a readout does not reach keep their text.
    void DispArchiv();
    // Reads the archive through the page switch unless its page is shown,
    // then exports.
    void acReadArchivDataExecute();
    // Writes the TEMP file(s) of the archive last read: one for V2x (its
    // values read again first), two for V1x.
    void btCreateTempFileClick();
    // The print dialog, then the window's image on one page; cancelling
    // prints nothing.
    void mn11PrintClick();
    void mn12PrinterSetupClick();

    Ui::TFormRQ60Main *ui() const { return m_ui.get(); }

protected:
    void closeEvent(QCloseEvent *event) override; // FormCloseQuery and FormClose

private:
    void applyDisplayOp(const DisplayOp &op);
    void setLockClassEnabled(uint32_t tagBit, bool enabled);
    // Whether a control may be enabled apart from its lock class: the device
    // buttons only while connected, the calculation only with two
    // measured points, P38 only while its group is shown.
    bool controlAllowed(const QWidget *w) const;
    void updateDeviceButtons();
    void setEntryLook(QWidget *w, bool unlocked);
    void fillStatusPlainText();
    void assignLockClasses();
    void applyEditMasks();
    void setWarningGroupVisible(bool visible);
    void setTemperatureRangeVisible(bool visible);
    void setUserLockGroupActive(bool active);
    void setConnectedActions(bool connected);
    void selectPageQuietly(int index);
    bool answerPendingChanges(uint16_t questionId);
    int32_t readDsArchive();
    QStringList pendingWriteKeys() const;
    void restoreEntryFocus(QWidget *before);
    void showWaitNotice(uint16_t textId);
    void closeWaitNotice();
    void FormClose();
    void connectDisplay();
    void connectEditing();
    void connectCalibration();
    void connectArchive();
    void connectDialogs();
    FieldInput fieldInput(const QString &name) const;
    bool writeFieldValue(const WireValue &w);

    std::unique_ptr<Ui::TFormRQ60Main> m_ui;
    bool m_statusPlainText = false;
    bool m_firstInit = true;
    QLocale m_savedLocale;
    QString m_userMarkerStyle;  // the design's style of the " B" marker
    bool m_inP37Change = false; // P38 is being set by the choice in P37
    // A connect or disconnect is running. Closing a link handles events for
    // a while; a second "Verbinden" or "Trennen" meanwhile must not start.
    bool m_cycleRunning = false;
    bool m_linkLost = false;          // the program ends; nothing can be written
    bool m_calibrationOpen = true;    // class E enabled (the design enables all)
    bool m_warningGroupShown = false; // P38 with its marker and labels
    bool m_twoPointsRead = false;     // two different measured temperatures
    bool m_noticeShown = false;
    // The entry field the user was in last: "Setzen" and "Verwerfen" take the
    // focus when clicked and lose it when they disable themselves.
    QPointer<QWidget> m_lastEntryFocus;
};

#endif
