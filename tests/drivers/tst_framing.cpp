// Framing and request texts: pure functions, checked against values from
// outside our code where there are any.
#include "iecframe.h"
#include "linelink.h"
#include "protocol.h"

#include <QtTest>

using namespace std::string_literals;

Q_DECLARE_METATYPE(std::string)

class TestFraming : public QObject
{
    Q_OBJECT
private slots:
    void bccKnownValues();
    void scan_data();
    void scan();
    void deviceErrors();
    void callerBuffers();
    void requestTexts_data();
    void requestTexts();
};

void TestFraming::bccKnownValues()
{
    // The two published examples; the frames must end in them.
    QCOMPARE(iec::bareCommandFrame("B0"), "\x01"
                                          "B0\x03q"s);
    QCOMPARE(iec::commandFrame("P1", "(00000000)"), "\x01P1\x02(00000000)\x03"
                                                    "a"s);
    QCOMPARE(iec::bcc("B0\x03"), 'q');
}

void TestFraming::scan_data()
{
    QTest::addColumn<std::string>("in");
    QTest::addColumn<int>("kind");
    QTest::addColumn<std::string>("data");
    QTest::addColumn<int>("consumed");
    const std::string good = iec::dataFrame("L34(2.05)");
    std::string bad = good;
    bad.back() ^= 0x01;
    QTest::newRow("answer") << good << int(iec::Scan::Frame) << "L34(2.05)"s << int(good.size());
    QTest::newRow("noise first") << "\xff\x7fxy"s + good << int(iec::Scan::Frame) << "L34(2.05)"s
                                 << int(good.size() + 4);
    QTest::newRow("wrong bcc") << bad << int(iec::Scan::BadBcc) << "L34(2.05)"s << int(bad.size());
    QTest::newRow("no etx yet") << "\x02L34(2.0"s << int(iec::Scan::NeedMore) << ""s << 0;
    QTest::newRow("bcc missing") << good.substr(0, good.size() - 1) << int(iec::Scan::NeedMore)
                                 << ""s << 0;
    QTest::newRow("overlong") << "\x02"s + std::string(80, '7') << int(iec::Scan::BadBcc) << ""s
                              << 81;
    // A complete frame is held to the limit as well as one still growing.
    const std::string atLimit = iec::dataFrame(std::string(64, 'x'));
    const std::string beyond = iec::dataFrame(std::string(65, 'x'));
    QTest::newRow("complete at the limit")
        << atLimit << int(iec::Scan::Frame) << std::string(64, 'x') << int(atLimit.size());
    QTest::newRow("complete beyond the limit")
        << beyond << int(iec::Scan::BadBcc) << ""s << int(beyond.size());
    QTest::newRow("nak after noise") << "zz\x15"s << int(iec::Scan::Nak) << ""s << 3;
    QTest::newRow("only noise") << "abc"s << int(iec::Scan::NeedMore) << ""s << 3;
    const std::string op = iec::commandFrame("P0", "(1234)");
    QTest::newRow("soh frame") << op << int(iec::Scan::Frame) << "(1234)"s << int(op.size());
}

void TestFraming::scan()
{
    QFETCH(std::string, in);
    QFETCH(int, kind);
    QFETCH(std::string, data);
    QFETCH(int, consumed);
    iec::Scan s = iec::scanFrame(in, 64);
    QCOMPARE(int(s.kind), kind);
    QCOMPARE(int(s.consumed), consumed);
    if (kind == iec::Scan::Frame)
        QCOMPARE(s.data, data);
}

void TestFraming::deviceErrors()
{
    QCOMPARE(iec::deviceErrorNumber("(ER04)"), 4);
    QCOMPARE(iec::deviceErrorNumber("(ER4)"), -1);
    QCOMPARE(iec::deviceErrorNumber("P4(ER04)"), -1);
    QCOMPARE(drv::deviceError(3), -103);
}

void TestFraming::callerBuffers()
{
    char buf[8] = "L34";
    int32_t count = 8;
    std::string text;
    QCOMPARE(linelink::takeText(buf, &count, text), int(drv::DrvOk));
    QCOMPARE(text, "L34"s);
    char unterminated[3] = {'L', '3', '4'};
    count = 3;
    QCOMPARE(linelink::takeText(unterminated, &count, text), int(drv::DrvBadArgument));
    QCOMPARE(linelink::takeText(nullptr, &count, text), int(drv::DrvBadArgument));

    // Exactly fitting with the terminator, one byte too long, and no room.
    count = 8;
    QCOMPARE(linelink::putText("L34=2.0", buf, &count), int(drv::DrvOk));
    QCOMPARE(count, 7);
    count = 8;
    QCOMPARE(linelink::putText("L34=2.05", buf, &count), int(drv::DrvAnswerTooLong));
    QCOMPARE(std::string(buf), "L34=2.0"s);
    QCOMPARE(count, 8);
    count = 0;
    QCOMPARE(linelink::putText("", buf, &count), int(drv::DrvAnswerTooLong));
}

void TestFraming::requestTexts_data()
{
    QTest::addColumn<std::string>("text");
    QTest::addColumn<int>("status");
    QTest::addColumn<std::string>("address");
    QTest::addColumn<std::string>("value");
    QTest::newRow("plain") << "P4=0.1"s << 0 << "P4"s
                           << "0.1"s;
    QTest::newRow("empty value") << "P9="s << 0 << "P9"s
                                 << ""s;
    QTest::newRow("= in value") << "P2=a=b"s << 0 << "P2"s
                                << "a=b"s;
    QTest::newRow("no =") << "P4"s << -2 << ""s
                          << ""s;
    QTest::newRow("no address") << "=1"s << -2 << ""s
                                << ""s;
    QTest::newRow("paren in value") << "P4=1)"s << -2 << ""s
                                    << ""s;
    QTest::newRow("paren in address") << "P(4=1"s << -2 << ""s
                                      << ""s;
    QTest::newRow("etx in value") << "P4=1\x03"s << -2 << ""s
                                  << ""s;
    QTest::newRow("cr in address") << "P\r4=1"s << -2 << ""s
                                   << ""s;
}

void TestFraming::requestTexts()
{
    QFETCH(std::string, text);
    QFETCH(int, status);
    std::string address, value;
    QCOMPARE(wn::splitWriteRequest(text, address, value), status);
    if (status == 0) {
        QTEST(address, "address");
        QTEST(value, "value");
    }
    QCOMPARE(wn::checkAddress("L34"), int(drv::DrvOk));
    QCOMPARE(wn::checkAddress(""), int(drv::DrvBadArgument));
    QCOMPARE(wn::checkAddress("L34=1"), int(drv::DrvBadArgument));
}

QTEST_GUILESS_MAIN(TestFraming)
#include "tst_framing.moc"
