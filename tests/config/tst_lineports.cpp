// The ports offered for assignment and the writer of sline_32.conf, which
// the line driver reads: what the menu offers for what the system lists,
// and that an assignment changes exactly one line of the file.
#include "langsupp.h"
#include "lineports.h"
#include "sharedfile.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// Links of /dev/serial/by-id: link path, the device it leads to.
using PortLinks = QList<std::pair<QString, QString>>;

class TestLinePorts : public QObject
{
    Q_OBJECT
private slots:
    void portChoices_data();
    void portChoices();
    void withPortLine_data();
    void withPortLine();
    void writesTheFileAndKeepsTheRest();
    void refusedWrites();
};

// What the system lists becomes the menu of "Zuordnen": adapters under
// their stable names first, saying what they are; built-in ports by number;
// a link left behind by an adapter just pulled leads to no listed port.
void TestLinePorts::portChoices_data()
{
    QTest::addColumn<QList<SerialPortFacts>>("ports");
    QTest::addColumn<PortLinks>("links");
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<QStringList>("labels");
    const QString serial = langFormatId(8005, {"A50285BI"});
    const QString byId = "/dev/serial/by-id/usb-FTDI_FT232R_A50285BI-if00-port0";
    QTest::newRow("adapter with its stable name, built-in ports by number")
        << QList<SerialPortFacts>{{"/dev/ttyS10", "", "", ""},
                                  {"/dev/ttyS2", "", "", ""},
                                  {"/dev/ttyUSB1", "FTDI", "FT232R USB UART", "A50285BI"},
                                  {"/dev/ttyACM0", "", "", ""}}
        << PortLinks{{byId, "/dev/ttyUSB1"}, {"/dev/serial/by-id/usb-gone", "/dev/ttyUSB7"}}
        << QStringList{byId, "/dev/ttyACM0", "/dev/ttyS2", "/dev/ttyS10"}
        << QStringList{"FTDI FT232R USB UART, " + serial + " (/dev/ttyUSB1)", "/dev/ttyACM0",
                       "/dev/ttyS2", "/dev/ttyS10"};
    QTest::newRow("adapter without a stable name or a serial number")
        << QList<SerialPortFacts>{{"/dev/ttyUSB0", "Prolific", "PL2303", ""}} << PortLinks{}
        << QStringList{"/dev/ttyUSB0"} << QStringList{"Prolific PL2303 (/dev/ttyUSB0)"};
    QTest::newRow("adapter that says nothing but has a stable name")
        << QList<SerialPortFacts>{{"/dev/ttyUSB3", "", "", ""}}
        << PortLinks{{"/dev/serial/by-id/usb-x-port0", "/dev/ttyUSB3"}}
        << QStringList{"/dev/serial/by-id/usb-x-port0"}
        << QStringList{"usb-x-port0 (/dev/ttyUSB3)"};
    QTest::newRow("nothing with a device behind it")
        << QList<SerialPortFacts>{} << PortLinks{{"/dev/serial/by-id/usb-gone", "/dev/ttyUSB7"}}
        << QStringList{} << QStringList{};
}

void TestLinePorts::portChoices()
{
    QFETCH(QList<SerialPortFacts>, ports);
    QFETCH(PortLinks, links);
    QStringList paths, labels;
    for (const SerialPort &p : serialPortChoices(ports, links)) {
        paths << p.path;
        labels << p.label;
    }
    QTEST(paths, "paths");
    QTEST(labels, "labels");
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
    FileProblem problem;
    QVERIFY(!WriteLinePort(1, QStringLiteral("/dev/x\nCOM2=/dev/y"), &problem));
    QCOMPARE(problem.kind, FileProblem::BadValue);
    QVERIFY(!WriteLinePort(1, QString()));
    QCOMPARE(settings.read("sline_32.conf"), QByteArray("COM1=/dev/ttyS0\n"));
    // A file that cannot be replaced (a directory in its place fails for
    // root too).
    QFile::remove(settings.file("sline_32.conf"));
    QVERIFY(QDir().mkpath(settings.file("sline_32.conf")));
    QVERIFY(!WriteLinePort(1, QStringLiteral("/dev/ttyUSB0"), &problem));
    QCOMPARE(problem.kind, FileProblem::NotRegular); // the reason the user is shown
}

QTEST_GUILESS_MAIN(TestLinePorts)
#include "tst_lineports.moc"
