// The device's address space and write rules, without framing.
#include "devicemodel.h"

#include <QtTest>
#include <clocale>

using rq60::DeviceModel;

namespace {
std::string value(const DeviceModel &m, const char *address)
{
    std::string v;
    int e = m.read(address, &v);
    return e ? "ER" + std::to_string(e) : v;
}
double num(const DeviceModel &m, const char *address)
{
    return QByteArray::fromStdString(value(m, address)).toDouble(); // "." whatever the locale
}
} // namespace

class TestDeviceModel : public QObject
{
    Q_OBJECT
private slots:
    void generationsHaveTheirOwnAddresses_data();
    void generationsHaveTheirOwnAddresses();
    void valueForms();
    void writesRefused_data();
    void writesRefused();
    void writesTakenInCanonicalForm_data();
    void writesTakenInCanonicalForm();
    void statusRegisterKeepsBit30WhileOpen();
    void countersGrowAndTotalIsSum();
    void counterResetByGeneration();
    void totalTakenOnlyAsSum();
    void totalTakenAsSumOfJustWrittenParts();
    void numbersIgnoreTheNumericLocale();
    void batteryCapacityAnswer();
    void keysAndUserLock();
    void calibrationGivesTrueReadings();
    void monthEndAddsArchiveEntry();
    void archiveRecordLayout();
};

void TestDeviceModel::generationsHaveTheirOwnAddresses_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("inV1");
    QTest::addColumn<bool>("inV2");
    for (const char *a : {"L2",   "L4",   "L7",   "L8", "L12", "L18", "L33", "L34", "L35", "L123",
                          "L124", "L156", "L157", "P1", "P2",  "P3",  "P4",  "P13", "P14", "P38",
                          "P48",  "P147", "P148", "H1", "H2",  "H4",  "H6",  "H7",  "H8",  "H23"})
        QTest::newRow(a) << a << true << true;
    for (const char *a : {"P0", "P9", "P10", "P11", "P16", "P17", "P28", "P37"})
        QTest::newRow(a) << a << true << false;
    for (const char *a : {"L27", "P170", "P171", "P310", "P311", "H201", "H215"})
        QTest::newRow(a) << a << false << true;
    QTest::newRow("H216") << "H216" << false << false;
    QTest::newRow("L999") << "L999" << false << false;
}

void TestDeviceModel::generationsHaveTheirOwnAddresses()
{
    QFETCH(QString, address);
    QFETCH(bool, inV1);
    QFETCH(bool, inV2);
    DeviceModel v1(1), v2(2);
    std::string a = address.toStdString(), v;
    QCOMPARE(v1.read(a, &v) == 0, inV1);
    QCOMPARE(v2.read(a, &v) == 0, inV2);
    if (!inV1)
        QCOMPARE(v1.read(a, &v), int(rq60::ErUnknownAddress));
}

void TestDeviceModel::valueForms()
{
    DeviceModel v1(1), v2(2);
    QCOMPARE(value(v1, "L34"), std::string("1.22"));
    QCOMPARE(value(v2, "L34"), std::string("2.05"));
    QRegularExpression date("^\\d\\d\\.\\d\\d\\.\\d\\d$"), time("^\\d\\d:\\d\\d:\\d\\d$");
    QVERIFY(date.match(QString::fromStdString(value(v2, "L7"))).hasMatch());
    QVERIFY(time.match(QString::fromStdString(value(v2, "L8"))).hasMatch());
    QCOMPARE(value(v2, "H1").size(), std::size_t(11));
    QCOMPARE(value(v2, "H2").size(), std::size_t(13));
    QCOMPARE(value(v2, "H6").size(), std::size_t(13));
    QCOMPARE(value(v2, "L18").size(), std::size_t(12));
    QVERIFY(QRegularExpression("^\\d\\.\\d;\\d\\d\\d$")
                .match(QString::fromStdString(value(v2, "L35")))
                .hasMatch());
    QVERIFY(QRegularExpression("^\\d{8};\\d\\d\\.\\d\\d\\.\\d\\d$")
                .match(QString::fromStdString(value(v2, "H215")))
                .hasMatch());
    QCOMPARE(value(v2, "L12").substr(2, 1), std::string(":"));
    QCOMPARE(value(v2, "L4"), std::string(".3"));
    QCOMPARE(value(v1, "P9"), std::string("********"));
    // the gas temperature follows the measured one in mode "Messung"
    QCOMPARE(value(v2, "L2"), value(v2, "P170"));
    QCOMPARE(value(v1, "L2"), value(v1, "P28"));
    QVERIFY(std::fabs(num(v2, "L2") - num(v2, "P3")) < 2.0);
}

void TestDeviceModel::writesRefused_data()
{
    QTest::addColumn<int>("generation");
    QTest::addColumn<bool>("open");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("error");
    QTest::newRow("unknown") << 2 << true << "P16"
                             << "3" << 1;
    QTest::newRow("read-only version") << 2 << true << "L34"
                                       << "3.00" << 2;
    QTest::newRow("read-only archive") << 2 << true << "H201"
                                       << "1;01.01.26" << 2;
    QTest::newRow("read-only temperature") << 1 << true << "P28"
                                           << "20.0" << 2;
    QTest::newRow("calibration lock closed") << 2 << false << "P4"
                                             << "10" << 4;
    QTest::newRow("locked before syntax") << 2 << false << "P4"
                                          << "x" << 4;
    QTest::newRow("V1x user lock closed") << 1 << false << "L7"
                                          << "01.01.26" << 4;
    QTest::newRow("V1x key with its lock closed") << 1 << true << "P11"
                                                  << "11112222" << 4;
    QTest::newRow("P4 no item") << 2 << true << "P4"
                                << "0.010" << 3;
    QTest::newRow("L156 above") << 2 << true << "L156"
                                << "1.05001" << 3;
    QTest::newRow("L156 six decimals") << 2 << true << "L156"
                                       << "1.013250" << 3;
    QTest::newRow("P3 above") << 2 << true << "P3"
                              << "56.0" << 3;
    QTest::newRow("P147 above") << 2 << true << "P147"
                                << "4096" << 3;
    QTest::newRow("L18 eleven digits") << 2 << true << "L18"
                                       << "00000012345" << 3;
    QTest::newRow("L7 no such day") << 2 << true << "L7"
                                    << "30.02.26" << 3;
    QTest::newRow("L8 hour 24") << 2 << true << "L8"
                                << "24:00:00" << 3;
    QTest::newRow("L27 reversed") << 2 << true << "L27"
                                  << "40;-10" << 3;
    QTest::newRow("L27 out of range") << 2 << true << "L27"
                                      << "-40;60" << 3;
    QTest::newRow("P14 flag 2") << 2 << true << "P14"
                                << "20.2" << 3;
    QTest::newRow("P48 wrong value V2x") << 2 << true << "P48"
                                         << "0" << 3;
    QTest::newRow("P48 wrong value V1x") << 1 << true << "P48"
                                         << "1" << 3;
    QTest::newRow("L4 not zero") << 2 << true << "L4"
                                 << "1" << 3;
    QTest::newRow("L35 no decimal") << 2 << true << "L35"
                                    << "9" << 3;
    QTest::newRow("P10 short key") << 1 << true << "P10"
                                   << "1234" << 3;
    QTest::newRow("H1 three decimals") << 2 << true << "H1"
                                       << "1.234" << 3;
}

void TestDeviceModel::writesRefused()
{
    QFETCH(int, generation);
    QFETCH(bool, open);
    QFETCH(QString, address);
    QFETCH(QString, text);
    QFETCH(int, error);
    DeviceModel m(generation);
    m.setCalibrationLock(open);
    std::string before = value(m, address.toStdString().c_str()), stored = "untouched";
    QCOMPARE(m.write(address.toStdString(), text.toStdString(), &stored), error);
    QCOMPARE(stored, std::string("untouched"));
    if (address != "L7" && address != "L8" && address != "H1")
        QCOMPARE(value(m, address.toStdString().c_str()), before);
}

void TestDeviceModel::writesTakenInCanonicalForm_data()
{
    QTest::addColumn<int>("generation");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("stored");
    QTest::newRow("L18") << 2 << "L18"
                         << "000000012345"
                         << "000000012345";
    QTest::newRow("L156") << 2 << "L156"
                          << "0.99"
                          << "0.99000";
    QTest::newRow("L157") << 2 << "L157"
                          << "300.00"
                          << "300.00";
    QTest::newRow("P1") << 2 << "P1"
                        << "0.9500"
                        << "0.9500";
    QTest::newRow("P2") << 2 << "P2"
                        << "0.50000"
                        << "0.50000";
    QTest::newRow("P3 negative") << 2 << "P3"
                                 << "-5.5"
                                 << "-5.5";
    QTest::newRow("P3 below one") << 2 << "P3"
                                  << ".5"
                                  << ".5";
    QTest::newRow("P4") << 2 << "P4"
                        << "0.01"
                        << "0.01";
    QTest::newRow("P14") << 2 << "P14"
                         << "20.1"
                         << "20.1";
    QTest::newRow("L27") << 2 << "L27"
                         << "-10;40"
                         << "-10;40";
    QTest::newRow("L12 hour") << 2 << "L12"
                              << "7"
                              << "07:00";
    QTest::newRow("P310") << 2 << "P310"
                          << "4"
                          << "4";
    QTest::newRow("P16 V1x") << 1 << "P16"
                             << "3"
                             << "3";
    QTest::newRow("P17 V1x") << 1 << "P17"
                             << "100"
                             << "100";
    QTest::newRow("P37 V1x") << 1 << "P37"
                             << "2"
                             << "2";
    QTest::newRow("P147") << 2 << "P147"
                          << "123"
                          << "123";
    QTest::newRow("L7") << 2 << "L7"
                        << "24.12.26"
                        << "24.12.26";
    QTest::newRow("H1") << 2 << "H1"
                        << "12345.67"
                        << "00012345.67";
}

void TestDeviceModel::writesTakenInCanonicalForm()
{
    QFETCH(int, generation);
    QFETCH(QString, address);
    QFETCH(QString, text);
    QFETCH(QString, stored);
    DeviceModel m(generation);
    m.setCalibrationLock(true);
    m.setFlow(0); // keep the counters still
    std::string answer;
    QCOMPARE(m.write(address.toStdString(), text.toStdString(), &answer), 0);
    QCOMPARE(QString::fromStdString(answer), stored);
    QCOMPARE(QString::fromStdString(value(m, address.toStdString().c_str())), stored);
}

void TestDeviceModel::statusRegisterKeepsBit30WhileOpen()
{
    DeviceModel m(2);
    std::string stored;
    m.setCalibrationLock(true);
    QCOMPARE(value(m, "L4"), std::string(".3.30"));
    QCOMPARE(m.write("L4", "0", &stored), 0);
    QCOMPARE(stored, std::string(".30"));
    m.setCalibrationLock(false);
    QCOMPARE(value(m, "L4"), std::string("0"));
    QVERIFY(m.force("L4", ".1.10"));
    QCOMPARE(value(m, "L4"), std::string(".1.10"));
}

void TestDeviceModel::countersGrowAndTotalIsSum()
{
    DeviceModel m(2);
    double h1 = num(m, "H1"), h2 = num(m, "H2"), h23 = num(m, "H23");
    m.advance(3600 * 1000); // one hour at 25 m3/h
    QVERIFY(std::fabs(num(m, "H1") - h1 - 25.0) < 0.02);
    QVERIFY(std::fabs(num(m, "H23") - h23 - 25.0) < 0.02);
    QVERIFY(num(m, "H2") > h2 + 20 && num(m, "H2") < h2 + 30);
    for (int i = 0; i < 50; ++i) {
        m.advance(977);
        QCOMPARE(num(m, "H6"), std::round((num(m, "H2") + num(m, "H4")) * 1e4) / 1e4);
    }
    // a disturbance counts into H4 and leaves H2 alone
    m.setDisturbed(true);
    h2 = num(m, "H2");
    double h4 = num(m, "H4");
    m.advance(3600 * 1000);
    QCOMPARE(num(m, "H2"), h2);
    QVERIFY(num(m, "H4") > h4 + 20);
}

void TestDeviceModel::counterResetByGeneration()
{
    for (int g : {1, 2}) {
        DeviceModel m(g);
        m.setFlow(0);
        std::string stored;
        QCOMPARE(m.write("P48", g == 1 ? "0" : "1", &stored), int(rq60::ErLocked));
        m.setCalibrationLock(true);
        QCOMPARE(m.write("P48", g == 1 ? "0" : "1", &stored), 0);
        QCOMPARE(value(m, "H1"), std::string("00000000.00"));
        QCOMPARE(value(m, "H2"), std::string("00000000.0000"));
        QCOMPARE(value(m, "H4"), std::string("00000000.0000"));
        QCOMPARE(value(m, "H6"), std::string("00000000.0000"));
    }
}

void TestDeviceModel::totalTakenOnlyAsSum()
{
    DeviceModel m(2);
    m.setFlow(0);
    m.setCalibrationLock(true);
    std::string stored;
    QCOMPARE(m.write("H2", "1234.5", &stored), 0);
    QCOMPARE(m.write("H4", "0.25", &stored), 0);
    QCOMPARE(m.write("H6", "1234.7", &stored), int(rq60::ErBadValue));
    QCOMPARE(m.write("H6", "1234.75", &stored), 0);
    QCOMPARE(stored, std::string("00001234.7500"));
}

void TestDeviceModel::totalTakenAsSumOfJustWrittenParts()
{
    // The program writes H2, H4 and then their sum to H6; gas keeps flowing
    // meanwhile, so the counters have moved on when H6 arrives.
    DeviceModel m(2);
    m.setFlow(3600); // 1 m3 a second
    m.setCalibrationLock(true);
    std::string stored;
    QCOMPARE(m.write("H2", "1234.5", &stored), 0);
    QCOMPARE(m.write("H4", "0.25", &stored), 0);
    m.advance(2000);
    QVERIFY(num(m, "H2") > 1235);
    QCOMPARE(m.write("H6", "1234.75", &stored), 0);
    QCOMPARE(m.write("H6", "1234.75", &stored), int(rq60::ErBadValue)); // used once
    QCOMPARE(m.write("H6", "1", &stored), int(rq60::ErBadValue));
}

void TestDeviceModel::numbersIgnoreTheNumericLocale()
{
    // The simulator runs inside Qt test programs, where LC_NUMERIC follows
    // the environment; a decimal comma must not reach the device's texts.
    const std::string old = std::setlocale(LC_NUMERIC, nullptr);
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
        QSKIP("locale de_DE.UTF-8 is not installed");
    auto restore = qScopeGuard([&] { std::setlocale(LC_NUMERIC, old.c_str()); });
    DeviceModel m(2);
    m.setCalibrationLock(true);
    std::string stored;
    QCOMPARE(value(m, "L2"), std::string("15.4"));
    QCOMPARE(m.write("P4", "0.1", &stored), 0);
    QCOMPARE(stored, std::string("0.1"));
    QCOMPARE(m.write("L35", "9.5", &stored), 0);
    QCOMPARE(stored, std::string("9.5;120"));
    QCOMPARE(m.write("H2", "12.5", &stored), 0);
    QCOMPARE(stored.substr(0, 11), std::string("00000012.50"));
}

void TestDeviceModel::batteryCapacityAnswer()
{
    DeviceModel m(2);
    std::string stored;
    QCOMPARE(m.write("L35", "9.5", &stored), 0);
    QCOMPARE(stored, std::string("9.5;120"));
    QCOMPARE(m.write("L35", "0.1", &stored), 0);
    QCOMPARE(stored, std::string("0.1;001"));
    m.advance(std::int64_t(60) * 86400000); // two months drain 0.16 Ah
    QCOMPARE(value(m, "L35"), std::string("0.0;000"));
}

void TestDeviceModel::keysAndUserLock()
{
    DeviceModel m(1);
    std::string stored;
    QVERIFY(!m.userLockOpen());
    QCOMPARE(m.write("P10", "11111111", &stored), 0); // wrong key
    QCOMPARE(stored, std::string("0"));
    QCOMPARE(m.write("P10", "87654321", &stored), 0); // the customer key
    QCOMPARE(stored, std::string("1"));
    QVERIFY(m.userLockOpen());
    QCOMPARE(m.write("L7", "24.12.26", &stored), 0);                   // user class now open
    QCOMPARE(m.write("P9", "22223333", &stored), int(rq60::ErLocked)); // supplier lock still closed
    QCOMPARE(m.write("P11", "123", &stored), int(rq60::ErBadValue));
    QCOMPARE(m.write("P11", "00001234", &stored), 0);
    QCOMPARE(stored, std::string("********"));
    QCOMPARE(value(m, "P11"), std::string("********"));
    QCOMPARE(m.write("P10", "00000000", &stored), 0); // any other key closes
    QCOMPARE(stored, std::string("0"));
    QCOMPARE(m.write("P10", "00001234", &stored), 0); // the new key opens
    QCOMPARE(stored, std::string("1"));
}

void TestDeviceModel::calibrationGivesTrueReadings()
{
    // The offset and gradient the program computes from two reference points
    // must make the device read those points true.
    DeviceModel m(2);
    m.setCalibrationLock(true);
    const double TL = -20.0, TH = 40.0;
    m.setSensorTemperature(TL);
    double Tlm = num(m, "P170");
    m.setSensorTemperature(TH);
    double Thm = num(m, "P171");
    QVERIFY(std::fabs(Thm - TH) > 0.2); // the works setting reads off
    double O = num(m, "P147"), G = num(m, "P148");
    double o = 10 * (O / 10 * (TH - TL) + 273.15 * (TL + Thm - TH - Tlm) + TL * Thm - TH * Tlm) /
               (Thm - Tlm);
    double g = (TH - TL) * G / (Thm - Tlm);
    std::string stored;
    QCOMPARE(m.write("P147", std::to_string(std::lround(o)), &stored), 0);
    QCOMPARE(m.write("P148", std::to_string(std::lround(g)), &stored), 0);
    QVERIFY(std::fabs(num(m, "P171") - TH) <= 0.15);
    m.setSensorTemperature(TL);
    QVERIFY(std::fabs(num(m, "P170") - TL) <= 0.15);
}

void TestDeviceModel::monthEndAddsArchiveEntry()
{
    DeviceModel m(2);
    std::string newest = value(m, "H201"), h214 = value(m, "H214");
    m.advance(std::int64_t(32) * 86400000);
    QCOMPARE(value(m, "H202"), newest);
    QCOMPARE(value(m, "H215"), h214);
    std::string entry = value(m, "H201");
    QCOMPARE(entry.substr(9, 2), std::string("01")); // day 1
    QVERIFY(std::stoll(entry.substr(0, 8)) > std::stoll(newest.substr(0, 8)));
    QCOMPARE(value(m, "H8").substr(0, 8), entry.substr(0, 8)); // month-end value of Vn
}

void TestDeviceModel::archiveRecordLayout()
{
    DeviceModel m(1);
    QCOMPARE(m.recordData(0), std::string());
    std::string d = m.recordData(1);
    QCOMPARE(d.size(), std::size_t(15 * 36 + 3));
    QCOMPARE(d.substr(d.size() - 3), std::string("FF1"));
    for (int r = 0; r < 15; ++r)
        QCOMPARE(d.substr(r * 36 + 33, 3), std::string("FFA"));
    // no field but the markers contains "FF" (the export splits lines there)
    for (std::size_t f = 0; f + 3 <= d.size(); f += 3)
        if (d.substr(f, 3).find("FF") != std::string::npos)
            QVERIFY((f + 3) % 36 == 0 || f + 3 == d.size());
    // the first record read back from the marker, as the listing does
    std::size_t q = d.find("FFA") + 1; // 1-based
    auto at = [&](std::size_t from) { return d.substr(from - 1, 2); };
    std::string date = at(q - 8) + "." + at(q - 5) + "." + at(q - 2);
    std::string digits = at(q - 17) + at(q - 20) + at(q - 23) + at(q - 26);
    DeviceModel v2(2);
    std::string entry = v2.archiveEntry(1);
    QCOMPARE(date, entry.substr(9, 8));
    QCOMPARE(digits, entry.substr(0, 8));
    std::string kind;
    QVERIFY(m.recordField(1, 'Y', &kind));
    QCOMPARE(kind, std::string("01"));
    QVERIFY(!m.recordField(1, 'q', &kind));
}

QTEST_GUILESS_MAIN(TestDeviceModel)
#include "tst_devicemodel.moc"
