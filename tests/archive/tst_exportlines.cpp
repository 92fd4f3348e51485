// The lines of the TEMP files, against lines written out by hand: the
// evaluation program reads every comma of them.
#include "archivefixture.h"
#include "devicevalues.h"
#include "dsmodul.h"
#include "exportfile.h"
#include "exportlines.h"
#include "exportmessages.h"
#include "langsupp.h"

#include <QtTest>
#include <clocale>
#include <cstdio>

namespace {

const QDateTime Moment(QDate(2026, 12, 9), QTime(5, 23, 14));

ExportClock fixedClock()
{
    return [] { return Moment; };
}

// Records of the dump, oldest first as the lines list them; the dump holds
// them newest first.
const char *const DumpRecords[] = {
    "000098098083072002000006001012024FFA", "000098041049060002000006001011024FFA",
    "000098084014048002000006001010024FFA", "000098027080035002000006001009024FFA",
    "000098070045023002000006001008024FFA", "000098013011011002000006001007024FFA",
    "000098056076098001000006001006024FFA", "000098099041086001000006001005024FFA",
    "000098042007074001000006001004024FFA", "000098085072061001000006001003024FFA",
    "000098028038049001000006001002024FFA", "000098071003037001000006001001024FFA",
    "000098014069024001000006001012023FFA", "000098057034012001000006001011023FFA",
    "000098000000000001000006001010023FFA",
};
// The lines of the fifteen records, from the dump's end: oldest first.
const char *const DumpLines[] = {
    "&HFFA,&H023,&H010,&H001,&H006,&H000,&H001,&H000,&H000,&H000,&H098,&H000",
    "&HFFA,&H023,&H011,&H001,&H006,&H000,&H001,&H012,&H034,&H057,&H098,&H000",
    "&HFFA,&H023,&H012,&H001,&H006,&H000,&H001,&H024,&H069,&H014,&H098,&H000",
    "&HFFA,&H024,&H001,&H001,&H006,&H000,&H001,&H037,&H003,&H071,&H098,&H000",
    "&HFFA,&H024,&H002,&H001,&H006,&H000,&H001,&H049,&H038,&H028,&H098,&H000",
    "&HFFA,&H024,&H003,&H001,&H006,&H000,&H001,&H061,&H072,&H085,&H098,&H000",
    "&HFFA,&H024,&H004,&H001,&H006,&H000,&H001,&H074,&H007,&H042,&H098,&H000",
    "&HFFA,&H024,&H005,&H001,&H006,&H000,&H001,&H086,&H041,&H099,&H098,&H000",
    "&HFFA,&H024,&H006,&H001,&H006,&H000,&H001,&H098,&H076,&H056,&H098,&H000",
    "&HFFA,&H024,&H007,&H001,&H006,&H000,&H002,&H011,&H011,&H013,&H098,&H000",
    "&HFFA,&H024,&H008,&H001,&H006,&H000,&H002,&H023,&H045,&H070,&H098,&H000",
    "&HFFA,&H024,&H009,&H001,&H006,&H000,&H002,&H035,&H080,&H027,&H098,&H000",
    "&HFFA,&H024,&H010,&H001,&H006,&H000,&H002,&H048,&H014,&H084,&H098,&H000",
    "&HFFA,&H024,&H011,&H001,&H006,&H000,&H002,&H060,&H049,&H041,&H098,&H000",
    "&HFFA,&H024,&H012,&H001,&H006,&H000,&H002,&H072,&H083,&H098,&H098,&H000",
};

// The newest n records as the device dumps them, then the end marker.
QString dumpOf(int n)
{
    QString d;
    for (int i = 0; i < n; ++i)
        d += QLatin1String(DumpRecords[i]);
    return d + QStringLiteral("FF1");
}

QStringList linesOf(int n)
{
    QStringList l{QStringLiteral("&HFF1")};
    for (int i = 15 - n; i < 15; ++i)
        l << QLatin1String(DumpLines[i]);
    return l;
}

void setValue(TVCVal &v, const QString &address, const QString &value)
{
    const int n = address.mid(1).toInt();
    switch (address.at(0).unicode()) {
    case 'H': v.H[n] = value; break;
    case 'L': v.L[n] = value; break;
    default: v.P[n] = value; break;
    }
}

// A V2x device as the simulator shows it after a readout.
TVCVal v2xValues()
{
    TVCVal v;
    v.L[18] = QStringLiteral("000000123456");
    v.L[34] = QStringLiteral("2.05");
    v.H[2] = QStringLiteral("00401876.5432");
    v.H[6] = QStringLiteral("00403111.1110");
    v.H[8] = QStringLiteral("00398765.4321");
    v.L[4] = QStringLiteral(".3");
    v.P[4] = QStringLiteral("1");
    v.L[123] = QStringLiteral("000000009876");
    v.L[124] = QStringLiteral("000012345678");
    v.L[12] = QStringLiteral("06:00");
    for (int k = 1; k <= 15; ++k)
        v.H[200 + k] = QLatin1String(V2xArchiveEntries[k - 1]);
    return v;
}

TDSData v1xRecord(const char *kind)
{
    TDSData r;
    r.Field = {QStringLiteral("000000123456"),  // l: device number
               QLatin1String(kind),             // Y
               QStringLiteral("98"),            // p
               QStringLiteral("m3"),            // ^
               QStringLiteral("0.1"),           // n
               QStringLiteral("_z,Name"),       // V
               QStringLiteral("100000000001"),  // T: 0.1E+01
               QStringLiteral("00403111.1110"), // s
               QStringLiteral("00401876.5432"), // t
               QStringLiteral("00398765.43"),   // |
               QStringLiteral("09.12.26 05:23:14"),
               QString()};
    return r;
}

} // namespace

class TestExportLines : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void dateAndTime();
    void exponent_data();
    void exponent();
    void pulseFactor_data();
    void pulseFactor();
    void v2xArchiveLines_data();
    void v2xArchiveLines();
    void dumpConversion_data();
    void dumpConversion();
    void v2xFile();
    void v2xLines_data();
    void v2xLines();
    void v1xFiles();
    void v1xRecordFieldsThatAreNoNumber();
    void linesAreWrittenWhole();
    void refusals_data();
    void refusals();
    void fileBytes_data();
    void fileBytes();
};

void TestExportLines::initTestCase()
{
    // As in the program, whose application object takes the C library's
    // locale from the environment: under LC_ALL=de_DE.UTF-8 printf writes
    // decimal commas, and no line may follow it.
    std::setlocale(LC_ALL, "");
    if (qEnvironmentVariable("LC_ALL").startsWith(QLatin1String("de_DE"))) {
        QCOMPARE(QLocale::system().decimalPoint(), QStringLiteral(","));
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "%.1f", 1.5);
        QCOMPARE(buffer, "1,5");
    }
}

void TestExportLines::dateAndTime()
{
    // The same under every locale: the date helpers' forms.
    QCOMPARE(exportDate(Moment), QStringLiteral("09.12.26"));
    QCOMPARE(exportTime(Moment), QStringLiteral("05:23:14"));
    QCOMPARE(exportDate(QDateTime(QDate(2001, 2, 3), QTime(23, 59, 59))),
             QStringLiteral("03.02.01"));
    QCOMPARE(exportTime(QDateTime(QDate(2001, 2, 3), QTime(23, 59, 59))),
             QStringLiteral("23:59:59"));
}

void TestExportLines::exponent_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("field"); // "none": no number for the file
    QTest::newRow("0.1") << "0.1"
                         << "1";
    QTest::newRow("1") << "1"
                       << "2";
    QTest::newRow("10") << "10"
                        << "3";
    QTest::newRow("100") << "100"
                         << "4";
    QTest::newRow("0.01") << "0.01"
                          << "0";
    QTest::newRow("0.001") << "0.001"
                           << "-1";
    QTest::newRow("0.5 rounds up") << "0.5"
                                   << "2";
    QTest::newRow("blanks around") << " 1 "
                                   << "2";
    QTest::newRow("just below 0.01: no minus zero") << "0.009"
                                                    << "0";
    // In double precision: a float made 31.6227766 into 31.622776, whose
    // exponent 3.5 rounded to 4.
    QTest::newRow("3.16227766: 2.49999999998") << "3.16227766"
                                               << "2";
    QTest::newRow("3.1622777: 2.50000000547") << "3.1622777"
                                              << "3";
    QTest::newRow("31.6227766: 3.49999999998") << "31.6227766"
                                               << "3";
    QTest::newRow("0.00316227766: -0.50000000002") << "0.00316227766"
                                                   << "-1";
    QTest::newRow("0.0031622777: -0.49999999453, no minus zero") << "0.0031622777"
                                                                 << "0";
    QTest::newRow("zero") << "0"
                          << "none";
    QTest::newRow("negative") << "-1"
                              << "none";
    QTest::newRow("empty (never read)") << ""
                                        << "none";
    QTest::newRow("text") << "abc"
                          << "none";
    QTest::newRow("decimal comma") << "0,1"
                                   << "none";
    QTest::newRow("group separator") << "1,000"
                                     << "none";
    QTest::newRow("inf") << "inf"
                         << "none";
    QTest::newRow("nan") << "nan"
                         << "none";
    QTest::newRow("too small for a float") << "1e-50"
                                           << "-48";
    QTest::newRow("too large for a float") << "1e39"
                                           << "41";
    QTest::newRow("too large for a double") << "1e309"
                                            << "none";
}

void TestExportLines::exponent()
{
    QFETCH(QString, text);
    QFETCH(QString, field);
    QCOMPARE(exponentField(text).value_or(QStringLiteral("none")), field);
}

void TestExportLines::pulseFactor_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("field");
    QTest::newRow("1") << "100000000001"
                       << "1";
    QTest::newRow("25") << "250000000002"
                        << "25";
    QTest::newRow("sign 00: positive exponent") << "123456780003"
                                                << "123.45678";
    QTest::newRow("sign 01: negative exponent") << "100000000101"
                                                << "0.01";
    QTest::newRow("any other sign pair: negative") << "12345678xx03"
                                                   << "0.00012345678";
    QTest::newRow("large: exponent form") << "100000000099"
                                          << "1E+98";
    QTest::newRow("small: exponent form") << "100000000199"
                                          << "1E-100";
    QTest::newRow("fifteen digits kept") << "999999990015"
                                         << "999999990000000";
    QTest::newRow("zero") << "000000000000"
                          << "0";
    QTest::newRow("other length unchanged") << "1000000001"
                                            << "1000000001";
    QTest::newRow("empty unchanged") << ""
                                     << "";
    QTest::newRow("blank in the digits") << "1234567 0003"
                                         << "none";
    QTest::newRow("letter in the exponent") << "12345678000A"
                                            << "none";
}

void TestExportLines::pulseFactor()
{
    QFETCH(QString, text);
    QFETCH(QString, field);
    QCOMPARE(pulseFactorField(text).value_or(QStringLiteral("none")), field);
}

void TestExportLines::v2xArchiveLines_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("l12");
    QTest::addColumn<QString>("line");
    QTest::newRow("entry")
        << "12345678;31.01.24"
        << "07:00"
        << "&HFFA,&H024,&H001,&H031,&H007,&H000,&H012,&H034,&H056,&H078,&H098,&H0FF";
    QTest::newRow("month end 23:59")
        << "00000001;29.02.24"
        << "23:59"
        << "&HFFA,&H024,&H002,&H029,&H023,&H059,&H000,&H000,&H000,&H001,&H098,&H0FF";
    QTest::newRow("never read") << ""
                                << ""
                                << "&HFFA,&H0,&H0,&H0,&H0,&H0,&H0,&H0,&H0,&H0,&H098,&H0FF";
}

void TestExportLines::v2xArchiveLines()
{
    QFETCH(QString, entry);
    QFETCH(QString, l12);
    QFETCH(QString, line);
    QCOMPARE(v2xArchiveLine(entry, l12), line);
}

void TestExportLines::dumpConversion_data()
{
    QTest::addColumn<QString>("dump");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("empty") << QString() << QStringList();
    QTest::newRow("two characters") << "AB" << QStringList();
    QTest::newRow("end marker only") << "FF1" << QStringList{"&HFF1"};
    QTest::newRow("one record") << dumpOf(1) << linesOf(1);
    QTest::newRow("two records") << dumpOf(2) << linesOf(2);
    QTest::newRow("fifteen records") << dumpOf(15) << linesOf(15);
    QTest::newRow("one or two characters at the start are ignored")
        << "XY" + dumpOf(2) << linesOf(2);
    QTest::newRow("FF anywhere in a field starts a line")
        << "123" + QStringLiteral("0FF") + "456" + "FF1"
        << QStringList{"&HFF1,&H456", "&H0FF,&H123"};
    QTest::newRow("no FF field at all") << "123456" << QStringList{"&H456,&H123"};
}

void TestExportLines::dumpConversion()
{
    QFETCH(QString, dump);
    QFETCH(QStringList, lines);
    QCOMPARE(convertArchiveDump(dump), lines);
}

void TestExportLines::v2xFile()
{
    const ExportLines out = ListRQV2xData(v2xValues(), QStringLiteral("Schmidt"), fixedClock());
    QVERIFY(!out.error);
    QStringList expected{
        "09.12.26,05:23:14,123456,09.12.26   05:23:14",
        "84205,403111.1110,401876.5432,,,",
        ".3,2,98",
        "9876,12345678,1|m3|_z,Name,Schmidt",
        "0,0,0",
        ",0",
        "0,398765.43,0",
        "",
        "&HFF1",
    };
    for (const char *line : V2xArchiveLines)
        expected << QLatin1String(line);
    QCOMPARE(out.lines, expected);
}

void TestExportLines::v2xLines_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("reader");
    QTest::addColumn<int>("line"); // 1-based
    QTest::addColumn<QString>("text");
    QTest::newRow("READER empty") << "L18"
                                  << "000000123456"
                                  << "" << 4 << "9876,12345678,1|m3|_z,Name,";
    QTest::newRow("READER with comma and umlaut")
        << "L18"
        << "000000123456"
        << "Müller, K." << 4 << "9876,12345678,1|m3|_z,Name,Müller, K.";
    QTest::newRow("device number with blanks and zeros")
        << "L18"
        << " 0 012"
        << "" << 1 << "09.12.26,05:23:14,12,09.12.26   05:23:14";
    QTest::newRow("device number zero only") << "L18"
                                             << "0000"
                                             << "" << 1 << "09.12.26,05:23:14,,09.12.26   05:23:14";
    QTest::newRow("H6 cut at 13 characters") << "H6"
                                             << "00012345.678912"
                                             << "" << 2 << "84205,12345.6789,401876.5432,,,";
    QTest::newRow("H8 cut at 11 characters") << "H8"
                                             << "00012345.678912"
                                             << "" << 7 << "0,12345.67,0";
    QTest::newRow("software version without points")
        << "L34"
        << "2.1.3"
        << "" << 2 << "84213,403111.1110,401876.5432,,,";
    QTest::newRow("P4 0.1") << "P4"
                            << "0.1"
                            << "" << 3 << ".3,1,98";
    QTest::newRow("P4 100") << "P4"
                            << "100"
                            << "" << 3 << ".3,4,98";
    QTest::newRow("status register empty") << "L4"
                                           << ""
                                           << "" << 3 << ",2,98";
}

void TestExportLines::v2xLines()
{
    QFETCH(QString, address);
    QFETCH(QString, value);
    QFETCH(QString, reader);
    QFETCH(int, line);
    QFETCH(QString, text);
    TVCVal v = v2xValues();
    setValue(v, address, value);
    const ExportLines out = ListRQV2xData(v, reader, fixedClock());
    QVERIFY(!out.error);
    QCOMPARE(out.lines.size(), 24);
    QCOMPARE(out.lines.at(line - 1), text);
}

void TestExportLines::v1xFiles()
{
    TVCVal v = v2xValues();
    v.L[34] = QStringLiteral("1.22");
    v.L[4] = QStringLiteral("0");
    const QStringList head{
        "09.12.26,05:23:14,123456,09.12.26   05:23:14",
        "84122,403111.1110,401876.5432,,,",
        "0,1,98",
        "9876,12345678,1|m3|_z,Name,Schmidt",
        "0,0,0",
        ",0",
        "0,398765.43,0",
        "",
    };
    // Pass 0: the current values, eight lines; a data field there is not
    // the archive and is not converted.
    TDSData current = v1xRecord("00");
    current.Field[11] = dumpOf(2);
    ExportLines out = ListRQV1xData(v, current, 0, QStringLiteral("Schmidt"), fixedClock());
    QVERIFY(!out.error);
    QCOMPARE(out.lines, head);

    // Pass 1: the archive record, its fifteen records and the end marker
    // after the eight lines, the newest (the dump's first) included.
    TDSData archive = v1xRecord("01");
    archive.Field[11] = dumpOf(15);
    out = ListRQV1xData(v, archive, 1, QStringLiteral("Schmidt"), fixedClock());
    QVERIFY(!out.error);
    QCOMPARE(out.lines, head + linesOf(15));
    QCOMPARE(out.lines.size(), 24);

    // Empty counters read as zero; an empty dump adds nothing.
    archive.Field[7].clear();
    archive.Field[8] = QStringLiteral("0000");
    archive.Field[11].clear();
    out = ListRQV1xData(v, archive, 1, QStringLiteral("Schmidt"), fixedClock());
    QCOMPARE(out.lines.size(), 8);
    QCOMPARE(out.lines.at(1), QStringLiteral("84122,0,0,,,"));

    // A pulse factor with a negative exponent.
    archive.Field[6] = QStringLiteral("250000000101");
    out = ListRQV1xData(v, archive, 1, QString(), fixedClock());
    QCOMPARE(out.lines.at(3), QStringLiteral("9876,12345678,0.025|m3|_z,Name,"));
}

void TestExportLines::v1xRecordFieldsThatAreNoNumber()
{
    TVCVal v = v2xValues();
    TDSData current = v1xRecord("00");
    current.Field[4] = QStringLiteral("0");
    ExportLines out = ListRQV1xData(v, current, 0, QString(), fixedClock());
    QVERIFY(out.error);
    QVERIFY(out.lines.isEmpty());
    QCOMPARE(out.error->kind, ExportValueError::NotPositive);
    QCOMPARE(out.error->recordKind, QStringLiteral("00"));
    QCOMPARE(out.error->command, QLatin1Char('n'));
    QCOMPARE(out.error->text, QStringLiteral("0"));
    QVERIFY(out.error->address.isEmpty());

    TDSData archive = v1xRecord("01");
    archive.Field[6] = QStringLiteral("1234567 0003");
    out = ListRQV1xData(v, archive, 1, QString(), fixedClock());
    QVERIFY(out.error && out.lines.isEmpty());
    QCOMPARE(out.error->kind, ExportValueError::NotAFactor);
    QCOMPARE(out.error->recordKind, QStringLiteral("01"));
    QCOMPARE(out.error->command, QLatin1Char('T'));

    // The V2x value is named by its address.
    v.P[4] = QStringLiteral("-0.5");
    out = ListRQV2xData(v, QString(), fixedClock());
    QVERIFY(out.error && out.lines.isEmpty());
    QCOMPARE(out.error->address, QStringLiteral("P4"));
    QCOMPARE(out.error->text, QStringLiteral("-0.5"));
}

void TestExportLines::linesAreWrittenWhole()
{
    // A long reader's name and a long dump: no line is cut and no record
    // dropped.
    const QString reader(300, QLatin1Char('R'));
    TDSData archive = v1xRecord("01");
    QString dump;
    for (int i = 0; i < 200; ++i)
        dump += QLatin1String(DumpRecords[i % 15]);
    archive.Field[11] = dump + QStringLiteral("FF1");
    const ExportLines out = ListRQV1xData(v2xValues(), archive, 1, reader, fixedClock());
    QCOMPARE(out.lines.size(), 8 + 1 + 200);
    QVERIFY(out.lines.at(3).endsWith(QLatin1Char(',') + reader));
    QCOMPARE(out.lines.last(), QLatin1String(DumpLines[14]));

    // Date and time are asked for at each use: a clock that moves on
    // between the two stamps of line 1 shows it.
    int calls = 0;
    const ExportClock ticking = [&calls] { return Moment.addSecs(calls++); };
    const ExportLines moving = ListRQV2xData(v2xValues(), QString(), ticking);
    QCOMPARE(moving.lines.at(0), QStringLiteral("09.12.26,05:23:15,123456,09.12.26   05:23:17"));
}

void TestExportLines::refusals_data()
{
    QTest::addColumn<bool>("v1x");
    QTest::addColumn<QStringList>("failedReads");
    QTest::addColumn<bool>("archiveFromThisReadout");
    QTest::addColumn<int>("blocksRead"); // of 15 announced
    QTest::addColumn<int>("kind");       // -1: written
    QTest::addColumn<QStringList>("addresses");
    QTest::addColumn<int>("fileIndex");
    QTest::addColumn<int>("textId");
    const int none = -1;
    QTest::newRow("V2x, all read")
        << false << QStringList() << true << 15 << none << QStringList() << -1 << 0;
    // A refused H205 left an empty text: it would be a line of zeros.
    QTest::newRow("V2x, H205 failed")
        << false << QStringList{"H205"} << true << 15 << int(ExportValueError::ReadFailed)
        << QStringList{"H205"} << 0 << 1424;
    QTest::newRow("V2x, all named in the file's order, others ignored")
        << false << QStringList{"H201", "L99", "P4", "H215"} << true << 15
        << int(ExportValueError::ReadFailed) << QStringList{"P4", "H215", "H201"} << 0 << 1424;
    QTest::newRow("V1x, all read")
        << true << QStringList() << true << 15 << none << QStringList() << -1 << 0;
    QTest::newRow("V1x, an H address is not in its files")
        << true << QStringList{"H205"} << true << 15 << none << QStringList() << -1 << 0;
    QTest::newRow("V1x, L4 failed: the first file already")
        << true << QStringList{"L4"} << true << 15 << int(ExportValueError::ReadFailed)
        << QStringList{"L4"} << 0 << 1424;
    QTest::newRow("V1x, archive record of an older readout")
        << true << QStringList() << false << 15 << int(ExportValueError::RecordNotFromReadout)
        << QStringList() << 1 << 1425;
    QTest::newRow("V1x, archive record cut after three blocks")
        << true << QStringList() << true << 3 << int(ExportValueError::RecordIncomplete)
        << QStringList() << 1 << 1426;
}

void TestExportLines::refusals()
{
    QFETCH(bool, v1x);
    QFETCH(QStringList, failedReads);
    QFETCH(bool, archiveFromThisReadout);
    QFETCH(int, blocksRead);
    QFETCH(int, kind);
    QFETCH(QStringList, addresses);
    QFETCH(int, fileIndex);
    QFETCH(int, textId);
    TVCVal v = v2xValues();
    const TDSData current = v1xRecord("00");
    TDSData archive = v1xRecord("01");
    archive.Field[11] = dumpOf(15);
    ExportSource source;
    source.generation = v1x ? Generation::V1x : Generation::V2x;
    source.values = &v;
    source.failedReads = QSet<QString>(failedReads.begin(), failedReads.end());
    source.current = &current;
    source.currentState = DSRecordState::whole();
    source.archive = &archive;
    source.archiveState = {archiveFromThisReadout, 15, blocksRead};
    source.now = fixedClock();
    const ExportContents out = buildExportContents(source);
    if (kind == -1) {
        QVERIFY(!out.error);
        QCOMPARE(out.files.size(), v1x ? 2 : 1);
        QCOMPARE(out.files.last().count("\r\n"), 24);
        return;
    }
    // Not one file of the export: a V1x pair is whole or nothing.
    QVERIFY(out.files.isEmpty());
    QVERIFY(out.error);
    QCOMPARE(int(out.error->kind), kind);
    QCOMPARE(out.error->addresses, addresses);
    QCOMPARE(out.fileIndex, fileIndex);
    const ExportMessage m = exportRefusalMessage(*out.error, v1x ? 2 : 1);
    QCOMPARE(m.textId, uint16_t(textId));
    if (kind == ExportValueError::RecordIncomplete)
        QCOMPARE(m.args.mid(0, 3), (QStringList{"01", "3", "15"}));
    // The last argument says that nothing was saved, the pair as a pair.
    QCOMPARE(m.args.last(), langText(v1x ? 1423 : 1422));
}

void TestExportLines::fileBytes_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("lines and CR LF") << QStringList{"a", "", "b,"} << QByteArray("a\r\n\r\nb,\r\n");
    QTest::newRow("no lines") << QStringList() << QByteArray();
    // Windows-1252, the evaluation program's code page.
    QTest::newRow("Latin-1 letters") << QStringList{"Müller ß"} << QByteArray("M\xfcller \xdf\r\n");
    QTest::newRow("the code page's own")
        << QStringList{"€ ‚ƒ„…†‡ˆ‰Š‹ŒŽ ‘’“”•–—˜™š›œžŸ"}
        << QByteArray("\x80 \x82\x83\x84\x85\x86\x87\x88\x89\x8a\x8b\x8c\x8e "
                      "\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9a\x9b\x9c\x9e\x9f\r\n");
    QTest::newRow("not in the code page") << QStringList{"Łukasz"} << QByteArray("?ukasz\r\n");
    QTest::newRow("outside the basic plane: one ?")
        << QStringList{QString::fromUtf8("a\xf0\x9f\x98\x80z")} << QByteArray("a?z\r\n");
    // A line end, a NUL or another control character from a device text
    // never splits a line, nor does a control character that Latin-1 has
    // and the code page has not (NEL).
    QTest::newRow("control characters")
        << QStringList{QString::fromLatin1("1\r2\n3", 5), QString::fromLatin1("a\0b\x7f\tc", 6),
                       QStringLiteral("x\u0085y")}
        << QByteArray("1?2?3\r\na?b??c\r\nx?y\r\n");
}

void TestExportLines::fileBytes()
{
    QFETCH(QStringList, lines);
    QFETCH(QByteArray, bytes);
    QCOMPARE(exportFileBytes(lines), bytes);
}

QTEST_APPLESS_MAIN(TestExportLines)
#include "tst_exportlines.moc"
