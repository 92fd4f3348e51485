// The user lock dialog and the two key dialogs against a simulated V1x
// device behind a pseudo-terminal, through the real drivers. Each check
// reads the frames the device received (W1 P10(...)) from its request log,
// and the device's own state afterwards. The last test makes sure that no
// key typed during the whole run reached the program's stderr, its log
// messages, its message boxes or any file it wrote.
#include "addresstable.h"
#include "commclass.h"
#include "customer.h"
#include "devicevalues.h"
#include "helpentry.h"
#include "helpkey.h"
#include "keydialog.h"
#include "keyfield.h"
#include "langsupp.h"
#include "ptyserver.h"
#include "rq60main.h"
#include "supplier.h"
#include "testsupport.h"
#include "ui_customer.h"
#include "ui_rq60main.h"
#include "ui_supplier.h"
#include "ui_userlock.h"
#include "userlock.h"
#include "windowui.h"

#include <QComboBox>
#include <QDirIterator>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryFile>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <unistd.h>

namespace {

// The keys of the simulated device for this run, and every key the tests
// type; none of them may show up anywhere but on the line.
const char *const CustomerKey = "00161803"; // typed as "16 1803"
const char *const SupplierKey = "27182818";
const char *const NewCustomerKey = "31415926";
const char *const WrongKey = "11113333";
const QStringList TypedKeys{"00161803", "161803", "27182818", "31415926", "11113333"};

QStringList messageLog; // every Qt log message of the run

void recordMessage(QtMsgType, const QMessageLogContext &, const QString &text)
{
    messageLog << text;
    fprintf(stderr, "%s\n", qPrintable(text));
}

int countPrefix(const std::vector<std::string> &log, const std::string &prefix)
{
    return int(std::count_if(log.begin(), log.end(),
                             [&](const std::string &e) { return e.rfind(prefix, 0) == 0; }));
}

// The position of the last `entry` in the log; -1 when missing.
int lastIndexOf(const std::vector<std::string> &log, const std::string &entry)
{
    auto it = std::find(log.rbegin(), log.rend(), entry);
    return it == log.rend() ? -1 : int(log.rend() - it) - 1;
}

} // namespace

class UserLockTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void shortKeyWithBlanksGoesOutWithLeadingZeros();
    void wrongKeyKeepsTheLockClosedRightKeyOpensIt();
    void emptyKeyIsNotSent();
    void writeFailureNamesTheAddress_data();
    void writeFailureNamesTheAddress();
    void lockStatesInTheDialogAndTheMainWindow_data();
    void lockStatesInTheDialogAndTheMainWindow();
    void differentEntriesAreRefused();
    void newKeyIsWrittenWhileItsLockIsOpen();
    void keyDialogNeedsItsLockOpenAndAKey();
    void noKeyReachedStderrMessagesOrFiles();

private:
    std::string control(const std::string &command);
    void openLink();
    void activate(QWidget *w);
    std::vector<std::string> writes() const;

    std::unique_ptr<SettingsSandbox> m_settings;
    std::unique_ptr<DeviceSession> m_session;
    std::unique_ptr<MessageRecorder> m_boxes;
    std::unique_ptr<rq60::PtyServer> m_device;
    QList<MessageRequest> m_allBoxes;
    QTemporaryFile m_stderrFile;
    int m_savedStderr = -1;
    QtMessageHandler m_oldHandler = nullptr;
};

void UserLockTest::initTestCase()
{
    // The program's stderr goes into a file for the last test to read.
    QVERIFY(m_stderrFile.open());
    fflush(stderr);
    m_savedStderr = dup(2);
    QVERIFY(dup2(m_stderrFile.handle(), 2) >= 0);
    m_oldHandler = qInstallMessageHandler(recordMessage);

    useBuiltProgramDirectory();
    m_settings = std::make_unique<SettingsSandbox>();
    m_settings->write(QStringLiteral("PXRQ60.INI"),
                      "[COMMON]\r\nLANGUAGE=DE\r\n[COMM]\r\nCOM=1\r\nCHECKTIME=20000\r\n");
    LoadLanguageLibrary(QStringLiteral("DE"));
    QVERIFY(LanguageLibraryLoaded());

    m_device = std::make_unique<rq60::PtyServer>(1);
    qputenv("SLINE_32_COM1", QByteArray::fromStdString(m_device->start()));
    control(std::string("set P11 ") + CustomerKey);
    control(std::string("set P9 ") + SupplierKey);
}

void UserLockTest::cleanupTestCase()
{
    m_session.reset();
    m_device.reset();
    FreeLanguageLibrary();
    qInstallMessageHandler(m_oldHandler);
    if (m_savedStderr >= 0) {
        fflush(stderr);
        dup2(m_savedStderr, 2);
        close(m_savedStderr);
    }
}

void UserLockTest::init()
{
    m_boxes = std::make_unique<MessageRecorder>();
    openLink();
    control("fail clear");
    control("lock close");
    control("set P0 0");
    control("set P10 0");
    control("clearlog");
}

void UserLockTest::cleanup()
{
    m_allBoxes << m_boxes->shown;
    m_boxes.reset();
}

std::string UserLockTest::control(const std::string &command)
{
    std::string reply;
    m_device->control(command, &reply);
    return reply;
}

// A session of the test's own: the device connected anew, nothing read yet.
void UserLockTest::openLink()
{
    m_session.reset();
    m_session = std::make_unique<DeviceSession>();
    TComm comm;
    comm.Com = 1;
    comm.Init = QStringLiteral("4800,N,8,1,BIN,RS0,DS0");
    QVERIFY(m_session->connectDevice(comm));
}

// Focus moves (leaving a field) need a window that is active.
void UserLockTest::activate(QWidget *w)
{
    w->show();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
}

std::vector<std::string> UserLockTest::writes() const
{
    std::vector<std::string> w;
    for (const std::string &e : m_device->requestLog())
        if (e.rfind("W1 ", 0) == 0)
            w.push_back(e);
    return w;
}

void UserLockTest::shortKeyWithBlanksGoesOutWithLeadingZeros()
{
    TFormUserLock d(*m_session);
    activate(&d);
    auto *ui = d.ui();
    // Opening the dialog read both locks.
    QCOMPARE(readsIn(m_device->requestLog()), (QStringList{"P0", "P10"}));
    QCOMPARE(ui->CustomerKeyStatus->text(), QStringLiteral("geschlossen"));
    QCOMPARE(d.windowTitle(), langText(6050));
    QCOMPARE(ui->btSendCustomerKey->text(), langText(6053));

    QTest::keyClicks(ui->CustomerKey, QStringLiteral("16 1803"));
    QCOMPARE(ui->CustomerKey->displayText(), QStringLiteral("*******"));
    QTest::keyClick(ui->CustomerKey, Qt::Key_Return); // on to "Senden", nothing sent
    QCOMPARE(d.focusWidget(), ui->btSendCustomerKey);
    QVERIFY(writes().empty());
    ui->btSendCustomerKey->click();

    QCOMPARE(writes(), std::vector<std::string>{"W1 P10(00161803)"});
    const std::vector<std::string> log = m_device->requestLog();
    // The lock is read again after the key.
    QVERIFY(lastIndexOf(log, "R1 P10") > lastIndexOf(log, "W1 P10(00161803)"));
    QCOMPARE(m_boxes->textIds(), QList<int>{6102});
    QCOMPARE(m_boxes->shown[0].captionId, 501);
    QCOMPARE(QString::fromStdString(control("get P10")), QStringLiteral("P10=1"));
    QCOMPARE(ui->CustomerKeyStatus->text(), QStringLiteral("offen"));
    QCOMPARE(ui->UserLock->text(), QStringLiteral("offen"));
    QCOMPARE(ui->SupplierKeyStatus->text(), QStringLiteral("geschlossen"));
    QVERIFY(ui->CustomerKey->text().isEmpty()); // the key is not kept
    d.btHelpClick();
    QCOMPARE(recordedHelpRequests().last().keyword, QStringLiteral("Benutzerschloss"));
    // F1 on a field of the dialog opens the dialog's own topic.
    showHelpFor(ui->SupplierKey);
    QCOMPARE(recordedHelpRequests().last().keyword, QStringLiteral("Benutzerschloss_aendern"));
}

void UserLockTest::wrongKeyKeepsTheLockClosedRightKeyOpensIt()
{
    TFormUserLock d(*m_session);
    activate(&d);
    auto *ui = d.ui();
    QTest::keyClicks(ui->SupplierKey, QLatin1String(WrongKey));
    ui->btSendSupplierKey->click();
    QCOMPARE(writes(), std::vector<std::string>{std::string("W1 P0(") + WrongKey + ")"});
    QCOMPARE(m_boxes->textIds(), QList<int>{6101});
    QCOMPARE(m_boxes->shown[0].captionId, 500);
    QCOMPARE(QString::fromStdString(control("get P0")), QStringLiteral("P0=0"));
    QCOMPARE(ui->SupplierKeyStatus->text(), QStringLiteral("geschlossen"));
    QCOMPARE(d.focusWidget(), ui->SupplierKey);

    QTest::keyClicks(ui->SupplierKey, QLatin1String(SupplierKey));
    ui->btSendSupplierKey->click();
    QCOMPARE(m_boxes->textIds(), (QList<int>{6101, 6102}));
    QCOMPARE(QString::fromStdString(control("get P0")), QStringLiteral("P0=1"));
    QCOMPARE(ui->SupplierKeyStatus->text(), QStringLiteral("offen"));
    QCOMPARE(ui->UserLock->text(), QStringLiteral("offen"));
}

void UserLockTest::emptyKeyIsNotSent()
{
    TFormUserLock d(*m_session);
    activate(&d);
    QTest::keyClicks(d.ui()->SupplierKey, QStringLiteral("   "));
    d.ui()->btSendSupplierKey->click();
    QCOMPARE(m_boxes->textIds(), QList<int>{6105});
    QCOMPARE(m_boxes->shown[0].captionId, 500);
    QVERIFY(writes().empty());
    QCOMPARE(d.focusWidget(), d.ui()->SupplierKey);
    // The lock is read and shown again all the same.
    QCOMPARE(readsIn(m_device->requestLog()), (QStringList{"P0", "P10", "P0"}));
}

void UserLockTest::writeFailureNamesTheAddress_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("status");
    QTest::newRow("supplier key in the user lock dialog") << "userlock"
                                                          << "P0"
                                                          << "ER05" << -105;
    QTest::newRow("new supplier key") << "supplier"
                                      << "P9"
                                      << "ER04" << -104;
}

void UserLockTest::writeFailureNamesTheAddress()
{
    QFETCH(QString, dialog);
    QFETCH(QString, address);
    QFETCH(QString, error);
    QFETCH(int, status);
    if (dialog == QLatin1String("userlock")) {
        control("fail P0 " + error.toStdString());
        TFormUserLock d(*m_session);
        activate(&d);
        QTest::keyClicks(d.ui()->SupplierKey, QLatin1String(SupplierKey));
        d.ui()->btSendSupplierKey->click();
        // The read after the key fails as well: the state read on opening
        // (none, which shows as open for a single lock) stays.
        QCOMPARE(d.ui()->SupplierKeyStatus->text(), QStringLiteral("offen"));
        QCOMPARE(d.ui()->UserLock->text(), QStringLiteral("geschlossen"));
        QVERIFY(d.ui()->SupplierKey->text().isEmpty());
    } else {
        control("set P0 1");
        QCOMPARE(m_session->readValues(QStringLiteral("P0")), 0);
        control("fail P9 " + error.toStdString());
        TFormSupplierKey d(*m_session);
        activate(&d);
        QCOMPARE(d.windowTitle(), langText(6002));
        QCOMPARE(d.ui()->Label1->text(), langText(6003));
        QCOMPARE(d.firstEntry()->objectName(), QStringLiteral("SupplierKey1"));
        QTest::keyClicks(d.firstEntry(), QLatin1String(NewCustomerKey));
        QTest::keyClick(d.firstEntry(), Qt::Key_Enter);
        QTest::keyClicks(d.repeatEntry(), QLatin1String(NewCustomerKey));
        QTest::keyClick(d.repeatEntry(), Qt::Key_Enter);
        QVERIFY(d.ui()->btCapture->isEnabled());
        d.ui()->btCapture->click();
        QVERIFY(d.isVisible()); // the dialog stays open
        QVERIFY(d.firstEntry()->text().isEmpty() && d.repeatEntry()->text().isEmpty());
        QVERIFY(!d.ui()->btCapture->isEnabled());
    }
    // A refusal is final: one write, no repeat.
    QCOMPARE(countPrefix(writes(), "W1 " + address.toStdString() + "("), 1);
    QCOMPARE(m_boxes->textIds(), QList<int>{518});
    const MessageRequest &box = m_boxes->shown[0];
    QCOMPARE(box.args, (QStringList{address, "********", QString::number(status)}));
    QCOMPARE(box.caption, langText(500) + ' ' + QString::number(status));
    QCOMPARE(box.text, langFormatId(518, {address, QStringLiteral("********")}));
    QCOMPARE(int(box.flags), int(MbOk));
}

void UserLockTest::lockStatesInTheDialogAndTheMainWindow_data()
{
    QTest::addColumn<QByteArray>("p0");
    QTest::addColumn<QByteArray>("p10");
    QTest::addColumn<bool>("calibrationOpen");
    QTest::addColumn<QStringList>("dialog"); // supplier, customer, user lock
    QTest::addColumn<int>("windowUserLock"); // item of "Benutzerschloss"
    QTest::addColumn<bool>("userFieldsEnabled");
    QTest::addColumn<bool>("customerKeyOffered");
    QTest::addColumn<bool>("supplierKeyOffered");
    const QString open = QStringLiteral("offen"), closed = QStringLiteral("geschlossen");
    QTest::newRow("supplier lock open")
        << QByteArray("1") << QByteArray("0") << false << QStringList{open, closed, open} << 1
        << true << false << true;
    // Only "1" opens the user lock in the dialog; the window counts any
    // text but "0" as open.
    QTest::newRow("supplier lock reads 2")
        << QByteArray("2") << QByteArray("0") << false << QStringList{open, closed, closed} << 1
        << true << false << true;
    // Both closed, the calibration lock open: the fields stay open.
    QTest::newRow("both closed, calibration lock open")
        << QByteArray("0") << QByteArray("0") << true << QStringList{closed, closed, closed} << 0
        << true << false << false;
    QTest::newRow("both closed") << QByteArray("0") << QByteArray("0") << false
                                 << QStringList{closed, closed, closed} << 0 << false << false
                                 << false;
}

void UserLockTest::lockStatesInTheDialogAndTheMainWindow()
{
    QFETCH(QByteArray, p0);
    QFETCH(QByteArray, p10);
    QFETCH(bool, calibrationOpen);
    QFETCH(QStringList, dialog);
    m_session.reset(); // the window opens a link of its own
    m_session = std::make_unique<DeviceSession>();
    control(calibrationOpen ? "lock open" : "lock close");
    TFormRQ60Main w(*m_session);
    w.show();
    w.acConnectExecute();
    QVERIFY(w.session().isConnected());
    WindowUi ui(w);
    // Connected with both locks closed: the fields follow the calibration lock.
    QCOMPARE(ui->L7->isEnabled(), calibrationOpen);
    control("set P0 " + p0.toStdString());
    control("set P10 " + p10.toStdString());

    QStringList shown;
    QTimer::singleShot(0, this, [&] {
        auto *d = qobject_cast<TFormUserLock *>(QApplication::activeModalWidget());
        QVERIFY(d);
        shown << d->ui()->SupplierKeyStatus->text() << d->ui()->CustomerKeyStatus->text()
              << d->ui()->UserLock->text();
        d->ui()->btOk->click();
    });
    ui->acChangeUserLock->trigger();
    QCOMPARE(shown, dialog);
    QTEST(ui->Benutzerschloss->currentIndex(), "windowUserLock");
    QTEST(ui->L7->isEnabled(), "userFieldsEnabled");
    QTEST(ui->acChangeCustomerKey->isEnabled(), "customerKeyOffered");
    QTEST(ui->acChangeSupplierKey->isEnabled(), "supplierKeyOffered");
    QVERIFY(ui->acChangeUserLock->isEnabled());
    w.acDisconnectExecute();
    control("lock close");
}

void UserLockTest::differentEntriesAreRefused()
{
    TFormCustomerKey d(*m_session);
    activate(&d);
    QLineEdit *first = d.firstEntry(), *repeat = d.repeatEntry();
    QCOMPARE(first->objectName(), QStringLiteral("CustomerKey1"));
    QCOMPARE(d.windowTitle(), langText(6000));
    QCOMPARE(d.focusWidget(), first);
    QVERIFY(keyFieldGrey(repeat));
    QVERIFY(!d.ui()->btCapture->isEnabled());

    QTest::keyClicks(first, QStringLiteral("1234"));
    QCOMPARE(first->displayText(), QStringLiteral("****"));
    QTest::keyClick(first, Qt::Key_Return);
    QCOMPARE(d.focusWidget(), repeat);
    QVERIFY(!keyFieldGrey(repeat));
    QTest::keyClicks(repeat, QStringLiteral("4321"));
    QTest::keyClick(repeat, Qt::Key_Return);
    QCOMPARE(m_boxes->textIds(), QList<int>{6100});
    QCOMPARE(m_boxes->shown[0].captionId, 500);
    QVERIFY(first->text().isEmpty() && repeat->text().isEmpty());
    QVERIFY(!d.ui()->btCapture->isEnabled());
    QCOMPARE(d.focusWidget(), first);
    QVERIFY(keyFieldGrey(repeat));

    // Leaving the repeat entry compares as well; equal entries offer
    // "Übernehmen" ...
    QTest::keyClicks(first, QStringLiteral("1234"));
    first->clearFocus();
    repeat->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(repeat, QStringLiteral("1234"));
    d.ui()->btEscape->setFocus(Qt::TabFocusReason);
    QCOMPARE(m_boxes->shown.size(), 1);
    QVERIFY(d.ui()->btCapture->isEnabled());
    QCOMPARE(d.focusWidget(), d.ui()->btCapture);
    // ... until an entry changes: it must be compared again.
    QTest::keyClicks(first, QStringLiteral("9"));
    QVERIFY(!d.ui()->btCapture->isEnabled());
    QVERIFY(writes().empty());
}

void UserLockTest::newKeyIsWrittenWhileItsLockIsOpen()
{
    // The customer lock opened with its key.
    QString state;
    QCOMPARE(WriteValue(m_session->link(), QStringLiteral("P10=") + CustomerKey, &state), 0);
    QCOMPARE(state, QStringLiteral("1"));
    QCOMPARE(m_session->readValues(QStringLiteral("P10")), 0);
    control("clearlog");
    {
        TFormCustomerKey d(*m_session);
        activate(&d);
        QTest::keyClicks(d.firstEntry(), QLatin1String(NewCustomerKey));
        QTest::keyClick(d.firstEntry(), Qt::Key_Return);
        QTest::keyClicks(d.repeatEntry(), QLatin1String(NewCustomerKey));
        QTest::keyClick(d.repeatEntry(), Qt::Key_Return);
        QCOMPARE(d.focusWidget(), d.ui()->btCapture);
        QTest::keyClick(d.ui()->btCapture, Qt::Key_Space);
        QCOMPARE(writes(), std::vector<std::string>{std::string("W1 P11(") + NewCustomerKey + ")"});
        QCOMPARE(m_boxes->textIds(), QList<int>{520});
        QCOMPARE(m_boxes->shown[0].captionId, 501);
        QVERIFY(d.isVisible());
        QVERIFY(!d.ui()->btCapture->isEnabled());
        QVERIFY(keyFieldGrey(d.repeatEntry()));
        QVERIFY(d.firstEntry()->text().isEmpty() && d.repeatEntry()->text().isEmpty());
    }
    // The device reads the key back only as "*" ...
    QCOMPARE(QString::fromStdString(control("get P11")), QStringLiteral("P11=********"));
    // ... but the new key opens the lock, and the old one no longer does.
    QCOMPARE(WriteValue(m_session->link(), QStringLiteral("P10=") + CustomerKey, &state), 0);
    QCOMPARE(state, QStringLiteral("0"));
    QCOMPARE(WriteValue(m_session->link(), QStringLiteral("P10=") + NewCustomerKey, &state), 0);
    QCOMPARE(state, QStringLiteral("1"));
    control(std::string("set P11 ") + CustomerKey);
}

void UserLockTest::keyDialogNeedsItsLockOpenAndAKey()
{
    QCOMPARE(m_session->readValues(QStringLiteral("P0,P10")), 0); // both "0"
    for (int supplier = 0; supplier < 2; ++supplier) {
        std::unique_ptr<TFormKeyDialog> d;
        if (supplier)
            d = std::make_unique<TFormSupplierKey>(*m_session);
        else
            d = std::make_unique<TFormCustomerKey>(*m_session);
        activate(d.get());
        QTest::keyClicks(d->firstEntry(), QStringLiteral("5555"));
        QTest::keyClick(d->firstEntry(), Qt::Key_Return);
        QTest::keyClicks(d->repeatEntry(), QStringLiteral("5555"));
        QTest::keyClick(d->repeatEntry(), Qt::Key_Return);
        d->captureButton()->click();
        QCOMPARE(m_boxes->textIds().last(), supplier ? 6104 : 6103);
        QCOMPARE(m_boxes->shown.last().captionId, 500);
        d->btHelpClick();
        QCOMPARE(recordedHelpRequests().last().keyword, QStringLiteral("Benutzerschloss"));
        showHelpFor(d->repeatEntry());
        QCOMPARE(recordedHelpRequests().last().keyword, QStringLiteral("Schluessel_aendern"));
    }
    // Both entries left empty match, but an empty key is no number: the
    // conversion error, and nothing is sent.
    control("set P10 1");
    QCOMPARE(m_session->readValues(QStringLiteral("P10")), 0);
    m_boxes->clear();
    TFormCustomerKey d(*m_session);
    activate(&d);
    QTest::keyClick(d.firstEntry(), Qt::Key_Return);
    QTest::keyClick(d.repeatEntry(), Qt::Key_Return);
    QVERIFY(d.ui()->btCapture->isEnabled());
    d.ui()->btCapture->click();
    QCOMPARE(m_boxes->shown.size(), 1);
    QCOMPARE(m_boxes->shown[0].captionId, 500);
    QCOMPARE(int(m_boxes->shown[0].flags), int(MbIconError));
    QVERIFY(d.isVisible());
    QVERIFY(writes().empty());
}

void UserLockTest::noKeyReachedStderrMessagesOrFiles()
{
    fflush(stderr);
    QFile err(m_stderrFile.fileName());
    QVERIFY(err.open(QIODevice::ReadOnly));
    const QString stderrText = QString::fromLocal8Bit(err.readAll());
    QStringList places;
    for (const QString &k : TypedKeys) {
        if (stderrText.contains(k))
            places << "stderr: " + k;
        for (const QString &m : messageLog)
            if (m.contains(k))
                places << "log message: " + k;
        for (const MessageRequest &r : m_allBoxes)
            if (r.text.contains(k) || r.caption.contains(k) || r.args.join(' ').contains(k))
                places << QStringLiteral("box %1: ").arg(r.textId) + k;
        QDirIterator files(m_settings->dir(), QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            QFile f(files.next());
            if (f.open(QIODevice::ReadOnly) && f.readAll().contains(k.toLatin1()))
                places << f.fileName() + ": " + k;
        }
    }
    QVERIFY2(places.isEmpty(), qPrintable(places.join(QStringLiteral("; "))));
    // The run did send keys: the check looked at the right things.
    QVERIFY(!m_allBoxes.isEmpty());
}

QTEST_MAIN(UserLockTest)
#include "tst_userlock.moc"
