// The link object: owns the line driver and one protocol driver, opens and
// closes the serial line and the device dialogue, serialises every driver
// call, checks the link periodically and reports lock changes and the loss
// of the link.
//
// The program's link object belongs to its device session, which replaces
// it for a while by a "DS" link during the archive readout of V1x devices.
// Everything runs on the thread that owns the Qt event loop.
//
// Its two events are signals of its notifier() object, always emitted from
// the event loop after the periodic check has returned: lockChanged (the
// check or the connect determined the lock state) and lostConnection (a
// check failed; the link is closed by then). A receiver connects to them;
// when either side goes, the connection goes with it.
//
// Logging: category "pxrq60.link" (debug, off by default) records every
// driver call with its function, status and statusText(), and the library
// full paths of the libraries loaded. Key texts and writes of the keys never
// appear in it.
#ifndef PXRQ60_LINK_COMMCLASS_H
#define PXRQ60_LINK_COMMCLASS_H

#include "driverproc.h"
#include "langsupp.h"

#include <QLoggingCategory>
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <stdexcept>

Q_DECLARE_LOGGING_CATEGORY(lcLink)

namespace linelink {
struct LineTiming;
}

// A failure of the link object; the message comes from the language
// library (texts 9000 to 9007). status() is the driver status behind 9004,
// 9005 and 9006, 0 for the others.
class TCommClassException : public std::runtime_error
{
public:
    TCommClassException(int id, const QString &message, int32_t status = 0);
    int id() const { return m_id; }
    QString message() const { return m_message; }
    int32_t status() const { return m_status; }

private:
    int m_id;
    QString m_message;
    int32_t m_status;
};

// Raises TCommClassException with text `id` filled with `args`.
[[noreturn]] void commError(uint16_t id, LangArgs args = {});
// The same for a failed driver call: text `id` filled with `status`.
[[noreturn]] void commStatusError(uint16_t id, int32_t status);

class TCommClass;

// The link's events. Owned by the link object.
class LinkNotifier : public QObject
{
    Q_OBJECT
public:
    explicit LinkNotifier(TCommClass *link) : m_link(link) {}
    bool event(QEvent *e) override;

signals:
    void lockChanged(TCommClass *sender);
    void lostConnection(TCommClass *sender);

private:
    TCommClass *m_link;
};

class TCommClass
{
public:
    enum Option : uint8_t {
        OptPeriodicCheck = 2,   // run the periodic check while the link is up
        OptReportLock = 4,      // report lock-state changes from the check
        OptCloseLine = 8,       // closing the link also closes the line
        OptCloseAndUnload = 16, // ... and unloads both libraries
    };
    enum StateBit : uint8_t { StLoaded = 1, StLineOpen = 2, StConnected = 4 };
    enum Kind : uint8_t { KindWN = 2, KindDS = 4 };
    enum Lock : uint8_t { LockUndetermined = 0, LockOpen = 1, LockClosed = 2 };

    // Loads the line driver and the protocol driver of `selector` ("WN" or
    // "DS"); throws TCommClassException (9000, 9001) when one cannot be
    // loaded.
    explicit TCommClass(const QString &selector);
    ~TCommClass();
    TCommClass(const TCommClass &) = delete;
    TCommClass &operator=(const TCommClass &) = delete;

    void SetPort(const QString &port);             // 9007 while connected
    void SetInitString(const QString &initString); // 9007 while connected
    void SetOptions(uint8_t bits);
    void SetActive(bool active);
    bool IsConnected() const { return State & StConnected; }

    int32_t LineCall(int32_t code, char *buffer, int32_t *count, int32_t *param);
    int32_t ProtocolCall(int32_t code, char *buffer, int32_t *count, int32_t *param);
    // Sends the three ETB bytes (0x17) that end any session of the device at
    // once, whichever protocol it is in. Gives the line driver's status;
    // -1 when the line is not open (there is no session to end then).
    int32_t SendSessionEnd();

    void LoadDrivers();
    void OpenLine();
    void OpenLink();
    // Tests the link (reads L4 on "WN", a raw exchange on "DS"); gives the
    // status and the lock state found. Calls the drivers directly: its
    // callers already hold the busy flag.
    int32_t CheckLink(uint8_t &lockState);
    void CheckTick();
    void CloseLink();
    void CloseLine();
    void UnloadDrivers();

    QString PortName;
    QString InitString;
    QString LineLibraryName;
    QString ProtocolLibraryName;
    uint8_t Options = 0;
    uint8_t State = 0;
    uint8_t ProtocolKind = 0;
    uint16_t CheckInterval = 0; // ms; 0 = no periodic check
    bool Busy = false;
    uint8_t LockState = LockUndetermined;

    // The link's events (lockChanged, lostConnection).
    LinkNotifier *notifier() const { return m_notifier.get(); }
    bool timerRunning() const { return m_timer.isActive(); }
    QString selector() const { return m_selector; }

    // The device path the line driver gives PortName (line function 9), for
    // messages; empty when it cannot tell, with the status in *status.
    QString portDevicePath(int32_t *status = nullptr) const;

    // Tests put replacement driver libraries in a folder of their own; empty
    // (the default) loads them from the program's own folder.
    static void setDriverDirectory(const QString &dir);
    // What dlopen gets for a driver library's file name: always an absolute
    // path, in the folder set above or beside the program. Never the bare
    // name: the loader would search LD_LIBRARY_PATH first, and a library
    // planted there would talk to the device (and see its keys).
    static QString driverPath(const QString &fileName);

private:
    friend class LinkNotifier;
    void startTimer();
    void stopTimer();
    bool waitWhileBusy(int maxMs);
    void handleLockChanged();
    void handleLinkLost();
    // A driver entry called with logging; every call goes through here.
    int32_t callLine(int32_t code, char *buffer, int32_t *count, int32_t *param) const;
    int32_t callProtocol(int32_t code, char *buffer, int32_t *count, int32_t *param);
    int32_t checkDsLink();
    linelink::LineTiming lineTiming() const;

    QString m_selector;
    void *m_lineLib = nullptr;
    void *m_protoLib = nullptr;
    DriverProcFn m_lineEntry = nullptr;
    DriverProcFn m_protoEntry = nullptr;
    QTimer m_timer;
    std::unique_ptr<LinkNotifier> m_notifier;
};

#endif
