#include "devicesession.h"

#include "addresstable.h"
#include "commclass.h"
#include "displayrules.h"
#include "helpers.h"
#include "langsupp.h"
#include "linkstatus.h"
#include "lockkeys.h"

#include <QSet>
#include <exception>

ChangedFields::~ChangedFields() = default;

// One operation of the session: refused while another works. Events are
// handled inside an operation (boxes, the link's waits), and whatever they
// start meets a busy session.
class DeviceSession::Operation
{
public:
    explicit Operation(DeviceSession &session) : m_session(session), m_runs(!session.m_busy)
    {
        if (!m_runs)
            return;
        m_session.m_busy = true;
        emit m_session.busyChanged(true);
    }
    ~Operation()
    {
        if (!m_runs)
            return;
        m_session.m_busy = false;
        emit m_session.busyChanged(false);
    }
    Operation(const Operation &) = delete;
    Operation &operator=(const Operation &) = delete;
    bool refused() const { return !m_runs; }

private:
    DeviceSession &m_session;
    bool m_runs;
};

DeviceSession::DeviceSession(QObject *parent) : QObject(parent)
{
    qRegisterMetaType<WriteIntent>();
    qRegisterMetaType<WriteResult>();
    replaceLink(QStringLiteral("WN"));
}

DeviceSession::~DeviceSession() = default;

void DeviceSession::takeReferenceTemperatures(const TJustify &justify)
{
    DeviceValues.TempLowRef = justify.TempLow;
    DeviceValues.TempHighRef = justify.TempHigh;
}

Generation DeviceSession::generation() const
{
    return DeviceVersion >= 2.0f ? Generation::V2x : Generation::V1x;
}

uint8_t DeviceSession::lockState() const
{
    return m_link ? m_link->LockState : uint8_t(TCommClass::LockUndetermined);
}

QList<ArchiveCell> DeviceSession::archiveListing() const
{
    return ::archiveListing(generation(), DeviceValues, DSData01.Field[11]);
}

void DeviceSession::setConnected(bool connected)
{
    if (ChannelOpen == connected)
        return;
    ChannelOpen = connected;
    emit connectionChanged(connected);
}

// The texts of the device just left (or not yet known) must not stand for
// the next one: a read that fails keeps the old text of its address.
void DeviceSession::forgetDevice()
{
    DeviceValues.clearDeviceTexts();
    DSData00 = TDSData();
    DSData01 = TDSData();
}

// The current link object is never left pointing at a destroyed one: the
// old is gone before the new is made, and a new one that cannot load its
// drivers leaves none.
void DeviceSession::replaceLink(const QString &selector)
{
    m_link.reset();
    m_link = std::make_unique<TCommClass>(selector);
}

void DeviceSession::OpenCom()
{
    setConnected(false);
    try {
        if (!m_link) // a failed protocol switch left no link object
            replaceLink(QStringLiteral("WN"));
        TCommClass *link = m_link.get();
        link->SetActive(false);
        link->SetPort(QStringLiteral("COM") + QString::number(m_comm.Com));
        link->SetInitString(m_comm.Init);
        link->SetOptions(TCommClass::OptPeriodicCheck | TCommClass::OptReportLock |
                         TCommClass::OptCloseLine | TCommClass::OptCloseAndUnload);
        link->CheckInterval = uint16_t(m_comm.CheckTime);
        link->SetActive(true);
        // Attached after the link is up: a link object opened before still
        // has them, and reports its first lock state from inside SetActive.
        // Connections end with the session or the link, whichever goes first.
        connect(link->notifier(), &LinkNotifier::lockChanged, this, &DeviceSession::linkLockChanged,
                Qt::UniqueConnection);
        connect(link->notifier(), &LinkNotifier::lostConnection, this,
                &DeviceSession::linkLostConnection, Qt::UniqueConnection);
        setConnected(true);
    } catch (const TCommClassException &e) {
        // The user gets one plain message; the cause is in the cable, the
        // port or the device, which message 510 asks them to check. Its
        // details say what the driver found.
        LangMessageBoxDetails(510, 500, MbOk, connectFailureDetails(e, m_link.get()));
    }
}

void DeviceSession::linkLockChanged()
{
    emit lockChanged();
}

void DeviceSession::linkLostConnection()
{
    setConnected(false);
    emit linkLost();
}

bool DeviceSession::connectDevice(const TComm &comm)
{
    const Operation op(*this);
    if (op.refused() || ChannelOpen)
        return false;
    m_comm = comm;
    // Already the lock check of the opening must not decide this device's
    // fields by another device's user-lock keys.
    forgetDevice();
    OpenCom();
    if (!ChannelOpen)
        return false;
    readNow(QStringLiteral("L34"));
    DeviceVersion = float(decimalValue(DeviceValues.L[34]).value_or(0.0L));
    return true;
}

bool DeviceSession::DisConnect()
{
    const Operation op(*this);
    if (op.refused())
        return false;
    // Cleared first: closing the link handles events for a while, and
    // nothing may read from a link going down meanwhile.
    setConnected(false);
    if (m_link) {
        m_link->SendSessionEnd();
        m_link->SetActive(false);
    }
    forgetDevice();
    return true;
}

int32_t DeviceSession::readNow(const QString &list)
{
    const int32_t status = ReadValues(m_link.get(), DeviceValues, list);
    emit valuesRead(list, status);
    return status;
}

int32_t DeviceSession::readValues(const QString &list)
{
    return readNow(list);
}

int32_t DeviceSession::readPage(int page)
{
    const Operation op(*this);
    if (op.refused() || !ChannelOpen)
        return drv::DrvOutOfOrder;
    if (page == 3 && generation() == Generation::V1x)
        return readArchiveOverDs();
    return readNow(pageAddressList(page, generation()));
}

// The archive of a V1x device comes as DS records over the second protocol:
// the "WN" session is ended, a "DS" link reads the records, and a new "WN"
// link takes its place again. Gives the status of ending the "WN" session;
// the other steps report their own failures.
int32_t DeviceSession::readArchiveOverDs()
{
    int32_t status = 0;
    if (m_link)
        status = m_link->SendSessionEnd();
    try {
        replaceLink(QStringLiteral("DS"));
        OpenCom();
        if (ChannelOpen)
            ReadDSArchive(m_link.get(), DSData00, DSData01);
    } catch (const TCommClassException &e) {
        // A driver library that cannot be loaded: no readout this time.
        LangMessageBoxDetails(510, 500, MbOk, connectFailureDetails(e, m_link.get()));
    }
    try {
        replaceLink(QStringLiteral("WN"));
    } catch (const TCommClassException &) {
        // OpenCom below tries once more and reports the failure.
    }
    OpenCom();
    return status;
}

WriteResult DeviceSession::write(const WriteRequest &request)
{
    const Operation op(*this);
    if (op.refused())
        return WriteResult();
    return writeNow(request);
}

WriteResult writeToDevice(TCommClass *link, TVCVal &store, const WriteRequest &request)
{
    WriteResult result;
    QString answer;
    QString text = request.address + QLatin1Char('=') + request.value;
    result.status = WriteValue(link, text, &answer);
    if (request.isKey)
        scrubText(text);
    // Refused before anything was sent: no link, a line that stayed busy, a
    // request too long for the buffer.
    result.requestLeft =
        link && result.status != drv::DrvOutOfOrder && result.status != drv::DrvBadArgument;
    if (result.status == 0) {
        result.confirmedValue = answer;
        if (request.storeAnswer)
            StoreValue(store, request.address, storedAnswer(request.address, answer));
    } else if (result.status == drv::DrvNotConfirmed && request.confirmByReadBack) {
        // The device may have taken the value and only its answer got lost:
        // what it holds now decides.
        if (ReadValues(link, store, request.address) == 0 &&
            heldValueConfirms(request.address, request.value, store.value(request.address))) {
            result.status = 0;
            result.confirmedValue = store.value(request.address);
            if (request.storeAnswer)
                StoreValue(store, request.address,
                           storedAnswer(request.address, result.confirmedValue));
        }
    }
    return result;
}

WriteResult DeviceSession::writeNow(const WriteRequest &request)
{
    WriteIntent intent;
    intent.address = request.address;
    intent.isKey = request.isKey;
    intent.value = request.isKey ? hiddenKeyText() : request.value;
    if (!request.isKey)
        intent.oldValue = DeviceValues.value(request.address);
    emit writeStarting(intent);
    const WriteResult result = writeToDevice(m_link.get(), DeviceValues, request);
    emit writeFinished(intent, result);
    return result;
}

// Writes one checked value to its place; false when it did not get there
// (the message is shown).
bool DeviceSession::writeFieldValue(const WireValue &w)
{
    const QString settingsKey = w.settingsKey();
    if (!settingsKey.isEmpty()) {
        // The reference temperatures belong to this PC's calibration set-up,
        // not to the device: they go to the settings file only.
        try {
            if (settingsKey == QLatin1String("TEMPLOW"))
                WriteTempLow(w.value);
            else
                WriteTempHigh(w.value);
        } catch (const IniWriteError &) {
            LangMessageBox(519, 500, MbOk);
            return false;
        }
        StoreValue(DeviceValues, w.key, w.value);
        return true;
    }
    WriteRequest request;
    request.address = w.key;
    request.value = w.value;
    request.confirmByReadBack = true;
    request.storeAnswer = true;
    const WriteResult result = writeNow(request);
    if (!result.written()) {
        // Caption "Fehler <status>", the key and the text that did not
        // reach the device.
        LangStatusBoxArgs(518, {w.key, w.value}, result.status);
        return false;
    }
    return true;
}

WriteChangesResult DeviceSession::writeChanges(ChangedFields &fields)
{
    WriteChangesResult outcome;
    const Operation op(*this);
    if (op.refused()) {
        outcome.refused = true;
        return outcome;
    }
    const Generation gen = generation();
    QStringList marked;
    for (const QString &name : writeOrder())
        if (fields.isMarked(name))
            marked << name;
    // The buttons are enabled only by an edit; with nothing marked there is
    // nothing to write and no success to report.
    if (marked.isEmpty()) {
        outcome.nothingMarked = true;
        return outcome;
    }
    QSet<QString> keysDone;
    try {
        for (const QString &name : marked) {
            // L27 is one address for both spin fields: written (or refused)
            // once per pass; a written L27 has unmarked its other half.
            if (!fields.isMarked(name))
                continue;
            const WireValue w = CheckAndFormatValue(name, fields.input(name), gen);
            bool ok = false;
            if (w.failed()) {
                if (w.message)
                    showDeviceMessage(*w.message);
            } else if (!keysDone.contains(w.key)) {
                keysDone.insert(w.key);
                ok = writeFieldValue(w);
            }
            if (!ok) {
                if (outcome.firstFailed.isEmpty())
                    outcome.firstFailed = name;
                continue;
            }
            fields.written(name, w.key);
        }
    } catch (const std::exception &) {
        LangMessageBox(521, 500, MbOk);
        outcome.aborted = true;
    } catch (const ConversionError &) {
        // A text that should hold a number and does not, for example an
        // emptied L18: the fields not yet written keep their marks.
        LangMessageBox(521, 500, MbOk);
        outcome.aborted = true;
    }
    return outcome;
}

WriteResult DeviceSession::resetCounters()
{
    const Operation op(*this);
    if (op.refused())
        return WriteResult();
    QString value = counterResetRequest(generation());
    QString address;
    SplitHead(value, QLatin1Char('='), address);
    WriteRequest request;
    request.address = address;
    request.value = value;
    return writeNow(request);
}

void DeviceSession::noteCountersCleared()
{
    for (const auto &[key, text] : clearedCounterTexts())
        StoreValue(DeviceValues, key, text);
}

QString DeviceSession::readMeasuredTemperature(TempPoint point)
{
    // A V1x device measures at either point through P28; the store files
    // the answer under the point named by the reading side.
    const Operation op(*this);
    QString address = measuredTemperatureAddress(point);
    if (op.refused())
        return address;
    if (generation() == Generation::V1x) {
        DeviceValues.TempReadSide = point;
        address = QStringLiteral("P28");
    }
    // A failed read keeps the previous text; the caller compares the two
    // points and decides what the calculation may do with them.
    readNow(address);
    return address;
}

namespace {

// Checks a reference temperature as "Setzen" does; the formatted text, or
// nothing when it failed (its message shown).
QString checkedReference(const QString &name, const QString &text, Generation gen)
{
    FieldInput in;
    in.text = text;
    WireValue w;
    try {
        w = CheckAndFormatValue(name, in, gen);
    } catch (const ConversionError &) {
        showUnshownValues(CalculationImpossibleStringId, {{name, text.trimmed()}});
        return QString();
    }
    if (w.failed()) {
        if (w.message)
            showDeviceMessage(*w.message);
        return QString();
    }
    return w.value;
}

} // namespace

CalibrationOutcome DeviceSession::calculateCalibration(const QString &lowText,
                                                       const QString &highText)
{
    CalibrationOutcome outcome;
    // The checked references are kept in memory; the settings file gets
    // them only through "Setzen".
    const QString low = checkedReference(QStringLiteral("TempLowRef"), lowText, generation());
    if (!low.isEmpty())
        StoreValue(DeviceValues, QStringLiteral("TempLowRef"), low);
    const QString high = checkedReference(QStringLiteral("TempHighRef"), highText, generation());
    if (!high.isEmpty())
        StoreValue(DeviceValues, QStringLiteral("TempHighRef"), high);
    if (low.isEmpty() || high.isEmpty())
        return outcome;
    outcome.result = computeOffsetAndGradient(low, high, DeviceValues.P[170], DeviceValues.P[171],
                                              DeviceValues.P[147], DeviceValues.P[148]);
    switch (outcome.result.status) {
    case CalibrationResult::NotANumber:
        // A measured or old value that is no number (a point never read is
        // empty): nothing is computed.
        showUnshownValues(CalculationImpossibleStringId,
                          {{outcome.result.badKey, outcome.result.badText}});
        outcome.status = CalibrationOutcome::NotANumber;
        break;
    case CalibrationResult::EqualMeasured:
        outcome.status = CalibrationOutcome::EqualMeasured;
        break;
    case CalibrationResult::Ok: outcome.status = CalibrationOutcome::Computed; break;
    default:
        // A result that cannot be right is not offered for writing; the
        // message says why.
        if (const std::optional<DeviceMessage> refused = calibrationMessage(
                outcome.result, low, high, DeviceValues.P[170], DeviceValues.P[171]))
            showDeviceMessage(*refused);
        outcome.status = CalibrationOutcome::Impossible;
        break;
    }
    return outcome;
}
