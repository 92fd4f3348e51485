// The service record's windows, offscreen: the change log dialog shows a
// device's log newest first, filters it and saves what it shows; the
// parameter set comparison marks the differences and asks, listing every
// write and every locked address, before it hands a plan over; the service
// report as a PDF names the device, the reader and each change on one or
// two pages.
#include "addresscaptions.h"
#include "changelogdialog.h"
#include "langsupp.h"
#include "parametersetdialog.h"
#include "recordsamples.h"
#include "servicereport.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

class ServiceRecordTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void changeLogDialogFiltersAndSavesWhatItShows();
    void comparisonAsksBeforeItTransfers();
    void reportAsPdf_data();
    void reportAsPdf();

private:
    QList<ChangeLogEntry> visitChanges(int extraEdits);

    std::unique_ptr<SettingsSandbox> m_settings;
    std::unique_ptr<MessageRecorder> m_boxes;
};

void ServiceRecordTest::initTestCase()
{
    useBuiltProgramDirectory();
    m_settings = std::make_unique<SettingsSandbox>();
    m_settings->write(QStringLiteral("PXRQ60.INI"), "[COMMON]\r\nLANGUAGE=DE\r\n");
    LoadLanguageLibrary(QStringLiteral("DE"));
    QVERIFY(LanguageLibraryLoaded());
}

void ServiceRecordTest::cleanupTestCase()
{
    FreeLanguageLibrary();
}

void ServiceRecordTest::init()
{
    m_boxes = std::make_unique<MessageRecorder>();
    QDir(changeLogFolder()).removeRecursively();
}

QList<ChangeLogEntry> ServiceRecordTest::visitChanges(int extraEdits)
{
    ChangeLogFilter visit;
    visit.connection = samples::logVisit(changeLogFolder(), extraEdits);
    QList<ChangeLogEntry> changes =
        filterChangeLog(readChangeLog(changeLogFolder() + "/123456.csv").entries, visit);
    std::reverse(changes.begin(), changes.end()); // the report lists them oldest first
    return changes;
}

void ServiceRecordTest::changeLogDialogFiltersAndSavesWhatItShows()
{
    samples::logVisit(changeLogFolder());
    ChangeLogDialog dialog("000000123456", changeLogFolder());
    QTableWidget *table = dialog.table();
    QCOMPARE(table->rowCount(), 9);
    // Newest first: the write whose answer never came, marked as such.
    QCOMPARE(table->item(0, 3)->text(), QStringLiteral("P3"));
    QCOMPARE(table->item(0, 8)->text(), langText(8535));
    QCOMPARE(table->item(1, 3)->text(), QStringLiteral("P48"));
    QCOMPARE(table->item(2, 6)->text(), QString::fromLatin1(MaskedKey)); // the key P11
    QCOMPARE(table->item(6, 8)->text(), langFormatId(8532, {-103}));

    dialog.addressField()->setEditText("p147");
    QCOMPARE(table->rowCount(), 1);
    QCOMPARE(table->item(0, 5)->text() + "->" + table->item(0, 6)->text(),
             QStringLiteral("2725->2731"));
    dialog.addressField()->setEditText(QString());
    dialog.fromField()->setDate(samples::visit().date().addDays(1));
    dialog.toField()->setDate(samples::visit().date().addDays(2));
    dialog.dateFilter()->setChecked(true);
    QCOMPARE(table->rowCount(), 0);
    QVERIFY(!dialog.findChild<QPushButton *>() || dialog.shownEntries().isEmpty());
    dialog.fromField()->setDate(samples::visit().date());
    QCOMPARE(table->rowCount(), 9);

    dialog.addressField()->setEditText("P1");
    const QString copy = m_settings->file("shown.csv");
    QVERIFY(dialog.saveShown(copy));
    const QList<ChangeLogEntry> saved = readChangeLog(copy).entries;
    QCOMPARE(saved.size(), 1);
    QCOMPARE(saved.first().outcome->status, -13);

    dialog.showDevice("4711");
    QCOMPARE(table->rowCount(), 0);
    QCOMPARE(dialog.summary()->text(), langFormatId(8537, {"4711"}));
    QVERIFY(m_boxes->shown.isEmpty());
}

void ServiceRecordTest::comparisonAsksBeforeItTransfers()
{
    const ParameterSet set = parameterSetFromDevice(samples::deviceValues(), samples::device(),
                                                    "Jörg", samples::visit());
    const DeviceTexts b = samples::otherDeviceValues();
    const LockStates locks{false, false};
    ParameterSetDialog dialog(set, "/home/t/station-7.json", samples::device(), b, Generation::V2x,
                              locks);
    QVERIFY(!dialog.transferButton()->isVisibleTo(&dialog));
    QList<TransferPlan> handed;
    dialog.setTransferFunction([&handed](const TransferPlan &plan) { handed << plan; });
    QVERIFY(dialog.transferButton()->isVisibleTo(&dialog));

    // Each differing row is bold and says what a transfer does with it.
    QTableWidget *table = dialog.table();
    int bold = 0;
    for (int r = 0; r < table->rowCount(); ++r) {
        const CompareRow &row = dialog.rows().at(r);
        QCOMPARE(table->item(r, 1)->font().bold(), row.differs);
        QCOMPARE(table->item(r, 4)->text(), transferStateText(row.state));
        bold += row.differs;
    }
    QCOMPARE(bold, 10);

    const TransferPlan expected = transferPlan(set, b, Generation::V2x, locks);
    QCOMPARE(expected.writes.size(), 1); // P310: no user lock on a V2x device
    m_boxes->answers = {IdNo, IdYes};
    QVERIFY(!dialog.transfer());
    QVERIFY(handed.isEmpty());
    const MessageRequest &question = m_boxes->shown.first();
    QCOMPARE(question.textId, 8565);
    QVERIFY(question.flags & MbDefaultNo);
    QVERIFY(question.text.contains("P310  " + addressCaption("P310") + ": " + langText(1122) +
                                   " → " + langText(1116)));
    for (const SkippedWrite &s : expected.skipped)
        QVERIFY2(question.text.contains(s.address + "  " + s.name + ": " + langText(1005)),
                 qPrintable(s.address));
    QVERIFY(dialog.transfer());
    QCOMPARE(handed.size(), 1);
    QCOMPARE(handed.first().writes.first().request(), QStringLiteral("P310=1"));
}

void ServiceRecordTest::reportAsPdf_data()
{
    QTest::addColumn<int>("extraEdits");
    QTest::newRow("one visit") << 0;
    QTest::newRow("a visit with more changes than two pages hold") << 160;
}

void ServiceRecordTest::reportAsPdf()
{
    QFETCH(int, extraEdits);
    const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
    if (pdftotext.isEmpty())
        QSKIP("pdftotext (Debian poppler-utils) is not installed");
    const ServiceReportData data = samples::report(visitChanges(extraEdits));
    const QString pdf = m_settings->file("report.pdf");
    QString error;
    QVERIFY2(saveServiceReportPdf(pdf, data, &error), qPrintable(error));

    QProcess p;
    p.start(pdftotext, {"-layout", pdf, "-"});
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitCode(), 0);
    const QString text = QString::fromUtf8(p.readAllStandardOutput());
    const int pages = int(text.count(QLatin1Char('\f')));
    // The text's spacing is the extractor's guess: "0 → 1" may come out as
    // "0→1".
    const QString packed = QString(text).remove(QLatin1Char(' '));
    auto holds = [&packed](const QString &s) { return packed.contains(QString(s).remove(' ')); };
    QVERIFY2(pages == 1 || pages == 2, qPrintable(QString::number(pages)));
    QVERIFY(text.contains("000000123456"));
    QVERIFY(text.contains(QStringLiteral("Jörg Weiß")));
    QVERIFY(text.contains(langText(8616))); // the signatures
    QVERIFY(!text.contains("13572468"));    // a key's digits

    const ServiceReportLayout layout(data);
    QCOMPARE(layout.pageCount(), pages);
    const QList<int> listed = layout.changesListed();
    for (const int i : listed) {
        const ChangeRecord &r = data.changes.at(i).first();
        const QString change =
            (r.oldValue.isEmpty() ? QStringLiteral("–") : r.oldValue) + " → " + r.written;
        QVERIFY2(holds(change), qPrintable(r.address + ": " + change));
    }
    // What the device may or may not hold is never left out: the refused,
    // the unconfirmed and the interrupted write (the visit's last).
    for (const char *doubtful : {"1.05000 → 7.00000", "1.0000 → 0.9500", "15.0 → 12.5"})
        QVERIFY2(holds(QString::fromUtf8(doubtful)), doubtful);
    const int rest = int(data.changes.size() - listed.size());
    QCOMPARE(rest > 0, extraEdits > 0);
    if (rest > 0)
        QVERIFY(holds(langFormatId(8621, {rest})));
}

QTEST_MAIN(ServiceRecordTest)
#include "tst_servicerecord.moc"
