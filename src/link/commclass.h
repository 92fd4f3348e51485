// The link object: owns the line driver and one protocol driver, opens and
// closes the serial line and the device dialogue, serialises every driver
// call, checks the link periodically and reports lock changes and the loss
// of the link.
//
// Exactly one link object is current (currentLink()); the archive readout of
// V1x devices replaces it for a while by a "DS" link. Everything runs on the
// thread that owns the Qt event loop.
#ifndef PXRQ60_LINK_COMMCLASS_H
#define PXRQ60_LINK_COMMCLASS_H

#include "driverproc.h"
#include "langsupp.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>

// A failure of the link object; the message comes from the language
// library (texts 9000 to 9007).
class TCommClassException : public std::runtime_error
{
public:
    TCommClassException(int id, const QString &message);
    int id() const { return m_id; }
    QString message() const { return m_message; }

private:
    int m_id;
    QString m_message;
};

// Raises TCommClassException with text `id` filled with `args`.
[[noreturn]] void commError(uint16_t id, LangArgs args = {});

class LinkNotifier;

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

    using Event = std::function<void(TCommClass *sender)>;

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
    Event OnLostConnection;
    Event OnLockChanged;

    bool timerRunning() const { return m_timer.isActive(); }
    QString selector() const { return m_selector; }

    // Tests put replacement driver libraries in a folder of their own; empty
    // (the default) loads by plain file name through the loader's search,
    // which finds the libraries beside the program.
    static void setDriverDirectory(const QString &dir);
    // What dlopen gets for a driver library's file name: the name in the
    // folder set above, or the bare name for the loader's search.
    static QString driverPath(const QString &fileName);

private:
    friend class LinkNotifier;
    void startTimer();
    void stopTimer();
    bool waitWhileBusy(int maxMs);
    void handleLockChanged();
    void handleLinkLost();

    QString m_selector;
    void *m_lineLib = nullptr;
    void *m_protoLib = nullptr;
    DriverProcFn m_lineEntry = nullptr;
    DriverProcFn m_protoEntry = nullptr;
    QTimer m_timer;
    std::unique_ptr<LinkNotifier> m_notifier;
};

// The one current link object, or nullptr.
TCommClass *currentLink();
// Creates the link object of `selector` and makes it current; the old one
// is destroyed first, and the current link is empty while no link object
// exists (also when creating the new one fails, which raises).
TCommClass *replaceCurrentLink(const QString &selector);
void destroyCurrentLink();

#endif
