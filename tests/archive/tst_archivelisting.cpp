// The archive entries of both device generations and the rows of the
// archive page they go to.
#include "archiveentry.h"
#include "devicevalues.h"

#include <QtTest>

namespace {

// Records of a V1x dump as the device lays them out: status "000", channel
// "098", the value's digit pairs least significant first, minute, hour,
// day, month, year (each "0" and two digits), then the marker.
const QString Dec24 = QStringLiteral("000098098083072002000006001012024FFA"); // 02728398
const QString Nov24 = QStringLiteral("000098041049060002000006001011024FFA"); // 02604941
const QString Oct24 = QStringLiteral("000098084014048002000006001010024FFA"); // 02481484
const QString Zero = QStringLiteral("000098000000000000000006001010023FFA");  // 00000000
const QString End = QStringLiteral("FF1");

QString times(const QString &record, int n)
{
    QString s;
    for (int i = 0; i < n; ++i)
        s += record;
    return s;
}

} // namespace

using Entries = QList<ArchiveEntry>;
Q_DECLARE_METATYPE(ArchiveEntry)

class TestArchiveListing : public QObject
{
    Q_OBJECT
private slots:
    void v2xEntry_data();
    void v2xEntry();
    void v1xDump_data();
    void v1xDump();
    void rowsOfTheTwoGrids_data();
    void rowsOfTheTwoGrids();
    void listingTakesTheSourceOfTheGeneration();
};

void TestArchiveListing::v2xEntry_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("value");
    QTest::newRow("value and date") << "12345678;31.01.24"
                                    << "31.01.24"
                                    << "12345678";
    // The V2x value is shown as the device gives it, zeros included.
    QTest::newRow("young device") << "00000000;00.00.00"
                                  << "00.00.00"
                                  << "00000000";
    QTest::newRow("no semicolon") << "31.01.24 trailing"
                                  << "31.01.24"
                                  << "";
    QTest::newRow("empty (never read)") << ""
                                        << ""
                                        << "";
    QTest::newRow("only the date") << ";01.02.03"
                                   << "01.02.03"
                                   << "";
    QTest::newRow("short date") << "123;4"
                                << "4"
                                << "123";
    QTest::newRow("two semicolons") << "1;2;3"
                                    << "2;3"
                                    << "1";
    QTest::newRow("longer date cut at 8") << "5;01.02.2003"
                                          << "01.02.20"
                                          << "5";
}

void TestArchiveListing::v2xEntry()
{
    QFETCH(QString, text);
    QFETCH(QString, date);
    QFETCH(QString, value);
    const ArchiveEntry e = parseV2xEntry(text);
    QCOMPARE(e.date, date);
    QCOMPARE(e.value, value);
}

void TestArchiveListing::v1xDump_data()
{
    QTest::addColumn<QString>("dump");
    QTest::addColumn<Entries>("entries");
    const ArchiveEntry dec{"01.12.24", "2728398"}, nov{"01.11.24", "2604941"},
        oct{"01.10.24", "2481484"};
    QTest::newRow("one record") << Dec24 + End << Entries{dec};
    QTest::newRow("three records") << Dec24 + Nov24 + Oct24 + End << Entries{dec, nov, oct};
    QTest::newRow("all-zero value: empty cell") << Zero + End << Entries{{"01.10.23", ""}};
    // Without the end marker no record after the first counts as whole.
    QTest::newRow("no FF1") << Dec24 + Nov24 + Oct24 << Entries{dec};
    QTest::newRow("FF1 before a whole record") << Dec24 + End + Nov24 << Entries{dec};
    QTest::newRow("last record cut short") << Dec24 + Nov24.left(20) + End << Entries{dec};
    QTest::newRow("record of 35 characters before FF1")
        << Dec24 + Nov24.mid(1) + End << Entries{dec};
    QTest::newRow("two extra characters at the start") << "XY" + Dec24 + End << Entries{dec};
    QTest::newRow("no FFA at all") << times(QStringLiteral("000098"), 10) + End << Entries{};
    QTest::newRow("empty dump") << QString() << Entries{};
    // Characters the entry would need from before the dump are missing.
    QTest::newRow("first record cut at the front") << "001024FFA" + End << Entries{{".01.24", ""}};
    QTest::newRow("sixteen records: fifteen rows")
        << times(Dec24, 16) + End << Entries(ArchiveEntryCount, dec);
    QTest::newRow("fifteen records") << times(Nov24, 15) + End << Entries(ArchiveEntryCount, nov);
}

void TestArchiveListing::v1xDump()
{
    QFETCH(QString, dump);
    QFETCH(Entries, entries);
    QCOMPARE(parseV1xDump(dump), entries);
}

void TestArchiveListing::rowsOfTheTwoGrids_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("grid");
    QTest::addColumn<int>("row");
    QTest::newRow("entry 1") << 0 << 1 << 1;
    QTest::newRow("entry 5 (H205)") << 4 << 1 << 5;
    QTest::newRow("entry 7") << 6 << 1 << 7;
    QTest::newRow("entry 8 (H208)") << 7 << 2 << 0;
    QTest::newRow("entry 15") << 14 << 2 << 7;
}

void TestArchiveListing::rowsOfTheTwoGrids()
{
    QFETCH(int, index);
    QFETCH(int, grid);
    QFETCH(int, row);
    const ArchiveCell c = archiveCell(index, {"d", "v"});
    QCOMPARE(c.grid, grid);
    QCOMPARE(c.row, row);
}

void TestArchiveListing::listingTakesTheSourceOfTheGeneration()
{
    TVCVal values;
    values.H[205] = QStringLiteral("12345678;31.05.24");
    values.H[208] = QStringLiteral("87654321;29.02.24");
    const QString dump = Dec24 + Nov24 + Oct24 + End;

    // V2x: every row from the store, the rows never read as empty texts;
    // the dump plays no part.
    const QList<ArchiveCell> v2 = archiveListing(Generation::V2x, values, dump);
    QCOMPARE(v2.size(), ArchiveEntryCount);
    QVERIFY(v2.contains(ArchiveCell{1, 5, {"31.05.24", "12345678"}}));
    QVERIFY(v2.contains(ArchiveCell{2, 0, {"29.02.24", "87654321"}}));
    QVERIFY(v2.contains(ArchiveCell{1, 1, {"", ""}}));

    // V1x: the dump's three records in rows 1..3 of the first grid, nothing
    // for the other rows (they keep what they show).
    const QList<ArchiveCell> v1 = archiveListing(Generation::V1x, values, dump);
    QCOMPARE(v1, (QList<ArchiveCell>{{1, 1, {"01.12.24", "2728398"}},
                                     {1, 2, {"01.11.24", "2604941"}},
                                     {1, 3, {"01.10.24", "2481484"}}}));
}

QTEST_APPLESS_MAIN(TestArchiveListing)
#include "tst_archivelisting.moc"
