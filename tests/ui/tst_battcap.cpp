// The battery capacity dialog against a simulated device behind a
// pseudo-terminal, through the real drivers: what it shows on opening, the
// arrows' limits, writing the capacity, failed and unconfirmed writes, and
// how "Ok" and "Verwerfen" close it. Each check asks the device what it
// stored.
#include "addresstable.h"
#include "battcap.h"
#include "commclass.h"
#include "componentkind.h"
#include "devicesession.h"
#include "devicevalues.h"
#include "helpentry.h"
#include "langsupp.h"
#include "ptyserver.h"
#include "testsupport.h"
#include "ui_battcap.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <memory>

class BattCapTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void opensWithTheDeviceValue();
    void failedReadLeavesTheFieldsEmpty();
    void arrowsStopAtTheirLimits_data();
    void arrowsStopAtTheirLimits();
    void setWritesAndShowsTheMonths_data();
    void setWritesAndShowsTheMonths();
    void failedOrUnconfirmedWrite_data();
    void failedOrUnconfirmedWrite();
    void okAndCancel_data();
    void okAndCancel();
    void okWithAnIncompleteCapacityStaysOpen();

private:
    std::unique_ptr<TFormBattCap> openDialog(const QByteArray &l35);
    std::string control(const std::string &command);
    bool pending(TFormBattCap &d) const;

    std::unique_ptr<SettingsSandbox> m_settings;
    std::unique_ptr<DeviceSession> m_session;
    std::unique_ptr<MessageRecorder> m_boxes;
    std::unique_ptr<rq60::PtyServer> m_device;
};

void BattCapTest::initTestCase()
{
    useBuiltProgramDirectory();
    m_settings = std::make_unique<SettingsSandbox>();
    m_settings->write(QStringLiteral("PXRQ60.INI"), "[COMMON]\r\nLANGUAGE=DE\r\n");
    LoadLanguageLibrary(QStringLiteral("DE"));
    QVERIFY(LanguageLibraryLoaded());

    m_device = std::make_unique<rq60::PtyServer>(2);
    qputenv("SLINE_32_COM1", QByteArray::fromStdString(m_device->start()));
    // The device's clock stands still, so the battery does not drain
    // between a write and the check of what the device holds.
    control("freeze on");
    m_session = std::make_unique<DeviceSession>();
    TComm comm;
    comm.Com = 1;
    comm.Init = QStringLiteral("4800,N,8,1,BIN,RS0,DS0");
    QVERIFY(m_session->connectDevice(comm));
}

void BattCapTest::cleanupTestCase()
{
    m_session.reset();
    m_device.reset();
    FreeLanguageLibrary();
}

void BattCapTest::init()
{
    m_boxes = std::make_unique<MessageRecorder>();
    control("fail clear");
    control("noconfirm off");
    control("clearlog");
}

std::string BattCapTest::control(const std::string &command)
{
    std::string reply;
    m_device->control(command, &reply);
    return reply;
}

std::unique_ptr<TFormBattCap> BattCapTest::openDialog(const QByteArray &l35)
{
    control("set L35 " + l35.toStdString());
    auto d = std::make_unique<TFormBattCap>(*m_session);
    d->show();
    return d;
}

// The change mark of RestCap, which "Verwerfen" and "Setzen" must follow.
bool BattCapTest::pending(TFormBattCap &d) const
{
    const bool marked = componentTag(d.ui()->RestCap) & TagChangeFlag;
    if (marked != d.ui()->btSet->isEnabled() || marked != d.ui()->btCancel->isEnabled())
        QTest::qFail("change mark and buttons disagree", __FILE__, __LINE__);
    return marked;
}

void BattCapTest::opensWithTheDeviceValue()
{
    auto d = openDialog("9.5;120");
    QCOMPARE(d->ui()->RestCap->text(), QStringLiteral("9.5"));
    QCOMPARE(d->ui()->RestRunTime->text(), QStringLiteral("120"));
    QCOMPARE(m_session->values().L[35], QStringLiteral("9.5;120"));
    QVERIFY(!pending(*d));
    QVERIFY(m_boxes->shown.isEmpty());
    QCOMPARE(d->windowTitle(), langText(4000));
    QCOMPARE(d->ui()->btCancel->text(), langText(4006));

    d->BtHelpClick();
    QCOMPARE(recordedHelpRequests().last().keyword, QStringLiteral("Batterie_Nennkapazit_t"));
}

void BattCapTest::failedReadLeavesTheFieldsEmpty()
{
    control("set L35 1.0;013");
    QCOMPARE(m_session->readValues(QStringLiteral("L35")), 0); // an earlier read
    control("fail L35 ER05");
    auto d = openDialog("9.5;120");
    QCOMPARE(m_boxes->textIds(), QList<int>{603});
    QCOMPARE(m_boxes->shown[0].caption, langText(500) + QStringLiteral(" -105"));
    QVERIFY(d->ui()->RestCap->text().remove('.').isEmpty());
    QVERIFY(d->ui()->RestRunTime->text().isEmpty());
    QVERIFY(!pending(*d));

    // With no capacity to step from, an arrow reports it and changes nothing.
    d->ui()->SpinButton1Up->click();
    QCOMPARE(m_boxes->shown.size(), 2);
    QCOMPARE(m_boxes->shown[1].captionId, 500);
    QVERIFY(!pending(*d));
}

void BattCapTest::arrowsStopAtTheirLimits_data()
{
    QTest::addColumn<QByteArray>("start");
    QTest::addColumn<bool>("up");
    QTest::addColumn<QString>("shown");
    QTest::newRow("up to the top") << QByteArray("9.8") << true << "9.9";
    QTest::newRow("up at the top") << QByteArray("9.9") << true << "9.9";
    QTest::newRow("down to the bottom") << QByteArray("0.2") << false << "0.1";
    QTest::newRow("down at the bottom") << QByteArray("0.1") << false << "0.1";
    QTest::newRow("up from a typed 0.0") << QByteArray("0.0") << true << "0.1";
}

void BattCapTest::arrowsStopAtTheirLimits()
{
    QFETCH(QByteArray, start);
    QFETCH(bool, up);
    QFETCH(QString, shown);
    auto d = openDialog(start);
    (up ? d->ui()->SpinButton1Up : d->ui()->SpinButton1Down)->click();
    QCOMPARE(d->ui()->RestCap->text(), shown);
    // A step is an edit like a typed one; a step that does nothing is none.
    QCOMPARE(pending(*d), shown != QString::fromLatin1(start));
    QVERIFY(m_boxes->shown.isEmpty());
}

void BattCapTest::setWritesAndShowsTheMonths_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("months");
    QTest::newRow("5.0 Ah") << "5.0"
                            << "63";
    QTest::newRow("one month left") << "0.1"
                                    << "1";
    QTest::newRow("flat battery") << "0.0"
                                  << "0";
}

void BattCapTest::setWritesAndShowsTheMonths()
{
    QFETCH(QString, typed);
    QFETCH(QString, months);
    auto d = openDialog("9.5;120");
    QSignalSpy handedOn(d.get(), &TFormBattCap::runTimeWritten);
    d->ui()->RestCap->selectAll();
    QTest::keyClicks(d->ui()->RestCap, QString(typed).remove('.'));
    QCOMPARE(d->ui()->RestCap->text(), typed);
    QVERIFY(pending(*d));

    d->ui()->btSet->click();
    const std::string written = "W1 L35(" + typed.toStdString() + ")";
    const std::vector<std::string> log = m_device->requestLog();
    QVERIFY(std::find(log.begin(), log.end(), written) != log.end());
    QCOMPARE(QString::fromStdString(control("get L35")).left(7), "L35=" + typed);
    QCOMPARE(d->RestRunTimeText(), months);
    QCOMPARE(handedOn.size(), 1);
    QCOMPARE(handedOn[0][0].toString(), months);
    QCOMPARE(m_session->values().L[35].left(4), typed + ';');
    QVERIFY(!pending(*d));
    QCOMPARE(m_boxes->textIds(), QList<int>{600});
    QCOMPARE(m_boxes->shown[0].args, QStringList{months});
    QCOMPARE(m_boxes->shown[0].captionId, 501);
}

void BattCapTest::failedOrUnconfirmedWrite_data()
{
    QTest::addColumn<QByteArray>("fault");
    QTest::addColumn<int>("box");
    QTest::addColumn<QString>("arg");
    QTest::addColumn<QString>("deviceHolds");
    QTest::newRow("refused") << QByteArray("fail L35 ER04") << 601 << "-104"
                             << "9.5;120";
    QTest::newRow("unanswered, not taken") << QByteArray("noconfirm lost") << 601 << "-13"
                                           << "9.5;120";
    // The read-back finds the new capacity: the write counts as done.
    QTest::newRow("unanswered, taken") << QByteArray("noconfirm on") << 600 << "119"
                                       << "9.4;119";
}

void BattCapTest::failedOrUnconfirmedWrite()
{
    QFETCH(QByteArray, fault);
    QFETCH(int, box);
    QFETCH(QString, arg);
    QFETCH(QString, deviceHolds);
    auto d = openDialog("9.5;120");
    QSignalSpy handedOn(d.get(), &TFormBattCap::runTimeWritten);
    d->ui()->SpinButton1Down->click();
    control(fault.toStdString());
    d->btSetClick();
    control("fail clear");
    control("noconfirm off");

    QCOMPARE(QString::fromStdString(control("get L35")), "L35=" + deviceHolds);
    QCOMPARE(m_boxes->textIds(), QList<int>{box});
    QCOMPARE(m_boxes->shown[0].args, QStringList{arg});
    const bool written = box == 600;
    QCOMPARE(pending(*d), !written);
    QCOMPARE(handedOn.size(), written ? 1 : 0);
    QCOMPARE(d->RestRunTimeText(), written ? arg : QStringLiteral("120"));
}

void BattCapTest::okAndCancel_data()
{
    QTest::addColumn<bool>("edit");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("writeFails");
    QTest::addColumn<QList<int>>("boxes");
    QTest::addColumn<QString>("deviceHolds");
    const QString before = QStringLiteral("9.5;120"), after = QStringLiteral("9.4;119");
    QTest::newRow("ok, nothing changed") << false << true << 0 << false << QList<int>{} << before;
    QTest::newRow("ok, edit, No") << true << true << int(IdNo) << false << QList<int>{602}
                                  << before;
    QTest::newRow("ok, edit, Yes")
        << true << true << int(IdYes) << false << QList<int>{602, 600} << after;
    QTest::newRow("ok, edit, Yes, write fails")
        << true << true << int(IdYes) << true << QList<int>{602, 601} << before;
    QTest::newRow("cancel, edit") << true << false << 0 << false << QList<int>{} << before;
}

void BattCapTest::okAndCancel()
{
    QFETCH(bool, edit);
    QFETCH(bool, ok);
    QFETCH(int, answer);
    QFETCH(bool, writeFails);
    QFETCH(QList<int>, boxes);
    QFETCH(QString, deviceHolds);
    auto d = openDialog("9.5;120");
    if (edit)
        d->ui()->SpinButton1Down->click();
    if (writeFails)
        control("fail L35 ER03");
    m_boxes->answers = {answer};
    (ok ? d->ui()->btOK : d->ui()->btCancel)->click();
    control("fail clear");

    QVERIFY(!d->isVisible());
    QCOMPARE(d->result(), int(ok ? QDialog::Accepted : QDialog::Rejected));
    QCOMPARE(m_boxes->textIds(), boxes);
    QCOMPARE(QString::fromStdString(control("get L35")), "L35=" + deviceHolds);
}

void BattCapTest::okWithAnIncompleteCapacityStaysOpen()
{
    auto d = openDialog("9.5;120");
    d->ui()->RestCap->end(false);
    QTest::keyClick(d->ui()->RestCap, Qt::Key_Backspace);
    QVERIFY(pending(*d));
    d->ui()->btOK->click(); // Yes to writing it: "9." cannot be written
    QCOMPARE(m_boxes->textIds(), (QList<int>{602, 571}));
    QCOMPARE(m_boxes->shown[1].captionId, 500);
    QCOMPARE(m_boxes->shown[1].args, (QStringList{"L35", "9."}));
    QVERIFY(d->isVisible());
    QCOMPARE(QString::fromStdString(control("get L35")), QStringLiteral("L35=9.5;120"));
}

QTEST_MAIN(BattCapTest)
#include "tst_battcap.moc"
