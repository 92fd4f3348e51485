// Editing, write-back, calibration and counter reset of the main window
// against the simulated device through the real drivers. The assertions are
// on what the device received and stored, not only on what the window shows.
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
#include "windowui.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QTest>
#include <memory>

namespace {

// "W1 P4(0.1)" in the device's log gives "P4=0.1".
QStringList writesIn(const std::vector<std::string> &log)
{
    QStringList writes;
    for (const std::string &line : log)
        if (line.rfind("W1 ", 0) == 0) {
            const QString f = QString::fromStdString(line.substr(3));
            writes << f.left(f.indexOf('(')) + '=' + f.mid(f.indexOf('(') + 1).chopped(1);
        }
    return writes;
}

bool flagged(const QObject *o)
{
    return componentTag(o) & TagChangeFlag;
}

// A masked field as the user leaves it; its change event marks it.
void typeInto(QLineEdit *edit, const QString &text)
{
    edit->setText(EditMask(edit->property("editMask").toString()).fieldText(text));
}

// A list chosen by the user (the program's selections raise no event).
void choose(QComboBox *combo, const QString &item)
{
    const int index = combo->findText(item);
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

QString shown(QLineEdit *edit)
{
    return edit->displayText().replace('_', ' ');
}

} // namespace

class EditingTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void valuesReachTheDeviceInItsForm();
    void coupledFieldsWriteTheirPartners();
    void failuresKeepTheirMarksAndSayWhy();
    void closedCalibrationLockLetsNoWriteOut();
    void calibrationReadsBothPoints();
    void newOffsetAndGradient_data();
    void newOffsetAndGradient();
    void calibrationWithoutTwoPointsComputesNothing();
    void counterReset();
    void aPageReadAgainHasNoChanges();
    void focusStaysWhereTheUserWas();
    void checkedReferencesOutliveThePage();

private:
    TFormRQ60Main *openWindow(int generation, int page, bool lockOpen = true);
    QString stored(const char *address);
    void setMeasured(const QString &low, const QString &high);
    QList<int> boxIds() const;
    void clearLogs();

    std::unique_ptr<SettingsSandbox> m_settings;
    std::unique_ptr<DeviceSession> m_session;
    std::unique_ptr<MessageRecorder> m_boxes;
    std::unique_ptr<rq60::PtyServer> m_device;
    std::unique_ptr<TFormMeldung> m_notice;
    std::unique_ptr<TFormRQ60Main> m_window;
};

void EditingTest::initTestCase()
{
    useBuiltProgramDirectory();
    m_settings = std::make_unique<SettingsSandbox>();
    LoadLanguageLibrary(QStringLiteral("DE"));
    QVERIFY(LanguageLibraryLoaded());
}

void EditingTest::init()
{
    m_settings->write("PXRQ60.INI", "[COMMON]\r\nLANGUAGE=DE\r\n[COMM]\r\nCOM=1\r\n"
                                    "INIT=4800,N,8,1,BIN,RS0,DS0\r\nCHECKTIME=300\r\n");
    m_boxes = std::make_unique<MessageRecorder>();
    m_session = std::make_unique<DeviceSession>();
    m_notice = std::make_unique<TFormMeldung>();
    FormMeldung = m_notice.get();
}

void EditingTest::cleanup()
{
    m_window.reset();
    m_session.reset();
    m_device.reset();
    m_notice.reset();
    m_boxes.reset();
}

TFormRQ60Main *EditingTest::openWindow(int generation, int page, bool lockOpen)
{
    m_window.reset();
    m_session.reset();
    m_session = std::make_unique<DeviceSession>();
    m_device = std::make_unique<rq60::PtyServer>(generation);
    qputenv("SLINE_32_COM1", QByteArray::fromStdString(m_device->start()));
    m_device->control("flow 0"); // counters that stand still add up exactly
    m_device->control(lockOpen ? "lock open" : "lock close");
    m_window = std::make_unique<TFormRQ60Main>(*m_session);
    m_window->show();
    m_window->acConnectExecute();
    WindowUi(*m_window)->TabbedNotebook1->setCurrentIndex(page);
    m_window->activateWindow(); // the wait notice had the focus
    clearLogs();
    return m_window.get();
}

void EditingTest::clearLogs()
{
    m_boxes->clear();
    m_device->clearLog();
}

QString EditingTest::stored(const char *address)
{
    std::string reply;
    m_device->control(std::string("get ") + address, &reply);
    const QString r = QString::fromStdString(reply);
    return r.mid(r.indexOf('=') + 1);
}

QList<int> EditingTest::boxIds() const
{
    QList<int> ids;
    for (const MessageRequest &r : m_boxes->shown)
        if (r.textId != 546) // no help files in these tests
            ids << r.textId;
    return ids;
}

void EditingTest::valuesReachTheDeviceInItsForm()
{
    auto *w = openWindow(2, 0);
    WindowUi ui(*w);
    typeInto(ui->L18, "12345");
    w->btSetClick();
    QCOMPARE(stored("L18"), QStringLiteral("000000012345"));
    QCOMPARE(ui->Edit3->text(), QStringLiteral("12345"));
    QCOMPARE(boxIds(), QList<int>{520});
    QVERIFY(!flagged(ui->L18) && !ui->btSet->isEnabled());

    ui->TabbedNotebook1->setCurrentIndex(1);
    clearLogs();
    typeInto(ui->L156, "0.99");
    typeInto(ui->P1, "0.95");
    ui->P14->setValue(30);
    ui->P14_1->setChecked(true); // set by the program: no edit of its own
    ui->L27Low->setValue(-10);
    ui->L27High->setValue(45);
    w->btSetClick();
    QCOMPARE(writesIn(m_device->requestLog()),
             (QStringList{"L27=-10;45", "P1=0.9500", "P14=30.1", "L156=0.99000"}));
    QCOMPARE(stored("L156"), QStringLiteral("0.99000"));
    QVERIFY(!flagged(ui->L27High));

    // A click on the box alone is a change of the cycle time.
    m_device->clearLog();
    ui->P14_1->click();
    QVERIFY(flagged(ui->P14) && !flagged(ui->P14_1));
    w->btSetClick();
    QCOMPARE(writesIn(m_device->requestLog()), QStringList{"P14=30.0"});

    // The reference temperatures go to the settings file, never to the device.
    ui->TabbedNotebook1->setCurrentIndex(4);
    clearLogs();
    typeInto(ui->TempLowRef, "18.5");
    w->btSetClick();
    QVERIFY(writesIn(m_device->requestLog()).isEmpty());
    QVERIFY(m_settings->read("PXRQ60.INI").contains("TEMPLOW=18.5"));
    QCOMPARE(m_session->values().TempLowRef, QStringLiteral("18.5"));

    // "Setzen" with nothing marked writes nothing and claims nothing.
    clearLogs();
    ui->btSet->setEnabled(true);
    w->btSetClick();
    QVERIFY(m_device->requestLog().empty() && boxIds().isEmpty());
}

void EditingTest::coupledFieldsWriteTheirPartners()
{
    auto *w = openWindow(2, 2);
    WindowUi ui(*w);
    typeInto(ui->H2, "50000.1234");
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(ui->H2, &out);
    QVERIFY(flagged(ui->H6));
    w->btSetClick();
    const QStringList writes = writesIn(m_device->requestLog());
    QCOMPARE(writes.size(), 2);
    QVERIFY(writes.at(0).startsWith("H2=") && writes.at(1).startsWith("H6="));
    QCOMPARE(stored("H2").toDouble(), 50000.1234);
    QCOMPARE(stored("H6").toDouble(), 50000.1234 + stored("H4").toDouble());
    // Passing through H2 without an edit leaves H6 alone.
    QApplication::sendEvent(ui->H2, &out);
    QVERIFY(!flagged(ui->H6));

    // A total below 1 is written without a zero before the point.
    clearLogs();
    typeInto(ui->H2, "0.1");
    typeInto(ui->H4, "0.15");
    QApplication::sendEvent(ui->H4, &out);
    w->btSetClick();
    QCOMPARE(writesIn(m_device->requestLog()).filter("H6="), QStringList{"H6=.25"});
    QCOMPARE(stored("H6").toDouble(), 0.25);
    QCOMPARE(boxIds(), QList<int>{520});

    // Two pulse inputs: a V2x device learns them from P38 alone, a V1x
    // device gets P38 and then P37.
    for (int generation : {2, 1}) {
        w = openWindow(generation, 1);
        ui = WindowUi(*w);
        choose(ui->P37, "2");
        QCOMPARE(ui->P38->value(), 1);
        QVERIFY(ui->P38->isVisibleTo(w) && ui->P38->isEnabled());
        w->btSetClick();
        QCOMPARE(writesIn(m_device->requestLog()),
                 generation == 2 ? QStringList{"P38=1"} : (QStringList{"P38=1", "P37=2"}));
        QCOMPARE(stored("P38"), QStringLiteral("1"));
        // Showing the page again is no edit.
        w->TabbedNotebook1Click();
        QVERIFY(!flagged(ui->P37) && !flagged(ui->P38) && !ui->btSet->isEnabled());
    }

    // A V1x device reports P37 itself: a warning count of 0 shown from the
    // device neither changes the shown inputs nor marks them.
    m_device->control("set P38 0");
    w->TabbedNotebook1Click();
    QCOMPARE(ui->P37->currentText(), QStringLiteral("2"));
    QVERIFY(!flagged(ui->P37));

    // V1x: the output function goes to P16 by its V1x code, the pulse value
    // to P17; a function the device has no code for is never written.
    ui->TabbedNotebook1->setCurrentIndex(0);
    clearLogs();
    choose(ui->P310, "Imp.-Ausg. Vn, gesamt");
    choose(ui->P311, "100");
    w->btSetClick();
    QCOMPARE(writesIn(m_device->requestLog()), (QStringList{"P17=100", "P16=3"}));
    clearLogs();
    ui->P310->setCurrentIndex(3);
    emit ui->P310->activated(3);
    w->btSetClick();
    QVERIFY(writesIn(m_device->requestLog()).isEmpty());
    QCOMPARE(boxIds(), QList<int>{518});
    QCOMPARE(stored("P16"), QStringLiteral("3"));
}

void EditingTest::failuresKeepTheirMarksAndSayWhy()
{
    auto *w = openWindow(2, 1);
    WindowUi ui(*w);
    QVERIFY(QTest::qWaitForWindowActive(w));

    m_device->control("fail P4 ER04");
    choose(ui->P4, "10");
    w->btSetClick();
    QCOMPARE(boxIds(), QList<int>{518});
    QVERIFY(m_boxes->shown.last().caption.endsWith(" -104"));
    QVERIFY(flagged(ui->P4) && ui->btSet->isEnabled());
    m_device->control("fail clear");

    // Both halves of a refused L27 stay marked; it is tried (and reported) once.
    w->ResetChangeFlagsAndDisableButtons();
    m_device->control("fail L27 ER05");
    clearLogs();
    ui->L27Low->setValue(-5);
    ui->L27High->setValue(35);
    w->btSetClick();
    QCOMPARE(writesIn(m_device->requestLog()), QStringList{"L27=-5;35"});
    QCOMPARE(boxIds(), QList<int>{518});
    QVERIFY(flagged(ui->L27Low) && flagged(ui->L27High));
    m_device->control("fail clear");
    w->ResetChangeFlagsAndDisableButtons();
    choose(ui->P4, "10");

    // Unconfirmed: counted as written only when the read-back is equal.
    m_device->control("noconfirm on");
    clearLogs();
    w->btSetClick();
    QCOMPARE(boxIds(), QList<int>{520});
    QCOMPARE(stored("P4"), QStringLiteral("10"));
    m_device->control("noconfirm lost");
    clearLogs();
    typeInto(ui->L157, "293.15");
    w->btSetClick();
    QCOMPARE(boxIds(), QList<int>{518});
    QVERIFY(m_boxes->shown.last().caption.endsWith(" -13"));
    QVERIFY(flagged(ui->L157));
    m_device->control("noconfirm off");

    // The first field fails its range, the second is written; no success,
    // the focus on the failed one.
    clearLogs();
    ui->L157->clear();
    w->ResetChangeFlagsAndDisableButtons();
    typeInto(ui->P3, "56.0");
    choose(ui->P4, "100");
    ui->btSet->setFocus();
    w->btSetClick();
    QCOMPARE(writesIn(m_device->requestLog()), QStringList{"P4=100"});
    QCOMPARE(boxIds(), QList<int>{530});
    QVERIFY(m_boxes->shown.first().text.contains("Ersatztemperatur"));
    QVERIFY(ui->P3->hasFocus() && flagged(ui->P3) && ui->btSet->isEnabled());

    // An emptied number fails its field with a message naming it; the other
    // changes are still written.
    ui->TabbedNotebook1->setCurrentIndex(0);
    m_boxes->answers = {IdNo}; // drop the pending P3
    clearLogs();
    ui->L18->clear();
    choose(ui->P311, "10");
    w->btSetClick();
    QCOMPARE(writesIn(m_device->requestLog()), QStringList{"P311=10"});
    QCOMPARE(boxIds(), QList<int>{591});
    QCOMPARE(m_boxes->shown.first().args.value(0), QString("L18"));
    QVERIFY(flagged(ui->L18) && !flagged(ui->P311) && ui->L18->hasFocus());

    // "Verwerfen" on the calibration page empties the new values.
    ui->btSet->setEnabled(false);
    ui->TabbedNotebook1->setCurrentIndex(4);
    typeInto(ui->P147neu, "1234");
    ui->btCancel->click();
    QVERIFY(ui->P147neu->text().isEmpty() && !flagged(ui->P147neu));
    QVERIFY(!ui->btSet->isEnabled() && !ui->btCancel->isEnabled());
}

// With the calibration lock closed, typing and clicking into the class-E
// fields reaches no write frame.
void EditingTest::closedCalibrationLockLetsNoWriteOut()
{
    auto *w = openWindow(2, 0, false);
    QVERIFY(QTest::qWaitForWindowActive(w));
    // A warning count shows P38; it is still locked with its class.
    m_device->control("set P38 3");
    for (int page : {0, 1, 2, 4}) {
        WindowUi(*w)->TabbedNotebook1->setCurrentIndex(page);
        for (QWidget *field :
             WindowUi(*w)->TabbedNotebook1->widget(page)->findChildren<QWidget *>()) {
            if (!(componentTag(field) & TagCalibrationLock))
                continue;
            QVERIFY2(!field->isEnabled(), qPrintable(field->objectName()));
            QTest::mouseClick(field, Qt::LeftButton);
            QTest::keyClicks(field, "12");
            QTest::keyClick(field, Qt::Key_Down);
        }
        QTest::mouseClick(WindowUi(*w)->btSet, Qt::LeftButton);
        w->btSetClick();
    }
    QCOMPARE(writesIn(m_device->requestLog()), QStringList{});
}

void EditingTest::calibrationReadsBothPoints()
{
    auto *w = openWindow(2, 4);
    WindowUi ui(*w);
    m_device->control("temp -20");
    ui->btReadLowerTemp->click();
    QVERIFY(!ui->P170->text().isEmpty() && !ui->btCalcOffsetAndGradient->isEnabled());
    m_device->control("temp 40");
    ui->btReadUpperTemp->click();
    QVERIFY(ui->btCalcOffsetAndGradient->isEnabled());
    // The sensor left at the high point: the same text twice.
    ui->btReadLowerTemp->click();
    QCOMPARE(boxIds(), QList<int>{542});
    QVERIFY(!ui->btCalcOffsetAndGradient->isEnabled());
    QCOMPARE(readsIn(m_device->requestLog()).filter("P17"), (QStringList{"P170", "P171", "P170"}));

    // V1x: both buttons read P28, each into its own field.
    w = openWindow(1, 4);
    ui = WindowUi(*w);
    m_device->control("temp -20");
    ui->btReadLowerTemp->click();
    const QString low = ui->P170->text();
    m_device->control("temp 40");
    ui->btReadUpperTemp->click();
    QCOMPARE(ui->P170->text(), low);
    QVERIFY(!ui->P171->text().isEmpty() && ui->P171->text() != low);
    QCOMPARE(readsIn(m_device->requestLog()), (QStringList{"P28", "P28"}));
    QVERIFY(ui->btCalcOffsetAndGradient->isEnabled());
}

// The device measures `low` and `high` (as texts of its own), and the two
// "Lesen" read them; an empty `high` is a point never read.
void EditingTest::setMeasured(const QString &low, const QString &high)
{
    WindowUi ui(*m_window);
    m_device->control("set P170 " + low.toStdString());
    ui->btReadLowerTemp->click();
    if (!high.isEmpty()) {
        m_device->control("set P171 " + high.toStdString());
        ui->btReadUpperTemp->click();
    }
}

void EditingTest::newOffsetAndGradient_data()
{
    QTest::addColumn<QString>("oldOffset");
    QTest::addColumn<QString>("low");
    QTest::addColumn<QString>("high");
    QTest::addColumn<QString>("offset");
    QTest::addColumn<QString>("gradient");
    // References -20.0 and 40.0, old gradient 2040.
    // clang-format off
    QTest::newRow("measured = references") << "123" << "-20.0" << "40.0" << " 123" << "2040";
    QTest::newRow("both 0.4 K high") << "2725" << "-19.6" << "40.4" << "2721" << "2040";
    QTest::newRow("out of range: refused") << "0" << "0.0" << "10.0" << "" << "";
    // clang-format on
}

void EditingTest::newOffsetAndGradient()
{
    auto *w = openWindow(2, 4);
    WindowUi ui(*w);
    QFETCH(QString, oldOffset);
    m_device->control("set P147 " + oldOffset.toStdString());
    m_device->control("set P148 2040");
    w->TabbedNotebook1Click(); // the page shows the old values
    QFETCH(QString, low);
    QFETCH(QString, high);
    setMeasured(low, high);
    ui->btCalcOffsetAndGradient->click();
    QFETCH(QString, offset);
    if (offset.isEmpty()) {
        // The result lies outside 0..4095: nothing is offered for writing.
        QCOMPARE(boxIds(), QList<int>{598});
        QVERIFY(ui->P147neu->text().trimmed().isEmpty() && ui->P148neu->text().trimmed().isEmpty());
        QVERIFY(!flagged(ui->P147neu) && !flagged(ui->P148neu) && !ui->btSet->isEnabled());
        return;
    }
    QTEST(shown(ui->P147neu), "offset");
    QTEST(shown(ui->P148neu), "gradient");
    QVERIFY(boxIds().isEmpty());
    QVERIFY(flagged(ui->P147neu) && flagged(ui->P148neu) && ui->btSet->isEnabled());

    // "Setzen" writes both to the device.
    w->btSetClick();
    QCOMPARE(stored("P147"), ui->P147neu->text());
    QCOMPARE(stored("P148"), ui->P148neu->text());
    QCOMPARE(ui->P147old->text(), ui->P147neu->text());
}

void EditingTest::calibrationWithoutTwoPointsComputesNothing()
{
    auto *w = openWindow(2, 4);
    WindowUi ui(*w);
    typeInto(ui->TempHighRef, "60.0");
    setMeasured("-20.0", "40.0");
    ui->btCalcOffsetAndGradient->click();
    QCOMPARE(boxIds(), QList<int>{530});
    QVERIFY(ui->P147neu->text().isEmpty());

    // Texts that differ only in form are one point: the divisor would be 0.
    clearLogs();
    typeInto(ui->TempHighRef, "40.0");
    setMeasured("20", "20.0");
    ui->btCalcOffsetAndGradient->click();
    QCOMPARE(boxIds(), QList<int>{542});
    QVERIFY(ui->P147neu->text().isEmpty() && !flagged(ui->P147neu));
    QVERIFY(!ui->btCalcOffsetAndGradient->isEnabled());

    // A point never read (a failed read leaves its text empty): the box
    // names it.
    w = openWindow(2, 4);
    ui = WindowUi(*w);
    setMeasured("-20.0", "");
    clearLogs();
    w->calibrationPage()->btCalcOffsetAndGradientClick();
    QCOMPARE(boxIds(), QList<int>{574});
    QCOMPARE(m_boxes->shown.first().captionId, 500);
    QCOMPARE(m_boxes->shown.first().args, (QStringList{"P171", ""}));
    QVERIFY(ui->P147neu->text().isEmpty());
}

void EditingTest::counterReset()
{
    for (int generation : {2, 1}) {
        auto *w = openWindow(generation, 2);
        m_device->control("set H1 00000123.45");
        m_boxes->answers = {IdNo, IdYes};
        WindowUi(*w)->btDeleteAllCounter->click();
        QVERIFY(m_device->requestLog().empty());
        WindowUi(*w)->btDeleteAllCounter->click();
        QCOMPARE(writesIn(m_device->requestLog()),
                 QStringList{generation == 2 ? "P48=1" : "P48=0"});
        QCOMPARE(stored("H1").toDouble(), 0.0);
        QVERIFY(readsIn(m_device->requestLog()).contains("H1"));
        QCOMPARE(m_session->values().H[1], QStringLiteral("00000000.00"));
        QCOMPARE(m_session->values().H[6], QStringLiteral("00000000.0000"));
        QCOMPARE(boxIds(), (QList<int>{540, 540}));
        // Enter on the question must not reset the counters.
        QVERIFY(m_boxes->shown.first().flags & MbDefaultNo);
    }
    m_device->control("fail P48 ER04");
    clearLogs();
    WindowUi(*m_window)->btDeleteAllCounter->click();
    QCOMPARE(boxIds(), (QList<int>{540, 541}));
    QVERIFY(m_boxes->shown.last().caption.endsWith(" -104"));
}

// A refused write, then Yes to the page question: the page is read again
// and shows what the device kept. That is no edit: "Setzen" must not
// write the old value back later.
void EditingTest::aPageReadAgainHasNoChanges()
{
    auto *w = openWindow(2, 1);
    WindowUi ui(*w);
    const QString before = stored("P4");
    m_device->control("lock close"); // the device refuses the write (ER04)
    choose(ui->P4, before == "10" ? "100" : "10");
    m_boxes->answers = {IdYes};
    ui->TabbedNotebook1->setCurrentIndex(2);
    QCOMPARE(boxIds(), (QList<int>{513, 518}));
    QCOMPARE(ui->TabbedNotebook1->currentIndex(), 1);
    QCOMPARE(ui->P4->currentText(), before);
    QVERIFY(!flagged(ui->P4));
    QVERIFY(!ui->btSet->isEnabled() && !ui->btCancel->isEnabled());
    m_device->control("lock open");
    clearLogs();
    w->btSetClick();
    QCOMPARE(writesIn(m_device->requestLog()), QStringList{});
}

void EditingTest::focusStaysWhereTheUserWas()
{
    auto *w = openWindow(2, 0);
    WindowUi ui(*w);
    QVERIFY(QTest::qWaitForWindowActive(w));
    QTest::mouseClick(ui->L18, Qt::LeftButton);
    QVERIFY(ui->L18->hasFocus());
    typeInto(ui->L18, "4711");
    QTest::mouseClick(ui->btSet, Qt::LeftButton);
    QCOMPARE(stored("L18"), QStringLiteral("000000004711"));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(ui->L18));

    QTest::mouseClick(ui->L123, Qt::LeftButton);
    typeInto(ui->L123, "99");
    QTest::mouseClick(ui->btCancel, Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(ui->L123));

    // A failure takes the focus to the first failed field.
    m_device->control("fail L124 ER03");
    QTest::mouseClick(ui->L18, Qt::LeftButton);
    typeInto(ui->L124, "5");
    typeInto(ui->L18, "4712");
    QTest::mouseClick(ui->btSet, Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(ui->L124));
}

// A reference temperature the calculation has checked is kept in memory
// until the program ends: leaving and entering the page shows it again,
// although the settings file still has the old one.
void EditingTest::checkedReferencesOutliveThePage()
{
    auto *w = openWindow(2, 4);
    WindowUi ui(*w);
    typeInto(ui->TempLowRef, "18.5");
    setMeasured("18.5", "40.0");
    ui->btCalcOffsetAndGradient->click();
    QVERIFY(boxIds().isEmpty());
    QCOMPARE(m_session->values().TempLowRef, QStringLiteral("18.5"));
    m_boxes->answers = {IdNo}; // the calculated offset and gradient are dropped
    ui->TabbedNotebook1->setCurrentIndex(0);
    ui->TabbedNotebook1->setCurrentIndex(4);
    QCOMPARE(ui->TempLowRef->text().trimmed(), QStringLiteral("18.5"));
    QVERIFY(!m_settings->read("PXRQ60.INI").contains("TEMPLOW=18.5"));
}

QTEST_MAIN(EditingTest)
#include "tst_editing.moc"
