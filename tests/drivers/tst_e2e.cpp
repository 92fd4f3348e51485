// The three drivers against the device simulator: a WN session, then the
// DS record start on the same line; with and without an optical head that
// echoes, at the default rate and at the slowest.
#include "ptypeer.h"
#include "ptyserver.h"

#include <QtTest>

using namespace std::string_literals;

namespace {

bool logHas(const std::vector<std::string> &log, const std::string &entry)
{
    return std::find(log.begin(), log.end(), entry) != log.end();
}

} // namespace

class TestDriversE2e : public QObject
{
    Q_OBJECT
private slots:
    void wnThenDs_data();
    void wnThenDs();
    void sessionEndReachesTheDevice();

private:
    int32_t openLine(DriverLib &line, const std::string &settings)
    {
        std::string open = "COM1:" + settings;
        int32_t st = line.call(drv::LineInit);
        return st == 0 ? line.call(drv::LineOpen, open.data()) : st;
    }
};

void TestDriversE2e::wnThenDs_data()
{
    QTest::addColumn<bool>("echo");
    QTest::addColumn<QString>("settings");
    QTest::newRow("4800") << false << "4800,N,8,1,BIN,RS0,DS0";
    QTest::newRow("4800, echoing head") << true << "4800,N,8,1,BIN,RS0,DS0";
    // A working device at 300 baud: every wait follows from the rate.
    QTest::newRow("300 paced, echoing head") << true << "300,N,8,1,BIN,RS0,DS0";
}

void TestDriversE2e::wnThenDs()
{
    QFETCH(bool, echo);
    QFETCH(QString, settings);
    rq60::PtyServer device(2);
    qputenv("SLINE_32_COM1", device.start().c_str());
    if (echo)
        QVERIFY(device.control("echo on"));
    if (settings.startsWith("300"))
        QVERIFY(device.control("pace 300"));
    DriverLib line("sline_32.so"), wn("pcola_32.so"), ds("pcolb_32.so");
    QVERIFY(line.loaded() && wn.loaded() && ds.loaded());
    QCOMPARE(openLine(line, settings.toStdString()), 0);
    QCOMPARE(wn.call(drv::ProtoInit), 0);
    QCOMPARE(wn.call(drv::ProtoAttachLine, reinterpret_cast<char *>(line.proc)), 0);
    QCOMPARE(wn.call(drv::ProtoStart), 0);
    std::string text = "L34";
    QCOMPARE(wn.text(drv::ProtoRead, text), 0);
    QCOMPARE(text, "L34=2.05"s);
    text = "L4";
    QCOMPARE(wn.text(drv::ProtoRead, text), 0);
    QVERIFY(text.rfind("L4=", 0) == 0);
    text = "L777";
    QVERIFY(wn.text(drv::ProtoRead, text) <= drv::DrvDeviceErrorBase);
    device.control("lock open");
    text = "P4=0.1";
    QCOMPARE(wn.text(drv::ProtoWrite, text), 0);
    QCOMPARE(text, "P4=0.1"s);
    int32_t discarded = 0, repeats = 0;
    QCOMPARE(wn.proc(drv::ProtoCounters, nullptr, &discarded, &repeats), 0);
    QCOMPARE(repeats, 0); // the echo is dropped in time, nothing is repeated
    QVERIFY(echo ? discarded > 0 : discarded == 0);

    // End the WN session the way the program does, then start a record.
    QCOMPARE(wn.call(drv::ProtoEnd), 0);
    char etb[] = "\x17\x17\x17";
    QCOMPARE(line.call(drv::LineSend, etb, 3), 0);
    // The device has ended the session once it logged the three bytes.
    QTRY_VERIFY(logHas(device.requestLog(), "ETB"));
    QCOMPARE(ds.call(drv::ProtoInit), 0);
    QCOMPARE(ds.call(drv::ProtoAttachLine, reinterpret_cast<char *>(line.proc)), 0);
    QCOMPARE(ds.call(drv::ProtoStart), 0);
    text.clear();
    QCOMPARE(ds.text(drv::ProtoRead, text, 31, 'Y'), 0);
    QCOMPARE(text, "00"s);
    QCOMPARE(ds.call(drv::ProtoEnd), 0);
    ds.call(drv::ProtoDeinit);
    wn.call(drv::ProtoDeinit);
    line.call(drv::LineDeinit);
    device.stop();
}

void TestDriversE2e::sessionEndReachesTheDevice()
{
    // Sign on, end the session and close the line at once: the device has
    // its B0 and is idle, not waiting for its idle timeout on battery.
    rq60::PtyServer device(2);
    qputenv("SLINE_32_COM1", device.start().c_str());
    DriverLib line("sline_32.so"), wn("pcola_32.so");
    QCOMPARE(openLine(line, "4800,N,8,1,BIN,RS0,DS0"), 0);
    QCOMPARE(wn.call(drv::ProtoInit), 0);
    QCOMPARE(wn.call(drv::ProtoAttachLine, reinterpret_cast<char *>(line.proc)), 0);
    QCOMPARE(wn.call(drv::ProtoStart), 0);
    QCOMPARE(wn.call(drv::ProtoEnd), 0);
    QCOMPARE(line.call(drv::LineClose), 0);
    QTRY_VERIFY(logHas(device.requestLog(), "B0"));
    std::string state;
    device.control("state", &state);
    QVERIFY2(state.find("idle") != std::string::npos, state.c_str());
    wn.call(drv::ProtoDeinit);
    line.call(drv::LineDeinit);
}

QTEST_GUILESS_MAIN(TestDriversE2e)
#include "tst_e2e.moc"
