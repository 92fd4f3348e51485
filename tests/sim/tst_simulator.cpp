// The device at the byte level: sessions, answers and injected faults.
#include "iecframe.h"
#include "simulator.h"

#include <QtTest>

using rq60::Simulator;

namespace {
const std::string Ack(1, iec::ACK), Nak(1, iec::NAK), Etb3(3, iec::ETB);

std::string read(const std::string &a)
{
    return iec::commandFrame("R1", a + "()");
}
std::string write(const std::string &a, const std::string &v)
{
    return iec::commandFrame("W1", a + "(" + v + ")");
}
std::string value(const std::string &a, const std::string &v)
{
    return iec::dataFrame(a + "(" + v + ")");
}
std::string error(int nn)
{
    return iec::dataFrame(nn < 10 ? "(ER0" + std::to_string(nn) + ")"
                                  : "(ER" + std::to_string(nn) + ")");
}

void signOn(Simulator &s)
{
    std::string id = s.feed("/?!\r\n");
    QVERIFY(id.size() > 7 && id[0] == '/' && id.substr(id.size() - 2) == "\r\n");
    std::string p0 = s.feed(std::string(1, iec::ACK) + "0" + id[4] + "1\r\n");
    iec::Scan sc = iec::scanFrame(p0);
    QCOMPARE(int(sc.kind), int(iec::Scan::Frame));
    QCOMPARE(sc.command, std::string("P0"));
    QCOMPARE(s.feed(iec::commandFrame("P1", "()")), Ack);
    QCOMPARE(int(s.state()), int(Simulator::State::Wn));
}

std::string text(const std::string &frame)
{
    iec::Scan sc = iec::scanFrame(frame);
    return sc.kind == iec::Scan::Frame ? sc.data : "<" + std::to_string(int(sc.kind)) + ">";
}
} // namespace

class TestSimulator : public QObject
{
    Q_OBJECT
private slots:
    void signOnAndReadBothGenerations();
    void idleDeviceIgnoresRequests();
    void requestArrivingInPieces();
    void badBccGivesNak();
    void writesAcceptedAndRefused();
    void etbEndsSessionAndTimeout();
    void dsRecordsAlternate();
    void dsBlocks();
    void rawLinkTest();
    void faultInjection();
    void noConfirm();
    void lateDuplicatedAndStaleAnswers();
    void echoingHead();
    void signOnDuringADsRecord();
    void controlCommands();
};

void TestSimulator::signOnAndReadBothGenerations()
{
    Simulator v1(1), v2(2);
    signOn(v1);
    signOn(v2);
    QCOMPARE(v1.feed(read("L34")), value("L34", "1.22"));
    QCOMPARE(v2.feed(read("L34")), value("L34", "2.05"));
    QCOMPARE(v2.feed(read("P16")), error(1));
    QCOMPARE(v1.feed(read("H201")), error(1));
    QCOMPARE(text(v1.feed(read("P0"))), std::string("P0(0)"));
    std::vector<std::string> log = v2.requestLog();
    QCOMPARE(log.front(), std::string("SIGNON"));
    QCOMPARE(log.at(3), std::string("R1 L34"));
    QCOMPARE(log.at(1).substr(0, 6), std::string("OPTION"));
    QCOMPARE(log.at(2), std::string("P1 ()"));
}

void TestSimulator::idleDeviceIgnoresRequests()
{
    Simulator s(2);
    QCOMPARE(s.feed(read("L34")), std::string());
    QCOMPARE(s.requestLog().back(), std::string("R1 L34")); // logged all the same
    signOn(s);
    QCOMPARE(s.feed(iec::bareCommandFrame("B0")), std::string());
    QCOMPARE(s.requestLog().back(), std::string("B0"));
    QCOMPARE(s.feed(read("L34")), std::string());
}

void TestSimulator::requestArrivingInPieces()
{
    Simulator s(2);
    signOn(s);
    std::string req = read("L34") + read("L33");
    std::string out;
    for (char c : req)
        out += s.feed(std::string(1, c));
    QCOMPARE(out, value("L34", "2.05") + value("L33", "RQ60 RQ-60"));
}

void TestSimulator::badBccGivesNak()
{
    Simulator s(2);
    signOn(s);
    std::string bad = read("L34");
    bad.back() = static_cast<char>(bad.back() ^ 0x20);
    QCOMPARE(s.feed(bad), Nak);
    QCOMPARE(s.requestLog().back(), std::string("R1 L34() !BCC"));
    QCOMPARE(s.feed(read("L34")), value("L34", "2.05")); // the session goes on
}

void TestSimulator::writesAcceptedAndRefused()
{
    Simulator s(2);
    s.control("freeze on");
    signOn(s);
    QCOMPARE(s.feed(write("L34", "3.00")), error(2));
    QCOMPARE(s.feed(write("P4", "10")), error(4));
    QCOMPARE(s.feed(write("L99", "1")), error(1));
    s.control("lock open");
    QCOMPARE(s.feed(write("P4", "0.010")), error(3));
    QCOMPARE(s.feed(write("P4", "10")), Ack);
    QCOMPARE(s.feed(read("P4")), value("P4", "10"));
    QCOMPARE(s.feed(read("L4")), value("L4", ".3.30"));
    QCOMPARE(s.feed(write("L4", "0")), Ack);
    QCOMPARE(s.feed(read("L4")), value("L4", ".30"));
    QCOMPARE(s.feed(write("P48", "1")), Ack);
    QCOMPARE(s.feed(read("H6")), value("H6", "00000000.0000"));
    QCOMPARE(s.feed(write("L35", "9.5")), Ack);
    QCOMPARE(s.feed(read("L35")), value("L35", "9.5;120"));
    QCOMPARE(s.feed(iec::commandFrame("W1", "P4")), error(3)); // no value part
    QCOMPARE(s.requestLog().back(), std::string("W1 P4"));

    Simulator v1(1);
    signOn(v1);
    QCOMPARE(v1.feed(write("L7", "24.12.26")), error(4));
    QCOMPARE(v1.feed(write("P10", "87654321")), Ack);
    QCOMPARE(v1.feed(read("P10")), value("P10", "1"));
    QCOMPARE(v1.feed(write("L7", "24.12.26")), Ack);
    QCOMPARE(v1.feed(read("P11")), value("P11", "********"));
}

void TestSimulator::etbEndsSessionAndTimeout()
{
    Simulator s(2);
    signOn(s);
    QCOMPARE(s.feed(Etb3.substr(0, 2)), std::string());
    QCOMPARE(int(s.state()), int(Simulator::State::Wn)); // two are not enough
    s.feed(Etb3.substr(2));
    QCOMPARE(int(s.state()), int(Simulator::State::Idle));
    QCOMPARE(s.requestLog().back(), std::string("ETB"));
    QCOMPARE(s.feed(read("L34")), std::string());

    signOn(s);
    s.control("freeze on");
    s.elapse(Simulator::IdleTimeoutMs - 1000);
    QCOMPARE(s.feed(read("L34")), value("L34", "2.05")); // a request restarts the timer
    s.elapse(Simulator::IdleTimeoutMs - 1);
    QCOMPARE(int(s.state()), int(Simulator::State::Wn));
    s.elapse(1);
    QCOMPARE(int(s.state()), int(Simulator::State::Idle));
}

void TestSimulator::dsRecordsAlternate()
{
    Simulator s(1);
    const std::string enq(1, iec::ENQ), eot(1, iec::EOT);
    QCOMPARE(s.feed(enq), Ack);
    QCOMPARE(text(s.feed("Y")), std::string("00"));
    s.feed(eot);
    QCOMPARE(s.feed(enq), Ack);
    QCOMPARE(text(s.feed("Y")), std::string("01"));
    s.feed(eot);
    QCOMPARE(s.feed(enq), Ack);
    QCOMPARE(text(s.feed("Y")), std::string("00"));
    s.feed(eot);
    s.feed(Etb3); // three ETB start again at "00"
    s.feed(enq);
    QCOMPARE(text(s.feed("Y")), std::string("00"));
    s.feed(eot);
    s.feed(enq); // "01"
    s.feed(eot);
    s.feed("/?!\r\n"); // a WN sign-on also starts again
    s.feed(Etb3);
    s.feed(enq);
    QCOMPARE(text(s.feed("Y")), std::string("00"));
    for (char c : std::string("blnpstz^V|Ta"))
        QVERIFY2(text(s.feed(std::string(1, c)))[0] != '<', std::string(1, c).c_str());
    QCOMPARE(s.feed("q"), Nak);
    QCOMPARE(s.requestLog().back(), std::string("DS q"));
    for (char c : std::string("blnpstz^V|Ta"))
        QVERIFY(text(s.feed(std::string(1, c))).size() <= 30);
}

void TestSimulator::dsBlocks()
{
    Simulator s(1);
    s.feed(std::string(1, iec::ENQ));
    s.feed(std::string(1, iec::EOT));
    s.feed(std::string(1, iec::ENQ));               // the archive record
    QCOMPARE(text(s.feed("b")), std::string("B5")); // 15 entries of 12 fields and FF1
    std::string data;
    int blocks = 0;
    for (;;) {
        std::string t = text(s.feed("x"));
        if (t.empty())
            break;
        QVERIFY(t.size() <= 18 && t.size() % 3 == 0);
        data += t;
        ++blocks;
    }
    QCOMPARE(blocks, (0xB5 + 5) / 6);
    QCOMPARE(data, s.model().recordData(1));

    // a young device with one entry: 13 fields ("D") come in 3 blocks
    Simulator young(1);
    QVERIFY(young.control("archive 1"));
    young.feed(std::string(1, iec::ENQ));
    young.feed(std::string(1, iec::EOT));
    young.feed(std::string(1, iec::ENQ));
    QCOMPARE(text(young.feed("b")), std::string("D"));
    QCOMPARE(text(young.feed("x")).size(), std::size_t(18));
    QCOMPARE(text(young.feed("x")).size(), std::size_t(18));
    QCOMPARE(text(young.feed("x")), std::string("FF1"));
    QCOMPARE(text(young.feed("x")), std::string());
    QCOMPARE(text(young.feed("b")), std::string("D")); // "b" starts the blocks again
    QCOMPARE(text(young.feed("x")).size(), std::size_t(18));
    // the current-values record has no data
    Simulator fresh(1);
    fresh.feed(std::string(1, iec::ENQ));
    QCOMPARE(text(fresh.feed("b")), std::string("0"));
    QCOMPARE(text(fresh.feed("x")), std::string());
}

void TestSimulator::rawLinkTest()
{
    for (int g : {1, 2}) {
        Simulator s(g);
        QCOMPARE(s.feed(std::string(3, iec::STX)), std::string(3, iec::ACK));
        QCOMPARE(s.requestLog().back(), std::string("RAW STX3"));
        s.feed(std::string(1, iec::ENQ));
        QCOMPARE(s.feed(std::string(2, iec::STX)), std::string());
        QCOMPARE(s.feed(std::string(1, iec::STX)), std::string(3, iec::ACK));
        QCOMPARE(text(s.feed("a")), std::string(g == 1 ? "1.22" : "2.05"));
    }
}

void TestSimulator::faultInjection()
{
    Simulator s(2);
    signOn(s);
    QVERIFY(s.control("fail L7 ER05"));
    QCOMPARE(s.feed(read("L7")), error(5));
    QVERIFY(s.control("fail L7 nak"));
    QCOMPARE(s.feed(read("L7")), Nak);
    QVERIFY(s.control("fail L7 silent"));
    QCOMPARE(s.feed(read("L7")), std::string());
    QVERIFY(s.control("fail L7 corrupt"));
    QCOMPARE(int(iec::scanFrame(s.feed(read("L7"))).kind), int(iec::Scan::BadBcc));
    QVERIFY(s.control("fail l7 off"));
    QCOMPARE(text(s.feed(read("L7"))).substr(0, 3), std::string("L7("));

    s.control("lock open");
    QVERIFY(s.control("fail P4 ER04"));
    QCOMPARE(s.feed(write("P4", "10")), error(4));
    QCOMPARE(s.feed(read("P4")), error(4));
    s.control("fail clear");
    QCOMPARE(s.feed(read("P4")), value("P4", "1")); // the failed write was not taken

    QVERIFY(s.control("drop 2"));
    QCOMPARE(s.feed(read("L34")), std::string());
    QCOMPARE(s.feed(read("L34")), std::string());
    QCOMPARE(s.feed(read("L34")), value("L34", "2.05"));
    QVERIFY(s.control("corrupt 1"));
    QCOMPARE(int(iec::scanFrame(s.feed(read("L34"))).kind), int(iec::Scan::BadBcc));
    QCOMPARE(s.feed(read("L34")), value("L34", "2.05"));

    Simulator refused(2);
    refused.control("fail signon ER04");
    refused.feed("/?!\r\n");
    refused.feed(std::string(1, iec::ACK) + "041\r\n");
    QCOMPARE(refused.feed(iec::commandFrame("P1", "()")), error(4));
    QCOMPARE(int(refused.state()), int(Simulator::State::Idle));

    QVERIFY(!s.control("fail L7 bogus"));
    QVERIFY(!s.control("drop x"));
}

void TestSimulator::noConfirm()
{
    Simulator s(2);
    s.control("lock open");
    signOn(s);
    QVERIFY(s.control("noconfirm on"));
    QCOMPARE(s.feed(write("P4", "10")), std::string());
    QCOMPARE(s.feed(read("P4")), value("P4", "10")); // taken, only not confirmed
    QVERIFY(s.control("noconfirm lost"));
    QCOMPARE(s.feed(write("P4", "100")), std::string());
    QCOMPARE(s.feed(read("P4")), value("P4", "10"));
    QVERIFY(s.control("noconfirm off"));
    QCOMPARE(s.feed(write("P4", "100")), Ack);
}

void TestSimulator::lateDuplicatedAndStaleAnswers()
{
    Simulator s(2);
    signOn(s);
    const std::string req = read("L34");
    std::vector<Simulator::Reply> r = s.receive(req);
    QCOMPARE(r.size(), std::size_t(1));
    QVERIFY(!r[0].immediate);
    QCOMPARE(r[0].lateMs, -1);
    QCOMPARE(r[0].requestBytes, req.size()); // its wire time delays the answer

    QVERIFY(s.control("late 2500"));
    r = s.receive(read("L33"));
    QCOMPARE(r.size(), std::size_t(1));
    QCOMPARE(r[0].lateMs, 2500);
    QCOMPARE(s.receive(req).at(0).lateMs, -1); // only the next answer

    QVERIFY(s.control("dup 2"));
    r = s.receive(req);
    QCOMPARE(r.size(), std::size_t(2));
    QCOMPARE(r[0].bytes, r[1].bytes);
    QCOMPARE(s.receive(req).size(), std::size_t(2));
    QCOMPARE(s.receive(req).size(), std::size_t(1));

    // A stale frame: what went out before, at once, ahead of the answer.
    QVERIFY(s.control("stale"));
    r = s.receive(read("L2"));
    QCOMPARE(r.size(), std::size_t(2));
    QVERIFY(r[0].immediate);
    QCOMPARE(r[0].bytes, value("L34", "2.05"));
    QCOMPARE(text(r[1].bytes).substr(0, 3), std::string("L2("));

    // A dropped answer takes no timing fault with it.
    QVERIFY(s.control("drop 1"));
    QVERIFY(s.control("late 100"));
    QVERIFY(s.receive(req).empty());
    QCOMPARE(s.receive(req).at(0).lateMs, 100);

    QVERIFY(s.control("dup off") && s.control("stale off") && s.control("late off"));
    QVERIFY(!s.control("late"));
    QVERIFY(!s.control("dup 0"));
    QVERIFY(!s.control("stale x"));

    // The same for DS fields.
    Simulator ds(1);
    ds.receive(std::string(1, iec::ENQ));
    QVERIFY(ds.control("late 2000"));
    r = ds.receive("Y");
    QCOMPARE(r.at(0).lateMs, 2000);
    QCOMPARE(text(r.at(0).bytes), std::string("00"));
}

void TestSimulator::echoingHead()
{
    Simulator s(2);
    QVERIFY(s.control("echo"));
    std::vector<Simulator::Reply> r = s.receive("/?!\r\n");
    QCOMPARE(r.size(), std::size_t(2));
    QVERIFY(r[0].immediate);
    QCOMPARE(r[0].bytes, std::string("/?!\r\n"));
    QCOMPARE(r[1].bytes.substr(0, 4), std::string("/RQs"));
    QVERIFY(s.control("echo off"));
    QCOMPARE(s.receive(std::string(1, iec::ACK) + "041\r\n").size(), std::size_t(1));
}

void TestSimulator::signOnDuringADsRecord()
{
    // A WN sign-on in the middle of a record restarts the device: the
    // identification comes back, and the next record is "00" again.
    Simulator s(1);
    const std::string enq(1, iec::ENQ), eot(1, iec::EOT);
    s.feed(enq);
    s.feed(eot);
    QCOMPARE(s.feed(enq), Ack); // record "01"
    QCOMPARE(text(s.feed("Y")), std::string("01"));
    QCOMPARE(s.feed("/?!\r\n").substr(0, 4), std::string("/RQs"));
    QCOMPARE(s.requestLog().back(), std::string("SIGNON"));
    s.feed(Etb3);
    s.feed(enq);
    QCOMPARE(text(s.feed("Y")), std::string("00"));
}

void TestSimulator::controlCommands()
{
    Simulator s(2);
    std::string r;
    QVERIFY(s.control("freeze on", &r));
    QVERIFY(s.control("set L33 XY RQ-60 TEST", &r));
    QVERIFY(s.control("get L33", &r));
    QCOMPARE(r, std::string("L33=XY RQ-60 TEST"));
    QVERIFY(s.control("set H1 100", &r));
    QVERIFY(s.control("flow 36", &r));
    QVERIFY(s.control("elapse 100000", &r)); // 1 m3 in 100 s
    s.control("get H1", &r);
    QCOMPARE(r, std::string("H1=00000101.00"));
    QVERIFY(s.control("get P16", &r));
    QCOMPARE(r, std::string("P16 (ER01)"));
    QVERIFY(!s.control("set P16 1", &r));
    QVERIFY(s.control("react 100", &r) && s.reactMs() == 100);
    QVERIFY(s.control("delay 2000", &r) && s.delayMs() == 2000);
    QVERIFY(s.control("pace 4800", &r) && s.paceBaud() == 4800);
    QCOMPARE(s.feed("/?!\r\n"), std::string("/RQS4RQ60-2.05\r\n")); // slow: upper-case third letter
    QVERIFY(s.control("pace off", &r) && s.paceBaud() == 0);
    QVERIFY(s.control("hangup", &r));
    QVERIFY(s.takeHangUp());
    QVERIFY(!s.takeHangUp());
    QVERIFY(s.control("log", &r));
    QCOMPARE(r, std::string("SIGNON"));
    QVERIFY(s.control("clearlog", &r));
    QVERIFY(s.requestLog().empty());
    QVERIFY(!s.control("frobnicate", &r));
    QVERIFY(s.control("help", &r) && r.find("noconfirm") != std::string::npos);
}

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
