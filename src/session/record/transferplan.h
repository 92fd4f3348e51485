// A parameter set against a device: the comparison the window shows, and
// the plan of writes that a transfer sends.
//
// The plan holds only what the transfer may and can write: addresses that
// are transferable (parameterset.h), that differ, and that the device's
// locks allow; each value already checked and formatted as "Setzen" does,
// in the order "Setzen" writes. The locks are the device's as last seen:
// the calibration lock guards the conversion parameters; on a V1x device
// the user lock guards the customer's values (output, pulse output, month
// boundary). A transfer keeps to the user lock even while the calibration
// lock is open, so the customer's values change only when the customer's
// lock is open too. V2x devices have no user lock.
#ifndef PXRQ60_RECORD_TRANSFERPLAN_H
#define PXRQ60_RECORD_TRANSFERPLAN_H

#include "addresstable.h"
#include "parameterset.h"

#include <QList>
#include <QString>

struct LockStates {
    bool calibrationOpen = false;
    bool userOpen = false; // V1x: P0 or P10 open; not looked at for V2x
};

enum class TransferState {
    Equal, // the device holds the set's value
    Write, // differs; the transfer writes it
    LockedByCalibration,
    LockedByUser,
    NotTransferable, // differs, but a transfer never writes this address
};

struct CompareRow {
    QString address;
    QString name;        // as the window shows it (addressCaption)
    QString setValue;    // the set's text as the window would show it
    QString deviceValue; // the device's, shown alike; empty when not read
    bool deviceRead = false;
    bool differs = false; // compared as written, so "07" and "7" for L12 are equal
    TransferState state = TransferState::Equal;
};

// Rows in the set's address order, for the set's addresses only. The set's
// generation must be the device's (parseParameterSet with `expected`).
QList<CompareRow> compareParameterSet(const ParameterSet &set, const DeviceTexts &device,
                                      Generation generation, const LockStates &locks);

struct PlannedWrite {
    QString address; // the write key
    QString name;
    QString oldValue; // the device's text as last read (the change log's old value)
    QString value;    // the written text
    QString request() const { return address + QLatin1Char('=') + value; }
};

struct SkippedWrite {
    QString address;
    QString name;
    QString oldValue;
    QString value;
    LockClass lock; // the lock that holds it
};

struct TransferPlan {
    QList<PlannedWrite> writes; // in the device's write order
    QList<SkippedWrite> skipped;
    SetProblem problem; // the set was refused: nothing may be written
    bool refused() const { return bool(problem); }
};

// The plan for `set` against the device's values. A set of another
// generation, or with a value that does not fit its field, gives no writes
// and the problem.
TransferPlan transferPlan(const ParameterSet &set, const DeviceTexts &device, Generation generation,
                          const LockStates &locks);

#endif
