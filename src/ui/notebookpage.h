// A page of the main window's notebook: a widget of its own (with its own
// design) that holds its fields, their change marks, and what the page does
// when it is chosen. The main window hosts the pages and gives them what
// is the window's: the device session, PageReady, the buttons "Setzen" and
// "Verwerfen", the display of values and the wait notice (PageHost).
//
// A field's change mark is bit 16 of its Tag, as in every entry dialog of
// the program.
#ifndef PXRQ60_UI_NOTEBOOKPAGE_H
#define PXRQ60_UI_NOTEBOOKPAGE_H

#include "devicetypes.h"

#include <QString>
#include <QStringList>
#include <QWidget>
#include <cstdint>

class DeviceSession;

// What a page takes from the window that hosts it.
class PageHost
{
public:
    virtual ~PageHost();
    virtual DeviceSession &session() const = 0;
    // False while the program fills fields: their change events are no edits.
    virtual bool pageReady() const = 0;
    virtual void setPageReady(bool ready) = 0;
    // Marks `edited` and enables "Setzen" and "Verwerfen"; nothing while
    // the page is not ready.
    virtual void SetChangeFlagAndEnableButtons(QObject *edited) = 0;
    // Enables "Setzen" and "Verwerfen" for marks a page set itself.
    virtual void enableSetAndCancel() = 0;
    virtual void DisplayValues(const QString &list) = 0;
    // Reads and shows the page on display again (the page switch).
    virtual void readPageShown() = 0;
    virtual void showWaitNotice(uint16_t textId) = 0;
    virtual void closeWaitNotice() = 0;
    // Applies the user lock of a V1x device to the fields of its class.
    virtual void applyUserLock(bool open) = 0;
    // The buttons that talk to the device follow what they may do now.
    virtual void updateDeviceButtons() = 0;
    // Whether the calibration lock is open (class E enabled).
    virtual bool calibrationLockOpen() const = 0;
    // The menu and the entry of the user options, as the window shows them
    // without their "&": messages point the technician there.
    virtual QStringList userOptionsMenuPath() const = 0;
};

class TNotebookPage : public QWidget
{
    Q_OBJECT

public:
    explicit TNotebookPage(QWidget *parent = nullptr);

    // Takes the host and connects the fields' events to it; the window
    // calls it once its fields are set up (masks applied).
    void setHost(PageHost *host);

    // The page's number in the notebook (its address lists and help topic).
    virtual int pageIndex() const = 0;
    // Reads the page's values and shows them; gives the status of the reads.
    virtual int32_t readAndShow();
    // Whether a failed read of this page is reported (message 514).
    virtual bool reportsFailedReads(Generation generation) const;
    // The help context the notebook takes while this page was read last; 0
    // leaves the notebook's as it is.
    virtual int helpContext(Generation generation) const;

    // The change marks of the page's fields.
    static bool isMarked(const QObject *field);
    static void setMarked(QObject *field, bool marked);
    // The page's fields that carry a mark, by name.
    QStringList markedFields() const;

protected:
    PageHost &host() const { return *m_host; }
    // Connects the page's own events; runs once from setHost.
    virtual void connectFields() = 0;
    // Connects the change events of `names` (the fields whose edit only
    // marks them) to the host's change handling. A list reports only the
    // user's choice; the program's selections stay silent.
    void markOnChange(const QStringList &names);

private:
    PageHost *m_host = nullptr;
};

#endif
