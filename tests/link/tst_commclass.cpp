// The link object and the request helpers against recording stand-ins for
// the driver libraries: the order of the driver calls, and the edge cases a
// real device cannot be made to show on demand.
#include "commclass.h"
#include "devicevalues.h"
#include "dsmodul.h"
#include "linkfixture.h"
#include "linkstatus.h"
#include "programpath.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QLoggingCategory>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <cstring>
#include <dlfcn.h>

using FakeSet = void (*)(const char *, const char *);

class TestCommClass : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void openAndCloseInDriverOrder();
    void emptyInitStringRaisesBeforeAnyDriverCall();
    void emptyPortRaises();
    void failingOpenReportsStatusAndStaysClosed();
    void setPortWhileConnectedRaises();
    void loadFailures();
    void readsListOnceInAscendingOrder();
    void readListMatching_data();
    void readListMatching();
    void failedReadKeepsOldTextAndLastStatus();
    void answerWithoutEqualsIsAFailedRead();
    void silenceEndsTheList();
    void writeAnswerWithoutEqualsKeepsTheValue();
    void storeValue();
    void checkTickSkipsWhileBusy();
    void lockChangesArePostedNotRaised();
    void undeterminedLockIsAlwaysReported();
    void failedCheckClosesAndReportsLoss();
    void deviceAnswerInTheCheckProvesTheLinkAlive();
    void failedConnectGivesThePortBack();
    void withoutDriversNeverConnected();
    void overlongOpenTextIsRefused();
    void everyStatusHasAMeaning();
    void loggingNamesCallsButNeverKeys();
    void checkIntervalZeroNeverStartsTimer();
    void clearingOptionStopsTimer();
    void dsReadout();
    void dsBlockCounts_data();
    void dsBlockCounts();
    void dsFailedFieldsAndLengths();
    void dsRecordTooLongIsReportedNotCut();

private:
    QStringList calls();
    void set(const char *lib, const char *key, const char *value);
    TCommClass *openWn(uint8_t options = 30, uint16_t interval = 0);

    QTemporaryDir m_dir;
    QString m_log;
    void *m_libs[3] = {};
    FakeSet m_set[3] = {};
    MessageRecorder *m_rec = nullptr;
    SettingsSandbox *m_settings = nullptr;
};

void TestCommClass::initTestCase()
{
    m_log = m_dir.filePath("calls.log");
    qputenv("FAKE_DRIVER_LOG", QFile::encodeName(m_log));
    const char *names[3] = {"sline_32.so", "pcola_32.so", "pcolb_32.so"};
    for (int i = 0; i < 3; ++i) {
        m_libs[i] = dlopen((QByteArray(PX_FAKE_DRIVERS "/") + names[i]).constData(), RTLD_NOW);
        QVERIFY2(m_libs[i], dlerror());
        m_set[i] = reinterpret_cast<FakeSet>(dlsym(m_libs[i], "fake_set"));
        QVERIFY(m_set[i]);
    }
    TCommClass::setDriverDirectory(PX_FAKE_DRIVERS);
    // The real texts, so the messages can be checked for their arguments.
    m_settings = new SettingsSandbox;
    useBuiltProgramDirectory();
    LoadLanguageLibrary(QStringLiteral("DE"));
}

void TestCommClass::cleanupTestCase()
{
    FreeLanguageLibrary();
    delete m_settings;
}

void TestCommClass::init()
{
    QFile::remove(m_log);
    DeviceValues.clear();
    m_rec = new MessageRecorder;
}

void TestCommClass::cleanup()
{
    destroyCurrentLink();
    delete m_rec;
    // Forget every setting the test made.
    for (const char *lib : {"sline_32", "pcola_32", "pcolb_32"})
        for (const char *key :
             {"status.0",  "status.2", "status.4", "status.3",    "receive",
              "fail.L7",   "fail.L34", "fail.P4",  "answer.L8",   "answer.L4",
              "answer.P4", "fail.n",   "answer.b", "answer.Y",    "fail.x",
              "answer.x",  "status.1", "fail.L4",  "fail.P4=0.1", "answer.P4=0.1"})
            set(lib, key, nullptr);
}

void TestCommClass::set(const char *lib, const char *key, const char *value)
{
    const int i = QByteArray(lib) == "sline_32" ? 0 : QByteArray(lib) == "pcola_32" ? 1 : 2;
    m_set[i](key, value);
}

QStringList TestCommClass::calls()
{
    QFile f(m_log);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList l = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    return l;
}

TCommClass *TestCommClass::openWn(uint8_t options, uint16_t interval)
{
    TCommClass *link = replaceCurrentLink("WN");
    link->SetPort("COM1");
    link->SetInitString("4800,N,8,1,BIN,RS0,DS0");
    link->SetOptions(options);
    link->CheckInterval = interval;
    link->SetActive(true);
    return link;
}

void TestCommClass::openAndCloseInDriverOrder()
{
    TCommClass *link = openWn();
    QVERIFY(link->IsConnected());
    QCOMPARE(int(link->State), 7);
    QCOMPARE(calls(),
             (QStringList{"sline_32 0", "sline_32 2 COM1:4800,N,8,1,BIN,RS0,DS0", "pcola_32 0",
                          "pcola_32 10", "pcola_32 1", "pcola_32 2", "pcola_32 4 L4"}));
    QFile::remove(m_log);
    link->SetActive(false);
    QVERIFY(!link->IsConnected());
    QCOMPARE(int(link->State), 0); // option 16: line closed, libraries unloaded
    QCOMPARE(calls(), (QStringList{"pcola_32 6", "pcola_32 6", "pcola_32 7", "pcola_32 8",
                                   "sline_32 6", "sline_32 8"}));
    // Unloaded libraries come back at the next open.
    QFile::remove(m_log);
    link->SetActive(true);
    QVERIFY(link->IsConnected());
    QCOMPARE(calls().first(), QString("sline_32 0"));
}

void TestCommClass::emptyInitStringRaisesBeforeAnyDriverCall()
{
    TCommClass *link = replaceCurrentLink("WN");
    link->SetPort("COM1");
    try {
        link->SetActive(true);
        QFAIL("no exception");
    } catch (const TCommClassException &e) {
        QCOMPARE(e.id(), 9003);
    }
    QVERIFY(calls().isEmpty());
    QVERIFY(!link->IsConnected());
}

void TestCommClass::emptyPortRaises()
{
    TCommClass *link = replaceCurrentLink("WN");
    link->SetInitString("4800,N,8,1,BIN,RS0,DS0");
    QVERIFY_THROWS_EXCEPTION(TCommClassException, link->SetActive(true));
    QVERIFY(calls().isEmpty());
}

void TestCommClass::failingOpenReportsStatusAndStaysClosed()
{
    set("sline_32", "status.2", "-5");
    try {
        openWn(30, 50);
        QFAIL("no exception");
    } catch (const TCommClassException &e) {
        QCOMPARE(e.id(), 9004);
        QVERIFY(e.message().contains("-5"));
    }
    QCOMPARE(int(currentLink()->State), int(TCommClass::StLoaded));
    set("sline_32", "status.2", nullptr);

    set("pcola_32", "status.4", "-7"); // the first check fails
    try {
        currentLink()->SetActive(true);
        QFAIL("no exception");
    } catch (const TCommClassException &e) {
        QCOMPARE(e.id(), 9006);
        QVERIFY(e.message().contains("-7"));
    }
    QVERIFY(!currentLink()->IsConnected());
    QVERIFY(!currentLink()->timerRunning());
    set("pcola_32", "status.4", nullptr);

    set("pcola_32", "status.1", "-1");
    currentLink()->CloseLine();
    try {
        currentLink()->SetActive(true);
        QFAIL("no exception");
    } catch (const TCommClassException &e) {
        QCOMPARE(e.id(), 9005);
    }
    QVERIFY(!(currentLink()->State & TCommClass::StLineOpen));
}

void TestCommClass::setPortWhileConnectedRaises()
{
    TCommClass *link = openWn();
    QVERIFY_THROWS_EXCEPTION(TCommClassException, link->SetPort("COM2"));
    QCOMPARE(link->PortName, QString("COM1"));
    QVERIFY_THROWS_EXCEPTION(TCommClassException, link->SetInitString("9600,N,8,1,BIN,RS0,DS0"));
    link->SetActive(false);
    link->SetPort("COM2");
    QCOMPARE(link->PortName, QString("COM2"));
}

void TestCommClass::loadFailures()
{
    TCommClass::setDriverDirectory(PX_BROKEN_DRIVERS);
    // A failed check returns early; the later cases need the fake drivers.
    const auto restore = qScopeGuard([] {
        LoadLanguageLibrary(QStringLiteral("DE"));
        TCommClass::setDriverDirectory(PX_FAKE_DRIVERS);
    });
    try {
        replaceCurrentLink("WN");
        QFAIL("no exception");
    } catch (const TCommClassException &e) {
        QCOMPARE(e.id(), 9000);
        QVERIFY(e.message().contains("pcola_32.so"));
    }
    QVERIFY(!currentLink()); // never left pointing at a half-made link
    try {
        replaceCurrentLink("DS"); // no pcolb_32.so in that folder
        QFAIL("no exception");
    } catch (const TCommClassException &e) {
        QCOMPARE(e.id(), 9001);
        QVERIFY(e.message().contains("pcolb_32.so"));
    }
    // At program start there are no texts yet; the library's name is still
    // in the message.
    FreeLanguageLibrary();
    try {
        replaceCurrentLink("DS");
        QFAIL("no exception");
    } catch (const TCommClassException &e) {
        // ... with the loader's reason.
        QVERIFY2(e.message().startsWith("str9001: 0, pcolb_32.so ("), qPrintable(e.message()));
        // The loader says it in the user's language, as strerror does.
        QVERIFY2(e.message().contains(QString::fromLocal8Bit(std::strerror(ENOENT))),
                 qPrintable(e.message()));
    }
}

void TestCommClass::readsListOnceInAscendingOrder()
{
    openWn();
    QFile::remove(m_log);
    QCOMPARE(ReadValues("L2,L33,L34,L18,L124,L123,L4,L7,L8,L12,L35,P311,P310,L2"), 0);
    QStringList reads;
    for (const QString &c : calls())
        reads << c.section(' ', 2);
    QCOMPARE(reads, (QStringList{"L2", "L4", "L7", "L8", "L12", "L18", "L33", "L34", "L35", "L123",
                                 "L124", "P310", "P311"}));
    QCOMPARE(DeviceValues.L[34], QString("vL34"));
    QCOMPARE(DeviceValues.P[311], QString("vP311"));
}

void TestCommClass::readListMatching_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("blanks") << "L 34, P4" << QStringList{"L34", "P4"};
    QTest::newRow("L4 not matched by L34 or L41") << "L34,L41" << QStringList{"L34", "L41"};
    QTest::newRow("P1 not matched by P14") << "P14" << QStringList{"P14"};
    QTest::newRow("H, L, P order") << "P1,L1,H1" << QStringList{"H1", "L1", "P1"};
    QTest::newRow("P312 never read") << "P312,P311" << QStringList{"P311"};
    QTest::newRow("empty") << "" << QStringList{};
    // What the list contains as letter + number + ",", nothing else.
    QTest::newRow("letters run together") << "PL4,XH7" << QStringList{"H7", "L4"};
    QTest::newRow("leading zero") << "L034,L0" << QStringList{"L0"};
    QTest::newRow("four digits") << "L1034" << QStringList{};
    QTest::newRow("twice") << "L2,L2,L2" << QStringList{"L2"};
}

void TestCommClass::readListMatching()
{
    QFETCH(QString, list);
    QFETCH(QStringList, expected);
    openWn();
    QFile::remove(m_log);
    ReadValues(list);
    QStringList reads;
    for (const QString &c : calls())
        reads << c.section(' ', 2);
    QCOMPARE(reads, expected);
}

void TestCommClass::failedReadKeepsOldTextAndLastStatus()
{
    openWn();
    DeviceValues.L[7] = "old7";
    DeviceValues.L[34] = "old34";
    set("pcola_32", "fail.L7", "-104");
    set("pcola_32", "fail.L34", "-7");
    QCOMPARE(ReadValues("L34,L7,L8"), -7);
    QCOMPARE(DeviceValues.L[7], QString("old7"));
    QCOMPARE(DeviceValues.L[34], QString("old34"));
    QCOMPARE(DeviceValues.L[8], QString("vL8")); // read in between
    QCOMPARE(ReadValues("L8,L7"), -104);
}

void TestCommClass::silenceEndsTheList()
{
    // A device gone silent in the middle of a page: the rest of the list is
    // not read (each address would wait as long again); old texts stay.
    openWn();
    DeviceValues.L[8] = "old8";
    for (const char *st : {"-7", "-8"}) {
        set("pcola_32", "fail.L7", st);
        QFile::remove(m_log);
        QCOMPARE(ReadValues("L2,L7,L8,P4"), atoi(st));
        QCOMPARE(calls(), (QStringList{"pcola_32 4 L2", "pcola_32 4 L7"}));
        QCOMPARE(DeviceValues.L[8], QString("old8"));
    }
    set("pcola_32", "fail.L7", "-104"); // the device answered: go on
    QFile::remove(m_log);
    QCOMPARE(ReadValues("L2,L7,L8"), -104);
    QCOMPARE(calls().size(), 3);
}

void TestCommClass::writeAnswerWithoutEqualsKeepsTheValue()
{
    openWn();
    DeviceValues.P[4] = "0.5";
    set("pcola_32", "answer.P4=0.1", "P4 garbage");
    QString answer = "before";
    QCOMPARE(WriteValue("P4=0.1", &answer), int(drv::DrvUnexpected));
    QCOMPARE(answer, QString("before"));
    QCOMPARE(DeviceValues.P[4], QString("0.5"));
    set("pcola_32", "answer.P4=0.1", nullptr);
}

void TestCommClass::answerWithoutEqualsIsAFailedRead()
{
    openWn();
    DeviceValues.L[8] = "12:00:00";
    set("pcola_32", "answer.L8", "L8 garbage");
    QCOMPARE(ReadValues("L8"), int(drv::DrvUnexpected));
    QCOMPARE(DeviceValues.L[8], QString("12:00:00"));
    set("pcola_32", "answer.L8", "L8=a=b");
    QCOMPARE(ReadValues("L8"), 0);
    QCOMPARE(DeviceValues.L[8], QString("a=b")); // the text after the first "="
}

void TestCommClass::storeValue()
{
    StoreValue("P28", "12.5");
    QCOMPARE(DeviceValues.P[171], QString("12.5")); // side not LOWER
    DeviceValues.TempReadSide = TempPoint::Lower;
    StoreValue("P28", "-3.0");
    QCOMPARE(DeviceValues.P[28], QString("-3.0"));
    QCOMPARE(DeviceValues.P[170], QString("-3.0"));
    QCOMPARE(DeviceValues.P[171], QString("12.5"));
    StoreValue("TempLowRef", "-20.0");
    QCOMPARE(DeviceValues.TempLowRef, QString("-20.0"));
    QCOMPARE(DeviceValues.value("TempLowRef"), QString("-20.0"));
    // Keys outside the store change nothing and write nowhere.
    StoreValue("H221", "x");
    StoreValue("L161", "x");
    StoreValue("P313", "x");
    StoreValue("P99999999", "x");
    StoreValue("Q1", "x");
    StoreValue("", "x");
    StoreValue("P220", "edge");
    QCOMPARE(DeviceValues.P[220], QString("edge"));
    StoreValue("H220", "top");
    QCOMPARE(DeviceValues.H[220], QString("top"));
    QCOMPARE(DeviceValues.value("H220"), QString("top"));
    QCOMPARE(DeviceValues.value("H0220"), QString());
    QCOMPARE(DeviceValues.value("H221"), QString());
}

void TestCommClass::checkTickSkipsWhileBusy()
{
    TCommClass *link = openWn();
    QFile::remove(m_log);
    link->Busy = true;
    link->CheckTick();
    QVERIFY(calls().isEmpty());
    link->Busy = false;
    link->CheckTick();
    QCOMPARE(calls(), QStringList{"pcola_32 4 L4"});
}

void TestCommClass::lockChangesArePostedNotRaised()
{
    set("pcola_32", "answer.L4", "L4=.3.30");
    TCommClass *link = openWn();
    QCOMPARE(int(link->LockState), int(TCommClass::LockOpen));
    QSignalSpy raised(link->notifier(), &LinkNotifier::lockChanged);
    set("pcola_32", "answer.L4", "L4=.3");
    link->CheckTick();
    QCOMPARE(raised.count(), 0); // never from inside the check
    QCOMPARE(int(link->LockState), int(TCommClass::LockClosed));
    QCoreApplication::processEvents();
    QCOMPARE(raised.count(), 1);
    QCOMPARE(raised.at(0).at(0).value<TCommClass *>(), link);
    link->CheckTick(); // unchanged: nothing posted
    QCoreApplication::processEvents();
    QCOMPARE(raised.count(), 1);
    link->SetOptions(30 & ~TCommClass::OptReportLock);
    set("pcola_32", "answer.L4", "L4=30.1");
    link->CheckTick();
    QCoreApplication::processEvents();
    QCOMPARE(raised.count(), 1);
}

void TestCommClass::undeterminedLockIsAlwaysReported()
{
    // A "DS" link never learns the lock state: every check reports 0.
    TCommClass *link = replaceCurrentLink("DS");
    link->SetPort("COM1");
    link->SetInitString("4800,N,8,1,BIN,RS0,DS0");
    link->SetOptions(30);
    link->SetActive(true);
    QCOMPARE(calls().mid(6),
             (QStringList{"sline_32 4", "sline_32 3", "sline_32 7", "sline_32 5", "pcolb_32 4 a"}));
    QSignalSpy raised(link->notifier(), &LinkNotifier::lockChanged);
    link->CheckTick();
    link->CheckTick();
    QCoreApplication::processEvents();
    QCOMPARE(raised.count(), 2);
    QCOMPARE(int(link->LockState), 0);
    // No answer to the three STX bytes is a failed link test, not a success.
    set("sline_32", "receive", "");
    uint8_t lock = 9;
    QCOMPARE(link->CheckLink(lock), int(drv::DrvTimeout));
    QCOMPARE(int(lock), 0);
}

void TestCommClass::failedCheckClosesAndReportsLoss()
{
    set("pcola_32", "answer.L4", "L4=.3");
    TCommClass *link = openWn(30, 40);
    QVERIFY(link->timerRunning());
    QSignalSpy lost(link->notifier(), &LinkNotifier::lostConnection);
    QSignalSpy locks(link->notifier(), &LinkNotifier::lockChanged);
    set("pcola_32", "fail.L4", "-8");
    set("pcola_32", "status.4", "-8");
    QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, 3000);
    QVERIFY(!link->IsConnected());
    QVERIFY(!link->timerRunning());
    QCOMPARE(int(link->LockState), int(TCommClass::LockClosed)); // unchanged
    QCOMPARE(locks.count(), 0);
}

void TestCommClass::deviceAnswerInTheCheckProvesTheLinkAlive()
{
    // ER05 "busy" is the device answering: no reason to end the program.
    set("pcola_32", "answer.L4", "L4=.3");
    TCommClass *link = openWn(30, 0);
    QSignalSpy lost(link->notifier(), &LinkNotifier::lostConnection);
    QSignalSpy locks(link->notifier(), &LinkNotifier::lockChanged);
    set("pcola_32", "fail.L4", "-105");
    link->CheckTick();
    QCoreApplication::processEvents();
    QCOMPARE(lost.count(), 0);
    QCOMPARE(locks.count(), 0);
    QVERIFY(link->IsConnected());
    QCOMPARE(int(link->LockState), int(TCommClass::LockClosed));
    set("pcola_32", "fail.L4", "-7"); // silence is not
    link->CheckTick();
    QCoreApplication::processEvents();
    QCOMPARE(lost.count(), 1);
}

void TestCommClass::failedConnectGivesThePortBack()
{
    // After 9006 the line is closed: no other program finds the port held.
    set("pcola_32", "status.4", "-7");
    try {
        openWn();
        QFAIL("no exception");
    } catch (const TCommClassException &e) {
        QCOMPARE(e.id(), 9006);
        QCOMPARE(e.status(), int32_t(drv::DrvTimeout));
    }
    QVERIFY(!(currentLink()->State & TCommClass::StLineOpen));
    QVERIFY(calls().endsWith("sline_32 8"));
    QVERIFY(calls().contains("sline_32 6"));
}

void TestCommClass::withoutDriversNeverConnected()
{
    TCommClass *link = openWn(30, 40);
    link->UnloadDrivers();
    QCOMPARE(int(link->State), 0);
    QVERIFY(!link->IsConnected());
    QVERIFY(!link->timerRunning());
    uint8_t lock = 9;
    QCOMPARE(link->CheckLink(lock), int(drv::DrvOutOfOrder));
    link->CheckTick(); // nothing to check, nothing to report
    QSignalSpy lost(link->notifier(), &LinkNotifier::lostConnection);
    QCoreApplication::processEvents();
    QCOMPARE(lost.count(), 0);
}

void TestCommClass::overlongOpenTextIsRefused()
{
    TCommClass *link = replaceCurrentLink("WN");
    link->SetPort("COM1");
    link->SetInitString("4800,N,8,1,BIN,RS0,DS0," + QString(300, 'x'));
    try {
        link->SetActive(true);
        QFAIL("no exception");
    } catch (const TCommClassException &e) {
        QCOMPARE(e.id(), 9004);
        QCOMPARE(e.status(), int32_t(drv::DrvBadSettings));
    }
    for (const QString &c : calls())
        QVERIFY2(!c.startsWith("sline_32 2"), qPrintable(c)); // never cut and opened
}

void TestCommClass::everyStatusHasAMeaning()
{
    QList<int32_t> statuses;
    for (int32_t st = drv::DrvOutOfOrder; st >= drv::DrvPortConfig; --st)
        statuses << st;
    for (int nn = 1; nn <= 5; ++nn)
        statuses << drv::deviceError(nn);
    statuses << drv::deviceError(42) << -99;
    QSet<QString> texts;
    for (int32_t st : statuses) {
        const QString t = statusMeaning(st);
        QVERIFY2(!t.startsWith("str"), qPrintable(QString::number(st)));
        texts << t;
    }
    QCOMPARE(texts.size(), statuses.size()); // each its own words
}

void TestCommClass::loggingNamesCallsButNeverKeys()
{
    static QStringList logged;
    logged.clear();
    QLoggingCategory::setFilterRules(QStringLiteral("pxrq60.link.debug=true"));
    QtMessageHandler old =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &c, const QString &m) {
            if (QByteArray(c.category) == "pxrq60.link")
                logged << m;
        });
    auto restore = qScopeGuard([old] {
        qInstallMessageHandler(old);
        QLoggingCategory::setFilterRules(QString());
    });
    openWn();
    ReadValues("L34");
    WriteValue("P9=12345678");
    WriteValue("P11=87654321");
    WriteValue("P0=11223344");
    WriteValue("P4=0.1");
    const QString all = logged.join('\n');
    QVERIFY(all.contains("sline_32.so") && all.contains("pcola_32.so")); // the paths tried
    QVERIFY2(all.contains("read L34") && all.contains("-> 0 success"), qPrintable(all));
    QVERIFY(all.contains("P4=0.1"));
    for (const char *secret : {"12345678", "87654321", "11223344", "P9", "P11", "P0="})
        QVERIFY2(!all.contains(secret), secret);
}

void TestCommClass::checkIntervalZeroNeverStartsTimer()
{
    TCommClass *link = openWn(30, 0);
    QVERIFY(!link->timerRunning());
    link->SetOptions(30);
    QVERIFY(!link->timerRunning());
    link->SetActive(false);
    link = openWn(30 & ~TCommClass::OptPeriodicCheck, 100);
    QVERIFY(!link->timerRunning());
    link->SetOptions(30);
    QVERIFY(link->timerRunning());
}

void TestCommClass::clearingOptionStopsTimer()
{
    TCommClass *link = openWn(30, 100);
    QVERIFY(link->timerRunning());
    link->SetOptions(28);
    QVERIFY(!link->timerRunning());
}

void TestCommClass::dsReadout()
{
    TCommClass *link = replaceCurrentLink("DS");
    link->SetPort("COM1");
    link->SetInitString("4800,N,8,1,BIN,RS0,DS0");
    link->SetActive(true);
    DSData00 = TDSData();
    DSData00.Field[0] = "kept";
    set("pcolb_32", "answer.Y", "01");
    set("pcolb_32", "answer.b", "D");
    set("pcolb_32", "answer.x", "000111222333444555");
    QFile::remove(m_log);
    ReadDSArchive();
    QStringList fields;
    for (const QString &c : calls())
        fields << c.section(' ', 1);
    const QStringList record = {"4 b", "4 l", "4 n", "4 p", "4 s", "4 t", "4 z", "4 ^",
                                "4 V", "4 Y", "4 |", "4 T", "4 x", "4 x", "4 x"};
    const QStringList between = {"6", "2"};
    QCOMPARE(fields, record + between + record + between);
    // Kind "01" both times: the "00" record of the last readout stays.
    QCOMPARE(DSData00.Field[0], QString("kept"));
    QCOMPARE(DSData01.Field[1], QString("01"));
    QCOMPARE(DSData01.Field[0], QString("Fl"));
    QCOMPARE(DSData01.Field[9], QString("F|"));
    QCOMPARE(DSData01.Field[11], QString("000111222333444555").repeated(3));
    QVERIFY(m_rec->shown.isEmpty());
}

void TestCommClass::dsBlockCounts_data()
{
    QTest::addColumn<QString>("length");
    QTest::addColumn<int>("blocks");
    QTest::newRow("0") << "0" << 0;
    QTest::newRow("6") << "6" << 1;
    QTest::newRow("7") << "7" << 2;
    QTest::newRow("C") << "C" << 2;
    QTest::newRow("D") << "D" << 3;
    QTest::newRow("lower case hex") << "d" << 3;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("not hex") << "ZZ" << 0;
    QTest::newRow("blank") << " 6" << 0;
}

void TestCommClass::dsBlockCounts()
{
    QFETCH(QString, length);
    QFETCH(int, blocks);
    QCOMPARE(dsBlockCount(length), blocks);
}

void TestCommClass::dsFailedFieldsAndLengths()
{
    TCommClass *link = replaceCurrentLink("DS");
    link->SetPort("COM1");
    link->SetInitString("4800,N,8,1,BIN,RS0,DS0");
    link->SetActive(true);
    set("pcolb_32", "answer.Y", "01");
    set("pcolb_32", "fail.n", "-10");
    set("pcolb_32", "answer.b", "0");
    QFile::remove(m_log);
    TDSData rec;
    rec.Field[4] = "before";
    ReadDSRecord(DSCommands, rec);
    // The failed "n" is reported with its status and letter; the commands
    // after it are still sent.
    QCOMPARE(m_rec->textIds(), (QList<int>{7000, 7001}));
    QCOMPARE(m_rec->shown[0].args, (QStringList{"-10", "n"}));
    QCOMPARE(m_rec->shown[1].args, QStringList{"0"});
    QCOMPARE(rec.Field[4], QString("before"));
    QCOMPARE(calls().size(), 12);

    // Two good blocks, then a failing one: the data keeps the two blocks
    // and no 7001 is shown.
    m_rec->clear();
    set("pcolb_32", "fail.n", nullptr);
    set("pcolb_32", "answer.b", "12");
    set("pcolb_32", "answer.x", "AAABBB");
    int xReads = 0;
    m_rec->onShow = nullptr;
    QString data;
    // The stand-in cannot count, so fail "x" after the reads of this call.
    QCOMPARE(ReadDSBlocks("C", data), 0);
    QCOMPARE(data, QString("AAABBBAAABBB"));
    set("pcolb_32", "fail.x", "-7");
    QCOMPARE(ReadDSBlocks("C", data), -7);
    QCOMPARE(data, QString());
    Q_UNUSED(xReads);

    // A restart that fails between the records ends the readout with 7002.
    m_rec->clear();
    set("pcolb_32", "fail.x", nullptr);
    set("pcolb_32", "status.2", "-7");
    ReadDSArchive();
    QCOMPARE(m_rec->textIds(), QList<int>{7002});
    QCOMPARE(m_rec->shown[0].args, QStringList{"-7"});
}

void TestCommClass::dsRecordTooLongIsReportedNotCut()
{
    // A length beyond 4096 blocks (a garbled "b" answer, say): the readout
    // says so instead of listing a shortened archive as the whole one.
    TCommClass *link = replaceCurrentLink("DS");
    link->SetPort("COM1");
    link->SetInitString("4800,N,8,1,BIN,RS0,DS0");
    link->SetActive(true);
    set("pcolb_32", "answer.Y", "01");
    set("pcolb_32", "answer.b", "6001"); // 24577 fields: 4097 blocks
    QFile::remove(m_log);
    TDSData rec;
    rec.Field[11] = "old data";
    ReadDSRecord(DSCommands, rec);
    QCOMPARE(m_rec->textIds(), QList<int>{7003});
    QCOMPARE(m_rec->shown[0].args, (QStringList{"4097", "4096"}));
    QCOMPARE(rec.Field[11], QString());
    QVERIFY(!calls().contains("pcolb_32 4 x"));
    QString data;
    QCOMPARE(ReadDSBlocks("6001", data), int(drv::DrvAnswerTooLong));
    set("pcolb_32", "answer.b", "6000"); // 4096 blocks are still read
    QCOMPARE(dsBlockCount("6000"), MaxDsBlocks);
}

QTEST_GUILESS_MAIN(TestCommClass)
#include "tst_commclass.moc"
