// The line driver over a pseudo-terminal: open, send, receive, exclusive
// hold and a line that goes away.
#include "ptypeer.h"

#include <QtTest>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <unistd.h>

class TestSline : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void sendAndReceive();
    void receiveWaits();
    void flushDropsOldInput();
    void openFailures_data();
    void openFailures();
    void exclusive();
    void outOfOrder();
    void lineGone();
    void receiveWaitsAsLongAsAsked();
    void flushCountsWhatItDrops();
    void lineTiming();
    void overlongOpenTextRefused();
    void closeSendsWhatIsPending();
    void resolvesPortNames();

private:
    int32_t open(const char *text = "COM5:4800,N,8,1,BIN,RS1,DS0")
    {
        std::string t = text;
        return line.call(drv::LineOpen, t.data());
    }
    DriverLib line{"sline_32.so"};
    PtyPeer *peer = nullptr;
};

void TestSline::init()
{
    QVERIFY(line.loaded());
    peer = new PtyPeer;
    qputenv("SLINE_32_COM5", peer->slavePath().c_str());
    QCOMPARE(line.call(drv::LineInit), 0);
}

void TestSline::cleanup()
{
    line.call(drv::LineDeinit);
    delete peer;
}

void TestSline::sendAndReceive()
{
    QCOMPARE(open(), 0);
    char out[] = "\x02\x02\x02";
    QCOMPARE(line.call(drv::LineSend, out, 3), 0);
    char got[8] = {};
    QCOMPARE(read(peer->master(), got, sizeof got), 3);
    QCOMPARE(QByteArray(got, 3), QByteArray("\x02\x02\x02"));

    // Capacity bounds the receive; the rest waits for the next call.
    QCOMPARE(write(peer->master(), "\x06\x06\x06\x06\x06", 5), 5);
    char in[4] = {1, 1, 1, 1};
    QCOMPARE(line.call(drv::LineReceive, in, 3), 0);
    QCOMPARE(line.lastCount, 3);
    QCOMPARE(QByteArray(in, 4), QByteArray("\x06\x06\x06\x01", 4)); // nothing past the capacity
    QCOMPARE(line.call(drv::LineReceive, in, 3), 0);
    QCOMPARE(line.lastCount, 2);
}

void TestSline::receiveWaits()
{
    // The first byte may take up to 300 ms: at 200 ms it is taken ...
    QCOMPARE(open(), 0);
    std::thread late([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        (void)!write(peer->master(), "A", 1);
    });
    char in[4];
    QCOMPARE(line.call(drv::LineReceive, in, 4), 0);
    late.join();
    QCOMPARE(line.lastCount, 1);
    // ... and with nothing, the call gives up after about 300 ms.
    QElapsedTimer t;
    t.start();
    QCOMPARE(line.call(drv::LineReceive, in, 4), int(drv::DrvTimeout));
    QCOMPARE(line.lastCount, 0);
    QCOMPARE(in[0], '\0');
    QVERIFY(t.elapsed() >= 280 && t.elapsed() < 800);
}

void TestSline::flushDropsOldInput()
{
    QCOMPARE(open(), 0);
    QCOMPARE(write(peer->master(), "stale", 5), 5);
    QTest::qWait(50);
    QCOMPARE(line.call(drv::LineFlushInput), 0);
    char in[8];
    QCOMPARE(line.call(drv::LineReceive, in, 8), int(drv::DrvTimeout));
}

void TestSline::openFailures_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("status");
    QTest::newRow("no device") << "COM6:4800,N,8,1,BIN,RS0,DS0" << int(drv::DrvPortNotFound);
    QTest::newRow("not a tty") << "COM7:4800,N,8,1,BIN,RS0,DS0" << int(drv::DrvPortNotFound);
    QTest::newRow("no COM name") << "LPT1:4800,N,8,1,BIN,RS0,DS0" << int(drv::DrvPortNotFound);
    QTest::newRow("bad settings") << "COM5:4800,N,9,1,BIN,RS0,DS0" << int(drv::DrvBadSettings);
    QTest::newRow("no colon") << "COM5" << int(drv::DrvBadSettings);
}

void TestSline::openFailures()
{
    QFETCH(QString, text);
    qputenv("SLINE_32_COM6", "/nonexistent/ttyX");
    qputenv("SLINE_32_COM7", "/dev/null");
    QTEST(open(text.toUtf8().constData()), "status");
    QCOMPARE(line.call(drv::LineSend, nullptr, 0), int(drv::DrvOutOfOrder));
}

void TestSline::exclusive()
{
    // Another program holding the port ...
    int other = ::open(peer->slavePath().c_str(), O_RDWR | O_NOCTTY);
    QVERIFY(flock(other, LOCK_EX | LOCK_NB) == 0);
    QCOMPARE(open(), int(drv::DrvPortBusy));
    ::close(other);

    // ... and our port taken by a second driver instance (a copy of the
    // library, as a second program would have).
    QCOMPARE(open(), 0);
    QTemporaryDir dir;
    QString copy = dir.filePath("sline_copy.so");
    QVERIFY(QFile::copy(PX_BIN_DIR "/sline_32.so", copy));
    DriverLib second(copy.toStdString());
    QVERIFY(second.loaded());
    QCOMPARE(second.call(drv::LineInit), 0);
    std::string t = "COM5:4800,N,8,1,BIN,RS0,DS0";
    QCOMPARE(second.call(drv::LineOpen, t.data()), int(drv::DrvPortBusy));
    // Opening twice in one driver is out of order; initialising again
    // releases the port (a reconnect after a failed connect).
    QCOMPARE(open(), int(drv::DrvOutOfOrder));
    QCOMPARE(line.call(drv::LineInit), 0);
    QCOMPARE(second.call(drv::LineOpen, t.data()), 0);
    second.call(drv::LineDeinit);
}

void TestSline::outOfOrder()
{
    QCOMPARE(line.call(drv::LineDeinit), 0);
    QCOMPARE(open(), int(drv::DrvOutOfOrder));
    QCOMPARE(line.call(drv::LineInit), 0);
    char b[4];
    QCOMPARE(line.call(drv::LineReceive, b, 4), int(drv::DrvOutOfOrder));
    QCOMPARE(line.call(drv::LineClose), int(drv::DrvOutOfOrder));
    QCOMPARE(line.call(1), int(drv::DrvBadArgument));
    QCOMPARE(open(), 0);
    QCOMPARE(line.call(drv::LineReceive, nullptr, 4), int(drv::DrvBadArgument));
    QCOMPARE(line.call(drv::LineReceive, b, 0), int(drv::DrvBadArgument));
}

void TestSline::lineGone()
{
    QCOMPARE(open(), 0);
    std::thread hang([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        peer->hangUp();
    });
    QElapsedTimer t;
    t.start();
    char in[4];
    int32_t st = line.call(drv::LineReceive, in, 4);
    hang.join();
    if (st == drv::DrvTimeout) // the hang-up came after the wait ended
        st = line.call(drv::LineReceive, in, 4);
    QCOMPARE(st, int(drv::DrvLineGone));
    QVERIFY(t.elapsed() < 1000);
    char out[] = "x";
    QCOMPARE(line.call(drv::LineSend, out, 1), int(drv::DrvLineGone));
}

void TestSline::receiveWaitsAsLongAsAsked()
{
    // The protocol drivers pass the time left of their wait down, so a
    // silent try ends when its wait says, not up to 300 ms later.
    QCOMPARE(open(), 0);
    char in[4];
    std::thread soon([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        (void)!write(peer->master(), "A", 1);
    });
    int32_t count = 4, wait = 40;
    QCOMPARE(line.proc(drv::LineReceive, in, &count, &wait), int(drv::DrvTimeout));
    soon.join();
    QCOMPARE(line.call(drv::LineFlushInput), 0);
    std::thread late([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        (void)!write(peer->master(), "B", 1);
    });
    count = 4;
    wait = 2000;
    QCOMPARE(line.proc(drv::LineReceive, in, &count, &wait), 0); // beyond the default 300 ms
    late.join();
    QCOMPARE(count, 1);
}

void TestSline::flushCountsWhatItDrops()
{
    QCOMPARE(open(), 0);
    QCOMPARE(write(peer->master(), "stale", 5), 5);
    QTest::qWait(50);
    int32_t count = 0, param = 0;
    QCOMPARE(line.proc(drv::LineFlushInput, nullptr, &count, &param), 0);
    QCOMPARE(count, 5);
}

void TestSline::lineTiming()
{
    // The protocol drivers derive their waits from what the line reports.
    int32_t baud = 0, bits = 0;
    QCOMPARE(line.proc(drv::LineTiming, nullptr, &baud, &bits), int(drv::DrvOutOfOrder));
    QCOMPARE(open("COM5:9600,E,7,2,BIN,RS0,DS0"), 0);
    QCOMPARE(line.proc(drv::LineTiming, nullptr, &baud, &bits), 0);
    QCOMPARE(baud, 9600);
    QCOMPARE(bits, 11); // start, 7 data, parity, 2 stop
}

void TestSline::overlongOpenTextRefused()
{
    // A port and settings text beyond the program's 256-character buffer is
    // refused as a whole, never cut to something that might open.
    std::string text = "COM5:4800,N,8,1,BIN,RS0,DS0" + std::string(300, ' ');
    QCOMPARE(line.call(drv::LineOpen, text.data()), int(drv::DrvBadSettings));
}

void TestSline::closeSendsWhatIsPending()
{
    // The end of a session sent right before the close reaches the device.
    QCOMPARE(open(), 0);
    char out[] = "\x01"
                 "B0\x03q";
    QCOMPARE(line.call(drv::LineSend, out, 5), 0);
    QCOMPARE(line.call(drv::LineClose), 0);
    char got[8] = {};
    pollfd p{peer->master(), POLLIN, 0};
    QVERIFY(poll(&p, 1, 1000) > 0);
    QCOMPARE(read(peer->master(), got, sizeof got), 5);
    QCOMPARE(QByteArray(got, 5), QByteArray("\x01"
                                            "B0\x03q"));
}

// What the options dialog shows for a port is what an open would use: the
// driver answers the path by the same rule, opening nothing.
void TestSline::resolvesPortNames()
{
    QTemporaryDir settings;
    QFile conf(settings.filePath("sline_32.conf"));
    QVERIFY(conf.open(QIODevice::WriteOnly));
    conf.write("COM6=/dev/serial/by-id/usb-adapter\n");
    conf.close();
    qputenv("PXRQ60_SETTINGS_DIR", settings.path().toUtf8());
    qunsetenv("SLINE_32_COM6");
    const auto cleanup = qScopeGuard([] { qunsetenv("PXRQ60_SETTINGS_DIR"); });

    QCOMPARE(line.call(drv::LineDeinit), 0); // no initialisation needed
    std::string t = "COM5";
    QCOMPARE(line.text(drv::LineResolvePort, t, 64), 0);
    QCOMPARE(t, peer->slavePath());
    QCOMPARE(line.lastCount, int32_t(t.size()));
    t = "com6";
    QCOMPARE(line.text(drv::LineResolvePort, t, 64), 0);
    QCOMPARE(t, std::string("/dev/serial/by-id/usb-adapter"));
    t = "COM8";
    QCOMPARE(line.text(drv::LineResolvePort, t, 64), 0);
    QCOMPARE(t, std::string("/dev/ttyS7"));
    // A path that does not fit leaves the buffer as it was.
    t = "COM6";
    QCOMPARE(line.text(drv::LineResolvePort, t, 20), int(drv::DrvAnswerTooLong));
    QCOMPARE(t, std::string("COM6"));
    t = "LPT1";
    QCOMPARE(line.text(drv::LineResolvePort, t, 64), int(drv::DrvBadArgument));
    QCOMPARE(line.call(drv::LineResolvePort, nullptr, 64), int(drv::DrvBadArgument));
    QCOMPARE(line.call(drv::LineInit), 0);
}

QTEST_GUILESS_MAIN(TestSline)
#include "tst_sline.moc"
