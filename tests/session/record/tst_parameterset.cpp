// Parameter sets: a set saved and loaded back equals the device it came
// from; a transfer plan against another device writes exactly the
// transferable differences its locks allow, in the device's write order,
// and lists the locked ones; a damaged set, a set of the other generation
// and a value outside its field's limits are refused with nothing to write.
#include "parameterset.h"
#include "testsupport.h"
#include "transferplan.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(Generation)
Q_DECLARE_METATYPE(LockStates)
Q_DECLARE_METATYPE(SetProblem::Kind)

namespace {

// Device A as it answers: the settings pages and what a set leaves out.
DeviceTexts deviceA(Generation g)
{
    DeviceTexts v{{"L2", "12.3"},
                  {"L4", ".3"},
                  {"L7", "03.12.24"},
                  {"L8", "09:15:00"},
                  {"L12", "06:00"},
                  {"L18", "000000123456"},
                  {"L33", "RQ60 RQ-60"},
                  {"L35", "5.2;031"},
                  {"L123", "000000009876"},
                  {"L124", "000012345678"},
                  {"L156", "1.01325"},
                  {"L157", "273.15"},
                  {"P1", "1.0000"},
                  {"P2", "1.05000"},
                  {"P3", "15.0"},
                  {"P4", "1"},
                  {"P13", "1"},
                  {"P14", "20.0"},
                  {"P38", "0"},
                  {"P147", "2725"},
                  {"P148", "2040"},
                  {"H1", "00412345.67"}};
    if (g == Generation::V1x) {
        v.insert("L34", "1.22");
        v.insert("P0", "0");
        v.insert("P10", "0");
        v.insert("P16", "4");
        v.insert("P17", "1");
        v.insert("P37", "1");
    } else {
        v.insert("L34", "2.05");
        v.insert("L27", "-20;40");
        v.insert("P310", "1");
        v.insert("P311", "1");
    }
    return v;
}

DeviceIdentity identityOf(const DeviceTexts &v)
{
    return {v.value("L33"), v.value("L34"), v.value("L18"), v.value("L124"), v.value("L123")};
}

ParameterSet setOf(Generation g)
{
    const DeviceTexts a = deviceA(g);
    return parameterSetFromDevice(a, identityOf(a), "Jörg",
                                  QDateTime(QDate(2024, 12, 3), QTime(9, 0)));
}

DeviceTexts with(DeviceTexts v, const DeviceTexts &changes)
{
    for (auto it = changes.cbegin(); it != changes.cend(); ++it)
        v.insert(it.key(), it.value());
    return v;
}

QByteArray validJson(Generation g)
{
    return parameterSetJson(setOf(g));
}

// The set's JSON with one change: `path` "values/L156" sets a value,
// "version" a top-level entry; a null value removes.
QByteArray edited(Generation g, const QString &path, const QJsonValue &value)
{
    QJsonObject root = QJsonDocument::fromJson(validJson(g)).object();
    const QStringList parts = path.split('/');
    if (parts.size() == 2) {
        QJsonObject inner = root.value(parts.at(0)).toObject();
        inner.insert(parts.at(1), value);
        root.insert(parts.at(0), inner);
    } else {
        root.insert(path, value);
    }
    return QJsonDocument(root).toJson();
}

} // namespace

class ParameterSetTest : public QObject
{
    Q_OBJECT

private slots:
    void savedSetMatchesItsDevice_data();
    void savedSetMatchesItsDevice();
    void planAgainstAnotherDevice_data();
    void planAgainstAnotherDevice();
    void refusedSetWritesNothing_data();
    void refusedSetWritesNothing();
};

void ParameterSetTest::savedSetMatchesItsDevice_data()
{
    QTest::addColumn<Generation>("generation");
    QTest::newRow("V1x") << Generation::V1x;
    QTest::newRow("V2x") << Generation::V2x;
}

void ParameterSetTest::savedSetMatchesItsDevice()
{
    QFETCH(Generation, generation);
    const DeviceTexts a = deviceA(generation);
    QStringList omitted;
    const ParameterSet saved =
        parameterSetFromDevice(a, identityOf(a), "Jörg", QDateTime::currentDateTime(), &omitted);
    QVERIFY2(omitted.isEmpty(), qPrintable(omitted.join(',')));
    QTemporaryDir dir;
    const QString path = dir.filePath("a.json");
    QString error;
    QVERIFY2(saveParameterSet(path, saved, &error), qPrintable(error));

    const LoadedSet loaded = loadParameterSet(path, generation);
    QVERIFY2(!loaded.problem, qPrintable(loaded.problem.detail + loaded.problem.address));
    QCOMPARE(loaded.set.device.number, a.value("L18"));
    QCOMPARE(loaded.set.reader, QStringLiteral("Jörg"));
    QCOMPARE(loaded.set.values.keys().size(), parameterSetAddresses(generation).size());
    for (const QString &address : parameterSetAddresses(generation))
        QCOMPARE(loaded.set.values.value(address), a.value(address));
    // Counters, clock, battery and measured values are no settings.
    for (const char *never : {"H1", "L2", "L4", "L7", "L8", "L35", "P0", "P10"})
        QVERIFY(!loaded.set.values.contains(never));

    const LockStates open{true, true};
    for (const CompareRow &row : compareParameterSet(loaded.set, a, generation, open))
        QVERIFY2(!row.differs && row.state == TransferState::Equal, qPrintable(row.address));
    // The device's own texts in another form are the same values.
    const DeviceTexts sameOtherForm = with(a, {{"L12", "06"}, {"P1", "1.0"}, {"P2", "1.05"}});
    const TransferPlan none = transferPlan(loaded.set, sameOtherForm, generation, open);
    QVERIFY(none.writes.isEmpty() && none.skipped.isEmpty() && !none.refused());
}

void ParameterSetTest::planAgainstAnotherDevice_data()
{
    QTest::addColumn<Generation>("generation");
    QTest::addColumn<DeviceTexts>("deviceB");
    QTest::addColumn<LockStates>("locks");
    QTest::addColumn<QStringList>("writes");  // requests in the order sent
    QTest::addColumn<QStringList>("skipped"); // address:lock

    // Device B: its own numbers and calibration, and other settings.
    const DeviceTexts ownV1 = {{"L18", "000000654321"},  {"L123", "000000000042"},
                               {"L124", "000087654321"}, {"P147", "2000"},
                               {"P148", "2100"},         {"H1", "00000001.00"}};
    const DeviceTexts otherV1 = {{"P4", "0.1"}, {"L156", "1.00000"}, {"P14", "30.1"},
                                 {"P38", "2"},  {"P37", "2"},        {"L12", "07:00"},
                                 {"P16", "3"},  {"P17", "10"}};
    QTest::newRow("V1x, calibration lock open, user lock closed")
        << Generation::V1x << with(with(deviceA(Generation::V1x), ownV1), otherV1)
        << LockStates{true, false}
        << QStringList{"P4=1", "P38=0", "P37=1", "P14=20.0", "L156=1.01325"}
        << QStringList{"L12:user", "P17:user", "P16:user"};
    QTest::newRow("V1x, both locks open")
        << Generation::V1x << with(deviceA(Generation::V1x), otherV1) << LockStates{true, true}
        << QStringList{"L12=6", "P17=1", "P16=4",    "P4=1",
                       "P38=0", "P37=1", "P14=20.0", "L156=1.01325"}
        << QStringList{};

    const DeviceTexts otherV2 = {{"L27", "-10;30"}, {"P4", "10"},     {"L12", "23:00"},
                                 {"P310", "9"},     {"P311", "0.01"}, {"P13", "0"}};
    QTest::newRow("V2x, calibration lock closed: the customer's values only")
        << Generation::V2x << with(deviceA(Generation::V2x), otherV2) << LockStates{false, false}
        << QStringList{"L12=6", "P311=1", "P310=1"}
        << QStringList{"P13:calibration", "L27:calibration", "P4:calibration"};
    QTest::newRow("V2x, a value the device could not read is written")
        << Generation::V2x << with(deviceA(Generation::V2x), {{"P3", ""}})
        << LockStates{true, false} << QStringList{"P3=15.0"} << QStringList{};
}

void ParameterSetTest::planAgainstAnotherDevice()
{
    QFETCH(Generation, generation);
    QFETCH(DeviceTexts, deviceB);
    QFETCH(LockStates, locks);
    QFETCH(QStringList, writes);
    QFETCH(QStringList, skipped);
    const ParameterSet set = setOf(generation);
    const TransferPlan plan = transferPlan(set, deviceB, generation, locks);
    QVERIFY(!plan.refused());
    QStringList sent, held;
    for (const PlannedWrite &w : plan.writes) {
        sent << w.request();
        QCOMPARE(w.oldValue, deviceB.value(w.address)); // the log's old value
        QVERIFY2(isTransferable(w.address), qPrintable(w.address));
    }
    for (const SkippedWrite &s : plan.skipped)
        held << s.address + (s.lock == LockClass::User ? ":user" : ":calibration");
    QCOMPARE(sent, writes);
    QCOMPARE(held, skipped);
    for (const QString &request : sent)
        for (const char *never : {"H", "L7=", "L8=", "L18=", "L123=", "L124=", "L35=", "P0=", "P9=",
                                  "P10=", "P11=", "P147=", "P148="})
            QVERIFY2(!request.startsWith(QLatin1String(never)), qPrintable(request));

    // The comparison marks the same rows the plan acts on.
    for (const CompareRow &row : compareParameterSet(set, deviceB, generation, locks)) {
        const bool planned =
            std::any_of(plan.writes.cbegin(), plan.writes.cend(),
                        [&](const PlannedWrite &w) { return w.address == row.address; });
        QCOMPARE(row.state == TransferState::Write, planned);
    }
}

void ParameterSetTest::refusedSetWritesNothing_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<SetProblem::Kind>("kind");
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("textId");

    const Generation v2 = Generation::V2x;
    QTest::newRow("no JSON") << QByteArray("{ \"format\": ") << SetProblem::Damaged << "" << 8572;
    QTest::newRow("another program's JSON")
        << QByteArray("{\"format\": \"x\", \"version\": 1}") << SetProblem::Damaged << "" << 8572;
    QTest::newRow("newer format") << edited(v2, "version", 2) << SetProblem::NewerVersion << ""
                                  << 8573;
    QTest::newRow("other generation")
        << validJson(Generation::V1x) << SetProblem::OtherGeneration << "" << 8574;
    QTest::newRow("generation against its version")
        << edited(v2, "device/generation", "V1x") << SetProblem::Damaged << "" << 8572;
    QTest::newRow("a value that is no text")
        << edited(v2, "values/P4", 1) << SetProblem::Damaged << "" << 8572;
    QTest::newRow("a counter") << edited(v2, "values/H1", "00000001.00")
                               << SetProblem::UnknownAddress << "H1" << 8575;
    QTest::newRow("a V1x address")
        << edited(v2, "values/P16", "4") << SetProblem::UnknownAddress << "P16" << 8575;
    QTest::newRow("L156 above its limit")
        << edited(v2, "values/L156", "1.2") << SetProblem::OutOfLimits << "L156" << 8576;
    QTest::newRow("P4 no item of its list")
        << edited(v2, "values/P4", "0.5") << SetProblem::OutOfLimits << "P4" << 8576;
    QTest::newRow("P14 beyond 255 seconds")
        << edited(v2, "values/P14", "300.1") << SetProblem::OutOfLimits << "P14" << 8576;
    QTest::newRow("L27 beyond the range fields")
        << edited(v2, "values/L27", "-40;40") << SetProblem::OutOfLimits << "L27" << 8576;
    QTest::newRow("P310 unlisted code")
        << edited(v2, "values/P310", "5") << SetProblem::OutOfLimits << "P310" << 8576;
    QTest::newRow("P147 beyond 4095")
        << edited(v2, "values/P147", "4096") << SetProblem::OutOfLimits << "P147" << 8576;
    QTest::newRow("L18 no number")
        << edited(v2, "values/L18", "12A") << SetProblem::OutOfLimits << "L18" << 8576;
}

void ParameterSetTest::refusedSetWritesNothing()
{
    QFETCH(QByteArray, json);
    QFETCH(SetProblem::Kind, kind);
    QFETCH(QString, address);
    QFETCH(int, textId);
    const LoadedSet loaded = parseParameterSet(json, Generation::V2x);
    QCOMPARE(loaded.problem.kind, kind);
    QCOMPARE(loaded.problem.address, address);
    QVERIFY(loaded.set.values.isEmpty());

    MessageRecorder boxes;
    showSetProblem("/home/t/a.json", loaded.problem);
    QCOMPARE(boxes.textIds(), QList<int>{textId});
    QCOMPARE(boxes.shown.first().args.value(0), QStringLiteral("a.json"));
    if (!address.isEmpty())
        QVERIFY(boxes.shown.first().args.contains(address));

    if (kind == SetProblem::OutOfLimits) {
        // A set that reached the plan some other way still writes nothing.
        ParameterSet set = setOf(Generation::V2x);
        set.values.insert(address, QJsonDocument::fromJson(json)
                                       .object()
                                       .value("values")
                                       .toObject()
                                       .value(address)
                                       .toString());
        const TransferPlan plan =
            transferPlan(set, DeviceTexts(), Generation::V2x, LockStates{true, true});
        QVERIFY(plan.refused());
        QVERIFY(plan.writes.isEmpty());
        QCOMPARE(plan.problem.address, address);
    }
}

QTEST_GUILESS_MAIN(ParameterSetTest)
#include "tst_parameterset.moc"
