#include "addresstable.h"
#include "displayrules.h"

#include <QtTest>

// The operations written compactly, so a table row can say what the window
// is told to do: "text L18=12345", "select P4=1", "spin P14=20", ...
static QString describe(const DisplayOp &op)
{
    switch (op.kind) {
    case DisplayOpKind::SetText: return QStringLiteral("text %1=%2").arg(op.field, op.text);
    case DisplayOpKind::SelectIndex:
        return QStringLiteral("select %1=%2").arg(op.field).arg(op.value);
    case DisplayOpKind::SetSpinValue:
        return QStringLiteral("spin %1=%2").arg(op.field).arg(op.value);
    case DisplayOpKind::SetChecked:
        return QStringLiteral("check %1=%2").arg(op.field).arg(op.value);
    case DisplayOpKind::SetStateText:
        return QStringLiteral("state %1=%2").arg(op.field).arg(op.value);
    case DisplayOpKind::ShowWarningGroup: return QStringLiteral("group=%1").arg(op.value);
    case DisplayOpKind::WarningGroupFollowsP37: return QStringLiteral("group follows P37");
    case DisplayOpKind::ShowMessage:
        return QStringLiteral("message %1 %2 caption %3")
            .arg(op.message.textId)
            .arg(op.message.textArgs.value(0).text)
            .arg(op.message.captionId);
    case DisplayOpKind::ShowArchive: return QStringLiteral("archive");
    }
    return QString();
}

// "K=V|K=V": the value store for one row.
static MapLookup lookupOf(const QString &pairs)
{
    MapLookup m;
    for (const QString &pair : pairs.split(QLatin1Char('|'), Qt::SkipEmptyParts)) {
        const int eq = pair.indexOf(QLatin1Char('='));
        m.set(pair.left(eq), pair.mid(eq + 1));
    }
    return m;
}

class TestDisplayRules : public QObject
{
    Q_OBJECT
private slots:
    void display_data();
    void display();
    void conversionErrorSkipsOnlyItsRow();
    void statusBits_data();
    void statusBits();
    void tables();
};

void TestDisplayRules::display_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("values");
    QTest::addColumn<bool>("v2x");
    QTest::addColumn<QString>("side");
    QTest::addColumn<QStringList>("expected");

    const QString low = "LOWER";
    // Key matching: whole keys only, one "," appended, blanks after commas.
    QTest::newRow("P14 alone is not P1 or P4")
        << "P14"
        << "P14=20.1|P1=1.0000|P4=1" << true << low << QStringList{"spin P14=20", "check P14_1=1"};
    QTest::newRow("P1 and P14") << "P1,P14"
                                << "P14=20.0|P1=1.0000" << true << low
                                << QStringList{"text P1=1.0000", "spin P14=20", "check P14_1=0"};
    QTest::newRow("L2 twice shown once") << "L2,L2"
                                         << "L2=12.3" << true << low << QStringList{"text L2=12.3"};
    QTest::newRow("blanks after commas")
        << "L18, L7, L8"
        << "L18=000000012345|L7=08.12.26|L8=12:30:00" << true << low
        << QStringList{"text L7=08.12.26", "text L8=12:30:00", "text L18=12345_______",
                       "text Edit3=12345"};
    QTest::newRow("unknown keys ignored") << "X9,L99"
                                          << "" << true << low << QStringList{};

    // Counters: masked edits get their field text, blanks in front.
    QTest::newRow("H1 unchanged, leading blanks")
        << "H1"
        << "H1=123.45" << true << low << QStringList{"text H1=_____123.45"};
    QTest::newRow("H6 first 13 characters")
        << "H6"
        << "H6=12345678.123456" << true << low << QStringList{"text H6=12345678.1234"};
    QTest::newRow("H201 rebuilds the archive")
        << "L2,H201,H202"
        << "L2=1" << true << low << QStringList{"archive", "text L2=1"};

    QTest::newRow("L4 .3.30 open")
        << "L4"
        << "L4=.3.30" << true << low
        << QStringList{"text StatusRegister=.3.30", "select Eichschloss=1"};
    QTest::newRow("L4 30 closed") << "L4"
                                  << "L4=30" << true << low
                                  << QStringList{"text StatusRegister=30", "select Eichschloss=0"};
    QTest::newRow("L12 07") << "L12"
                            << "L12=07" << true << low << QStringList{"select L12=7"};
    QTest::newRow("L12 23") << "L12"
                            << "L12=23" << true << low << QStringList{"select L12=23"};
    QTest::newRow("L12 24 is the empty item")
        << "L12"
        << "L12=24x" << true << low << QStringList{"select L12=24"};
    QTest::newRow("L12 beyond the list") << "L12"
                                         << "L12=99" << true << low << QStringList{"select L12=-1"};
    QTest::newRow("L18 leading zeros") << "L18"
                                       << "L18=000000012345" << true << low
                                       << QStringList{"text L18=12345_______", "text Edit3=12345"};
    QTest::newRow("L123 beyond 32 bits")
        << "L123"
        << "L123=999999999999" << true << low
        << QStringList{"text L123=999999999999", "text Edit5=999999999999"};
    QTest::newRow("L124") << "L124"
                          << "L124=000000000007" << true << low
                          << QStringList{"text L124=7___________", "text Edit4=7"};
    QTest::newRow("L27 -10;40") << "L27"
                                << "L27=-10;40" << true << low
                                << QStringList{"spin L27Low=-10", "spin L27High=40"};
    QTest::newRow("L27 clamped") << "L27"
                                 << "L27=-40;60" << true << low
                                 << QStringList{"spin L27Low=-30", "spin L27High=50"};
    QTest::newRow("L27 halves rounded")
        << "L27"
        << "L27=-10.6;39.5" << true << low << QStringList{"spin L27Low=-11", "spin L27High=40"};
    QTest::newRow("L27 no number leaves the field") << "L27"
                                                    << "L27=abc" << true << low << QStringList{};
    QTest::newRow("L33 from the blank")
        << "L33"
        << "L33=X12 TYP" << true << low << QStringList{"text Edit1= TYP"};
    QTest::newRow("L33 without blank") << "L33"
                                       << "L33=X12" << true << low << QStringList{"text Edit1="};
    QTest::newRow("L35 characters 5 to 7")
        << "L35"
        << "L35=12340367" << true << low << QStringList{"text L35=36"};
    QTest::newRow("P0 0, P10 1 open")
        << "P0,P10"
        << "P0=0|P10=1" << false << low << QStringList{"state Benutzerschloss=1008"};
    QTest::newRow("P0 0, P10 0 closed")
        << "P10"
        << "P0=0|P10=0" << false << low << QStringList{"state Benutzerschloss=1007"};
    QTest::newRow("P4 exact item") << "P4"
                                   << "P4=0.1" << true << low << QStringList{"select P4=1"};
    QTest::newRow("P4 0.010 no match") << "P4"
                                       << "P4=0.010" << true << low << QStringList{};
    QTest::newRow("P13 Messung") << "P13"
                                 << "P13=1" << true << low << QStringList{"select P13=1"};
    QTest::newRow("P14 20.5 leaves the box")
        << "P14"
        << "P14=20.5" << true << low << QStringList{"spin P14=20"};
    QTest::newRow("P14 clamped, no flag")
        << "P14"
        << "P14=300" << true << low << QStringList{"spin P14=255"};
    QTest::newRow("P16 3 V1x") << "P16"
                               << "P16=3" << false << low
                               << QStringList{"select P310=3", "select P310=4"};
    QTest::newRow("P16 2 unlisted")
        << "P16"
        << "P16=2" << false << low << QStringList{"select P310=2", "message 515 2 caption 500"};
    QTest::newRow("P16 9 beyond the list")
        << "P16"
        << "P16=9" << false << low << QStringList{"select P310=-1", "message 515 9 caption 500"};
    QTest::newRow("P310 4 V2x") << "P310"
                                << "P310=4" << true << low
                                << QStringList{"select P310=4", "select P310=3"};
    QTest::newRow("P310 3 unlisted V2x")
        << "P310,P311"
        << "P310=3|P311=100" << true << low
        << QStringList{"select P310=3", "message 515 3 caption 500", "select P311=4"};
    QTest::newRow("P17 into P311") << "P17"
                                   << "P17=10" << false << low << QStringList{"select P311=3"};
    QTest::newRow("P28 lower") << "P28"
                               << "P28=19.5|P170=19.5|P171=40.1" << false << low
                               << QStringList{"text L2=19.5", "text P170=19.5"};
    QTest::newRow("P28 upper") << "P28"
                               << "P28=40.1|P170=19.5|P171=40.1" << false << "UPPER"
                               << QStringList{"text L2=40.1", "text P171=40.1"};
    QTest::newRow("P170 into both")
        << "P170"
        << "P170=-19.9" << true << low << QStringList{"text P170=-19.9", "text L2=-19.9"};
    QTest::newRow("P37 2 V1x") << "P37"
                               << "P37=2" << false << low
                               << QStringList{"select P37=1", "group follows P37"};
    QTest::newRow("P37 and P38 V1x")
        << "P37,P38"
        << "P37=1|P38=3" << false << low
        << QStringList{"select P37=0", "group follows P37", "spin P38=3"};
    QTest::newRow("P38 0 V2x") << "P38"
                               << "P38=0" << true << low
                               << QStringList{"spin P38=0", "select P37=0"};
    QTest::newRow("P38 3 V2x") << "P38"
                               << "P38=3" << true << low
                               << QStringList{"spin P38=3", "select P37=1", "group=1"};
    QTest::newRow("P147 old") << "L2,P147,P148"
                              << "L2=1|P147=123|P148=2048" << true << low
                              << QStringList{"text L2=1", "text P147old=123", "text P148old=2048"};
    QTest::newRow("references without comma")
        << "TempLowRefTempHighRef"
        << "TempLowRef=-20.0|TempHighRef=40.0" << true << low
        << QStringList{"text TempLowRef=-20.0", "text TempHighRef=_40.0"};
    QTest::newRow("reference with leading blank")
        << "TempLowRef"
        << "TempLowRef=5.0" << true << low << QStringList{"text TempLowRef=__5.0"};
}

void TestDisplayRules::display()
{
    QFETCH(QString, keys);
    QFETCH(QString, values);
    QFETCH(bool, v2x);
    QFETCH(QString, side);
    QFETCH(QStringList, expected);
    const MapLookup lookup = lookupOf(values);
    const DisplayResult r =
        displayOperations(keys, lookup, v2x ? Generation::V2x : Generation::V1x,
                          side == QLatin1String("LOWER") ? TempPoint::Lower : TempPoint::Upper);
    QStringList got;
    for (const DisplayOp &op : r.ops)
        got << describe(op);
    QCOMPARE(got, expected);
    QVERIFY(r.unshown.isEmpty());
}

// A text that is no integer is left out, and only its row: the rows before
// and after it are shown, and the value is named for the caller to report.
// An empty text after a failed read counts.
void TestDisplayRules::conversionErrorSkipsOnlyItsRow()
{
    const MapLookup lookup{{"L2", "12.3"}, {"L12", ""},     {"L18", "000000000001"},
                           {"L4", ".30"},  {"L34", "2.05"}, {"L35", "1234xx67"},
                           {"L124", "42"}};
    const DisplayResult r =
        displayOperations("L2,L4,L12,L18,L34,L35,L124", lookup, Generation::V2x, TempPoint::Lower);
    QStringList got;
    for (const DisplayOp &op : r.ops)
        got << describe(op);
    QCOMPARE(got, (QStringList{"text L2=12.3", "text StatusRegister=.30", "select Eichschloss=1",
                               "text L18=1___________", "text Edit3=1", "text Edit2=2.05",
                               "text L124=42__________", "text Edit4=42"}));
    QCOMPARE(r.unshown, (QList<UnshownValue>{{"L12", ""}, {"L35", "1234xx67"}}));

    const MapLookup bad{{"P14", "2x.1"}, {"P4", "1"}};
    const DisplayResult r2 = displayOperations("P4,P14", bad, Generation::V2x, TempPoint::Lower);
    QCOMPARE(r2.ops.size(), 1);
    QCOMPARE(r2.unshown, (QList<UnshownValue>{{"P14", "2x.1"}}));
}

void TestDisplayRules::statusBits_data()
{
    QTest::addColumn<QString>("l4");
    QTest::addColumn<QList<uint16_t>>("ids");
    QTest::addColumn<bool>("open");
    QTest::newRow(".3.30") << ".3.30" << QList<uint16_t>{203, 230} << true;
    QTest::newRow(".1.10 not 200") << ".1.10" << QList<uint16_t>{201, 210} << false;
    QTest::newRow("30 without point") << "30" << QList<uint16_t>{} << false;
    QTest::newRow(".0.32") << ".0.32" << QList<uint16_t>{200, 232} << false;
}

void TestDisplayRules::statusBits()
{
    QFETCH(QString, l4);
    QFETCH(QList<uint16_t>, ids);
    QFETCH(bool, open);
    QCOMPARE(statusBitStringIds(l4), ids);
    QCOMPARE(calibrationLockOpen(l4), open);
}

// The data the window builds its fields from: every field a row fills
// exists, every classed component has its Tag bit, page lists as designed.
void TestDisplayRules::tables()
{
    for (const AddressRow &row : addressTable())
        for (const QString &f : row.fields)
            QVERIFY2(fieldInfo(f), qPrintable(f));
    for (const FieldInfo &f : fieldTable())
        if (f.kind != FieldKind::ReadOnly && f.kind != FieldKind::Grid &&
            f.kind != FieldKind::StateBox)
            QVERIFY2(lockClassOf(f.name) == f.lock, qPrintable(f.name));
    QCOMPARE(lockTagBit(lockClassOf("btCalcOffsetAndGradient")), TagCalibrationLock);
    QCOMPARE(lockTagBit(lockClassOf("P311")), TagUserLock);
    QCOMPARE(lockTagBit(lockClassOf("L2")), 0u);
    QCOMPARE(fieldInfo("L12")->items.size(), 25);
    QCOMPARE(pageAddressList(1, Generation::V2x),
             QString("L2,P4,P1,P38,L157,P3,P13,L27,P14,L156,P2"));
    QVERIFY(pageAddressList(0, Generation::V1x).endsWith("P0,P10"));
    QVERIFY(pageAddressList(3, Generation::V1x).isEmpty());
    QCOMPARE(generationFromVersion("1.22"), Generation::V1x);
    QCOMPARE(generationFromVersion("2.00"), Generation::V2x);
    QCOMPARE(generationFromVersion(""), Generation::V1x);
}

QTEST_GUILESS_MAIN(TestDisplayRules)
#include "tst_displayrules.moc"
