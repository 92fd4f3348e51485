// Line settings text, port names and their resolution to device paths.
#include "driverproc.h"
#include "line.h"

#include <QtTest>
#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

class TestLineSettings : public QObject
{
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void portNames();
    void confFile();
    void resolution();
    void hostileConfFiles();
    void settingsReadBack();
    void openErrors();
};

void TestLineSettings::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("baud");
    QTest::addColumn<QString>("shape"); // parity, data bits, stop bits, rts, dtr
    QTest::newRow("default") << "4800,N,8,1,BIN,RS0,DS0" << true << 4800 << "N8100";
    QTest::newRow("7E2 heads powered") << "9600,E,7,2,BIN,RS1,DS1" << true << 9600 << "E7211";
    QTest::newRow("lower case, blanks") << "2400, o ,8,1,bin,rs1,ds0" << true << 2400 << "O8110";
    QTest::newRow("odd rate") << "4700,N,8,1,BIN,RS0,DS0" << false << 0 << "";
    QTest::newRow("parity M") << "4800,M,8,1,BIN,RS0,DS0" << false << 0 << "";
    QTest::newRow("6 data bits") << "4800,N,6,1,BIN,RS0,DS0" << false << 0 << "";
    QTest::newRow("3 stop bits") << "4800,N,8,3,BIN,RS0,DS0" << false << 0 << "";
    QTest::newRow("not BIN") << "4800,N,8,1,ASC,RS0,DS0" << false << 0 << "";
    QTest::newRow("RS2") << "4800,N,8,1,BIN,RS2,DS0" << false << 0 << "";
    QTest::newRow("switches swapped") << "4800,N,8,1,BIN,DS0,RS0" << false << 0 << "";
    QTest::newRow("field missing") << "4800,N,8,1,BIN,RS0" << false << 0 << "";
    QTest::newRow("trailing comma") << "4800,N,8,1,BIN,RS0,DS0," << false << 0 << "";
    QTest::newRow("sign in rate") << "+4800,N,8,1,BIN,RS0,DS0" << false << 0 << "";
    QTest::newRow("empty") << "" << false << 0 << "";
}

void TestLineSettings::parse()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    sline::LineSettings s;
    QCOMPARE(sline::parseLineSettings(text.toStdString(), s), ok);
    if (!ok)
        return;
    QTEST(s.baud, "baud");
    QString shape = QString(QChar(s.parity)) + QString::number(s.dataBits) +
                    QString::number(s.stopBits) + (s.rts ? "1" : "0") + (s.dtr ? "1" : "0");
    QTEST(shape, "shape");
}

void TestLineSettings::portNames()
{
    QCOMPARE(sline::comPortNumber("COM1"), 1);
    QCOMPARE(sline::comPortNumber("com12"), 12);
    QCOMPARE(sline::comPortNumber("COM0"), 0);
    QCOMPARE(sline::comPortNumber("COM"), 0);
    QCOMPARE(sline::comPortNumber("COM1x"), 0);
    QCOMPARE(sline::comPortNumber("LPT1"), 0);
}

void TestLineSettings::confFile()
{
    const std::string conf = "# adapters\r\n; old\r\ncom1 = /dev/ttyUSB0\r\nCOM10=/dev/ttyACM1\n"
                             "COM2\nCOM3=\n";
    QCOMPARE(sline::confPortPath(conf, 1), std::string("/dev/ttyUSB0"));
    QCOMPARE(sline::confPortPath(conf, 10), std::string("/dev/ttyACM1"));
    QCOMPARE(sline::confPortPath(conf, 2), std::string());
    QCOMPARE(sline::confPortPath(conf, 3), std::string());
}

namespace {
std::string resolved(int n)
{
    std::string path;
    int32_t st = sline::resolvePortPath(n, path);
    return st == drv::DrvOk ? path : "status " + std::to_string(st);
}
} // namespace

void TestLineSettings::resolution()
{
    QTemporaryDir dir;
    QFile conf(dir.filePath("sline_32.conf"));
    QVERIFY(conf.open(QIODevice::WriteOnly));
    conf.write("COM4=/dev/from-conf\n");
    conf.close();
    qputenv("PXRQ60_SETTINGS_DIR", dir.path().toUtf8());
    qunsetenv("SLINE_32_COM4");
    QCOMPARE(resolved(4), std::string("/dev/from-conf"));
    qputenv("SLINE_32_COM4", "/dev/from-env");
    QCOMPARE(resolved(4), std::string("/dev/from-env"));
    qputenv("SLINE_32_COM4", ""); // set but empty counts as not set
    QCOMPARE(resolved(4), std::string("/dev/from-conf"));
    QCOMPARE(resolved(5), std::string("/dev/ttyS4"));
    QVERIFY(conf.remove());
    QCOMPARE(resolved(4), std::string("/dev/ttyS3")); // no file: the default
    qunsetenv("PXRQ60_SETTINGS_DIR");
    QCOMPARE(sline::settingsDirectory(), std::string("/var/lib/pxrq60"));
    qunsetenv("SLINE_32_COM4");
}

void TestLineSettings::hostileConfFiles()
{
    // Only a regular file of sensible size is read: a FIFO would block the
    // program, a link to /dev/zero would never end, a link could make it read
    // any file as port settings.
    QTemporaryDir dir;
    qputenv("PXRQ60_SETTINGS_DIR", dir.path().toUtf8());
    qunsetenv("SLINE_32_COM1");
    const std::string conf = dir.filePath("sline_32.conf").toStdString();
    const std::string good = dir.filePath("good.conf").toStdString();
    QFile g(QString::fromStdString(good));
    QVERIFY(g.open(QIODevice::WriteOnly));
    g.write("COM1=/dev/ttyUSB0\n");
    g.close();
    const std::string refused = "status " + std::to_string(int(drv::DrvPortConfig));

    QCOMPARE(mkfifo(conf.c_str(), 0600), 0);
    QCOMPARE(resolved(1), refused);
    QCOMPARE(::unlink(conf.c_str()), 0);
    QCOMPARE(symlink("/dev/zero", conf.c_str()), 0);
    QCOMPARE(resolved(1), refused);
    QCOMPARE(::unlink(conf.c_str()), 0);
    QCOMPARE(symlink(good.c_str(), conf.c_str()), 0);
    QCOMPARE(resolved(1), refused);
    QCOMPARE(::unlink(conf.c_str()), 0);
    QCOMPARE(symlink("/nonexistent/target", conf.c_str()), 0); // dangling
    QCOMPARE(resolved(1), refused);
    QCOMPARE(::unlink(conf.c_str()), 0);
    QCOMPARE(::mkdir(conf.c_str(), 0700), 0);
    QCOMPARE(resolved(1), refused);
    QCOMPARE(::rmdir(conf.c_str()), 0);

    QFile big(QString::fromStdString(conf));
    QVERIFY(big.open(QIODevice::WriteOnly));
    big.write(QByteArray("COM1=/dev/ttyUSB0\n") + QByteArray(int(sline::MaxConfBytes), '#'));
    big.close();
    QCOMPARE(resolved(1), refused);
    QVERIFY(big.resize(sline::MaxConfBytes));
    QCOMPARE(resolved(1), std::string("/dev/ttyUSB0")); // at the cap it is still read
    qunsetenv("PXRQ60_SETTINGS_DIR");
}

void TestLineSettings::settingsReadBack()
{
    termios asked{};
    cfmakeraw(&asked);
    asked.c_cflag = (asked.c_cflag & ~(CSIZE | PARENB)) | CS7 | PARENB;
    cfsetispeed(&asked, B9600);
    cfsetospeed(&asked, B9600);
    QVERIFY(sline::settingsTaken(asked, asked, false));
    termios got = asked;
    cfsetospeed(&got, B4800); // an adapter without the rate
    QVERIFY(!sline::settingsTaken(asked, got, false));
    QVERIFY(!sline::settingsTaken(asked, got, true));
    got = asked;
    got.c_cflag = (got.c_cflag & ~(CSIZE | PARENB)) | CS8; // no 7E1
    QVERIFY(!sline::settingsTaken(asked, got, false));
    QVERIFY(sline::settingsTaken(asked, got, true)); // a pseudo-terminal is always 8N
    got = asked;
    got.c_cflag |= CSTOPB;
    QVERIFY(!sline::settingsTaken(asked, got, true));
}

void TestLineSettings::openErrors()
{
    QCOMPARE(sline::openErrorStatus(ENOENT), int(drv::DrvPortNotFound));
    QCOMPARE(sline::openErrorStatus(ENXIO), int(drv::DrvPortNotFound));
    QCOMPARE(sline::openErrorStatus(EACCES), int(drv::DrvPermission));
    QCOMPARE(sline::openErrorStatus(EPERM), int(drv::DrvPermission));
    QCOMPARE(sline::openErrorStatus(EBUSY), int(drv::DrvPortBusy));
    QCOMPARE(sline::openErrorStatus(EWOULDBLOCK), int(drv::DrvPortBusy));
    QCOMPARE(sline::openErrorStatus(EIO), int(drv::DrvLineGone));
}

QTEST_GUILESS_MAIN(TestLineSettings)
#include "tst_linesettings.moc"
