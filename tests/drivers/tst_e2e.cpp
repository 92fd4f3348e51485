// The three drivers against the device simulator: a WN session, then the
// DS record start on the same line.
#include "ptypeer.h"
#include "ptyserver.h"

#include <QtTest>

using namespace std::string_literals;

namespace {
bool logged(const rq60::PtyServer &device, const std::string &entry)
{
    for (const std::string &line : device.requestLog())
        if (line == entry)
            return true;
    return false;
}
} // namespace

class TestDriversE2e : public QObject
{
    Q_OBJECT
private slots:
    void wnThenDs();
};

void TestDriversE2e::wnThenDs()
{
    rq60::PtyServer device(2);
    qputenv("SLINE_32_COM1", device.start().c_str());
    DriverLib line("sline_32.so"), wn("pcola_32.so"), ds("pcolb_32.so");
    QVERIFY(line.loaded() && wn.loaded() && ds.loaded());
    std::string open = "COM1:4800,N,8,1,BIN,RS0,DS0";
    QCOMPARE(line.call(drv::LineInit), 0);
    QCOMPARE(line.call(drv::LineOpen, open.data()), 0);
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

    // End the WN session the way the program does, then start a record.
    QCOMPARE(wn.call(drv::ProtoEnd), 0);
    char etb[] = "\x17\x17\x17";
    QCOMPARE(line.call(drv::LineSend, etb, 3), 0);
    // The device has ended the session once it logged the three bytes.
    QTRY_VERIFY(logged(device, "ETB"));
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

QTEST_GUILESS_MAIN(TestDriversE2e)
#include "tst_e2e.moc"
