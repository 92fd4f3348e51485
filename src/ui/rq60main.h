// The main window: the identification and lock panels, the notebook of five
// pages, the buttons "Setzen" and "Verwerfen", the menus and the wait
// notice. It shows what the device session reports and hands every user
// action that concerns the device to the session.
//
// The window owns its widgets and nothing else: the session owns the link
// and the device's values (devicesession.h), each notebook page its fields
// and their change marks (notebookpage.h), and the rules that turn value
// texts into field contents live in the device layer (displayrules.h).
#ifndef PXRQ60_UI_RQ60MAIN_H
#define PXRQ60_UI_RQ60MAIN_H

#include "devicesession.h"
#include "notebookpage.h"

#include <QLocale>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <memory>

namespace Ui {
class TFormRQ60Main;
}
struct DisplayOp;
class TPageArchive;
class TPageCalibration;
class TPageConversion;
class TPageCounters;
class TPageInformation;

// The name the options dialogs file their settings under.
extern QString ProgramShortName;

class TFormRQ60Main : public QMainWindow, private PageHost
{
    Q_OBJECT

public:
    // The window works with `session` (which outlives it); its creation
    // runs Init.
    explicit TFormRQ60Main(DeviceSession &session, QWidget *parent = nullptr);
    ~TFormRQ60Main() override;

    DeviceSession &session() const override { return m_session; }
    bool pageReady() const override { return PageReady; }
    int lastPageIndex() const { return LastPageIndex; }

    // What the user does, as the menus, keys and buttons do it.
    void acConnectExecute();
    void acDisconnectExecute();
    void TabbedNotebook1Click();
    void btSetClick();
    void btCancelClick();

    // Shows the stored texts of the keys in `list` in their fields. A value
    // a field cannot show (a rule that needs a decimal integer finds none)
    // leaves that field as it was and is reported in one box afterwards;
    // the other keys are still shown.
    void DisplayValues(const QString &list) override;
    void ResetChangeFlagsAndDisableButtons();

    TPageInformation *informationPage() const;
    TPageConversion *conversionPage() const;
    TPageCounters *countersPage() const;
    TPageArchive *archivePage() const;
    TPageCalibration *calibrationPage() const;
    Ui::TFormRQ60Main *ui() const { return m_ui.get(); }

protected:
    void closeEvent(QCloseEvent *event) override; // FormCloseQuery and FormClose
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    class MarkedFields;

    // Reads the settings, translates the window, gives the fields their lock
    // classes and puts the window in the state "not connected". Runs from the
    // constructor and again after every disconnect.
    void Init();
    void FormClose();
    void LostConnection();
    // Applies the calibration lock state of the link (and, for V1x devices,
    // the user lock) to the fields; also re-reads status register 1.
    void LockChanged();
    void EnableEichValues();
    void DisableEichValues();
    void EnableUserValues();
    void DisableUserValues();
    // Empties every value field after a disconnect.
    void ResetScreen();
    void btShowStatRegTextClick();
    void btClearStatusRegisterClick();
    void acReadArchivDataExecute();
    void acChangeBattCapExecute();
    // After the user lock dialog the window shows the user lock as the
    // device reported it, enables or locks the user-lock fields, and offers
    // each key dialog only while its lock is open.
    void acChangeCustomerKeyExecute();
    void acChangeSupplierKeyExecute();
    void acChangeUserLockExecute();
    void mn11PrintClick();
    void mn12PrinterSetupClick();
    void mn21SioOptClick();
    void mn22UserOptClick();
    void mn41InhaltClick();
    void mn42SuchenClick();
    void mn43InfoClick();

    // PageHost
    void setPageReady(bool ready) override { PageReady = ready; }
    void SetChangeFlagAndEnableButtons(QObject *edited) override;
    void enableSetAndCancel() override;
    void readPageShown() override { TabbedNotebook1Click(); }
    void showWaitNotice(uint16_t textId) override;
    void closeWaitNotice() override;
    void applyUserLock(bool open) override;
    void updateDeviceButtons() override;
    bool calibrationLockOpen() const override { return m_calibrationOpen; }
    QStringList userOptionsMenuPath() const override;

    QList<TNotebookPage *> notebookPages() const;
    TNotebookPage *currentPage() const;
    void applyDisplayOp(const DisplayOp &op);
    void setLockClassEnabled(uint32_t tagBit, bool enabled);
    // Whether a control may be enabled apart from its lock class: the device
    // buttons only while connected, the calculation only with two
    // measured points, P38 only while its group is shown.
    bool controlAllowed(const QWidget *w) const;
    void fillStatusPlainText();
    void assignLockClasses();
    void applyEditMasks();
    void setUserLockGroupActive(bool active);
    void setConnectedActions(bool connected);
    void selectPageQuietly(int index);
    bool answerPendingChanges(uint16_t questionId);
    QStringList pendingWriteKeys() const;
    void restoreEntryFocus(QWidget *before);
    void connectSignals();
    void connectDialogs();

    std::unique_ptr<Ui::TFormRQ60Main> m_ui;
    DeviceSession &m_session;
    bool PageReady = false;
    int LastPageIndex = 0;
    bool m_statusPlainText = false;
    bool m_firstInit = true;
    QLocale m_savedLocale;
    QString m_userMarkerStyle; // the design's style of the " B" marker
    // A connect or disconnect is running. Closing a link handles events for
    // a while; a second "Verbinden" or "Trennen" meanwhile must not start.
    bool m_cycleRunning = false;
    bool m_linkLost = false;       // the program ends; nothing can be written
    bool m_calibrationOpen = true; // class E enabled (the design enables all)
    bool m_noticeShown = false;
    // The entry field the user was in last: "Setzen" and "Verwerfen" take the
    // focus when clicked and lose it when they disable themselves.
    QPointer<QWidget> m_lastEntryFocus;
};

#endif
