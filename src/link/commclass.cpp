#include "commclass.h"

#include "displayrules.h"
#include "helpers.h"
#include "linelink.h"
#include "lineport.h"
#include "programpath.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <chrono>
#include <cstring>
#include <dlfcn.h>
#include <thread>

Q_LOGGING_CATEGORY(lcLink, "pxrq60.link", QtWarningMsg)

namespace {

// The notifications the periodic check posts; they are handled from the
// event loop after the timer callback has returned.
const QEvent::Type LockChangedEvent = QEvent::Type(QEvent::User + 100);
const QEvent::Type LinkLostEvent = QEvent::Type(QEvent::User + 101);

// The link test of a "DS" device: three STX answered by three ACK.
constexpr int LinkTestBytes = 3;

QString &driverDirectory()
{
    static QString d;
    return d;
}

// Handles window events for `ms` milliseconds without spinning.
void processEventsFor(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

// Writes that carry a key (the keys that open the user lock, P0 and P10,
// and the new keys P9 and P11) never reach the log.
bool isKeyWrite(const char *text)
{
    const QByteArray t(text);
    const QByteArray address = t.left(t.indexOf('=')).trimmed().toUpper();
    return address == "P0" || address == "P9" || address == "P10" || address == "P11";
}

const char *lineFunctionName(int32_t code)
{
    switch (code) {
    case drv::LineInit: return "init";
    case drv::LineOpen: return "open";
    case drv::LineSend: return "send";
    case drv::LineFlushInput: return "flush input";
    case drv::LineReceive: return "receive";
    case drv::LineClose: return "close";
    case drv::LineResolvePort: return "resolve port";
    case drv::LineDeinit: return "deinit";
    case drv::LineTiming: return "timing";
    default: return "?";
    }
}

const char *protocolFunctionName(int32_t code)
{
    switch (code) {
    case drv::ProtoInit: return "init";
    case drv::ProtoAttachLine: return "attach line";
    case drv::ProtoStart: return "start";
    case drv::ProtoWrite: return "write";
    case drv::ProtoRead: return "read";
    case drv::ProtoEnd: return "end";
    case drv::ProtoClose: return "close";
    case drv::ProtoDeinit: return "deinit";
    case drv::ProtoInit2: return "init 2";
    default: return "?";
    }
}

} // namespace

bool LinkNotifier::event(QEvent *e)
{
    if (e->type() != LockChangedEvent && e->type() != LinkLostEvent)
        return QObject::event(e);
    // A failing handler is shown like any other program error; the link
    // object stays usable.
    try {
        if (e->type() == LockChangedEvent)
            m_link->handleLockChanged();
        else
            m_link->handleLinkLost();
    } catch (const TCommClassException &x) {
        LangErrorBox(x.message());
    } catch (const ConversionError &x) {
        LangErrorBox(x.message());
    } catch (const std::exception &x) {
        LangErrorBox(QString::fromLocal8Bit(x.what()));
    }
    return true;
}

TCommClassException::TCommClassException(int id, const QString &message, int32_t status)
    : std::runtime_error(message.toStdString()), m_id(id), m_message(message), m_status(status)
{
}

namespace {

QString commMessage(uint16_t id, LangArgs args)
{
    QString message = langFormatId(id, args);
    // At program start the language library is not loaded yet and the text
    // is only "str" + ID: add what failed, so the technician can tell which
    // library is missing.
    if (!LanguageLibraryLoaded() && args.size() > 0) {
        QStringList parts;
        for (const LangArg &a : args)
            parts << a.display();
        message += QStringLiteral(": ") + parts.join(QStringLiteral(", "));
    }
    return message;
}

} // namespace

void commError(uint16_t id, LangArgs args)
{
    throw TCommClassException(id, commMessage(id, args));
}

void commStatusError(uint16_t id, int32_t status)
{
    qCDebug(lcLink) << "raises" << id << "with status" << status << drv::statusText(status);
    throw TCommClassException(id, commMessage(id, {status}), status);
}

void TCommClass::setDriverDirectory(const QString &dir)
{
    driverDirectory() = dir;
}

QString TCommClass::driverPath(const QString &fileName)
{
    return driverDirectory().isEmpty() ? programDirectory() + fileName
                                       : driverDirectory() + QLatin1Char('/') + fileName;
}

TCommClass::TCommClass(const QString &selector) : m_selector(selector)
{
    LineLibraryName = QStringLiteral("sline_32.so");
    if (selector == QLatin1String("WN")) {
        ProtocolLibraryName = QStringLiteral("pcola_32.so");
        ProtocolKind = KindWN;
    } else if (selector == QLatin1String("DS")) {
        ProtocolLibraryName = QStringLiteral("pcolb_32.so");
        ProtocolKind = KindDS;
    }
    m_notifier = std::make_unique<LinkNotifier>(this);
    m_timer.setTimerType(Qt::CoarseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, m_notifier.get(), [this] { CheckTick(); });
    try {
        LoadDrivers();
    } catch (...) {
        // No destructor runs for a half-made object: release the line
        // library that may have loaded before the protocol library failed.
        UnloadDrivers();
        throw;
    }
}

TCommClass::~TCommClass()
{
    if (IsConnected())
        CloseLink();
    if (State & StLineOpen)
        CloseLine();
    UnloadDrivers();
}

void TCommClass::LoadDrivers()
{
    auto load = [](const QString &name, void *&handle, DriverProcFn &entry) {
        const QString path = driverPath(name);
        handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            // The loader's reason: missing, not a library, a missing
            // dependency, the wrong architecture.
            const char *why = dlerror();
            qCDebug(lcLink) << "cannot load" << path << ":" << why;
            commError(9001, {0, why ? name + QStringLiteral(" (") + QString::fromLocal8Bit(why) +
                                          QLatin1Char(')')
                                    : name});
        }
        entry = reinterpret_cast<DriverProcFn>(dlsym(handle, "DriverProc"));
        if (!entry) {
            qCDebug(lcLink) << path << "has no DriverProc";
            dlclose(handle);
            handle = nullptr;
            commError(9000, {name});
        }
        qCDebug(lcLink) << "loaded" << path;
    };
    if (!m_lineLib)
        load(LineLibraryName, m_lineLib, m_lineEntry);
    if (!m_protoLib) {
        if (ProtocolLibraryName.isEmpty())
            commError(9001, {0, m_selector});
        load(ProtocolLibraryName, m_protoLib, m_protoEntry);
    }
    State |= StLoaded;
}

int32_t TCommClass::callLine(int32_t code, char *buffer, int32_t *count, int32_t *param) const
{
    if (!m_lineEntry)
        return drv::DrvOutOfOrder;
    const QByteArray open = code == drv::LineOpen && buffer ? QByteArray(buffer) : QByteArray();
    const int32_t status = m_lineEntry(code, buffer, count, param);
    if (lcLink().isDebugEnabled()) {
        QString what = QString::fromLatin1(lineFunctionName(code));
        if (code == drv::LineOpen)
            what += QLatin1Char(' ') + QString::fromLocal8Bit(open);
        else if ((code == drv::LineSend || code == drv::LineReceive) && count && buffer &&
                 status == drv::DrvOk)
            what += QStringLiteral(" %1 bytes %2")
                        .arg(*count)
                        .arg(QString::fromLatin1(QByteArray(buffer, *count).toHex(' ')));
        qCDebug(lcLink).noquote() << "line" << code << what << "->" << status
                                  << drv::statusText(status);
    }
    return status;
}

int32_t TCommClass::callProtocol(int32_t code, char *buffer, int32_t *count, int32_t *param)
{
    if (!m_protoEntry)
        return drv::DrvOutOfOrder;
    const bool log =
        lcLink().isDebugEnabled() && !(code == drv::ProtoWrite && buffer && isKeyWrite(buffer));
    QString request;
    if (log && (code == drv::ProtoRead || code == drv::ProtoWrite)) {
        if (ProtocolKind == KindDS && param)
            request = QString(QChar(*param));
        else if (buffer)
            request = QString::fromLatin1(buffer);
    }
    const int32_t status = m_protoEntry(code, buffer, count, param);
    if (!log)
        return status;
    QString answer;
    if (status == drv::DrvOk && buffer && (code == drv::ProtoRead || code == drv::ProtoWrite))
        answer = QStringLiteral(" answer \"%1\"").arg(QString::fromLatin1(buffer));
    qCDebug(lcLink).noquote() << selector() << code << protocolFunctionName(code) << request << "->"
                              << status << drv::statusText(status) << answer;
    int32_t discarded = 0, repeats = 0;
    if ((code == drv::ProtoRead || code == drv::ProtoWrite || code == drv::ProtoStart) &&
        m_protoEntry(drv::ProtoCounters, nullptr, &discarded, &repeats) == drv::DrvOk &&
        (discarded > 0 || repeats > 0))
        qCDebug(lcLink).noquote() << "  dropped" << discarded
                                  << "bytes not belonging to an answer; tries repeated:" << repeats;
    return status;
}

void TCommClass::OpenLine()
{
    if (!(State & StLoaded))
        LoadDrivers();
    if (PortName.isEmpty())
        commError(9002);
    if (InitString.isEmpty())
        commError(9003);
    int32_t count = 0, param = 0;
    int32_t status = callLine(drv::LineInit, nullptr, &count, &param);
    if (status == 0) {
        const QByteArray open = (PortName + QLatin1Char(':') + InitString).toUtf8();
        char buffer[256] = {};
        // Port and settings must fit with the terminator; a text cut short
        // might open something else, so a longer one is refused.
        if (open.size() >= int(sizeof buffer))
            commStatusError(9004, drv::DrvBadSettings);
        std::memcpy(buffer, open.constData(), size_t(open.size()));
        count = int32_t(open.size());
        param = 0;
        status = callLine(drv::LineOpen, buffer, &count, &param);
    }
    if (status != 0)
        commStatusError(9004, status);
    count = param = 0;
    status = callProtocol(drv::ProtoInit, nullptr, &count, &param);
    if (status == 0)
        status = callProtocol(drv::ProtoInit2, nullptr, &count, &param);
    if (status == 0)
        status = callProtocol(drv::ProtoAttachLine, reinterpret_cast<char *>(m_lineEntry), &count,
                              &param);
    if (status != 0) {
        // The port stays usable for the next try.
        int32_t c = 0, p = 0;
        callLine(drv::LineClose, nullptr, &c, &p);
        callLine(drv::LineDeinit, nullptr, &c, &p);
        commStatusError(9005, status);
    }
    State |= StLineOpen;
}

void TCommClass::OpenLink()
{
    if (!(State & StLineOpen))
        OpenLine();
    char buffer[256] = {};
    int32_t count = int32_t(sizeof buffer), param = 0;
    int32_t status = callProtocol(drv::ProtoStart, buffer, &count, &param);
    if (ProtocolKind == KindDS)
        WaitMs(1000); // the device needs this long before its first record
    if (status == 0) {
        uint8_t lock = 0;
        status = CheckLink(lock);
        LockState = lock;
        if (status == 0)
            emit m_notifier->lockChanged(this);
    }
    if (status != 0) {
        // A failed connect gives the port back at once: another program (or
        // the next try) must not find it held and locked.
        CloseLine();
        commStatusError(9006, status);
    }
    State |= StConnected;
    if ((Options & OptPeriodicCheck) && CheckInterval > 0)
        startTimer();
}

linelink::LineTiming TCommClass::lineTiming() const
{
    // The same rule as the protocol drivers': a line driver that cannot tell
    // its rate is waited for as the slowest line.
    linelink::LineTiming timing;
    int32_t baud = 0, bits = 0;
    if (m_lineEntry && m_lineEntry(drv::LineTiming, nullptr, &baud, &bits) == drv::DrvOk &&
        baud > 0 && bits > 0) {
        timing.known = true;
        timing.baud = baud;
        timing.bitsPerChar = bits;
    }
    return timing;
}

int32_t TCommClass::checkDsLink()
{
    // Three STX answered by three ACK. The device may take its full reaction
    // time, and the bytes their time on the wire: receive until all three
    // are in or that time has passed. No answer is a failed test.
    char buffer[256] = {};
    int32_t count = 0, param = 0;
    callLine(drv::LineFlushInput, nullptr, &count, &param); // a line driver without it: -2
    buffer[0] = buffer[1] = buffer[2] = 0x02;
    count = LinkTestBytes;
    param = 0;
    int32_t status = callLine(drv::LineSend, buffer, &count, &param);
    if (status != 0)
        return status;
    // The first ACK may take what any answer may; the other two their time
    // on the wire after it.
    const linelink::LineTiming timing = lineTiming();
    const qint64 waitMs =
        timing.answerWait(LinkTestBytes).count() +
        std::chrono::duration_cast<std::chrono::milliseconds>(timing.wireTime(LinkTestBytes - 1))
            .count();
    QElapsedTimer t;
    t.start();
    std::string got;
    while (got.size() < size_t(LinkTestBytes)) {
        const qint64 left = waitMs - t.elapsed();
        if (left <= 0)
            break;
        char in[LinkTestBytes + 1] = {};
        count = LinkTestBytes - int32_t(got.size());
        param = int32_t(left);
        status = callLine(drv::LineReceive, in, &count, &param);
        if (status == 0 && count > 0)
            got.append(in, size_t(count));
        else if (status != 0 && status != drv::DrvTimeout)
            return status;
        else if (status == 0) // a line driver that returns at once with nothing
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (got.empty())
        return drv::DrvTimeout;
    // The device answered: the field read confirms that it is the RQ-60 in
    // a record session.
    param = 'a';
    std::memset(buffer, 0, sizeof buffer);
    count = int32_t(sizeof buffer);
    return callProtocol(drv::ProtoRead, buffer, &count, &param);
}

int32_t TCommClass::CheckLink(uint8_t &lockState)
{
    lockState = LockUndetermined;
    if (!m_protoEntry || !m_lineEntry)
        return drv::DrvOutOfOrder;
    if (ProtocolKind != KindWN)
        return checkDsLink();
    char buffer[256] = {};
    int32_t param = 0;
    std::strcpy(buffer, "L4");
    int32_t count = int32_t(sizeof buffer);
    const int32_t status = callProtocol(drv::ProtoRead, buffer, &count, &param);
    if (status == 0)
        lockState = calibrationLockOpen(QString::fromLatin1(buffer)) ? LockOpen : LockClosed;
    return status;
}

void TCommClass::CheckTick()
{
    if (Busy || !IsConnected())
        return;
    Busy = true;
    uint8_t lock = 0;
    const int32_t status = CheckLink(lock);
    if (drv::isDeviceError(status)) {
        // The device itself answered (ER05 "busy", say): the link is alive;
        // the lock state is not known from this answer.
        qCDebug(lcLink) << "check answered by the device with" << status;
    } else if (status != 0) {
        QCoreApplication::postEvent(m_notifier.get(), new QEvent(LinkLostEvent));
    } else if ((Options & OptReportLock) && (LockState == LockUndetermined || LockState != lock)) {
        LockState = lock;
        QCoreApplication::postEvent(m_notifier.get(), new QEvent(LockChangedEvent));
    }
    Busy = false;
}

void TCommClass::handleLockChanged()
{
    emit m_notifier->lockChanged(this);
}

void TCommClass::handleLinkLost()
{
    CloseLink();
    emit m_notifier->lostConnection(this);
}

void TCommClass::CloseLink()
{
    stopTimer();
    if (m_protoEntry) {
        QElapsedTimer t;
        t.start();
        while (Busy && t.elapsed() < 5000)
            processEventsFor(5);
        // Only a session that was up has anything to end on the line.
        const bool sessionUp = IsConnected();
        int32_t count = 0, param = 0;
        callProtocol(drv::ProtoEnd, nullptr, &count, &param);
        State &= uint8_t(~StConnected);
        if (sessionUp)
            processEventsFor(500);
    }
    if (Options & (OptCloseLine | OptCloseAndUnload))
        CloseLine();
    if (Options & OptCloseAndUnload)
        UnloadDrivers();
}

void TCommClass::CloseLine()
{
    int32_t count = 0, param = 0;
    if (m_protoEntry) {
        callProtocol(drv::ProtoEnd, nullptr, &count, &param);
        callProtocol(drv::ProtoClose, nullptr, &count, &param);
        callProtocol(drv::ProtoDeinit, nullptr, &count, &param);
    }
    if (m_lineEntry) {
        callLine(drv::LineClose, nullptr, &count, &param);
        callLine(drv::LineDeinit, nullptr, &count, &param);
    }
    State &= uint8_t(~StLineOpen);
}

void TCommClass::UnloadDrivers()
{
    stopTimer();
    if (m_protoLib)
        dlclose(m_protoLib);
    m_protoLib = nullptr;
    m_protoEntry = nullptr;
    if (m_lineLib)
        dlclose(m_lineLib);
    m_lineLib = nullptr;
    m_lineEntry = nullptr;
    // Without its drivers the link is neither open nor connected.
    State = 0;
}

QString TCommClass::portDevicePath(int32_t *status) const
{
    const LinePort port = lookUpLinePort(m_lineEntry, PortName);
    if (status)
        *status = port.status;
    return port.status == drv::DrvOk ? port.path : QString();
}

void TCommClass::SetPort(const QString &port)
{
    if (IsConnected())
        commError(9007);
    if (State & StLineOpen)
        CloseLine();
    PortName = port;
}

void TCommClass::SetInitString(const QString &initString)
{
    if (IsConnected())
        commError(9007);
    if (State & StLineOpen)
        CloseLine();
    InitString = initString;
}

void TCommClass::SetOptions(uint8_t bits)
{
    if (bits & OptPeriodicCheck) {
        if (IsConnected() && CheckInterval > 0 && !m_timer.isActive())
            startTimer();
    } else {
        stopTimer();
    }
    Options = bits;
}

void TCommClass::SetActive(bool active)
{
    if (!active)
        CloseLink();
    else if (!IsConnected())
        OpenLink();
}

bool TCommClass::waitWhileBusy(int maxMs)
{
    // The busy flag is only ever set by a driver call further up this very
    // thread (a handler run from inside a driver call); give it a bounded
    // time instead of waiting for ever.
    QElapsedTimer t;
    t.start();
    while (Busy && t.elapsed() < maxMs)
        processEventsFor(5);
    return !Busy;
}

int32_t TCommClass::LineCall(int32_t code, char *buffer, int32_t *count, int32_t *param)
{
    if (!(State & StLineOpen))
        OpenLine();
    if (!waitWhileBusy(5000))
        return drv::DrvOutOfOrder;
    Busy = true;
    const int32_t status = callLine(code, buffer, count, param);
    Busy = false;
    return status;
}

int32_t TCommClass::SendSessionEnd()
{
    if (!(State & StLineOpen))
        return drv::DrvOutOfOrder;
    char etb[3] = {0x17, 0x17, 0x17};
    int32_t count = 3;
    int32_t param = 0;
    return LineCall(drv::LineSend, etb, &count, &param);
}

int32_t TCommClass::ProtocolCall(int32_t code, char *buffer, int32_t *count, int32_t *param)
{
    if (!m_protoEntry)
        return drv::DrvOutOfOrder;
    if (!waitWhileBusy(5000))
        return drv::DrvOutOfOrder;
    Busy = true;
    const int32_t status = callProtocol(code, buffer, count, param);
    Busy = false;
    return status;
}

void TCommClass::startTimer()
{
    m_timer.start(CheckInterval);
}

void TCommClass::stopTimer()
{
    m_timer.stop();
}
