// The ports found on the machine and the writer of sline_32.conf, which the
// line driver reads: what it finds in a device tree, and that an assignment
// changes exactly one line of the file.
#include "lineports.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestLinePorts : public QObject
{
    Q_OBJECT
private slots:
    void findsPortsByIdFirstThenByNumber();
    void withPortLine_data();
    void withPortLine();
    void writesTheFileAndKeepsTheRest();
    void refusedWrites();
};

namespace {

void touch(const QString &path)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
}

} // namespace

void TestLinePorts::findsPortsByIdFirstThenByNumber()
{
    QTemporaryDir dev;
    for (const char *name : {"ttyS10", "ttyS2", "ttyS0", "ttyACM0", "ttyUSB1", "ttyUSB0", "ttySAC",
                             "ttyUSB", "tty0", "null"})
        touch(dev.filePath(name));
    QVERIFY(QDir().mkpath(dev.filePath("serial/by-id")));
    QVERIFY(QFile::link(dev.filePath("ttyUSB1"),
                        dev.filePath("serial/by-id/usb-FTDI_FT232R_A50285BI-if00-port0")));
    // An adapter pulled a moment ago can leave its link behind.
    QVERIFY(QFile::link(dev.filePath("ttyUSB7"), dev.filePath("serial/by-id/usb-gone-port0")));

    const QList<SerialPort> ports = findSerialPorts(dev.path());
    QStringList paths, labels;
    for (const SerialPort &p : ports) {
        paths << QDir(dev.path()).relativeFilePath(p.path);
        labels << p.label;
    }
    QCOMPARE(paths, (QStringList{"serial/by-id/usb-FTDI_FT232R_A50285BI-if00-port0", "ttyUSB0",
                                 "ttyUSB1", "ttyACM0", "ttyS0", "ttyS2", "ttyS10"}));
    // The readable name, and where it leads.
    QCOMPARE(labels.first(),
             "usb-FTDI_FT232R_A50285BI-if00-port0 (" + dev.filePath("ttyUSB1") + ")");
    QCOMPARE(labels.at(1), dev.filePath("ttyUSB0"));
    QVERIFY(findSerialPorts(dev.filePath("nothing-here")).isEmpty());
}

void TestLinePorts::withPortLine_data()
{
    QTest::addColumn<QByteArray>("conf");
    QTest::addColumn<int>("n");
    QTest::addColumn<QByteArray>("result");
    QTest::newRow("new file") << QByteArray() << 3 << QByteArray("COM3=/dev/ttyUSB0\n");
    QTest::newRow("appended, other lines kept")
        << QByteArray("# adapters\nCOM1=/dev/ttyS0\n") << 3
        << QByteArray("# adapters\nCOM1=/dev/ttyS0\nCOM3=/dev/ttyUSB0\n");
    QTest::newRow("replaced in place, any case and blanks")
        << QByteArray("COM1=/dev/ttyS0\n  com3 = /dev/old\n; note\n") << 3
        << QByteArray("COM1=/dev/ttyS0\nCOM3=/dev/ttyUSB0\n; note\n");
    QTest::newRow("CR LF file keeps its line ends")
        << QByteArray("COM3=/dev/old\r\nCOM4=/dev/x\r\n") << 3
        << QByteArray("COM3=/dev/ttyUSB0\r\nCOM4=/dev/x\r\n");
    QTest::newRow("appended with CR LF") << QByteArray("COM1=/dev/ttyS0\r\n") << 2
                                         << QByteArray("COM1=/dev/ttyS0\r\nCOM2=/dev/ttyUSB0\r\n");
    QTest::newRow("last line without a line end")
        << QByteArray("COM1=/dev/ttyS0") << 2 << QByteArray("COM1=/dev/ttyS0\nCOM2=/dev/ttyUSB0\n");
    // COM1 is not COM10, and a commented line is not the entry.
    QTest::newRow("similar keys left alone")
        << QByteArray("COM10=/dev/a\n#COM1=/dev/b\n") << 1
        << QByteArray("COM10=/dev/a\n#COM1=/dev/b\nCOM1=/dev/ttyUSB0\n");
    // The line driver takes the first entry; that is the one changed.
    QTest::newRow("first of two entries") << QByteArray("COM2=/dev/a\nCOM2=/dev/b\n") << 2
                                          << QByteArray("COM2=/dev/ttyUSB0\nCOM2=/dev/b\n");
}

void TestLinePorts::withPortLine()
{
    QFETCH(QByteArray, conf);
    QFETCH(int, n);
    QTEST(::withPortLine(conf, n, QStringLiteral("/dev/ttyUSB0")), "result");
}

void TestLinePorts::writesTheFileAndKeepsTheRest()
{
    SettingsSandbox settings;
    QCOMPARE(linePortConfPath(), settings.file("sline_32.conf"));
    QVERIFY(WriteLinePort(2, QStringLiteral("/dev/ttyACM0")));
    QCOMPARE(settings.read("sline_32.conf"), QByteArray("COM2=/dev/ttyACM0\n"));
    settings.write("sline_32.conf", "# by hand\nCOM1=/dev/ttyS0\nCOM2=/dev/ttyACM0\n");
    QVERIFY(WriteLinePort(2, QStringLiteral("/dev/serial/by-id/usb-x")));
    QCOMPARE(settings.read("sline_32.conf"),
             QByteArray("# by hand\nCOM1=/dev/ttyS0\nCOM2=/dev/serial/by-id/usb-x\n"));
    // Replaced, not rewritten in place: no temporary file is left beside it,
    // only the lock file that two programs writing at once share.
    QCOMPARE(QDir(settings.dir()).entryList(QDir::Files),
             (QStringList{"sline_32.conf", "sline_32.conf.lock"}));
}

void TestLinePorts::refusedWrites()
{
    SettingsSandbox settings;
    settings.write("sline_32.conf", "COM1=/dev/ttyS0\n");
    // A path that would break the file into two lines.
    QVERIFY(!WriteLinePort(1, QStringLiteral("/dev/x\nCOM2=/dev/y")));
    QVERIFY(!WriteLinePort(1, QString()));
    QCOMPARE(settings.read("sline_32.conf"), QByteArray("COM1=/dev/ttyS0\n"));
    // A file that cannot be replaced (a directory in its place fails for
    // root too).
    QFile::remove(settings.file("sline_32.conf"));
    QVERIFY(QDir().mkpath(settings.file("sline_32.conf")));
    QVERIFY(!WriteLinePort(1, QStringLiteral("/dev/ttyUSB0")));
}

QTEST_GUILESS_MAIN(TestLinePorts)
#include "tst_lineports.moc"
