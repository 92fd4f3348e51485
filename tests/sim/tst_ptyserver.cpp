// The simulator behind a pseudo-terminal, seen from the program's side of
// the line: open the slave, exchange, close and reopen, hang-up.
#include "iecframe.h"
#include "ptyserver.h"

#include <QtTest>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

int openLine(const std::string &path)
{
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd >= 0) {
        termios t{};
        tcgetattr(fd, &t);
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
    }
    return fd;
}

// Reads until a complete answer (ACK, NAK or frame) or the time is up.
std::string talk(int fd, const std::string &request, int timeoutMs = 2000,
                 std::string signOnEnd = "")
{
    if (::write(fd, request.data(), request.size()) != static_cast<ssize_t>(request.size()))
        return "<write failed>";
    std::string in;
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 20) > 0 && (p.revents & POLLIN)) {
            char buf[256];
            ssize_t n = ::read(fd, buf, sizeof buf);
            if (n <= 0)
                return "<read failed>";
            in.append(buf, static_cast<std::size_t>(n));
        }
        if (!signOnEnd.empty() ? in.find(signOnEnd) != std::string::npos
                               : iec::scanFrame(in).kind != iec::Scan::NeedMore)
            break;
    }
    return in;
}

void signOn(int fd)
{
    std::string id = talk(fd, "/?!\r\n", 2000, "\r\n");
    QVERIFY(id.size() > 6);
    talk(fd, std::string(1, iec::ACK) + "0" + id[4] + "1\r\n");
    QCOMPARE(talk(fd, iec::commandFrame("P1", "()")), std::string(1, iec::ACK));
}

} // namespace

class TestPtyServer : public QObject
{
    Q_OBJECT
private slots:
    void exchangeOverThePty();
    void reopenAfterClose();
    void reactionTimeAndPacing();
    void answersWaitForTheRequestToCrossTheLine();
    void lateAnswerComesAfterLaterOnes();
    void hangUpReachesTheProgram();
    void linkFollowsReplug();
    void programServesUntilStdinCloses();
};

void TestPtyServer::exchangeOverThePty()
{
    rq60::PtyServer server(2);
    std::string path = server.start();
    QVERIFY(path.rfind("/dev/pts/", 0) == 0);
    int fd = openLine(path);
    QVERIFY(fd >= 0);
    signOn(fd);
    QCOMPARE(talk(fd, iec::commandFrame("R1", "L34()")), iec::dataFrame("L34(2.05)"));
    QVERIFY(server.control("fail L34 ER05"));
    QCOMPARE(talk(fd, iec::commandFrame("R1", "L34()")), iec::dataFrame("(ER05)"));
    ::close(fd);
    std::vector<std::string> log = server.requestLog();
    QCOMPARE(log.back(), std::string("R1 L34"));
    QCOMPARE(log.front(), std::string("SIGNON"));
    server.stop();
}

void TestPtyServer::reopenAfterClose()
{
    rq60::PtyServer server(1);
    std::string path = server.start();
    for (int round = 0; round < 3; ++round) {
        int fd = openLine(path);
        QVERIFY(fd >= 0);
        QCOMPARE(talk(fd, std::string(3, iec::STX), 2000, std::string(3, iec::ACK)),
                 std::string(3, iec::ACK));
        ::close(fd);
        QTest::qWait(60); // the server sees nobody on the line for a while
    }
    QCOMPARE(server.requestLog().size(), std::size_t(3));
}

void TestPtyServer::reactionTimeAndPacing()
{
    rq60::PtyServer server(2);
    int fd = openLine(server.start());
    signOn(fd);
    server.control("react 0");
    const std::string req = iec::commandFrame("R1", "L33()");
    auto t0 = std::chrono::steady_clock::now();
    talk(fd, req);
    auto fast = std::chrono::steady_clock::now() - t0;
    server.control("delay 300");
    server.control("pace 1200"); // 8.3 ms a byte, 18 bytes = 150 ms
    t0 = std::chrono::steady_clock::now();
    std::string a = talk(fd, req);
    auto slow = std::chrono::steady_clock::now() - t0;
    QCOMPARE(a, iec::dataFrame("L33(RQ60 RQ-60)"));
    QVERIFY(fast < std::chrono::milliseconds(200));
    QVERIFY(slow >= std::chrono::milliseconds(430));
    ::close(fd);
}

void TestPtyServer::answersWaitForTheRequestToCrossTheLine()
{
    // The program set 1200 baud: its 11-byte request takes 92 ms on the
    // wire before the device's 20 ms reaction time starts. (A lower bound
    // only: the device never answers sooner.)
    rq60::PtyServer server(2);
    int fd = openLine(server.start());
    termios t{};
    tcgetattr(fd, &t);
    cfsetispeed(&t, B1200);
    cfsetospeed(&t, B1200);
    tcsetattr(fd, TCSANOW, &t);
    signOn(fd);
    const std::string req = iec::commandFrame("R1", "L34()");
    QCOMPARE(req.size(), std::size_t(11));
    auto t0 = std::chrono::steady_clock::now();
    QCOMPARE(talk(fd, req), iec::dataFrame("L34(2.05)"));
    QVERIFY(std::chrono::steady_clock::now() - t0 >= std::chrono::milliseconds(111));
    ::close(fd);
}

void TestPtyServer::lateAnswerComesAfterLaterOnes()
{
    rq60::PtyServer server(2);
    int fd = openLine(server.start());
    signOn(fd);
    QVERIFY(server.control("late 300"));
    const std::string first = iec::commandFrame("R1", "L34()");
    const std::string second = iec::commandFrame("R1", "L33()");
    QCOMPARE(::write(fd, first.data(), first.size()), ssize_t(first.size()));
    QTest::qWait(50);
    const std::string both = iec::dataFrame("L33(RQ60 RQ-60)") + iec::dataFrame("L34(2.05)");
    QCOMPARE(talk(fd, second, 2000, both), both); // the device went on serving meanwhile
    ::close(fd);
}

void TestPtyServer::hangUpReachesTheProgram()
{
    rq60::PtyServer server(2);
    int fd = openLine(server.start());
    QVERIFY(fd >= 0);
    std::string reply;
    QVERIFY(server.control("hangup", &reply));
    QVERIFY(server.hungUp());
    pollfd p{fd, POLLIN, 0};
    QVERIFY(poll(&p, 1, 1000) > 0);
    QVERIFY(p.revents & (POLLHUP | POLLERR));
    char c;
    errno = 0;
    ssize_t n = ::read(fd, &c, 1);
    QVERIFY(n == 0 || (n < 0 && errno == EIO));
    ::close(fd);
}

void TestPtyServer::linkFollowsReplug()
{
    QTemporaryDir dir;
    std::string link = dir.filePath("ttyRQ60").toStdString();
    rq60::PtyServer server(2);
    server.start(link);
    int fd = openLine(link);
    QVERIFY(fd >= 0);
    signOn(fd);
    ::close(fd);
    server.hangUp();
    QVERIFY(::access(link.c_str(), F_OK) != 0); // unplugged: no device behind the name
    std::string reply;
    QVERIFY(server.control("replug", &reply));
    QCOMPARE(reply, server.slavePath());
    fd = openLine(link);
    QVERIFY(fd >= 0);
    // pulling the adapter does not end the device's session
    QCOMPARE(talk(fd, iec::commandFrame("R1", "L34()")), iec::dataFrame("L34(2.05)"));
    ::close(fd);

    // a regular file is never replaced by the link
    std::string file = dir.filePath("plain").toStdString();
    QFile f(QString::fromStdString(file));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    rq60::PtyServer other(2);
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, other.start(file));
    QVERIFY(QFile::exists(QString::fromStdString(file)));
}

void TestPtyServer::programServesUntilStdinCloses()
{
    QTemporaryDir dir;
    QString logFile = dir.filePath("requests.log");
    QProcess sim;
    sim.start(QStringLiteral(PX_BIN_DIR "/rq60sim"),
              {"--generation", "1", "--log", logFile, "--lock", "open", "--fail", "L7", "ER05"});
    QVERIFY(sim.waitForStarted());
    QVERIFY(sim.waitForReadyRead(5000));
    std::string path = sim.readLine().trimmed().toStdString();
    int fd = openLine(path);
    QVERIFY2(fd >= 0, path.c_str());
    signOn(fd);
    QCOMPARE(talk(fd, iec::commandFrame("R1", "L4()")), iec::dataFrame("L4(.3.30)"));
    QCOMPARE(talk(fd, iec::commandFrame("R1", "L7()")), iec::dataFrame("(ER05)"));
    ::close(fd);
    sim.write("get L34\nfrobnicate\n");
    QTRY_VERIFY(sim.bytesAvailable() > 0 && sim.peek(4096).count('\n') >= 2);
    QCOMPARE(sim.readLine().trimmed(), QByteArray("L34=1.22"));
    QVERIFY(sim.readLine().startsWith("error"));
    sim.closeWriteChannel();
    QVERIFY(sim.waitForFinished(5000));
    QCOMPARE(sim.exitCode(), 0);
    QFile log(logFile);
    QVERIFY(log.open(QIODevice::ReadOnly));
    QByteArray text = log.readAll();
    QVERIFY(text.contains(" SIGNON\n"));
    QVERIFY(text.contains(" R1 L7\n"));
}

QTEST_GUILESS_MAIN(TestPtyServer)
#include "tst_ptyserver.moc"
