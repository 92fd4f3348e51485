#include "commclass.h"

#include "helpers.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <chrono>
#include <cstring>
#include <dlfcn.h>
#include <thread>

namespace {

// The notifications the periodic check posts; they are handled from the
// event loop after the timer callback has returned.
const QEvent::Type LockChangedEvent = QEvent::Type(QEvent::User + 100);
const QEvent::Type LinkLostEvent = QEvent::Type(QEvent::User + 101);

QString &driverDirectory()
{
    static QString d;
    return d;
}

std::unique_ptr<TCommClass> &currentSlot()
{
    static std::unique_ptr<TCommClass> link;
    return link;
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

} // namespace

// The hidden receiver of the link's notifications.
class LinkNotifier : public QObject
{
public:
    explicit LinkNotifier(TCommClass *link) : m_link(link) {}

    bool event(QEvent *e) override
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

private:
    TCommClass *m_link;
};

TCommClassException::TCommClassException(int id, const QString &message)
    : std::runtime_error(message.toStdString()), m_id(id), m_message(message)
{
}

void commError(uint16_t id, LangArgs args)
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
    throw TCommClassException(id, message);
}

void TCommClass::setDriverDirectory(const QString &dir)
{
    driverDirectory() = dir;
}

QString TCommClass::driverPath(const QString &fileName)
{
    return driverDirectory().isEmpty() ? fileName : driverDirectory() + QLatin1Char('/') + fileName;
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
        if (!handle)
            commError(9001, {0, name});
        entry = reinterpret_cast<DriverProcFn>(dlsym(handle, "DriverProc"));
        if (!entry) {
            dlclose(handle);
            handle = nullptr;
            commError(9000, {name});
        }
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

void TCommClass::OpenLine()
{
    if (!(State & StLoaded))
        LoadDrivers();
    if (PortName.isEmpty())
        commError(9002);
    if (InitString.isEmpty())
        commError(9003);
    int32_t count = 0, param = 0;
    int32_t status = m_lineEntry(drv::LineInit, nullptr, &count, &param);
    if (status == 0) {
        // Port and settings stay within 254 characters with the colon.
        QByteArray open = (PortName + QLatin1Char(':') + InitString).toLocal8Bit().left(255);
        char buffer[256] = {};
        std::memcpy(buffer, open.constData(), size_t(open.size()));
        count = int32_t(open.size());
        param = 0;
        status = m_lineEntry(drv::LineOpen, buffer, &count, &param);
    }
    if (status != 0)
        commError(9004, {status});
    count = param = 0;
    status = m_protoEntry(drv::ProtoInit, nullptr, &count, &param);
    if (status == 0)
        status = m_protoEntry(drv::ProtoInit2, nullptr, &count, &param);
    if (status == 0)
        status = m_protoEntry(drv::ProtoAttachLine, reinterpret_cast<char *>(m_lineEntry), &count,
                              &param);
    if (status != 0) {
        // The port stays usable for the next try.
        int32_t c = 0, p = 0;
        m_lineEntry(drv::LineClose, nullptr, &c, &p);
        m_lineEntry(drv::LineDeinit, nullptr, &c, &p);
        commError(9005, {status});
    }
    State |= StLineOpen;
}

void TCommClass::OpenLink()
{
    if (!(State & StLineOpen))
        OpenLine();
    char buffer[256] = {};
    int32_t count = int32_t(sizeof buffer), param = 0;
    int32_t status = m_protoEntry(drv::ProtoStart, buffer, &count, &param);
    if (ProtocolKind == KindDS)
        WaitMs(1000); // the device needs this long before its first record
    if (status == 0) {
        uint8_t lock = 0;
        status = CheckLink(lock);
        LockState = lock;
        if (status == 0 && OnLockChanged)
            OnLockChanged(this);
    }
    if (status != 0)
        commError(9006, {status});
    State |= StConnected;
    if ((Options & OptPeriodicCheck) && CheckInterval > 0)
        startTimer();
}

int32_t TCommClass::CheckLink(uint8_t &lockState)
{
    lockState = LockUndetermined;
    char buffer[256] = {};
    int32_t param = 0;
    if (ProtocolKind == KindWN) {
        std::strcpy(buffer, "L4");
        int32_t count = int32_t(sizeof buffer);
        const int32_t status = m_protoEntry(drv::ProtoRead, buffer, &count, &param);
        if (status == 0)
            lockState = std::strstr(buffer, ".30") ? LockOpen : LockClosed;
        return status;
    }
    // "DS": three STX bytes answered by three ACK bytes, then a field read.
    buffer[0] = buffer[1] = buffer[2] = 0x02;
    int32_t count = 3;
    int32_t status = m_lineEntry(drv::LineSend, buffer, &count, &param);
    std::memset(buffer, 0, sizeof buffer);
    count = 3;
    status = m_lineEntry(drv::LineReceive, buffer, &count, &param);
    param = 'a';
    if (buffer[0] != '\0') {
        std::memset(buffer, 0, sizeof buffer);
        count = int32_t(sizeof buffer);
        status = m_protoEntry(drv::ProtoRead, buffer, &count, &param);
    }
    return status;
}

void TCommClass::CheckTick()
{
    if (Busy || !IsConnected())
        return;
    Busy = true;
    uint8_t lock = 0;
    const int32_t status = CheckLink(lock);
    if (status != 0) {
        QCoreApplication::postEvent(m_notifier.get(), new QEvent(LinkLostEvent));
    } else if ((Options & OptReportLock) && (LockState == LockUndetermined || LockState != lock)) {
        LockState = lock;
        QCoreApplication::postEvent(m_notifier.get(), new QEvent(LockChangedEvent));
    }
    Busy = false;
}

void TCommClass::handleLockChanged()
{
    if (OnLockChanged)
        OnLockChanged(this);
}

void TCommClass::handleLinkLost()
{
    CloseLink();
    if (OnLostConnection)
        OnLostConnection(this);
}

void TCommClass::CloseLink()
{
    stopTimer();
    if (m_protoEntry) {
        QElapsedTimer t;
        t.start();
        while (Busy && t.elapsed() < 5000)
            processEventsFor(5);
        int32_t count = 0, param = 0;
        m_protoEntry(drv::ProtoEnd, nullptr, &count, &param);
        State &= uint8_t(~StConnected);
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
        m_protoEntry(drv::ProtoEnd, nullptr, &count, &param);
        m_protoEntry(drv::ProtoClose, nullptr, &count, &param);
        m_protoEntry(drv::ProtoDeinit, nullptr, &count, &param);
    }
    if (m_lineEntry) {
        m_lineEntry(drv::LineClose, nullptr, &count, &param);
        m_lineEntry(drv::LineDeinit, nullptr, &count, &param);
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
    State &= uint8_t(~StLoaded);
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
    const int32_t status = m_lineEntry(code, buffer, count, param);
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
    const int32_t status = m_protoEntry(code, buffer, count, param);
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

TCommClass *currentLink()
{
    return currentSlot().get();
}

TCommClass *replaceCurrentLink(const QString &selector)
{
    currentSlot().reset();
    currentSlot() = std::make_unique<TCommClass>(selector);
    return currentSlot().get();
}

void destroyCurrentLink()
{
    currentSlot().reset();
}
