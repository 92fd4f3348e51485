// The device session without a widget, against a simulated RQ-60 behind a
// pseudo-terminal through the real drivers: the connection cycle for both
// generations (what the device receives, and what the session holds
// afterwards), the one write path with its confirm rule and its hooks, one
// operation at a time, and nothing of a device outliving its session.
#include "addresstable.h"
#include "commclass.h"
#include "devicesession.h"
#include "ptyserver.h"
#include "testsupport.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <memory>

namespace {

TComm comm()
{
    TComm c;
    c.Com = 1;
    c.Init = QStringLiteral("4800,N,8,1,BIN,RS0,DS0");
    c.CheckTime = 20000;
    return c;
}

// The addresses of a list in the order a read takes them: H, L, P, each by
// ascending number, each once.
QStringList readOrder(const QString &list)
{
    QStringList keys;
    for (QString k : list.split(QLatin1Char(','))) {
        k = k.trimmed();
        if (!keys.contains(k))
            keys << k;
    }
    std::sort(keys.begin(), keys.end(), [](const QString &a, const QString &b) {
        const QString letters = QStringLiteral("HLP");
        if (a.at(0) != b.at(0))
            return letters.indexOf(a.at(0)) < letters.indexOf(b.at(0));
        return a.mid(1).toInt() < b.mid(1).toInt();
    });
    return keys;
}

bool logHas(const std::vector<std::string> &log, const std::string &entry)
{
    return std::find(log.begin(), log.end(), entry) != log.end();
}

} // namespace

class DeviceSessionTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void readsEachPageOfBothGenerations_data();
    void readsEachPageOfBothGenerations();
    void writesCountOnlyWhatTheDeviceHolds_data();
    void writesCountOnlyWhatTheDeviceHolds();
    void keysNeverReachTheHooks();
    void oneOperationAtATime();
    void nothingOfADeviceOutlivesItsSession();
    void lostLinkIsReported();

private:
    void startDevice(int generation);
    std::string control(const std::string &command);
    std::vector<std::string> writes() const;

    std::unique_ptr<SettingsSandbox> m_settings;
    std::unique_ptr<MessageRecorder> m_boxes;
    std::unique_ptr<rq60::PtyServer> m_device;
    std::unique_ptr<DeviceSession> m_session;
};

void DeviceSessionTest::initTestCase()
{
    useBuiltProgramDirectory();
    m_settings = std::make_unique<SettingsSandbox>();
    LoadLanguageLibrary(QStringLiteral("DE"));
    QVERIFY(LanguageLibraryLoaded());
}

void DeviceSessionTest::cleanupTestCase()
{
    FreeLanguageLibrary();
}

void DeviceSessionTest::init()
{
    m_boxes = std::make_unique<MessageRecorder>();
    m_session = std::make_unique<DeviceSession>();
}

void DeviceSessionTest::cleanup()
{
    m_session.reset();
    m_device.reset();
    m_boxes.reset();
}

void DeviceSessionTest::startDevice(int generation)
{
    m_device = std::make_unique<rq60::PtyServer>(generation);
    qputenv("SLINE_32_COM1", QByteArray::fromStdString(m_device->start()));
}

std::string DeviceSessionTest::control(const std::string &command)
{
    std::string reply;
    m_device->control(command, &reply);
    return reply;
}

std::vector<std::string> DeviceSessionTest::writes() const
{
    std::vector<std::string> w;
    for (const std::string &e : m_device->requestLog())
        if (e.rfind("W1 ", 0) == 0)
            w.push_back(e);
    return w;
}

void DeviceSessionTest::readsEachPageOfBothGenerations_data()
{
    QTest::addColumn<int>("generation");
    QTest::addColumn<int>("page");
    for (int gen : {1, 2})
        for (int page = 0; page < 5; ++page)
            QTest::newRow(qPrintable(QStringLiteral("V%1x page %2").arg(gen).arg(page)))
                << gen << page;
}

// The software version decides the generation at connect; each page reads
// its generation's list, every address once in the order H, L, P. The
// archive of a V1x device comes over the second protocol, and the "WN" link
// is back afterwards.
void DeviceSessionTest::readsEachPageOfBothGenerations()
{
    QFETCH(int, generation);
    QFETCH(int, page);
    startDevice(generation);
    QSignalSpy connected(m_session.get(), &DeviceSession::connectionChanged);
    QVERIFY(m_session->connectDevice(comm()));
    QVERIFY(m_session->isConnected());
    QCOMPARE(connected.count(), 1);
    const Generation gen = generation == 1 ? Generation::V1x : Generation::V2x;
    QCOMPARE(m_session->generation(), gen);
    QCOMPARE(m_session->deviceVersion(), generation == 1 ? 1.22f : 2.05f);

    m_device->clearLog();
    QSignalSpy busy(m_session.get(), &DeviceSession::busyChanged);
    QCOMPARE(m_session->readPage(page), 0);
    QCOMPARE(busy.count(), 2); // one operation, begun and ended
    const std::vector<std::string> log = m_device->requestLog();
    if (page == 3 && gen == Generation::V1x) {
        for (const char *step : {"ETB", "ENQ", "DS b", "SIGNON"})
            QVERIFY2(logHas(log, step), step);
        QCOMPARE(m_session->dsData01().Field[1], QStringLiteral("01"));
        QVERIFY(!m_session->dsData01().Field[11].isEmpty());
        QCOMPARE(m_session->dsData00().Field[1], QStringLiteral("00"));
        QVERIFY(!m_session->archiveListing().isEmpty());
        QCOMPARE(m_session->link()->selector(), QStringLiteral("WN"));
        QVERIFY(m_session->link()->IsConnected() && m_session->isConnected());
    } else {
        const QString list = pageAddressList(page, gen);
        QCOMPARE(readsIn(log), readOrder(list));
        for (const QString &a : readOrder(list)) {
            const QString held = QString::fromStdString(control("get " + a.toStdString()));
            QVERIFY2(!m_session->values().value(a).isEmpty() || held.section('=', 1).isEmpty(),
                     qPrintable(a));
        }
    }
    QVERIFY(m_boxes->shown.isEmpty());
}

void DeviceSessionTest::writesCountOnlyWhatTheDeviceHolds_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("held");    // what the device holds afterwards
    QTest::addColumn<QStringList>("log"); // what it received
    // The driver reads a written value back itself.
    QTest::newRow("answered") << ""
                              << "0.1" << 0 << "0.1" << QStringList{"W1 P4(0.1)", "R1 P4"};
    // No answer, but the device took it: the session's read-back confirms.
    QTest::newRow("unanswered, taken")
        << "noconfirm on"
        << "100" << 0 << "100" << QStringList{"W1 P4(100)", "W1 P4(100)", "W1 P4(100)", "R1 P4"};
    // No answer, and not taken: not confirmed, the store shows the device's.
    QTest::newRow("unanswered, lost")
        << "noconfirm lost"
        << "0.01" << int(drv::DrvNotConfirmed) << "1"
        << QStringList{"W1 P4(0.01)", "W1 P4(0.01)", "W1 P4(0.01)", "R1 P4"};
    QTest::newRow("refused") << "lock close"
                             << "0.1" << int(drv::deviceError(4)) << "1"
                             << QStringList{"W1 P4(0.1)"};
}

// One write path for every change: the confirm rule in one place, the
// store holding what the device holds, and the hooks before and after.
void DeviceSessionTest::writesCountOnlyWhatTheDeviceHolds()
{
    QFETCH(QString, setup);
    QFETCH(QString, value);
    QFETCH(int, status);
    QFETCH(QString, held);
    QFETCH(QStringList, log);
    startDevice(2);
    control("lock open");
    control("set P4 1");
    QVERIFY(m_session->connectDevice(comm()));
    QCOMPARE(m_session->readValues(QStringLiteral("P4")), 0);
    if (!setup.isEmpty())
        control(setup.toStdString());
    m_device->clearLog();
    QSignalSpy starting(m_session.get(), &DeviceSession::writeStarting);
    QSignalSpy finished(m_session.get(), &DeviceSession::writeFinished);
    connect(m_session.get(), &DeviceSession::writeStarting, this, [&] {
        QVERIFY(m_device->requestLog().empty()); // before the request left
    });
    WriteRequest request;
    request.address = QStringLiteral("P4");
    request.value = value;
    request.confirmByReadBack = true;
    request.storeAnswer = true;
    const WriteResult result = m_session->write(request);
    QCOMPARE(result.status, status);
    QVERIFY(result.requestLeft);
    QCOMPARE(QString::fromStdString(control("get P4")).section('=', 1), held);
    QCOMPARE(m_session->values().P[4], held);
    QStringList received;
    for (const std::string &e : m_device->requestLog())
        received << QString::fromStdString(e);
    QCOMPARE(received, log);
    QCOMPARE(starting.count(), 1);
    QCOMPARE(finished.count(), 1);
    const auto intent = starting.at(0).at(0).value<WriteIntent>();
    QCOMPARE(intent.address, QStringLiteral("P4"));
    QCOMPARE(intent.value, value);
    QCOMPARE(intent.oldValue, QStringLiteral("1"));
    const auto outcome = finished.at(0).at(1).value<WriteResult>();
    QCOMPARE(outcome.status, status);
    QCOMPARE(outcome.confirmedValue, status == 0 ? held : QString());
}

// A key goes to the device and nowhere else: the hooks (a change log's
// source) see its address, a flag and stars.
void DeviceSessionTest::keysNeverReachTheHooks()
{
    startDevice(1);
    control("set P11 00161803");
    QVERIFY(m_session->connectDevice(comm()));
    QStringList seen;
    auto collect = [&](const WriteIntent &i) { seen << i.address << i.value << i.oldValue; };
    connect(m_session.get(), &DeviceSession::writeStarting, this, collect);
    connect(m_session.get(), &DeviceSession::writeFinished, this,
            [&](const WriteIntent &i, const WriteResult &r) {
                collect(i);
                seen << r.confirmedValue;
            });
    WriteRequest request;
    request.address = QStringLiteral("P10");
    request.value = QStringLiteral("00161803");
    request.isKey = true;
    const WriteResult result = m_session->write(request);
    QCOMPARE(result.status, 0);
    QCOMPARE(result.confirmedValue, QStringLiteral("1")); // the lock's new state
    QCOMPARE(writes(), std::vector<std::string>{"W1 P10(00161803)"});
    QVERIFY(!seen.isEmpty());
    for (const QString &s : seen)
        QVERIFY2(!s.contains(QLatin1String("161803")), qPrintable(s));
    QVERIFY(seen.contains(QStringLiteral("********")));
}

// What starts while an operation waits (here: inside the V1x archive
// readout, while the link is replaced) is refused and sends nothing; the
// operation ends with the device connected, and a disconnect then works.
void DeviceSessionTest::oneOperationAtATime()
{
    startDevice(1);
    QVERIFY(m_session->connectDevice(comm()));
    bool tried = false;
    std::vector<std::string> logBefore;
    QTimer probe;
    probe.setInterval(1);
    connect(&probe, &QTimer::timeout, this, [&] {
        // While a link object is destroyed, none is current.
        if (tried || !m_session->isBusy() || m_session->link())
            return;
        tried = true;
        logBefore = m_device->requestLog();
        QVERIFY(!m_session->DisConnect());
        QCOMPARE(m_session->readPage(0), int32_t(drv::DrvOutOfOrder));
        WriteRequest request;
        request.address = QStringLiteral("L4");
        request.value = QStringLiteral("0");
        QVERIFY(!m_session->write(request).requestLeft);
        QVERIFY(!m_session->connectDevice(comm()));
        QCOMPARE(m_device->requestLog(), logBefore);
    });
    probe.start();
    m_device->clearLog();
    QCOMPARE(m_session->readPage(3), 0);
    probe.stop();
    QVERIFY(tried);
    QVERIFY(m_session->isConnected() && m_session->link()->IsConnected());
    QVERIFY(!m_session->isBusy());
    QVERIFY(m_session->DisConnect());
    QVERIFY(!m_session->isConnected() && !m_session->link()->IsConnected());
    QVERIFY(m_boxes->shown.isEmpty());
}

// Disconnect ends the device's session on the line and empties what the
// device left; the next device starts from nothing.
void DeviceSessionTest::nothingOfADeviceOutlivesItsSession()
{
    startDevice(1);
    QVERIFY(m_session->connectDevice(comm()));
    QCOMPARE(m_session->readPage(0), 0);
    QCOMPARE(m_session->readPage(3), 0);
    QVERIFY(!m_session->dsData01().Field[11].isEmpty());
    m_device->clearLog();
    QVERIFY(m_session->DisConnect());
    QVERIFY(logHas(m_device->requestLog(), "ETB"));
    QVERIFY(m_session->values().L[34].isEmpty() && m_session->values().L[18].isEmpty());
    QCOMPARE(m_session->dsData00(), TDSData());
    QCOMPARE(m_session->dsData01(), TDSData());
    QVERIFY(m_session->archiveListing().isEmpty());

    // The reference temperatures belong to this PC, not to the device.
    TJustify justify;
    justify.TempLow = QStringLiteral("-20.0");
    justify.TempHigh = QStringLiteral("40.0");
    m_session->takeReferenceTemperatures(justify);
    startDevice(2);
    control("fail L18 ER05");
    QVERIFY(m_session->connectDevice(comm()));
    QCOMPARE(m_session->readPage(0), drv::deviceError(5));
    QVERIFY(m_session->values().L[18].isEmpty()); // not the V1x device's number
    QCOMPARE(m_session->values().TempLowRef, QStringLiteral("-20.0"));
    for (const ArchiveCell &c : m_session->archiveListing())
        QVERIFY(c.entry.date.isEmpty() && c.entry.value.isEmpty());
}

void DeviceSessionTest::lostLinkIsReported()
{
    startDevice(2);
    TComm c = comm();
    c.CheckTime = 200;
    QVERIFY(m_session->connectDevice(c));
    QSignalSpy lost(m_session.get(), &DeviceSession::linkLost);
    m_device->hangUp();
    QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, 10000);
    QVERIFY(!m_session->isConnected());
    QVERIFY(!m_session->link()->IsConnected());
}

QTEST_GUILESS_MAIN(DeviceSessionTest)
#include "tst_devicesession.moc"
