// The calibration page and the counter reset against the simulated device:
// reading the two points, the enabling of the calculation, the new offset
// and gradient at their limits, and the counter reset of both generations.
#include "addresstable.h"
#include "commclass.h"
#include "componentkind.h"
#include "devicevalues.h"
#include "editmask.h"
#include "inisettings.h"
#include "langsupp.h"
#include "meldung.h"
#include "ptyserver.h"
#include "rq60main.h"
#include "testsupport.h"
#include "ui_rq60main.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <memory>

namespace {

QByteArray settingsFile()
{
    return QByteArray("[COMMON]\r\nLANGUAGE=DE\r\n[COMM]\r\nCOM=1\r\n"
                      "INIT=4800,N,8,1,BIN,RS0,DS0\r\nCHECKTIME=300\r\n"
                      "[JUSTIFY]\r\nTEMPLOW=-20.0\r\nTEMPHIGH=40.0\r\n");
}

QStringList requestsIn(const std::vector<std::string> &log, const char *prefix)
{
    QStringList out;
    for (const std::string &line : log)
        if (line.rfind(prefix, 0) == 0)
            out << QString::fromStdString(line.substr(3));
    return out;
}

bool flagged(const QObject *o) { return componentTag(o) & TagChangeFlag; }

void typeInto(QLineEdit *edit, const QString &text)
{
    edit->setText(EditMask(edit->property("editMask").toString()).fieldText(text));
}

} // namespace

class CalibrationTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void readingBothPointsEnablesTheCalculation();
    void v1xReadsBothPointsThroughP28();
    void newValuesAtAndBeyondTheirLimits_data();
    void newValuesAtAndBeyondTheirLimits();
    void calculationIsWrittenBySetzen();
    void badReferenceOrEqualReadingsComputeNothing();
    void counterResetForBothGenerations();

private:
    QList<int> boxIds() const;
    std::unique_ptr<TFormRQ60Main> calibrationPage(int generation);
    QString stored(const char *address);
    // The measured texts as two readings would have left them.
    void measured(TFormRQ60Main *w, const QString &low, const QString &high);

    std::unique_ptr<SettingsSandbox> m_settings;
    std::unique_ptr<MessageRecorder> m_boxes;
    std::unique_ptr<rq60::PtyServer> m_device;
    std::unique_ptr<TFormMeldung> m_notice;
};

void CalibrationTest::initTestCase()
{
    useBuiltProgramDirectory();
    m_settings = std::make_unique<SettingsSandbox>();
    m_settings->write(QStringLiteral("PXRQ60.INI"), settingsFile());
    LoadLanguageLibrary();
    QVERIFY(LanguageLibraryLoaded());
}

void CalibrationTest::cleanupTestCase()
{
    destroyCurrentLink();
    FreeLanguageLibrary();
    m_settings.reset();
}

void CalibrationTest::init()
{
    m_settings->write(QStringLiteral("PXRQ60.INI"), settingsFile());
    m_boxes = std::make_unique<MessageRecorder>();
    replaceCurrentLink(QStringLiteral("WN"));
    m_notice = std::make_unique<TFormMeldung>();
    FormMeldung = m_notice.get();
    // Measured texts stay in the store across connects; each test starts
    // from a device never read.
    DeviceValues.clear();
}

void CalibrationTest::cleanup()
{
    destroyCurrentLink();
    m_device.reset();
    m_notice.reset();
    m_boxes.reset();
}

QList<int> CalibrationTest::boxIds() const
{
    QList<int> ids;
    for (const MessageRequest &r : m_boxes->shown)
        if (r.textId != 546)
            ids << r.textId;
    return ids;
}

std::unique_ptr<TFormRQ60Main> CalibrationTest::calibrationPage(int generation)
{
    m_device = std::make_unique<rq60::PtyServer>(generation);
    qputenv("SLINE_32_COM1", QByteArray::fromStdString(m_device->start()));
    m_device->control("lock open");
    auto w = std::make_unique<TFormRQ60Main>();
    w->show();
    w->acConnectExecute();
    w->ui()->TabbedNotebook1->setCurrentIndex(4);
    m_boxes->clear();
    m_device->clearLog();
    return w;
}

QString CalibrationTest::stored(const char *address)
{
    std::string reply;
    m_device->control(std::string("get ") + address, &reply);
    const QString r = QString::fromStdString(reply);
    return r.mid(r.indexOf(QLatin1Char('=')) + 1);
}

void CalibrationTest::measured(TFormRQ60Main *w, const QString &low, const QString &high)
{
    DeviceValues.P[170] = low;
    DeviceValues.P[171] = high;
    w->ui()->btCalcOffsetAndGradient->setEnabled(true);
}

void CalibrationTest::readingBothPointsEnablesTheCalculation()
{
    auto w = calibrationPage(2);
    auto *ui = w->ui();
    QVERIFY(ui->btReadLowerTemp->isEnabled() && !ui->btCalcOffsetAndGradient->isEnabled());

    m_device->control("temp -20");
    ui->btReadLowerTemp->click();
    QVERIFY(!ui->P170->text().isEmpty());
    // The high point is not read yet: no calculation from one point.
    QVERIFY(!ui->btCalcOffsetAndGradient->isEnabled());
    QVERIFY(boxIds().isEmpty());

    m_device->control("temp 40");
    ui->btReadUpperTemp->click();
    QVERIFY(ui->P171->text() != ui->P170->text());
    QVERIFY(ui->btCalcOffsetAndGradient->isEnabled());
    QCOMPARE(requestsIn(m_device->requestLog(), "R1 ").filter(QRegularExpression("^P17")),
             (QStringList{"P170", "P171"}));

    // The sensor left at the high point: the same text twice.
    ui->btReadLowerTemp->click();
    QCOMPARE(boxIds(), QList<int>{542});
    QCOMPARE(m_boxes->shown.last().captionId, 502);
    QVERIFY(!ui->btCalcOffsetAndGradient->isEnabled());

    // A later entry to the page disables the button until a new reading.
    m_device->control("temp 10");
    ui->btReadLowerTemp->click();
    QVERIFY(ui->btCalcOffsetAndGradient->isEnabled());
    ui->TabbedNotebook1->setCurrentIndex(0);
    ui->TabbedNotebook1->setCurrentIndex(4);
    QVERIFY(!ui->btCalcOffsetAndGradient->isEnabled());
}

void CalibrationTest::v1xReadsBothPointsThroughP28()
{
    auto w = calibrationPage(1);
    auto *ui = w->ui();
    m_device->control("temp -20");
    ui->btReadLowerTemp->click();
    const QString low = ui->P170->text();
    QVERIFY(!low.isEmpty() && ui->P171->text().isEmpty());
    m_device->control("temp 40");
    ui->btReadUpperTemp->click();
    QCOMPARE(ui->P170->text(), low);
    QVERIFY(!ui->P171->text().isEmpty() && ui->P171->text() != low);
    QCOMPARE(DeviceValues.P[171], ui->P171->text());
    QVERIFY(ui->btCalcOffsetAndGradient->isEnabled());
    const QStringList reads = requestsIn(m_device->requestLog(), "R1 ");
    QCOMPARE(reads.filter(QRegularExpression("^P(28|17)")), (QStringList{"P28", "P28"}));
}

void CalibrationTest::newValuesAtAndBeyondTheirLimits_data()
{
    QTest::addColumn<QString>("oldOffset");
    QTest::addColumn<QString>("low");
    QTest::addColumn<QString>("high");
    QTest::addColumn<QString>("offset");
    QTest::addColumn<QString>("gradient");
    // Measured equal to the references: the old values, width 4.
    QTest::newRow("unchanged") << "123" << "-20.0" << "40.0" << " 123" << "2040";
    QTest::newRow("unchanged works") << "2725" << "-20.0" << "40.0" << "2725" << "2040";
    // 0.4 K high at both points: the offset falls by 4 tenths of a kelvin.
    QTest::newRow("both high") << "2725" << "-19.6" << "40.4" << "2721" << "2040";
    // A span six times too small: a negative offset and a gradient beyond
    // the device's range.
    QTest::newRow("limited") << "0" << "0.0" << "10.0" << "   0" << "4095";
}

void CalibrationTest::newValuesAtAndBeyondTheirLimits()
{
    QFETCH(QString, oldOffset);
    QFETCH(QString, low);
    QFETCH(QString, high);
    auto w = calibrationPage(2);
    auto *ui = w->ui();
    DeviceValues.P[147] = oldOffset;
    DeviceValues.P[148] = QStringLiteral("2040");
    measured(w.get(), low, high);
    ui->btCalcOffsetAndGradient->click();
    QVERIFY(boxIds().isEmpty());
    // Right-aligned in the four positions; unfilled ones show the blank.
    QTEST(ui->P147neu->displayText().replace(QLatin1Char('_'), QLatin1Char(' ')), "offset");
    QTEST(ui->P148neu->displayText().replace(QLatin1Char('_'), QLatin1Char(' ')), "gradient");
    QVERIFY(flagged(ui->P147neu) && flagged(ui->P148neu));
    QVERIFY(ui->btSet->isEnabled() && ui->btCancel->isEnabled());
}

void CalibrationTest::calculationIsWrittenBySetzen()
{
    auto w = calibrationPage(2);
    auto *ui = w->ui();
    typeInto(ui->TempLowRef, QStringLiteral("-19.5"));
    measured(w.get(), QStringLiteral("-19.1"), QStringLiteral("40.4"));
    ui->btCalcOffsetAndGradient->click();
    const QString offset = ui->P147neu->text().trimmed();
    const QString gradient = ui->P148neu->text().trimmed();
    QVERIFY(offset != QLatin1String("2725"));
    // The checked reference is kept for the calculation, not yet saved.
    QCOMPARE(DeviceValues.TempLowRef, QStringLiteral("-19.5"));
    QVERIFY(!m_settings->read(QStringLiteral("PXRQ60.INI")).contains("-19.5"));

    w->btSetClick();
    QCOMPARE(requestsIn(m_device->requestLog(), "W1 "),
             (QStringList{"P147(" + offset + ")", "P148(" + gradient + ")"}));
    QCOMPARE(stored("P147"), offset);
    QCOMPARE(stored("P148"), gradient);
    QCOMPARE(ui->P147old->text(), offset);
    QVERIFY(m_settings->read(QStringLiteral("PXRQ60.INI")).contains("TEMPLOW=-19.5"));
    QCOMPARE(boxIds(), QList<int>{520});
    QVERIFY(!ui->btSet->isEnabled());
}

void CalibrationTest::badReferenceOrEqualReadingsComputeNothing()
{
    auto w = calibrationPage(2);
    auto *ui = w->ui();

    // A reference out of range: its message, the new values stay.
    typeInto(ui->TempHighRef, QStringLiteral("60.0"));
    measured(w.get(), QStringLiteral("-20.0"), QStringLiteral("40.0"));
    ui->btCalcOffsetAndGradient->click();
    QCOMPARE(boxIds(), QList<int>{530});
    QVERIFY(ui->P147neu->text().trimmed().isEmpty() && !flagged(ui->P147neu));

    // Two readings that differ only in form are one point: dividing by
    // their difference would send no number to the device.
    m_boxes->clear();
    typeInto(ui->TempHighRef, QStringLiteral("40.0"));
    measured(w.get(), QStringLiteral("20"), QStringLiteral("20.0"));
    ui->btCalcOffsetAndGradient->click();
    QCOMPARE(boxIds(), QList<int>{542});
    QVERIFY(ui->P147neu->text().trimmed().isEmpty() && !flagged(ui->P147neu));
    QVERIFY(!ui->btCalcOffsetAndGradient->isEnabled());

    // A measured value never read (a failed read left it empty).
    m_boxes->clear();
    measured(w.get(), QStringLiteral("-20.0"), QString());
    ui->btCalcOffsetAndGradient->click();
    QCOMPARE(m_boxes->shown.size(), 1);
    QCOMPARE(m_boxes->shown.first().captionId, 500);
    QVERIFY(ui->P147neu->text().trimmed().isEmpty());
    QVERIFY(requestsIn(m_device->requestLog(), "W1 ").isEmpty());
}

void CalibrationTest::counterResetForBothGenerations()
{
    for (int generation : {2, 1}) {
        auto w = calibrationPage(generation);
        auto *ui = w->ui();
        ui->TabbedNotebook1->setCurrentIndex(2);
        m_device->control("set H1 00000123.45");
        m_device->clearLog();
        QVERIFY(ui->btDeleteAllCounter->isEnabled());

        m_boxes->answers = {IdNo};
        ui->btDeleteAllCounter->click();
        QCOMPARE(boxIds(), QList<int>{540});
        QVERIFY(requestsIn(m_device->requestLog(), "W1 ").isEmpty());

        m_boxes->clear();
        m_boxes->answers = {IdYes};
        ui->btDeleteAllCounter->click();
        QCOMPARE(requestsIn(m_device->requestLog(), "W1 "),
                 QStringList{generation == 2 ? "P48(1)" : "P48(0)"});
        QVERIFY(stored("H1").toDouble() < 1.0);
        QVERIFY(requestsIn(m_device->requestLog(), "R1 ").contains(QStringLiteral("H1")));
        QCOMPARE(DeviceValues.H[1], QStringLiteral("00000000.00"));
        QCOMPARE(DeviceValues.H[6], QStringLiteral("00000000.0000"));
        QCOMPARE(boxIds(), QList<int>{540});
        QVERIFY(w->PageReady && !ui->btSet->isEnabled());

        // Refused: the status in the caption, nothing else changes.
        m_device->control("fail P48 ER04");
        m_boxes->clear();
        ui->btDeleteAllCounter->click();
        QCOMPARE(boxIds(), (QList<int>{540, 541}));
        QVERIFY(m_boxes->shown.last().caption.endsWith(QLatin1String(" -104")));
        w.reset();
        cleanup();
        init();
    }
}

QTEST_MAIN(CalibrationTest)
#include "tst_calibrationpage.moc"
