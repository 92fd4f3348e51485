// The device session: everything the program does with the connected
// device, without a widget. It owns the link object, the value store, the
// device's generation and its DS records, and offers the connection cycle
// as operations: connect, read a page, write the changes, read the archive,
// reset the counters, disconnect. Windows and dialogs call it and show what
// it reports; none of them talks to the link.
//
// What belongs to one device (its value texts, its generation, its DS
// records and the archive listing made from them) lives from a connect to
// the next disconnect: both empty it, so nothing of a previous device can
// be shown, written or exported. The reference temperatures of the
// calibration belong to this PC and outlive a device.
//
// One operation at a time: while one works (it may wait for the device for
// seconds, show a box, or replace the link during the V1x archive readout,
// all of which handle events), a second one is refused (isBusy(); the
// operation returns its "refused" result and does nothing). Reads the
// program makes in reply to the link's reports (the lock change) are no
// operations and go through.
//
// Every exchange that changes the device goes through write(), which tells
// writeStarting() before the request leaves and writeFinished() once the
// outcome is known. A key never appears in either: the intent carries a
// flag and "********" in its place.
#ifndef PXRQ60_SESSION_DEVICESESSION_H
#define PXRQ60_SESSION_DEVICESESSION_H

#include "archiveentry.h"
#include "calibration.h"
#include "devicetypes.h"
#include "devicevalues.h"
#include "driverproc.h"
#include "dsmodul.h"
#include "inisettings.h"
#include "wireformat.h"

#include <QMetaType>
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

class TCommClass;

// A change the device is asked to take.
struct WriteRequest {
    QString address;                // "P4"
    QString value;                  // the text written ("0.1"; a key's 8 digits)
    bool isKey = false;             // a lock key (P0, P9, P10, P11): never shown or kept
    bool confirmByReadBack = false; // -13 is read back and checked (heldValueConfirms)
    bool storeAnswer = false;       // the device's value goes into the store
};

// What the hooks are told about a write before it leaves: never a key.
struct WriteIntent {
    QString address;
    QString value; // "********" for a key
    bool isKey = false;
    QString oldValue; // the store's text before the write; empty for a key
};

struct WriteResult {
    int32_t status = drv::DrvOutOfOrder;
    // The request reached the driver and may have left the line: after a
    // failure the device may still hold the value ("not confirmed"). False
    // only when it certainly did not ("not sent": no link, the session or
    // the line busy, a request the program refused to send).
    bool requestLeft = false;
    // The value the device answered that it holds (after a confirming
    // read-back: the value read); empty when not known.
    QString confirmedValue;
    bool written() const { return status == 0; }
};

// The write exchange with the confirm rule, on a link and a store of the
// caller's: what DeviceSession::write does, without its hooks and without
// waiting for other operations. A request that carries a key is scrubbed
// from every copy made here. For tools and tests that drive a link without
// a session.
WriteResult writeToDevice(TCommClass *link, TVCVal &store, const WriteRequest &request);

// The fields "Setzen" writes, as the window holds them.
class ChangedFields
{
public:
    virtual ~ChangedFields();
    // Whether the field (a name of the write order) carries its change mark.
    virtual bool isMarked(const QString &field) const = 0;
    // What the field holds now.
    virtual FieldInput input(const QString &field) const = 0;
    // The field's value reached its place under `key` (a device address, or
    // a reference temperature in the settings file): unmark it and show
    // what the store now holds for the key.
    virtual void written(const QString &field, const QString &key) = 0;
};

struct WriteChangesResult {
    bool refused = false; // another operation runs; nothing was done
    bool nothingMarked = false;
    bool aborted = false; // an error ended the pass (message 521 shown)
    QString firstFailed;  // the first field that failed, in the write order
    bool allWritten() const
    {
        return !refused && !nothingMarked && !aborted && firstFailed.isEmpty();
    }
};

// The outcome of "Offset und Steigung berechnen".
struct CalibrationOutcome {
    enum Status {
        Refused,       // a reference temperature failed its check (message shown)
        NotANumber,    // a measured or old value is no number (message 574 shown)
        EqualMeasured, // the two readings are one point
        Impossible,    // a result that cannot be right (its message shown)
        Computed
    };
    Status status = Refused;
    CalibrationResult result;
};

class DeviceSession : public QObject
{
    Q_OBJECT

public:
    // Creates the "WN" link object (loading the line and protocol drivers);
    // throws TCommClassException when a driver library cannot be loaded.
    explicit DeviceSession(QObject *parent = nullptr);
    ~DeviceSession() override;

    // The reference temperatures from the settings, once at start.
    void takeReferenceTemperatures(const TJustify &justify);

    // --- State ---
    bool isConnected() const { return ChannelOpen; }
    bool isBusy() const { return m_busy; }
    float deviceVersion() const { return DeviceVersion; }
    Generation generation() const;
    // The calibration lock as the link last found it (TCommClass::Lock).
    uint8_t lockState() const;
    const TVCVal &values() const { return DeviceValues; }
    const TDSData &dsData00() const { return DSData00; }
    const TDSData &dsData01() const { return DSData01; }
    // The rows of the archive page from the archive last read.
    QList<ArchiveCell> archiveListing() const;
    // The link object; null only after a failed protocol switch. For
    // messages about the port and for tests: windows use the operations.
    TCommClass *link() const { return m_link.get(); }

    // --- Operations (each refused while another works) ---

    // Opens the link with the port and line settings `comm` (message 510
    // with the details when that fails) and reads the software version
    // (L34), which decides the generation. Empties what a previous device
    // left first.
    bool connectDevice(const TComm &comm);
    // Ends the device's session (three ETB on the line), closes the link
    // (which closes the line and unloads the drivers) and empties what the
    // device left. Refused (false) while another operation works.
    bool DisConnect();
    // Reads the address list of notebook page `page` for the generation;
    // page 3 of a V1x device is the archive readout over the "DS" protocol.
    // Returns the status of the reads (page 3 included), 0 when all were
    // read; the readout of page 3 V1x gives the status of ending the "WN"
    // session before the switch (its other failures are shown as they
    // happen). DrvOutOfOrder when refused.
    int32_t readPage(int page);
    // Reads any address list into the store (also for the reads the
    // program makes in reply to the link, which are no operations).
    int32_t readValues(const QString &list);
    // The one function that changes the device.
    WriteResult write(const WriteRequest &request);
    // "Setzen": every marked field in the write order: checked and formatted
    // (messages of the check shown), written to the device (an unconfirmed
    // write read back) or, for the reference temperatures, to the settings
    // file; a refused write shows 518 (519 for the settings file).
    WriteChangesResult writeChanges(ChangedFields &fields);
    // The counter reset (P48, by generation), without reading anything.
    WriteResult resetCounters();
    // What the counters hold right after a reset, filed in the store until
    // the next successful read replaces it.
    void noteCountersCleared();
    // Reads the temperature the device measures at `point` (P170/P171, or
    // P28 filed under the point on V1x devices); gives the address read.
    QString readMeasuredTemperature(TempPoint point);
    // Checks both reference temperatures (their messages shown; kept in
    // memory when valid) and computes the new offset and gradient from the
    // measured points and the old values.
    CalibrationOutcome calculateCalibration(const QString &lowText, const QString &highText);

signals:
    // A read ended: the keys of the list and its status.
    void valuesRead(const QString &list, int32_t status);
    // The link found the calibration lock's state (lockState()); the window
    // applies it. Also during connect, when the link object is reused.
    void lockChanged();
    // The periodic check found the link gone; the link is closed.
    void linkLost();
    // isConnected() changed (before the link closes, on a disconnect).
    void connectionChanged(bool connected);
    void busyChanged(bool busy);
    // Before a request that changes the device leaves, and once its
    // outcome is known.
    void writeStarting(const WriteIntent &intent);
    void writeFinished(const WriteIntent &intent, const WriteResult &result);

private:
    class Operation;
    friend class Operation;
    void setConnected(bool connected);
    void forgetDevice();
    void replaceLink(const QString &selector);
    void OpenCom();
    int32_t readArchiveOverDs();
    WriteResult writeNow(const WriteRequest &request);
    bool writeFieldValue(const WireValue &value);
    int32_t readNow(const QString &list);
    void linkLockChanged();
    void linkLostConnection();

    std::unique_ptr<TCommClass> m_link;
    TComm m_comm;
    bool ChannelOpen = false;
    float DeviceVersion = 0.0f;
    TVCVal DeviceValues;
    TDSData DSData00;
    TDSData DSData01;
    bool m_busy = false;
};

Q_DECLARE_METATYPE(WriteIntent)
Q_DECLARE_METATYPE(WriteResult)

#endif
