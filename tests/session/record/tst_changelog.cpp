// The change log as the device's evidence: what each write leaves in the
// file (and never a key's digits), a write cut off between its two lines,
// two programs logging one device at once, reading the file back with its
// quoting, filters and order, and a link planted in the shared folder.
#include "changelog.h"
#include "changelogreader.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

Q_DECLARE_METATYPE(ChangeOperation)

namespace {

const DeviceIdentity device{" RQ-60", "2.05", "000000123456", "000012345678", "000000009876"};

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QList<QByteArray> lines(const QString &path)
{
    QList<QByteArray> l = fileBytes(path).split('\n');
    if (!l.isEmpty() && l.last().isEmpty())
        l.removeLast();
    return l;
}

// A clock the test moves on.
struct TestClock {
    QDateTime now = QDateTime(QDate(2024, 12, 3), QTime(9, 0, 0));
    std::function<QDateTime()> fn()
    {
        return [this] { return now; };
    }
};

} // namespace

class ChangeLogTest : public QObject
{
    Q_OBJECT

private slots:
    void eachWriteLeavesIntentThenOutcome_data();
    void eachWriteLeavesIntentThenOutcome();
    void writeCutOffBetweenItsLinesReadsBackAsInterrupted();
    void twoProgramsLoggingOneDeviceLoseNoLine();
    void readerFiltersNewestFirst_data();
    void readerFiltersNewestFirst();
    void oddValuesSurviveTheFileAndItsCopy();
    void linkPlantedInTheSharedFolderIsRefused_data();
    void linkPlantedInTheSharedFolderIsRefused();

private:
    QTemporaryDir m_dir;
};

void ChangeLogTest::eachWriteLeavesIntentThenOutcome_data()
{
    QTest::addColumn<ChangeOperation>("operation");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("old");
    QTest::addColumn<QString>("written");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("confirmed");
    QTest::addColumn<QString>("result");

    QTest::newRow("edit") << ChangeOperation::Edit << "P4"
                          << "0.1"
                          << "1" << 0 << "1"
                          << "confirmed";
    QTest::newRow("calibration") << ChangeOperation::Calibration << "P147"
                                 << "2725"
                                 << "2731" << 0 << "2731"
                                 << "confirmed";
    QTest::newRow("counter reset") << ChangeOperation::CounterReset << "P48"
                                   << ""
                                   << "1" << 0 << "1"
                                   << "confirmed";
    QTest::newRow("battery") << ChangeOperation::BatteryCapacity << "L35"
                             << "5.2;031"
                             << "9.5" << 0 << "9.5;057"
                             << "confirmed";
    QTest::newRow("refused") << ChangeOperation::Edit << "L156"
                             << "1.01325"
                             << "1.05000" << -104 << ""
                             << "refused";
    QTest::newRow("not confirmed") << ChangeOperation::Edit << "P1"
                                   << "1.0000"
                                   << "0.9500" << -13 << ""
                                   << "not confirmed";
    QTest::newRow("customer key") << ChangeOperation::Key << "P11"
                                  << "********"
                                  << "13572468" << 0 << "********"
                                  << "confirmed";
    QTest::newRow("supplier key opens the lock") << ChangeOperation::Key << "P0"
                                                 << "0"
                                                 << "24681357" << 0 << "1"
                                                 << "confirmed";
}

void ChangeLogTest::eachWriteLeavesIntentThenOutcome()
{
    QFETCH(ChangeOperation, operation);
    QFETCH(QString, address);
    QFETCH(QString, old);
    QFETCH(QString, written);
    QFETCH(int, status);
    QFETCH(QString, confirmed);
    QFETCH(QString, result);
    // A narrow umask must not keep the other technicians out of the log.
    const mode_t oldMask = ::umask(077);
    QTemporaryDir settings;
    const QString folder = settings.filePath("log");
    ChangeRecorder log(device, QStringLiteral("Jörg Weiß"), folder);
    const int exchange = log.intent(operation, address, old, written);
    ::umask(oldMask);
    QVERIFY(exchange > 0);

    // The intent is in the file before the request could leave.
    QList<QByteArray> l = lines(log.filePath());
    QCOMPARE(l.size(), 2);
    QVERIFY(l.at(0).startsWith("\xEF\xBB\xBFlocal_time;utc_time;reader;"));
    QVERIFY(log.outcome(exchange, status, confirmed));
    l = lines(log.filePath());
    QCOMPARE(l.size(), 3);

    const ChangeLogContent content = readChangeLog(log.filePath());
    QCOMPARE(content.unreadLines, 0);
    QCOMPARE(content.entries.size(), 1);
    const ChangeLogEntry &e = content.entries.first();
    QVERIFY(e.intent && e.outcome);
    QCOMPARE(e.intent->reader, QStringLiteral("Jörg Weiß"));
    QCOMPARE(e.intent->device.number, device.number);
    QCOMPARE(e.intent->operation, operation);
    QCOMPARE(e.outcome->status, status);
    QCOMPARE(changeResultWord(changeResultOf(e.outcome->status)), result);
    const bool key = operation == ChangeOperation::Key;
    const QString masked = QString::fromLatin1(MaskedKey);
    for (const ChangeRecord &r : {*e.intent, *e.outcome}) {
        QCOMPARE(r.address, address);
        QCOMPARE(r.oldValue, key ? masked : old);
        QCOMPARE(r.written, key ? masked : written);
    }
    QCOMPARE(e.outcome->confirmed, key ? masked : confirmed);
    if (key)
        QVERIFY2(!fileBytes(log.filePath()).contains(written.toLatin1()),
                 "a key's digits are in the log");

    struct stat st {
    };
    QCOMPARE(::stat(QFile::encodeName(log.filePath()).constData(), &st), 0);
    QCOMPARE(st.st_mode & 0777, mode_t(0664));
    QCOMPARE(::stat(QFile::encodeName(folder).constData(), &st), 0);
    QCOMPARE(st.st_mode & 0777, mode_t(0775));
}

void ChangeLogTest::writeCutOffBetweenItsLinesReadsBackAsInterrupted()
{
    QTemporaryDir settings;
    const QString folder = settings.filePath("log");
    TestClock clock;
    {
        // The program that wrote the intent dies before the answer.
        ChangeRecorder first(device, "A", folder);
        first.setClock(clock.fn());
        QVERIFY(first.intent(ChangeOperation::Edit, "P4", "0.1", "1") > 0);
    }
    clock.now = clock.now.addSecs(300);
    ChangeRecorder second(device, "A", folder);
    second.setClock(clock.fn());
    const int exchange = second.intent(ChangeOperation::Edit, "P4", "0.1", "1");
    QVERIFY(second.outcome(exchange, 0, "1"));

    const QList<ChangeLogEntry> entries =
        filterChangeLog(readChangeLog(second.filePath()).entries, {});
    QCOMPARE(entries.size(), 2);
    QVERIFY(!entries.at(0).interrupted()); // newest first
    QVERIFY(entries.at(1).interrupted());
    QCOMPARE(entries.at(1).intent->written, QStringLiteral("1"));
    QVERIFY(!entries.at(1).outcome);
}

void ChangeLogTest::twoProgramsLoggingOneDeviceLoseNoLine()
{
    QTemporaryDir settings;
    const QString folder = settings.filePath("log");
    constexpr int count = 150;
    QList<QProcess *> programs;
    for (const char *name : {"first", "second"}) {
        auto *p = new QProcess(this);
        p->start(QStringLiteral(PX_TEST_BIN_DIR "/changelograce"),
                 {folder, QString::fromLatin1(name), QString::number(count)});
        QVERIFY(p->waitForStarted());
        programs << p;
    }
    for (QProcess *p : programs) {
        QVERIFY(p->waitForReadyRead(10000));
        QCOMPARE(p->readLine().trimmed(), QByteArray("ready"));
    }
    for (QProcess *p : programs)
        p->write("go\n");
    for (QProcess *p : programs) {
        QVERIFY(p->waitForFinished(60000));
        QCOMPARE(p->exitCode(), 0);
        delete p;
    }

    const QString path = folder + "/123456.csv";
    QCOMPARE(lines(path).size(), 1 + 2 * 2 * count); // one header, two lines per write
    const ChangeLogContent content = readChangeLog(path);
    QCOMPARE(content.unreadLines, 0);
    QCOMPARE(content.entries.size(), 2 * count);
    QHash<QString, QList<int>> exchanges;
    for (const ChangeLogEntry &e : content.entries) {
        QVERIFY(e.intent && e.outcome);
        const QString expected =
            QStringLiteral("%1;\"%2\"").arg(e.intent->reader).arg(e.intent->exchange);
        QCOMPARE(e.outcome->confirmed, expected);
        exchanges[e.intent->reader] << e.intent->exchange;
    }
    for (const char *name : {"first", "second"}) {
        const QList<int> &seen = exchanges.value(QString::fromLatin1(name));
        QCOMPARE(seen.size(), count);
        for (int i = 0; i < count; ++i)
            QCOMPARE(seen.at(i), i + 1);
    }
}

void ChangeLogTest::readerFiltersNewestFirst_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<QList<int>>("exchanges");

    // Exchanges 1..6 on 1, 1, 2, 3, 3 and 5 December: P4, L156, P4, p4, L12, P4.
    QTest::newRow("all") << "" << QDate() << QDate() << QList<int>{6, 5, 4, 3, 2, 1};
    QTest::newRow("address, letter case aside")
        << "P4" << QDate() << QDate() << QList<int>{6, 4, 3, 1};
    QTest::newRow("dates, both bounds included")
        << "" << QDate(2024, 12, 2) << QDate(2024, 12, 3) << QList<int>{5, 4, 3};
    QTest::newRow("address and from") << "p4" << QDate(2024, 12, 3) << QDate() << QList<int>{6, 4};
    QTest::newRow("nothing") << "P2" << QDate() << QDate() << QList<int>{};
}

void ChangeLogTest::readerFiltersNewestFirst()
{
    QFETCH(QString, address);
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(QList<int>, exchanges);
    QTemporaryDir settings;
    TestClock clock;
    ChangeRecorder log(device, "A", settings.filePath("log"));
    log.setClock(clock.fn());
    const QList<std::pair<int, const char *>> writes{{1, "P4"}, {1, "L156"}, {2, "P4"},
                                                     {3, "p4"}, {3, "L12"},  {5, "P4"}};
    for (const auto &[day, addr] : writes) {
        clock.now = QDateTime(QDate(2024, 12, day), QTime(10, 0));
        const int n = log.intent(ChangeOperation::Edit, QString::fromLatin1(addr), "1", "2");
        QVERIFY(log.outcome(n, 0, "2"));
    }
    ChangeLogFilter filter;
    filter.address = address;
    filter.from = from;
    filter.to = to;
    QList<int> got;
    for (const ChangeLogEntry &e : filterChangeLog(readChangeLog(log.filePath()).entries, filter))
        got << e.intent->exchange;
    QCOMPARE(got, exchanges);
}

void ChangeLogTest::oddValuesSurviveTheFileAndItsCopy()
{
    QTemporaryDir settings;
    ChangeRecorder log(device, "Müller; \"Sohn\"", settings.filePath("log"));
    const QStringList values{"a;b",  "say \"hi\"", "=HYPERLINK(\"x\")", "+1",    "@cmd",
                             "-5.0", "-10;40",     "'quoted",           " lead", "CR\rLF\n",
                             ""};
    for (const QString &v : values)
        QVERIFY(log.outcome(log.intent(ChangeOperation::Edit, "P3", v, v), 0, v));

    // A spreadsheet must never take a value for a formula: each such cell
    // starts with the apostrophe.
    const QByteArray raw = fileBytes(log.filePath());
    QVERIFY(!raw.contains(";=HYPERLINK") && !raw.contains(";+1;") && !raw.contains(";@cmd"));
    QVERIFY(raw.contains(";-5.0;"));

    const QList<ChangeLogEntry> read = readChangeLog(log.filePath()).entries;
    QCOMPARE(read.size(), values.size());
    for (int i = 0; i < values.size(); ++i) {
        QString expected = values.at(i);
        expected.replace(QLatin1Char('\r'), QLatin1Char('?'))
            .replace(QLatin1Char('\n'), QLatin1Char('?'));
        QCOMPARE(read.at(i).intent->reader, QStringLiteral("Müller; \"Sohn\""));
        QCOMPARE(read.at(i).intent->written, expected);
        QCOMPARE(read.at(i).outcome->confirmed, expected);
    }

    // The shown lines saved as a file read back as the same entries.
    const QList<ChangeLogEntry> shown = filterChangeLog(read, {});
    const QString copy = settings.filePath("copy.csv");
    QString error;
    QVERIFY2(saveChangeLogEntries(copy, shown, &error), qPrintable(error));
    const QList<ChangeLogEntry> again = filterChangeLog(readChangeLog(copy).entries, {});
    QCOMPARE(again.size(), shown.size());
    for (int i = 0; i < shown.size(); ++i) {
        QCOMPARE(again.at(i).intent->written, shown.at(i).intent->written);
        QCOMPARE(again.at(i).outcome->status, shown.at(i).outcome->status);
        QCOMPARE(again.at(i).intent->time, shown.at(i).intent->time);
    }
}

void ChangeLogTest::linkPlantedInTheSharedFolderIsRefused_data()
{
    QTest::addColumn<bool>("folderIsLink");
    QTest::newRow("the device's file") << false;
    QTest::newRow("the log folder") << true;
}

void ChangeLogTest::linkPlantedInTheSharedFolderIsRefused()
{
    QFETCH(bool, folderIsLink);
    QTemporaryDir settings;
    const QString victim = settings.filePath("victim");
    QVERIFY(QDir().mkpath(victim));
    QFile mine(victim + "/123456.csv");
    QVERIFY(mine.open(QIODevice::WriteOnly));
    mine.write("someone else's\n");
    mine.close();
    const QString folder = settings.filePath("log");
    if (folderIsLink) {
        QVERIFY(QFile::link(victim, folder));
    } else {
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QFile::link(victim + "/123456.csv", folder + "/123456.csv"));
    }
    ChangeRecord r;
    r.device = device;
    r.address = "P4";
    r.written = "1";
    FileProblem problem;
    QVERIFY(!appendChangeRecord(folder, r, &problem));
    QCOMPARE(problem.kind, FileProblem::SymLink);
    QCOMPARE(fileBytes(victim + "/123456.csv"), QByteArray("someone else's\n"));
}

QTEST_GUILESS_MAIN(ChangeLogTest)
#include "tst_changelog.moc"
