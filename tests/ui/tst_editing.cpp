// Editing and write-back of the main window against the simulated device
// through the real drivers: what the device stored after "Setzen", the
// coupled fields, refused and unconfirmed writes, failed checks, "Verwerfen",
// the reference temperatures and the closed calibration lock.
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
#include "wireformat.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <memory>

namespace {

QByteArray settingsFile()
{
    return QByteArray("[COMMON]\r\nLANGUAGE=DE\r\n[COMM]\r\nCOM=1\r\n"
                      "INIT=4800,N,8,1,BIN,RS0,DS0\r\nCHECKTIME=300\r\n");
}

// The values the device received in write frames ("W1 P4(0.1)" gives
// "P4=0.1"), in order.
QStringList writesIn(const std::vector<std::string> &log)
{
    QStringList writes;
    for (const std::string &line : log) {
        if (line.rfind("W1 ", 0) != 0)
            continue;
        QString frame = QString::fromStdString(line.substr(3));
        const int open = frame.indexOf(QLatin1Char('('));
        writes << frame.left(open) + QLatin1Char('=') + frame.mid(open + 1).chopped(1);
    }
    return writes;
}

bool flagged(const QObject *o) { return componentTag(o) & TagChangeFlag; }

// A masked field filled as the user would leave it.
void typeInto(QLineEdit *edit, const QString &text)
{
    edit->setText(EditMask(edit->property("editMask").toString()).fieldText(text));
}

void choose(QComboBox *combo, int index)
{
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

} // namespace

class EditingTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void counterEditWritesH2ThenTheSum();
    void valuesReachTheDeviceInItsForm();
    void temperatureRangeIsWrittenOnce();
    void outputFunctionOfV1xGoesToP16();
    void pulseInputsFollowTheGeneration();
    void refusedWriteKeepsItsMark();
    void unconfirmedWriteCountsOnlyWithEqualReadBack();
    void failedCheckStopsOnlyItsField();
    void unreadableNumberEndsTheWrite();
    void nothingMarkedWritesNothing();
    void cancelOnCalibrationPageEmptiesNewValues();
    void referenceTemperatureGoesToSettingsOnly();
    void closedCalibrationLockLetsNoWriteOut();

private:
    QList<int> boxIds() const;
    std::unique_ptr<TFormRQ60Main> connectedWindow(int generation, bool lockOpen = true);
    QString stored(const char *address);
    void showPage(TFormRQ60Main *w, int page);

    std::unique_ptr<SettingsSandbox> m_settings;
    std::unique_ptr<MessageRecorder> m_boxes;
    std::unique_ptr<rq60::PtyServer> m_device;
    std::unique_ptr<TFormMeldung> m_notice;
};

void EditingTest::initTestCase()
{
    useBuiltProgramDirectory();
    m_settings = std::make_unique<SettingsSandbox>();
    m_settings->write(QStringLiteral("PXRQ60.INI"), settingsFile());
    LoadLanguageLibrary();
    QVERIFY(LanguageLibraryLoaded());
}

void EditingTest::cleanupTestCase()
{
    destroyCurrentLink();
    FreeLanguageLibrary();
    m_settings.reset();
}

void EditingTest::init()
{
    m_settings->write(QStringLiteral("PXRQ60.INI"), settingsFile());
    m_boxes = std::make_unique<MessageRecorder>();
    replaceCurrentLink(QStringLiteral("WN"));
    m_notice = std::make_unique<TFormMeldung>();
    FormMeldung = m_notice.get();
}

void EditingTest::cleanup()
{
    destroyCurrentLink();
    m_device.reset();
    m_notice.reset();
    m_boxes.reset();
}

QList<int> EditingTest::boxIds() const
{
    QList<int> ids;
    for (const MessageRequest &r : m_boxes->shown)
        if (r.textId != 546) // the help files are not part of these tests
            ids << r.textId;
    return ids;
}

std::unique_ptr<TFormRQ60Main> EditingTest::connectedWindow(int generation, bool lockOpen)
{
    m_device = std::make_unique<rq60::PtyServer>(generation);
    qputenv("SLINE_32_COM1", QByteArray::fromStdString(m_device->start()));
    m_device->control("flow 0"); // counters that stand still add up exactly
    if (lockOpen)
        m_device->control("lock open");
    auto w = std::make_unique<TFormRQ60Main>();
    w->show();
    w->acConnectExecute();
    if (!w->ChannelOpen)
        qWarning() << "not connected; boxes:" << boxIds();
    m_boxes->clear();
    m_device->clearLog();
    return w;
}

QString EditingTest::stored(const char *address)
{
    std::string reply;
    m_device->control(std::string("get ") + address, &reply);
    const QString r = QString::fromStdString(reply);
    return r.mid(r.indexOf(QLatin1Char('=')) + 1);
}

void EditingTest::showPage(TFormRQ60Main *w, int page)
{
    w->ui()->TabbedNotebook1->setCurrentIndex(page);
    m_boxes->clear();
    m_device->clearLog();
}

void EditingTest::counterEditWritesH2ThenTheSum()
{
    auto w = connectedWindow(2);
    auto *ui = w->ui();
    QVERIFY(ui->H2->isEnabled());
    showPage(w.get(), 2);
    const QString h4 = stored("H4");

    typeInto(ui->H2, QStringLiteral("50000.1234"));
    QVERIFY(flagged(ui->H2) && ui->btSet->isEnabled() && ui->btCancel->isEnabled());
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(ui->H2, &out);
    QVERIFY(flagged(ui->H6));
    const QString sum = H2plusH4(QStringLiteral("50000.1234"), h4);
    QCOMPARE(ui->H6->text().trimmed(), sum);

    w->btSetClick();
    const QStringList writes = writesIn(m_device->requestLog());
    QCOMPARE(writes.size(), 2);
    QVERIFY2(writes.at(0).startsWith(QLatin1String("H2=")), qPrintable(writes.join(' ')));
    QCOMPARE(writes.at(1), QStringLiteral("H6=") + sum);
    QCOMPARE(stored("H2").toDouble(), 50000.1234);
    QCOMPARE(stored("H6").toDouble(), sum.toDouble());
    QCOMPARE(boxIds(), (QList<int>{520}));
    QVERIFY(!flagged(ui->H2) && !flagged(ui->H6) && !ui->btSet->isEnabled());

    // Passing through H2 without an edit leaves H6 alone.
    QApplication::sendEvent(ui->H2, &out);
    QVERIFY(!flagged(ui->H6));
}

void EditingTest::valuesReachTheDeviceInItsForm()
{
    auto w = connectedWindow(2);
    auto *ui = w->ui();

    typeInto(ui->L18, QStringLiteral("12345"));
    w->btSetClick();
    QCOMPARE(writesIn(m_device->requestLog()), QStringList{"L18=000000012345"});
    QCOMPARE(stored("L18"), QStringLiteral("000000012345"));
    QCOMPARE(ui->L18->text().trimmed(), QStringLiteral("12345"));
    QCOMPARE(ui->Edit3->text(), QStringLiteral("12345"));

    showPage(w.get(), 1);
    typeInto(ui->L156, QStringLiteral("0.99"));
    typeInto(ui->P1, QStringLiteral("0.95"));
    ui->P14->setValue(30);
    ui->P14_1->setChecked(true); // the program's change of the box is no edit
    QVERIFY(!flagged(ui->P14_1));
    w->btSetClick();
    QCOMPARE(writesIn(m_device->requestLog()), (QStringList{"P1=0.9500", "P14=30.1", "L156=0.99000"}));
    QCOMPARE(stored("P14"), QStringLiteral("30.1"));
    QCOMPARE(stored("L156"), QStringLiteral("0.99000"));

    // A click on the box alone is a change of the cycle time.
    m_device->clearLog();
    ui->P14_1->click();
    QVERIFY(flagged(ui->P14) && !flagged(ui->P14_1) && ui->btSet->isEnabled());
    w->btSetClick();
    QCOMPARE(writesIn(m_device->requestLog()), QStringList{"P14=30.0"});
}

void EditingTest::temperatureRangeIsWrittenOnce()
{
    auto w = connectedWindow(2);
    auto *ui = w->ui();
    showPage(w.get(), 1);
    ui->L27Low->setValue(-10);
    ui->L27High->setValue(45);
    QVERIFY(flagged(ui->L27Low) && flagged(ui->L27High));
    w->btSetClick();
    QCOMPARE(writesIn(m_device->requestLog()), QStringList{"L27=-10;45"});
    QCOMPARE(stored("L27"), QStringLiteral("-10;45"));
    QVERIFY(!flagged(ui->L27Low) && !flagged(ui->L27High));

    // Refused: one message for the one address, both halves stay marked.
    m_device->control("fail L27 ER05");
    m_device->clearLog();
    m_boxes->clear();
    ui->L27Low->setValue(-5);
    ui->L27High->setValue(35);
    w->btSetClick();
    QCOMPARE(writesIn(m_device->requestLog()).size(), 1);
    QCOMPARE(boxIds(), QList<int>{518});
    QVERIFY(flagged(ui->L27Low) && flagged(ui->L27High));
}

void EditingTest::outputFunctionOfV1xGoesToP16()
{
    auto w = connectedWindow(1);
    auto *ui = w->ui();
    QVERIFY(ui->P310->isEnabled());
    QCOMPARE(ui->P310->itemText(4), QStringLiteral("Imp.-Ausg. Vn, gesamt"));
    choose(ui->P310, 4);
    choose(ui->P311, ui->P311->findText(QStringLiteral("100")));
    w->btSetClick();
    QCOMPARE(writesIn(m_device->requestLog()), (QStringList{"P17=100", "P16=3"}));
    QCOMPARE(stored("P16"), QStringLiteral("3"));
    QCOMPARE(boxIds(), QList<int>{520});

    // An output function the V1x device has no code for is never written.
    m_device->clearLog();
    m_boxes->clear();
    choose(ui->P310, 3);
    w->btSetClick();
    QVERIFY(writesIn(m_device->requestLog()).isEmpty());
    QCOMPARE(boxIds(), QList<int>{518});
    QVERIFY(flagged(ui->P310) && ui->btSet->isEnabled());
    QCOMPARE(stored("P16"), QStringLiteral("3"));
}

void EditingTest::pulseInputsFollowTheGeneration()
{
    for (int generation : {2, 1}) {
        auto w = connectedWindow(generation);
        auto *ui = w->ui();
        showPage(w.get(), 1);
        QCOMPARE(ui->P37->currentText(), QStringLiteral("1"));
        choose(ui->P37, 1);
        QCOMPARE(ui->P38->value(), 1);
        QVERIFY(!ui->P38->isHidden() && ui->P38->isEnabled());
        w->btSetClick();
        const QStringList expected =
            generation == 2 ? QStringList{"P38=1"} : QStringList{"P38=1", "P37=2"};
        QCOMPARE(writesIn(m_device->requestLog()), expected);
        QCOMPARE(stored("P38"), QStringLiteral("1"));
        if (generation == 1) {
            QCOMPARE(stored("P37"), QStringLiteral("2"));
            // Back to one input: a V1x device gets P37 alone.
            m_device->clearLog();
            choose(ui->P37, 0);
            QVERIFY(ui->P38->isHidden());
            w->btSetClick();
            QCOMPARE(writesIn(m_device->requestLog()), QStringList{"P37=1"});
        }
        // Showing the page again marks nothing.
        w->TabbedNotebook1Click();
        QVERIFY(!flagged(ui->P37) && !flagged(ui->P38) && !ui->btSet->isEnabled());
        w.reset();
        cleanup();
        init();
    }
}

void EditingTest::refusedWriteKeepsItsMark()
{
    auto w = connectedWindow(2);
    auto *ui = w->ui();
    showPage(w.get(), 1);
    m_device->control("fail P4 ER04");
    const QString before = stored("P4");
    choose(ui->P4, ui->P4->findText(QStringLiteral("10")));
    w->btSetClick();
    QCOMPARE(boxIds(), QList<int>{518});
    const MessageRequest &box = m_boxes->shown.last();
    QVERIFY2(box.caption.endsWith(QLatin1String(" -104")), qPrintable(box.caption));
    QVERIFY(box.text.contains(QLatin1String("P4 = 10")));
    QVERIFY(flagged(ui->P4) && ui->btSet->isEnabled() && ui->btCancel->isEnabled());
    QCOMPARE(stored("P4"), before);

    // A second "Setzen" tries it again.
    m_device->control("fail clear");
    m_boxes->clear();
    w->btSetClick();
    QCOMPARE(stored("P4"), QStringLiteral("10"));
    QCOMPARE(boxIds(), QList<int>{520});
}

void EditingTest::unconfirmedWriteCountsOnlyWithEqualReadBack()
{
    auto w = connectedWindow(2);
    auto *ui = w->ui();
    showPage(w.get(), 1);

    m_device->control("noconfirm on");
    typeInto(ui->L157, QStringLiteral("293.15"));
    w->btSetClick();
    QCOMPARE(boxIds(), QList<int>{520});
    QVERIFY(!flagged(ui->L157));
    QCOMPARE(stored("L157"), QStringLiteral("293.15"));

    m_device->control("noconfirm lost");
    m_boxes->clear();
    typeInto(ui->L157, QStringLiteral("300"));
    w->btSetClick();
    QCOMPARE(boxIds(), QList<int>{518});
    QVERIFY(m_boxes->shown.last().caption.endsWith(QLatin1String(" -13")));
    QVERIFY(flagged(ui->L157));
    QCOMPARE(stored("L157"), QStringLiteral("293.15"));
}

void EditingTest::failedCheckStopsOnlyItsField()
{
    auto w = connectedWindow(2);
    auto *ui = w->ui();
    showPage(w.get(), 1);
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));

    typeInto(ui->P3, QStringLiteral("56.0"));
    choose(ui->P4, ui->P4->findText(QStringLiteral("100")));
    ui->btSet->setFocus();
    w->btSetClick();
    QCOMPARE(writesIn(m_device->requestLog()), QStringList{"P4=100"});
    QCOMPARE(boxIds(), QList<int>{530}); // the range of the substitute temperature, no success
    QVERIFY(m_boxes->shown.first().text.contains(QLatin1String("Ersatztemperatur")));
    QVERIFY(ui->P3->hasFocus());
    QVERIFY(flagged(ui->P3) && !flagged(ui->P4) && ui->btSet->isEnabled());

    // L156 out of range: its message, nothing written.
    m_device->clearLog();
    m_boxes->clear();
    typeInto(ui->P3, QStringLiteral("-5.0"));
    typeInto(ui->L156, QStringLiteral("1.1"));
    w->btSetClick();
    QCOMPARE(writesIn(m_device->requestLog()), QStringList{"P3=-5.0"});
    QCOMPARE(boxIds(), QList<int>{522});
    QVERIFY(flagged(ui->L156) && ui->L156->hasFocus());
}

void EditingTest::unreadableNumberEndsTheWrite()
{
    auto w = connectedWindow(2);
    auto *ui = w->ui();
    ui->L18->clear();
    choose(ui->P311, ui->P311->findText(QStringLiteral("10")));
    w->btSetClick();
    // L18 comes first in the write order: the run ends there.
    QVERIFY(writesIn(m_device->requestLog()).isEmpty());
    QCOMPARE(boxIds(), QList<int>{521});
    QVERIFY(flagged(ui->L18) && flagged(ui->P311) && ui->btSet->isEnabled());
}

void EditingTest::nothingMarkedWritesNothing()
{
    auto w = connectedWindow(2);
    w->ui()->btSet->setEnabled(true);
    w->btSetClick();
    QVERIFY(writesIn(m_device->requestLog()).isEmpty());
    QVERIFY(boxIds().isEmpty());
}

void EditingTest::cancelOnCalibrationPageEmptiesNewValues()
{
    auto w = connectedWindow(2);
    auto *ui = w->ui();
    showPage(w.get(), 4);
    typeInto(ui->P147neu, QStringLiteral("1234"));
    QVERIFY(flagged(ui->P147neu) && ui->btCancel->isEnabled());
    ui->btCancel->click();
    QVERIFY(ui->P147neu->text().trimmed().isEmpty() && ui->P148neu->text().trimmed().isEmpty());
    QVERIFY(!ui->btSet->isEnabled() && !ui->btCancel->isEnabled());
    QVERIFY(!flagged(ui->P147neu) && !flagged(ui->P148neu));
    QVERIFY(writesIn(m_device->requestLog()).isEmpty());
    QVERIFY(boxIds().isEmpty());
}

void EditingTest::referenceTemperatureGoesToSettingsOnly()
{
    auto w = connectedWindow(2);
    auto *ui = w->ui();
    showPage(w.get(), 4);
    typeInto(ui->TempLowRef, QStringLiteral("18.5"));
    QVERIFY(flagged(ui->TempLowRef));
    w->btSetClick();
    QVERIFY(writesIn(m_device->requestLog()).isEmpty());
    QCOMPARE(boxIds(), QList<int>{520});
    QVERIFY(m_settings->read(QStringLiteral("PXRQ60.INI")).contains("TEMPLOW=18.5"));
    QCOMPARE(DeviceValues.TempLowRef, QStringLiteral("18.5"));
    QCOMPARE(IniSettings.Justify.TempLow, QStringLiteral("18.5"));

    // Out of range: the range message names the value, nothing is saved.
    m_boxes->clear();
    typeInto(ui->TempHighRef, QStringLiteral("56.0"));
    w->btSetClick();
    QCOMPARE(boxIds(), QList<int>{530});
    QVERIFY(m_boxes->shown.first().text.contains(langText(551)));
    QVERIFY(!m_settings->read(QStringLiteral("PXRQ60.INI")).contains("TEMPHIGH=56"));
}

// With the calibration lock closed the technician cannot change a class-E
// value: typing and clicking into those fields reaches no write frame.
void EditingTest::closedCalibrationLockLetsNoWriteOut()
{
    auto w = connectedWindow(2, false);
    auto *ui = w->ui();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    for (int page : {0, 1, 2, 4}) {
        showPage(w.get(), page);
        for (QWidget *field : ui->TabbedNotebook1->widget(page)->findChildren<QWidget *>()) {
            if (!(componentTag(field) & TagCalibrationLock))
                continue;
            QVERIFY2(!field->isEnabled(), qPrintable(field->objectName()));
            QTest::mouseClick(field, Qt::LeftButton);
            QTest::keyClicks(field, QStringLiteral("12"));
            QTest::keyClick(field, Qt::Key_Down);
        }
        QTest::mouseClick(ui->btSet, Qt::LeftButton);
        w->btSetClick();
    }
    QCOMPARE(writesIn(m_device->requestLog()), QStringList{});
    QVERIFY(!ui->btSet->isEnabled());
}

QTEST_MAIN(EditingTest)
#include "tst_editing.moc"
