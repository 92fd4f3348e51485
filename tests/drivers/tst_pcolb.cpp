// Protocol "DS" with the real line driver over a pseudo-terminal.
#include "iecframe.h"
#include "ptypeer.h"

#include <QtTest>
#include <atomic>
#include <thread>

using namespace std::string_literals;

class TestPcolb : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void startAndFields();
    void nakRepeated();
    void blockReadNotRepeated();
    void fieldLength();
    void badCalls();
    void lateFieldAnswerIsNotFiledUnderTheNextLetter();
    void answersThatDisagreeAfterATimeoutFailTheField();
    void completeFrameHeldToTheFieldLimit();
    void echoingHead();

private:
    void later(int ms, const std::string &bytes)
    {
        m_late.emplace_back([this, ms, bytes] {
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            peer->inject(bytes);
        });
    }
    std::vector<std::thread> m_late;
    std::atomic<int> m_tries{0};
    int32_t connect(PtyPeer::Handler h)
    {
        peer->start(std::move(h));
        std::string t = "COM2:4800,N,8,1,BIN,RS0,DS0";
        int32_t st = line.call(drv::LineInit);
        if (st == 0)
            st = line.call(drv::LineOpen, t.data());
        if (st == 0)
            st = proto.call(drv::ProtoInit);
        if (st == 0)
            st = proto.call(drv::ProtoInit2);
        if (st == 0)
            st = proto.call(drv::ProtoAttachLine, reinterpret_cast<char *>(line.proc));
        return st == 0 ? proto.call(drv::ProtoStart) : st;
    }
    int32_t field(char command, std::string &text, int32_t capacity = 31)
    {
        text.clear();
        return proto.text(drv::ProtoRead, text, capacity, command);
    }
    // Answers ENQ with ACK and known commands with their field text.
    static std::string record(const std::string &req)
    {
        switch (req[0]) {
        case iec::ENQ: return std::string(1, iec::ACK);
        case 'Y': return iec::dataFrame("01");
        case 'b': return iec::dataFrame("D");
        case 'x': return iec::dataFrame("001002003004005006");
        case 'L': return iec::dataFrame(std::string(30, 'L'));
        case 'M': return iec::dataFrame(std::string(31, 'M'));
        case iec::EOT: return "";
        default: return std::string(1, iec::NAK);
        }
    }
    DriverLib line{"sline_32.so"};
    DriverLib proto{"pcolb_32.so"};
    PtyPeer *peer = nullptr;
};

void TestPcolb::init()
{
    QVERIFY(line.loaded() && proto.loaded());
    peer = new PtyPeer;
    qputenv("SLINE_32_COM2", peer->slavePath().c_str());
}

void TestPcolb::cleanup()
{
    for (std::thread &t : m_late)
        t.join();
    m_late.clear();
    m_tries = 0;
    proto.call(drv::ProtoDeinit);
    line.call(drv::LineDeinit);
    delete peer;
}

void TestPcolb::startAndFields()
{
    QCOMPARE(connect(record), 0);
    std::string text;
    QCOMPARE(field('Y', text), 0);
    QCOMPARE(text, "01"s);
    QCOMPARE(proto.lastCount, 2);
    QCOMPARE(field('x', text), 0);
    QCOMPARE(text, "001002003004005006"s);
    QCOMPARE(proto.call(drv::ProtoEnd), 0);
    QTRY_COMPARE(peer->requests().back(), "\x04"s);
    QCOMPARE(field('Y', text), int(drv::DrvOutOfOrder)); // no record selected after EOT
}

void TestPcolb::nakRepeated()
{
    QCOMPARE(connect(record), 0);
    std::string text;
    QCOMPARE(field('q', text), int(drv::DrvNak));
    QCOMPARE(peer->countStartingWith("q"), 3);
}

void TestPcolb::blockReadNotRepeated()
{
    // A repeated "x" would fetch the block after the lost one; field reads
    // that only look are repeated.
    QCOMPARE(connect([](const std::string &req) {
                 std::string f = iec::dataFrame("001002");
                 f.back() ^= 0x11;
                 return req[0] == iec::ENQ ? std::string(1, iec::ACK) : f;
             }),
             0);
    std::string text;
    QCOMPARE(field('x', text), int(drv::DrvCorrupt));
    QCOMPARE(peer->countStartingWith("x"), 1);
    QCOMPARE(field('l', text), int(drv::DrvCorrupt));
    QCOMPARE(peer->countStartingWith("l"), 3);
}

void TestPcolb::fieldLength()
{
    // The program's 31-byte buffer holds the device's longest field, 30.
    QCOMPARE(connect(record), 0);
    std::string text;
    QCOMPARE(field('L', text), 0);
    QCOMPARE(text.size(), size_t(30));
    text = "old";
    QCOMPARE(proto.text(drv::ProtoRead, text, 31, 'M'), int(drv::DrvAnswerTooLong));
    QCOMPARE(text, "old"s);
}

void TestPcolb::badCalls()
{
    std::string text;
    QCOMPARE(proto.call(drv::ProtoStart), int(drv::DrvOutOfOrder)); // no line attached
    QCOMPARE(connect(record), 0);
    QCOMPARE(field('\x05', text), int(drv::DrvBadArgument));
    QCOMPARE(field(' ', text), int(drv::DrvBadArgument));
    int32_t count = 31;
    char buf[31];
    QCOMPARE(proto.proc(drv::ProtoRead, buf, &count, nullptr), int(drv::DrvBadArgument));
    QCOMPARE(proto.call(drv::ProtoWrite, buf, 31), int(drv::DrvBadArgument));
}

void TestPcolb::lateFieldAnswerIsNotFiledUnderTheNextLetter()
{
    // "l" is answered 2.5 s late on its first try, then in time; "n" is
    // answered slowly. DS answers carry no letter: only time tells that the
    // late "l" text is not the answer to "n".
    QCOMPARE(connect([this](const std::string &req) -> std::string {
                 if (req[0] == 'l' && ++m_tries == 1) {
                     later(2500, iec::dataFrame("LLL"));
                     return "";
                 }
                 if (req[0] == 'l')
                     return iec::dataFrame("LLL");
                 if (req[0] == 'n') {
                     std::this_thread::sleep_for(std::chrono::milliseconds(1000));
                     return iec::dataFrame("NNN");
                 }
                 return record(req);
             }),
             0);
    std::string text;
    QCOMPARE(field('l', text), 0);
    QCOMPARE(text, "LLL"s);
    QCOMPARE(field('n', text), 0);
    QCOMPARE(text, "NNN"s);
    QCOMPARE(peer->countStartingWith("l"), 3); // after the timeout, read once more to agree
}

void TestPcolb::answersThatDisagreeAfterATimeoutFailTheField()
{
    // After a try that timed out, two answers that differ cannot both be
    // the field: it fails rather than take one of them.
    QCOMPARE(connect([this](const std::string &req) -> std::string {
                 if (req[0] != 'p')
                     return record(req);
                 const int n = ++m_tries;
                 return n == 1 ? "" : iec::dataFrame("P" + std::to_string(n));
             }),
             0);
    std::string text = "kept";
    QCOMPARE(field('p', text), int(drv::DrvUnexpected));
    QCOMPARE(peer->countStartingWith("p"), 6);
}

void TestPcolb::completeFrameHeldToTheFieldLimit()
{
    // The device's fields have at most 30 characters; a frame longer than
    // the 64 the driver allows is noise even when it arrives complete.
    QCOMPARE(connect([](const std::string &req) -> std::string {
                 if (req[0] == 'L')
                     return iec::dataFrame(std::string(64, 'L'));
                 if (req[0] == 'M')
                     return iec::dataFrame(std::string(65, 'M'));
                 return record(req);
             }),
             0);
    std::string text;
    QCOMPARE(field('L', text, 100), 0);
    QCOMPARE(text.size(), std::size_t(64));
    QCOMPARE(field('M', text, 100), int(drv::DrvCorrupt));
}

void TestPcolb::echoingHead()
{
    QCOMPARE(connect([this](const std::string &req) -> std::string {
                 peer->inject(req);
                 return record(req);
             }),
             0);
    std::string text;
    QCOMPARE(field('Y', text), 0);
    QCOMPARE(text, "01"s);
    QCOMPARE(peer->countStartingWith("Y"), 1);
}

QTEST_GUILESS_MAIN(TestPcolb)
#include "tst_pcolb.moc"
