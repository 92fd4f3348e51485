#include "transferplan.h"

#include "addresscaptions.h"

namespace {

LockClass lockOf(const QString &field)
{
    return lockClassOf(field);
}

bool lockOpen(LockClass lock, Generation generation, const LockStates &locks)
{
    switch (lock) {
    case LockClass::None: return true;
    case LockClass::Calibration: return locks.calibrationOpen;
    case LockClass::User: return generation == Generation::V2x || locks.userOpen;
    }
    return false;
}

struct Judged {
    CheckedValue set;
    CheckedValue device;
    bool deviceRead = false;
    bool differs = false;
    TransferState state = TransferState::Equal;
};

Judged judge(const QString &address, const QString &setText, const DeviceTexts &device,
             Generation generation, const LockStates &locks)
{
    Judged j;
    j.set = checkSetValue(address, setText, generation);
    const QString deviceText = device.value(address);
    j.deviceRead = !deviceText.isEmpty();
    j.device = checkSetValue(address, deviceText, generation);
    // A device value that fits no field (or was not read) is no match for
    // any value of the set.
    j.differs = !j.device.ok || j.set.wire.value != j.device.wire.value;
    if (!j.differs)
        j.state = TransferState::Equal;
    else if (!isTransferable(address))
        j.state = TransferState::NotTransferable;
    else if (const LockClass lock = lockOf(j.set.field); !lockOpen(lock, generation, locks))
        j.state = lock == LockClass::User ? TransferState::LockedByUser
                                          : TransferState::LockedByCalibration;
    else
        j.state = TransferState::Write;
    return j;
}

SetProblem setProblem(const ParameterSet &set, Generation generation)
{
    SetProblem p;
    if (set.generation != generation) {
        p.kind = SetProblem::OtherGeneration;
        p.detail = generationName(set.generation);
        p.value = generationName(generation);
        return p;
    }
    for (auto it = set.values.cbegin(); it != set.values.cend(); ++it) {
        if (!parameterSetAddresses(generation).contains(it.key())) {
            p.kind = SetProblem::UnknownAddress;
            p.address = it.key();
            p.detail = generationName(generation);
            return p;
        }
        if (!checkSetValue(it.key(), it.value(), generation).ok) {
            p.kind = SetProblem::OutOfLimits;
            p.address = it.key();
            p.value = it.value();
            return p;
        }
    }
    return p;
}

} // namespace

QList<CompareRow> compareParameterSet(const ParameterSet &set, const DeviceTexts &device,
                                      Generation generation, const LockStates &locks)
{
    QList<CompareRow> rows;
    for (const QString &address : parameterSetAddresses(set.generation)) {
        if (!set.values.contains(address))
            continue;
        const QString setText = set.values.value(address);
        const Judged j = judge(address, setText, device, generation, locks);
        CompareRow row;
        row.address = address;
        row.name = addressCaption(address);
        row.setValue = shownValue(address, setText, set.generation);
        row.deviceRead = j.deviceRead;
        row.deviceValue = shownValue(address, device.value(address), generation);
        row.differs = j.differs;
        row.state = j.state;
        rows << row;
    }
    return rows;
}

TransferPlan transferPlan(const ParameterSet &set, const DeviceTexts &device, Generation generation,
                          const LockStates &locks)
{
    TransferPlan plan;
    plan.problem = setProblem(set, generation);
    if (plan.refused())
        return plan;
    QStringList done;
    // The window's write order names fields; two fields (L27Low and
    // L27High) write one address, which is planned once.
    for (const QString &field : writeOrder()) {
        const QString address = writeKey(field, generation);
        if (done.contains(address) || !set.values.contains(address))
            continue;
        done << address;
        const QString setText = set.values.value(address);
        const Judged j = judge(address, setText, device, generation, locks);
        const QString old = device.value(address);
        switch (j.state) {
        case TransferState::Write:
            plan.writes << PlannedWrite{j.set.wire.key, addressCaption(address), old,
                                        j.set.wire.value};
            break;
        case TransferState::LockedByCalibration:
        case TransferState::LockedByUser:
            plan.skipped << SkippedWrite{address, addressCaption(address), old, j.set.wire.value,
                                         lockOf(j.set.field)};
            break;
        case TransferState::Equal:
        case TransferState::NotTransferable: break;
        }
    }
    return plan;
}
