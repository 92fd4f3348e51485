// The whole device link for real: the link object, our driver libraries
// and the simulated RQ-60 behind a pseudo-terminal.
#include "commclass.h"
#include "devicevalues.h"
#include "dsmodul.h"
#include "linkfixture.h"
#include "linkstatus.h"
#include "ptyserver.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <memory>
#include <thread>

class TestLinkDevice : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void dsRecordsOfAV1xDevice();
    void hangUpDuringAReadIsReportedQuickly();
    void corruptAndLateAnswersAreNeverStored();
    void slowDsDeviceConnects();
    void failedConnectSaysWhy();

private:
    TCommClass *connect(int generation, uint16_t checkInterval = 0);
    std::string control(const std::string &cmd);

    std::unique_ptr<rq60::PtyServer> m_server;
    SettingsSandbox *m_settings = nullptr;
    MessageRecorder *m_rec = nullptr;
};

void TestLinkDevice::initTestCase()
{
    m_settings = new SettingsSandbox;
    useBuiltProgramDirectory();
    LoadLanguageLibrary(QStringLiteral("DE"));
    m_rec = new MessageRecorder;
}

void TestLinkDevice::cleanupTestCase()
{
    delete m_rec;
    FreeLanguageLibrary();
    delete m_settings;
}

void TestLinkDevice::cleanup()
{
    destroyCurrentLink();
    if (m_server)
        m_server->stop();
    m_server.reset();
    m_rec->clear();
}

TCommClass *TestLinkDevice::connect(int generation, uint16_t checkInterval)
{
    m_server = std::make_unique<rq60::PtyServer>(generation);
    const std::string slave = m_server->start();
    qputenv("SLINE_32_COM1", slave.c_str());
    TCommClass *link = replaceCurrentLink("WN");
    link->SetPort("COM1");
    link->SetInitString("4800,N,8,1,BIN,RS0,DS0");
    link->SetOptions(30);
    link->CheckInterval = checkInterval;
    link->SetActive(true);
    DeviceValues.clear();
    m_server->clearLog();
    return link;
}

std::string TestLinkDevice::control(const std::string &cmd)
{
    std::string reply;
    if (!m_server->control(cmd, &reply))
        qWarning("control '%s' refused: %s", cmd.c_str(), reply.c_str());
    // "get ADDR" answers "ADDR=value"; the tests compare the value.
    if (cmd.rfind("get ", 0) == 0 && reply.find('=') != std::string::npos)
        reply = reply.substr(reply.find('=') + 1);
    return reply;
}

void TestLinkDevice::dsRecordsOfAV1xDevice()
{
    m_server = std::make_unique<rq60::PtyServer>(1);
    qputenv("SLINE_32_COM1", m_server->start().c_str());
    TCommClass *link = replaceCurrentLink("DS");
    link->SetPort("COM1");
    link->SetInitString("4800,N,8,1,BIN,RS0,DS0");
    link->SetOptions(30);
    link->SetActive(true);
    DSData00 = TDSData();
    DSData01 = TDSData();
    m_server->clearLog();
    ReadDSArchive();
    QVERIFY2(m_rec->shown.isEmpty(), qPrintable(m_rec->shown.value(0).text));
    QCOMPARE(DSData00.Field[1], QString("00"));
    QCOMPARE(DSData01.Field[1], QString("01"));
    QCOMPARE(DSData00.Field[11], QString()); // a "00" record has no data
    // The data is whole: 3-character fields, twelve to a record, "FF1" last.
    const QString data = DSData01.Field[11];
    QVERIFY(data.size() % 3 == 0);
    QVERIFY(data.endsWith("FF1"));
    QVERIFY(data.contains("FFA"));
    int blocks = 0;
    for (const std::string &e : m_server->requestLog())
        blocks += e == "DS x";
    QCOMPARE(blocks, (data.size() / 3 + 5) / 6);
    QCOMPARE(DSData01.Field[0], DSData00.Field[0]); // the device number in both
}

void TestLinkDevice::hangUpDuringAReadIsReportedQuickly()
{
    TCommClass *link = connect(2, 300);
    QSignalSpy lost(link->notifier(), &LinkNotifier::lostConnection);
    control("delay 800");
    QElapsedTimer t;
    t.start();
    std::thread unplug([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        m_server->hangUp();
    });
    DeviceValues.L[2] = "before";
    const int32_t status = ReadValues("L2");
    unplug.join();
    QCOMPARE(status, int(drv::DrvLineGone));
    QCOMPARE(DeviceValues.L[2], QString("before"));
    QVERIFY2(t.elapsed() < 2000, qPrintable(QString::number(t.elapsed())));
    QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, 2000);
    QVERIFY(!link->IsConnected());
}

void TestLinkDevice::corruptAndLateAnswersAreNeverStored()
{
    connect(2);
    const QString l7 = QString::fromStdString(control("get L7"));
    control("corrupt 2"); // two bad answers, the third try succeeds
    QCOMPARE(ReadValues("L7"), 0);
    QCOMPARE(DeviceValues.L[7], l7);
    control("drop 1");
    QCOMPARE(ReadValues("L34"), 0);
    QCOMPARE(DeviceValues.L[34], QString("2.05"));

    control("fail L7 corrupt");
    DeviceValues.L[7] = "kept";
    QCOMPARE(ReadValues("L7"), int(drv::DrvCorrupt));
    QCOMPARE(DeviceValues.L[7], QString("kept"));
    control("fail L7 off");

    // A device that stays silent: the read fails and the old text stays;
    // the next read is not confused by anything left on the line.
    control("fail L18 silent");
    DeviceValues.L[18] = "kept";
    QCOMPARE(ReadValues("L18"), int(drv::DrvTimeout));
    QCOMPARE(DeviceValues.L[18], QString("kept"));
    control("fail L18 off");
    QCOMPARE(ReadValues("L33"), 0);
    QCOMPARE(DeviceValues.L[33], QString::fromStdString(control("get L33")));
}

void TestLinkDevice::slowDsDeviceConnects()
{
    // A V1x device that takes 600 ms to react (the protocol allows 1500):
    // the link test waits for its three ACK instead of failing the connect.
    m_server = std::make_unique<rq60::PtyServer>(1);
    qputenv("SLINE_32_COM1", m_server->start().c_str());
    control("react 600");
    TCommClass *link = replaceCurrentLink("DS");
    link->SetPort("COM1");
    link->SetInitString("4800,N,8,1,BIN,RS0,DS0");
    link->SetOptions(30);
    link->SetActive(true);
    QVERIFY(link->IsConnected());
    uint8_t lock = 9;
    link->Busy = true;
    QCOMPARE(link->CheckLink(lock), 0);
    link->Busy = false;
    QCOMPARE(int(lock), 0);
}

void TestLinkDevice::failedConnectSaysWhy()
{
    // The box says 510; its details name the driver status, what it means
    // and the device the port name stands for.
    qputenv("SLINE_32_COM1", "/nonexistent/ttyUSB7");
    TCommClass *link = replaceCurrentLink("WN");
    link->SetPort("COM1");
    link->SetInitString("4800,N,8,1,BIN,RS0,DS0");
    try {
        link->SetActive(true);
        QFAIL("no exception");
    } catch (const TCommClassException &e) {
        QCOMPARE(e.status(), int32_t(drv::DrvPortNotFound));
        const QString details = connectFailureDetails(e, link);
        QVERIFY2(details.contains(e.message()), qPrintable(details));
        QVERIFY2(details.contains(langFormatId(9010, {-3, statusMeaning(-3)})),
                 qPrintable(details));
        QVERIFY2(details.contains("COM1") && details.contains("/nonexistent/ttyUSB7"),
                 qPrintable(details));
    }
}

QTEST_GUILESS_MAIN(TestLinkDevice)
#include "tst_linkdevice.moc"
