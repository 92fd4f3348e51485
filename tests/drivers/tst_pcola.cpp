// Protocol "WN" with the real line driver over a pseudo-terminal and a
// scripted device on the other side.
#include "iecframe.h"
#include "ptypeer.h"

#include <QtTest>
#include <map>

using namespace std::string_literals;

namespace {

// What a well-behaved device answers; `override` may answer first.
struct Device {
    std::map<std::string, std::string> values{{"L34", "2.05"}, {"P4", "0.1"}};
    std::function<std::string(const std::string &, int)> override; // request, try number
    std::map<std::string, int> tries;

    std::string answer(const std::string &req)
    {
        int n = ++tries[req];
        if (override) {
            std::string r = override(req, n);
            if (r != "default")
                return r;
        }
        if (req == "/?!\r\n")
            return "/XYz4RQ60-V2\r\n";
        if (req[0] == iec::ACK)
            return iec::commandFrame("P0", "(87654321)");
        iec::Scan s = iec::scanFrame(req);
        std::string a, v;
        iec::splitAddressValue(s.data, a, v);
        if (s.command == "P1")
            return std::string(1, iec::ACK);
        if (s.command == "R1")
            return iec::dataFrame(a + "(" + values[a] + ")");
        if (s.command == "W1") {
            values[a] = v + "0"; // the device pads, so the read-back differs
            return std::string(1, iec::ACK);
        }
        return "";
    }
};

} // namespace

class TestPcola : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void signOnReadWrite();
    void repeats_data();
    void repeats();
    void staleAnswerDiscarded();
    void slowAnswerInsideLimit();
    void deviceErrors();
    void readBackFails();
    void bufferTooSmall();
    void badRequests();
    void signOnRefused();
    void hangUpDuringRead();
    void lateAnswerIsNotTakenForTheNextRead();
    void lateReadAnswerIsNotAWritesReadBack();
    void lateAckDoesNotConfirmARefusedWrite();
    void ackFollowedByARefusalConfirmsNothing();
    void duplicatedAnswers();
    void staleFrameAheadOfTheAnswer();
    void echoingHead();

private:
    // Sends `bytes` to the driver `ms` from now, as a device that answers
    // late; joined before the peer goes.
    void later(int ms, const std::string &bytes)
    {
        m_late.emplace_back([this, ms, bytes] {
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            peer->inject(bytes);
        });
    }
    std::vector<std::thread> m_late;
    int32_t connect()
    {
        peer->start([this](const std::string &r) { return device.answer(r); });
        std::string t = "COM3:4800,N,8,1,BIN,RS0,DS0";
        int32_t st = line.call(drv::LineInit);
        if (st == 0)
            st = line.call(drv::LineOpen, t.data());
        if (st == 0)
            st = proto.call(drv::ProtoInit);
        if (st == 0)
            st = proto.call(drv::ProtoAttachLine, reinterpret_cast<char *>(line.proc));
        return st == 0 ? proto.call(drv::ProtoStart) : st;
    }
    DriverLib line{"sline_32.so"};
    DriverLib proto{"pcola_32.so"};
    PtyPeer *peer = nullptr;
    Device device;
};

void TestPcola::init()
{
    QVERIFY(line.loaded() && proto.loaded());
    device = Device();
    peer = new PtyPeer;
    qputenv("SLINE_32_COM3", peer->slavePath().c_str());
}

void TestPcola::cleanup()
{
    for (std::thread &t : m_late)
        t.join();
    m_late.clear();
    proto.call(drv::ProtoEnd);
    proto.call(drv::ProtoDeinit);
    line.call(drv::LineDeinit);
    delete peer;
}

void TestPcola::signOnReadWrite()
{
    QCOMPARE(connect(), 0);
    auto req = peer->requests();
    QCOMPARE(req.size(), size_t(3));
    QCOMPARE(req[1], "\x06"
                     "04"
                     "1\r\n"s); // the rate character echoed
    QCOMPARE(req[2], iec::commandFrame("P1", "()"));

    std::string text = "L34";
    QCOMPARE(proto.text(drv::ProtoRead, text), 0);
    QCOMPARE(text, "L34=2.05"s);
    QCOMPARE(proto.lastCount, 8);

    text = "P4=0.1";
    QCOMPARE(proto.text(drv::ProtoWrite, text), 0);
    QCOMPARE(text, "P4=0.10"s);
    QCOMPARE(peer->countStartingWith(iec::commandFrame("W1", "P4(0.1)")), 1);
    QCOMPARE(peer->countStartingWith(iec::commandFrame("R1", "P4()")), 1);

    QCOMPARE(proto.call(drv::ProtoEnd), 0);
    QTRY_COMPARE(peer->requests().back(), iec::bareCommandFrame("B0"));
    text = "L34";
    QCOMPARE(proto.text(drv::ProtoRead, text), int(drv::DrvOutOfOrder));
}

void TestPcola::repeats_data()
{
    QTest::addColumn<QString>("request");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("failingTries");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("sends");
    QTest::newRow("read NAK thrice") << "L34"
                                     << "nak" << 3 << int(drv::DrvNak) << 3;
    QTest::newRow("read corrupt thrice") << "L34"
                                         << "corrupt" << 3 << int(drv::DrvCorrupt) << 3;
    QTest::newRow("read silent") << "L34"
                                 << "silent" << 3 << int(drv::DrvTimeout) << 3;
    QTest::newRow("read corrupt once") << "L34"
                                       << "corrupt" << 1 << 0 << 2;
    QTest::newRow("write NAK thrice") << "P4=0.2"
                                      << "nak" << 3 << int(drv::DrvNak) << 3;
    QTest::newRow("write silent") << "P4=0.2"
                                  << "silent" << 3 << int(drv::DrvNotConfirmed) << 3;
    QTest::newRow("write NAK twice") << "P4=0.2"
                                     << "nak" << 2 << 0 << 3;
}

void TestPcola::repeats()
{
    QFETCH(QString, request);
    QFETCH(QString, fault);
    QFETCH(int, failingTries);
    const std::string cmd = request.contains('=') ? "W1" : "R1";
    // By value: the peer thread still calls the override while the test is
    // cleaned up (the session end), after this function has returned.
    device.override = [cmd, fault, failingTries](const std::string &req, int n) -> std::string {
        if (req.compare(1, 2, cmd) != 0 || n > failingTries)
            return "default";
        if (fault == "nak")
            return std::string(1, iec::NAK);
        if (fault == "corrupt") {
            std::string f = iec::dataFrame("L34(2.05)");
            f.back() ^= 0x20;
            return f;
        }
        return "";
    };
    QCOMPARE(connect(), 0);
    std::string text = request.toStdString();
    QTEST(proto.text(cmd == "W1" ? drv::ProtoWrite : drv::ProtoRead, text), "status");
    QTEST(peer->countStartingWith("\x01" + cmd), "sends");
}

void TestPcola::staleAnswerDiscarded()
{
    // A late answer for another address comes first, then the right one.
    device.override = [](const std::string &req, int) -> std::string {
        if (req.compare(1, 2, "R1") != 0)
            return "default";
        return iec::dataFrame("P4(0.1)") + iec::dataFrame("L34(2.05)");
    };
    QCOMPARE(connect(), 0);
    std::string text = "L34";
    QCOMPARE(proto.text(drv::ProtoRead, text), 0);
    QCOMPARE(text, "L34=2.05"s);
    QCOMPARE(peer->countStartingWith("\x01R1"), 1);
}

void TestPcola::slowAnswerInsideLimit()
{
    // The device may take 1500 ms; an answer after 1400 ms is still taken.
    device.override = [](const std::string &req, int) -> std::string {
        if (req.compare(1, 2, "R1") == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1400));
        return "default";
    };
    QCOMPARE(connect(), 0);
    std::string text = "L34";
    QCOMPARE(proto.text(drv::ProtoRead, text), 0);
    QCOMPARE(peer->countStartingWith("\x01R1"), 1);
}

void TestPcola::deviceErrors()
{
    device.override = [](const std::string &req, int) -> std::string {
        if (req.find("L99") != std::string::npos)
            return iec::dataFrame("(ER01)");
        if (req.find("W1") != std::string::npos)
            return iec::dataFrame("(ER04)");
        return "default";
    };
    QCOMPARE(connect(), 0);
    std::string text = "L99";
    QCOMPARE(proto.text(drv::ProtoRead, text), -101);
    text = "P4=1";
    QCOMPARE(proto.text(drv::ProtoWrite, text), -104);
    QCOMPARE(text, "P4=1"s);
    QCOMPARE(peer->countStartingWith("\x01W1"), 1); // a refusal is not repeated
}

void TestPcola::readBackFails()
{
    device.override = [](const std::string &req, int) -> std::string {
        return req.compare(1, 2, "R1") == 0 ? "" : "default";
    };
    QCOMPARE(connect(), 0);
    std::string text = "P4=0.2";
    QCOMPARE(proto.text(drv::ProtoWrite, text), int(drv::DrvNotConfirmed));
}

void TestPcola::bufferTooSmall()
{
    QCOMPARE(connect(), 0);
    std::string text = "L34";
    QCOMPARE(proto.text(drv::ProtoRead, text, 8), int(drv::DrvAnswerTooLong));
    QCOMPARE(text, "L34"s); // untouched
    text = "L34";
    QCOMPARE(proto.text(drv::ProtoRead, text, 9), 0);
    QCOMPARE(text, "L34=2.05"s);
}

void TestPcola::badRequests()
{
    std::string text = "L34";
    QCOMPARE(proto.text(drv::ProtoRead, text), int(drv::DrvOutOfOrder)); // not signed on
    QCOMPARE(connect(), 0);
    for (std::string bad : {"L(34"s, "L34)"s, "L3\x03"s, ""s, "L34=1"s}) {
        QCOMPARE(proto.text(drv::ProtoRead, bad), int(drv::DrvBadArgument));
    }
    text = "P4";
    QCOMPARE(proto.text(drv::ProtoWrite, text), int(drv::DrvBadArgument));
    QCOMPARE(proto.call(drv::ProtoRead, nullptr, 101), int(drv::DrvBadArgument));
    QCOMPARE(proto.call(99), int(drv::DrvBadArgument));
    QCOMPARE(peer->countStartingWith("\x01R1"), 0); // nothing reached the line
}

void TestPcola::signOnRefused()
{
    device.override = [](const std::string &req, int) -> std::string {
        return req[0] == iec::SOH ? std::string(1, iec::NAK) : "default";
    };
    QCOMPARE(connect(), int(drv::DrvSignOnRefused));
    device.override = [](const std::string &, int) -> std::string { return ""; };
    QCOMPARE(proto.call(drv::ProtoStart), int(drv::DrvTimeout));
}

void TestPcola::hangUpDuringRead()
{
    device.override = [this](const std::string &req, int) -> std::string {
        if (req.compare(1, 2, "R1") != 0)
            return "default";
        peer->hangUp();
        return "";
    };
    QCOMPARE(connect(), 0);
    QElapsedTimer t;
    t.start();
    std::string text = "L34";
    QCOMPARE(proto.text(drv::ProtoRead, text), int(drv::DrvLineGone));
    QVERIFY(t.elapsed() < 1500);
}

void TestPcola::lateAnswerIsNotTakenForTheNextRead()
{
    // Read N: the first try is answered 2.5 s late, the second in time.
    // Read N+1 of the same address, answered slowly, must show what the
    // device holds now, not the late answer that arrives while it waits.
    const std::string req = iec::commandFrame("R1", "L34()");
    device.override = [this, req](const std::string &r, int n) -> std::string {
        if (r != req)
            return "default";
        if (n == 1)
            later(2500, iec::dataFrame("L34(late)"));
        if (n == 1)
            return "";
        if (n == 3)
            std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        return "default";
    };
    device.values["L34"] = "first";
    QCOMPARE(connect(), 0);
    std::string text = "L34";
    QCOMPARE(proto.text(drv::ProtoRead, text), 0);
    QCOMPARE(text, "L34=first"s);
    device.values["L34"] = "second";
    text = "L34";
    QCOMPARE(proto.text(drv::ProtoRead, text), 0);
    QCOMPARE(text, "L34=second"s);
}

void TestPcola::lateReadAnswerIsNotAWritesReadBack()
{
    // The late answer of a read arrives during the read-back of the next
    // write: the write must show what the device stored, not the old value.
    const std::string read = iec::commandFrame("R1", "P4()");
    device.override = [this, read](const std::string &r, int n) -> std::string {
        if (r != read)
            return "default";
        if (n == 1) {
            later(2500, iec::dataFrame("P4(0.1)"));
            return "";
        }
        if (n == 3) // the read-back, slowly
            std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        return "default";
    };
    QCOMPARE(connect(), 0);
    std::string text = "P4";
    QCOMPARE(proto.text(drv::ProtoRead, text), 0);
    text = "P4=0.2";
    QCOMPARE(proto.text(drv::ProtoWrite, text), 0);
    QCOMPARE(text, "P4=0.20"s);
}

void TestPcola::lateAckDoesNotConfirmARefusedWrite()
{
    // A write that got no answer on any try; the ACK of its last try comes
    // late, while the device refuses the next write (slowly).
    const std::string first = iec::commandFrame("W1", "P4(1)");
    const std::string second = iec::commandFrame("W1", "P4(2)");
    device.override = [this, first, second](const std::string &r, int n) -> std::string {
        if (r == first) {
            if (n == 3)
                later(2300, std::string(1, iec::ACK));
            return "";
        }
        if (r == second) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1000));
            return iec::dataFrame("(ER03)");
        }
        return "default";
    };
    QCOMPARE(connect(), 0);
    std::string text = "P4=1";
    QCOMPARE(proto.text(drv::ProtoWrite, text), int(drv::DrvNotConfirmed));
    text = "P4=2";
    QCOMPARE(proto.text(drv::ProtoWrite, text), drv::deviceError(3));
}

void TestPcola::ackFollowedByARefusalConfirmsNothing()
{
    // A noise byte 0x06 just before the device's refusal: the ACK does not
    // stand alone, so nobody can say the device took the write.
    device.override = [](const std::string &r, int) -> std::string {
        if (r.compare(1, 2, "W1") == 0)
            return std::string(1, iec::ACK) + iec::dataFrame("(ER03)");
        return "default";
    };
    QCOMPARE(connect(), 0);
    std::string text = "P4=0.3";
    QCOMPARE(proto.text(drv::ProtoWrite, text), int(drv::DrvNotConfirmed));
    QCOMPARE(peer->countStartingWith("\x01R1"), 0); // never read back as if written
}

void TestPcola::duplicatedAnswers()
{
    // A device (or head) that sends every answer twice: an ACK twice still
    // confirms its write; the copy of a read's answer is not taken for the
    // next read.
    const std::string read = iec::commandFrame("R1", "L34()");
    device.override = [this, read](const std::string &r, int) -> std::string {
        if (r.compare(1, 2, "W1") == 0) {
            device.values["P4"] = "0.40";
            return std::string(2, iec::ACK);
        }
        if (r == read)
            return device.values["L34"] == "first"
                       ? iec::dataFrame("L34(first)") + iec::dataFrame("L34(first)")
                       : "default";
        return "default";
    };
    QCOMPARE(connect(), 0);
    std::string text = "P4=0.4";
    QCOMPARE(proto.text(drv::ProtoWrite, text), 0);
    QCOMPARE(text, "P4=0.40"s);
    QCOMPARE(peer->countStartingWith("\x01W1"), 1);
    device.values["L34"] = "first";
    text = "L34";
    QCOMPARE(proto.text(drv::ProtoRead, text), 0);
    QCOMPARE(text, "L34=first"s);
    device.values["L34"] = "second";
    text = "L34";
    QCOMPARE(proto.text(drv::ProtoRead, text), 0);
    QCOMPARE(text, "L34=second"s);
}

void TestPcola::staleFrameAheadOfTheAnswer()
{
    // An old frame comes out of a buffer the moment the request is sent,
    // before the device could have answered; then the real answer.
    const std::string read = iec::commandFrame("R1", "L34()");
    device.override = [this, read](const std::string &r, int n) -> std::string {
        if (r == read && n == 2)
            peer->inject(iec::dataFrame("L34(old)"));
        return "default";
    };
    device.values["L34"] = "old";
    QCOMPARE(connect(), 0);
    std::string text = "L34";
    QCOMPARE(proto.text(drv::ProtoRead, text), 0);
    device.values["L34"] = "new";
    text = "L34";
    QCOMPARE(proto.text(drv::ProtoRead, text), 0);
    QCOMPARE(text, "L34=new"s);
}

void TestPcola::echoingHead()
{
    // An optical head returns every byte we send, at once.
    device.override = [this](const std::string &r, int) -> std::string {
        peer->inject(r);
        return "default";
    };
    QCOMPARE(connect(), 0);
    std::string text = "L34";
    QCOMPARE(proto.text(drv::ProtoRead, text), 0);
    QCOMPARE(text, "L34=2.05"s);
    text = "P4=0.5";
    QCOMPARE(proto.text(drv::ProtoWrite, text), 0);
    QCOMPARE(text, "P4=0.50"s);
}

QTEST_GUILESS_MAIN(TestPcola)
#include "tst_pcola.moc"
