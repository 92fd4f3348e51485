// The two options dialogs over a settings file of their own: what they show,
// what "Ok", "Abbruch" and the close box write (checked in the file), the
// closing question, the directory chooser and a refused write; and the port
// assignment, which the real line driver then opens.
#include "addresstable.h"
#include "commclass.h"
#include "componentkind.h"
#include "driverproc.h"
#include "helpentry.h"
#include "inisettings.h"
#include "langsupp.h"
#include "lineport.h"
#include "profile.h"
#include "ptyserver.h"
#include "rq60main.h"
#include "sio_opt.h"
#include "testsupport.h"
#include "ui_sio_opt.h"
#include "ui_user_opt.h"
#include "user_opt.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <dlfcn.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray settingsText(const QByteArray &userOptions = {}, const char *com = "1")
{
    return "[USER_OPTIONS]\r\nTEMPFILEPATH=/tmp/px-temp\r\nREADOUTMODE=0\r\nREADER=Huber\r\n"
           "CODEMARK=0\r\nCHANNELMODE=1\r\nTEMPFILENO=999\r\nTEMPFILENOTYPE=DEC\r\n"
           "ACCESSCODE=52718463\r\n" +
           userOptions + "\r\n[COMM]\r\nCOM=" + com +
           "\r\nINIT=4800,N,8,1,BIN,RS0,DS0\r\nCHECKTIME=20000\r\n\r\n[COMMON]\r\nLANGUAGE=DE\r\n";
}

QString key(const char *section, const char *name)
{
    return GetPrivateProfileString(QLatin1String(section), QLatin1String(name),
                                   QStringLiteral("(none)"), QStringLiteral("PXRQ60.INI"));
}

// The file as it is on disk, and when it was last written.
struct FileState {
    QByteArray bytes;
    QDateTime modified;
    bool operator==(const FileState &o) const { return bytes == o.bytes && modified == o.modified; }
};

FileState stateOf(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return {f.readAll(), QFileInfo(path).lastModified()};
}

// The recording stand-in for the line driver (tests/link/fakedriver.cpp)
// in place of the real one while this lives.
class FakeLineDriver
{
public:
    FakeLineDriver() : m_lib(dlopen(PX_FAKE_DRIVERS "/sline_32.so", RTLD_NOW))
    {
        if (m_lib)
            m_set =
                reinterpret_cast<void (*)(const char *, const char *)>(dlsym(m_lib, "fake_set"));
        TCommClass::setDriverDirectory(QStringLiteral(PX_FAKE_DRIVERS));
    }
    ~FakeLineDriver()
    {
        TCommClass::setDriverDirectory(QString());
        if (m_lib)
            dlclose(m_lib);
    }
    bool loaded() const { return m_set; }
    void set(const char *key, const QString &value) { m_set(key, QFile::encodeName(value)); }

private:
    void *m_lib = nullptr;
    void (*m_set)(const char *, const char *) = nullptr;
};

} // namespace

class OptionsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void serialPortChoiceIsSavedAndShownUnmarked();
    void serialCloseBoxAsks_data();
    void serialCloseBoxAsks();
    void serialPortOutsideTheListSelectsNothing();
    void serialItemsShowTheirDevices();
    void assignedPortIsOpenedByTheLineDriver();
    void assignmentThatCannotTakeEffect();
    void refusedDeviceIsShownRefused_data();
    void refusedDeviceIsShownRefused();

    void userOptionsUnchangedWriteNothing();
    void userOptionsShowTheSettingsByTheirRules_data();
    void userOptionsShowTheSettingsByTheirRules();
    void readerChangedAndCancelAsks_data();
    void readerChangedAndCancelAsks();
    void newDirectoryIsConfirmedCreatedAndSaved();
    void declinedOrCancelledDirectoryChangesNothing();
    void refusedWriteStopsTheSaveAndKeepsTheMarks();

private:
    void writeSettings(const QByteArray &text);
    // Runs `act` on the directory chooser once it is open.
    void whenChooserOpens(std::function<void(QFileDialog *)> act);

    std::unique_ptr<SettingsSandbox> m_settings;
    std::unique_ptr<MessageRecorder> m_boxes;
};

void OptionsTest::initTestCase()
{
    useBuiltProgramDirectory();
    m_settings = std::make_unique<SettingsSandbox>();
    writeSettings(settingsText());
    LoadLanguageLibrary(QStringLiteral("DE"));
    QVERIFY(LanguageLibraryLoaded());
    ProgramShortName = QStringLiteral("PXRQ60");
}

void OptionsTest::cleanupTestCase()
{
    FreeLanguageLibrary();
}

void OptionsTest::init()
{
    for (int n = 1; n <= 4; ++n)
        qunsetenv(qPrintable(QStringLiteral("SLINE_32_COM%1").arg(n)));
    QFile::remove(m_settings->file("sline_32.conf"));
    writeSettings(settingsText());
    m_boxes = std::make_unique<MessageRecorder>();
}

void OptionsTest::writeSettings(const QByteArray &text)
{
    const QString ini = m_settings->file("PXRQ60.INI");
    QFileInfo info(ini);
    if (info.isDir())
        QDir(ini).removeRecursively();
    m_settings->write("PXRQ60.INI", text);
    ReadIniSettings();
}

void OptionsTest::serialPortChoiceIsSavedAndShownUnmarked()
{
    {
        TFormSioOptions d;
        d.show();
        QCOMPARE(d.windowTitle(), langText(3000));
        QCOMPARE(d.ui()->Sio->currentIndex(), 0);
        QVERIFY(!d.changeMarked());
        d.ui()->Sio->setCurrentIndex(2); // "COM-Schnittstelle 3 (COM3)"
        QVERIFY(d.changeMarked());
        d.ui()->btOK->click();
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QVERIFY(!d.isVisible());
    }
    QVERIFY(m_boxes->shown.isEmpty());
    QCOMPARE(int(IniSettings.Comm.Com), 3);
    QCOMPARE(key("COMM", "COM"), QStringLiteral("3"));
    // The file keeps its form: the key in place, nothing else changed.
    QCOMPARE(m_settings->read("PXRQ60.INI"), settingsText({}, "3"));

    TFormSioOptions again;
    again.show();
    QCOMPARE(again.ui()->Sio->currentIndex(), 2);
    QVERIFY(again.ui()->Sio->currentText().startsWith(langText(3013)));
    QVERIFY(!again.changeMarked());
    again.btHelpClick();
    QCOMPARE(recordedHelpRequests().last().keyword, QStringLiteral("Serielle_Schnittstelle"));
    QCOMPARE(again.property("helpContext").toInt(), 2100);
}

// A changed number and a port assignment are changes alike: closing (the
// close box or "Abbruch") asks, No leaves both files as they were.
void OptionsTest::serialCloseBoxAsks_data()
{
    QTest::addColumn<bool>("assign");
    QTest::addColumn<int>("answer");
    QTest::newRow("number, No keeps the file") << false << int(IdNo);
    QTest::newRow("number, Yes saves") << false << int(IdYes);
    QTest::newRow("assignment, No writes nothing") << true << int(IdNo);
    QTest::newRow("assignment, Yes writes sline_32.conf") << true << int(IdYes);
}

void OptionsTest::serialCloseBoxAsks()
{
    QFETCH(bool, assign);
    QFETCH(int, answer);
    const FileState before = stateOf(m_settings->file("PXRQ60.INI"));
    TFormSioOptions d;
    d.show();
    if (assign)
        d.assignPort(QStringLiteral("/dev/ttyUSB0")); // for COM1
    else
        d.ui()->Sio->setCurrentIndex(1);
    m_boxes->answers = {answer};
    if (assign)
        d.ui()->btCancel->click();
    else
        d.close(); // the title bar's close box
    QVERIFY(!d.isVisible());
    QCOMPARE(m_boxes->textIds(), QList<int>{3020});
    QCOMPARE(m_boxes->shown[0].captionId, 502);
    QCOMPARE(int(m_boxes->shown[0].flags), int(MbYesNo));
    QCOMPARE(
        m_boxes->shown[0].text,
        QStringLiteral("Änderung wurde nicht gespeichert! Soll sie jetzt gespeichert werden?"));
    const bool saved = answer == IdYes;
    QCOMPARE(m_settings->read("sline_32.conf"),
             saved && assign ? QByteArray("COM1=/dev/ttyUSB0\n") : QByteArray());
    if (saved && !assign) {
        QCOMPARE(key("COMM", "COM"), QStringLiteral("2"));
        QCOMPARE(int(IniSettings.Comm.Com), 2);
    } else {
        QVERIFY(stateOf(m_settings->file("PXRQ60.INI")) == before);
        QCOMPARE(int(IniSettings.Comm.Com), 1);
    }
    QVERIFY(!d.changeMarked());
    QVERIFY(d.pendingAssignments().isEmpty());
}

void OptionsTest::serialPortOutsideTheListSelectsNothing()
{
    writeSettings(settingsText({}, "7"));
    const FileState before = stateOf(m_settings->file("PXRQ60.INI"));
    TFormSioOptions d;
    d.show();
    QCOMPARE(d.ui()->Sio->currentIndex(), -1);
    QVERIFY(!d.changeMarked());
    QVERIFY(!d.ui()->btAssign->isEnabled()); // no number to assign a port to
    d.ui()->btOK->click();
    QVERIFY(m_boxes->shown.isEmpty());
    QVERIFY(stateOf(m_settings->file("PXRQ60.INI")) == before);
}

void OptionsTest::serialItemsShowTheirDevices()
{
    QTemporaryDir dev;
    const QString present = dev.filePath("ttyUSB0");
    QFile(present).open(QIODevice::WriteOnly);
    qputenv("SLINE_32_COM1", QFile::encodeName(present));
    m_settings->write("sline_32.conf", "COM2=/nonexistent/ttyACM9\n");
    TFormSioOptions d;
    d.show();
    const QString dash = QStringLiteral("  \u2013  ");
    QCOMPARE(d.ui()->Sio->itemText(0), langText(3011) + dash + present);
    QCOMPARE(d.ui()->Sio->itemText(1),
             langText(3012) + dash + "/nonexistent/ttyACM9  (" + langText(3006) + ")");
    // Without an entry the number names the n-th built-in port.
    QVERIFY(d.ui()->Sio->itemText(3).startsWith(langText(3014) + dash + "/dev/ttyS3"));
    QCOMPARE(d.ui()->Sio->count(), 4);
}

void OptionsTest::assignedPortIsOpenedByTheLineDriver()
{
    rq60::PtyServer device(2);
    const QString slave = QString::fromStdString(device.start());
    // The adapter under its stable name.
    QTemporaryDir dev;
    QVERIFY(QDir().mkpath(dev.filePath("serial/by-id")));
    const QString byId = dev.filePath("serial/by-id/usb-Optical_Head_0042-if00-port0");
    QVERIFY(QFile::link(slave, byId));
    const QByteArray conf = "# kept\nCOM1=/dev/ttyS0\n";
    m_settings->write("sline_32.conf", conf);

    TFormSioOptions d;
    d.portSource = [&] {
        return serialPortChoices({{slave, "Optik", "Kopf", "0042"}}, {{byId, slave}});
    };
    d.show();
    d.ui()->Sio->setCurrentIndex(2);
    emit d.portMenu()->aboutToShow();
    QAction *entry = nullptr;
    for (QAction *a : d.portMenu()->actions())
        if (a->data().toString() == byId)
            entry = a;
    QVERIFY(entry);
    QCOMPARE(entry->text(), "Optik Kopf, " + langFormatId(8005, {"0042"}) + " (" + slave + ")");
    entry->trigger();
    // Shown and marked, but the shared file is not touched before "Ok".
    QCOMPARE(d.ui()->Sio->itemText(2),
             langText(3013) + QStringLiteral("  \u2013  ") + byId + "  (" + langText(8001) + ")");
    QVERIFY(d.changeMarked());
    QCOMPARE(m_settings->read("sline_32.conf"), conf);
    d.ui()->btOK->click();
    QVERIFY(m_boxes->shown.isEmpty());
    QCOMPARE(m_settings->read("sline_32.conf"), conf + "COM3=" + QFile::encodeName(byId) + "\n");
    QCOMPARE(key("COMM", "COM"), QStringLiteral("3"));

    // The next connect opens the assigned port and finds the device there.
    auto owned = std::make_unique<TCommClass>(QStringLiteral("WN"));
    TCommClass *link = owned.get();
    link->SetPort(QStringLiteral("COM") + QString::number(IniSettings.Comm.Com));
    link->SetInitString(IniSettings.Comm.Init);
    link->SetOptions(TCommClass::OptCloseLine | TCommClass::OptCloseAndUnload);
    link->SetActive(true);
    QVERIFY(link->IsConnected());
    QCOMPARE(readsIn(device.requestLog()), QStringList{"L4"}); // the link's first check
}

void OptionsTest::assignmentThatCannotTakeEffect()
{
    TFormSioOptions d;
    d.show();
    d.ui()->Sio->setCurrentIndex(1);
    // The environment outranks the file.
    qputenv("SLINE_32_COM2", "/dev/from-environment");
    d.assignPort(QStringLiteral("/dev/ttyUSB0"));
    QVERIFY(d.SaveSioOptions());
    QCOMPARE(m_settings->read("sline_32.conf"), QByteArray("COM2=/dev/ttyUSB0\n"));
    QCOMPARE(m_boxes->textIds(), QList<int>{3022});
    QCOMPARE(m_boxes->shown[0].args, (QStringList{"COM2", "/dev/from-environment", "COM2"}));

    // A file that cannot be written is reported with its name and why; the
    // assignment stays marked.
    m_boxes->clear();
    QFile::remove(m_settings->file("sline_32.conf"));
    QVERIFY(QDir().mkpath(m_settings->file("sline_32.conf")));
    d.assignPort(QStringLiteral("/dev/ttyUSB1"));
    QVERIFY(!d.SaveSioOptions());
    QCOMPARE(m_boxes->textIds(), QList<int>{3021});
    QCOMPARE(m_boxes->shown[0].args,
             (QStringList{m_settings->file("sline_32.conf"), langText(553)}));
    QCOMPARE(int(m_boxes->shown[0].flags), int(MbIconError));
    QVERIFY(d.changeMarked());
    QDir(m_settings->file("sline_32.conf")).removeRecursively();
    m_boxes->answers = {IdNo};
    d.reject();
}

// A number whose device the line driver refuses (line function 9 says so
// and names the device) is shown as refused, with why below the list.
void OptionsTest::refusedDeviceIsShownRefused_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("reason");
    QTest::newRow("a named pipe") << "fifo" << langText(8006);
    QTest::newRow("a device of root that is no serial port") << "/dev/null" << langText(8007);
    QTest::newRow("another user's terminal") << "pty" << langFormatId(8004, {"nobody"});
}

void OptionsTest::refusedDeviceIsShownRefused()
{
    QFETCH(QString, device);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    rq60::PtyServer pty(2);
    if (device == QLatin1String("fifo")) {
        device = dir.filePath("fifo");
        QVERIFY(::mkfifo(QFile::encodeName(device).constData(), 0600) == 0);
    } else if (device == QLatin1String("pty")) {
        if (::geteuid() != 0)
            QSKIP("giving a terminal to another user needs root");
        device = QString::fromStdString(pty.start());
        QVERIFY(::chown(QFile::encodeName(device).constData(), 65534, 65534) == 0);
        if (QFileInfo(device).owner() != QLatin1String("nobody"))
            QSKIP("uid 65534 has no name nobody here");
    }
    FakeLineDriver fake;
    QVERIFY(fake.loaded());
    fake.set("port.COM1", device);
    fake.set("status.9.COM1", QString::number(drv::DrvPortNotTrusted));

    TFormSioOptions d;
    d.show();
    QCOMPARE(d.ui()->Sio->itemText(0),
             langText(3011) + QStringLiteral("  \u2013  ") + device + "  (" + langText(8002) + ")");
    QVERIFY(d.ui()->PortNote->isVisible());
    QCOMPARE(d.ui()->PortNote->text(), langFormatId(8003, {"COM1", device, reason}));
    // Another number, not refused: no note.
    d.ui()->Sio->setCurrentIndex(1);
    QVERIFY(!d.ui()->PortNote->isVisible());
    m_boxes->answers = {IdNo};
    d.reject();
}

void OptionsTest::userOptionsUnchangedWriteNothing()
{
    const FileState before = stateOf(m_settings->file("PXRQ60.INI"));
    QTest::qWait(20); // a write now would show in the modification time
    TFormUserOptions d;
    d.show();
    auto *ui = d.ui();
    QCOMPARE(d.windowTitle(), langText(2000));
    // This program's short name locks readout mode, channel, code mark and
    // access code; the list and the two fields are silver.
    for (QWidget *w :
         {static_cast<QWidget *>(ui->ComboBox1), static_cast<QWidget *>(ui->RadioGroup1),
          static_cast<QWidget *>(ui->SpinEdit1), static_cast<QWidget *>(ui->Edit3)})
        QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
    QCOMPARE(ui->SpinEdit1->palette().color(QPalette::Base), QColor(192, 192, 192));
    QCOMPARE(ui->Edit3->palette().color(QPalette::Base), QColor(192, 192, 192));
    QVERIFY(ui->Edit1->isEnabled() && ui->SpinEdit2->isEnabled());
    QVERIFY(!ui->Edit2->isEnabled() && ui->Edit2->isReadOnly());
    QCOMPARE(ui->Edit3->echoMode(), QLineEdit::Password);
    QCOMPARE(ui->RadioGroup1->findChildren<QRadioButton *>().at(1)->text(), langText(2010));
    for (QWidget *w : d.settingControls())
        QVERIFY2(!d.changeMarked(w), qPrintable(w->objectName()));
    ui->btOK->click();
    QVERIFY(!d.isVisible());
    QVERIFY(m_boxes->shown.isEmpty());
    QVERIFY(stateOf(m_settings->file("PXRQ60.INI")) == before);

    TFormUserOptions closed;
    closed.show();
    closed.close();
    QVERIFY(m_boxes->shown.isEmpty());
    QVERIFY(stateOf(m_settings->file("PXRQ60.INI")) == before);
}

void OptionsTest::userOptionsShowTheSettingsByTheirRules_data()
{
    QTest::addColumn<QByteArray>("fileNo");
    QTest::addColumn<QByteArray>("fileNoType");
    QTest::addColumn<QByteArray>("channelMode");
    QTest::addColumn<QByteArray>("codeMark");
    QTest::addColumn<int>("shownFileNo");
    QTest::addColumn<int>("shownChannel");
    QTest::addColumn<int>("shownCodeMark");
    QTest::newRow("plain") << QByteArray("17") << QByteArray("DEC") << QByteArray("0")
                           << QByteArray("150") << 17 << 0 << 150;
    QTest::newRow("file number 0") << QByteArray("0") << QByteArray("DEC") << QByteArray("1")
                                   << QByteArray("5") << 999 << 1 << 5;
    QTest::newRow("file number 1000") << QByteArray("1000") << QByteArray("DEC") << QByteArray("1")
                                      << QByteArray("5") << 999 << 1 << 5;
    QTest::newRow("file number no number") << QByteArray("1a") << QByteArray("DEC")
                                           << QByteArray("1") << QByteArray("5") << 999 << 1 << 5;
    QTest::newRow("channel 7, code mark 200")
        << QByteArray("999") << QByteArray("DEC") << QByteArray("7") << QByteArray("200") << 999
        << 1 << 1;
    QTest::newRow("code mark 0 shows as 1") << QByteArray("999") << QByteArray("DEC")
                                            << QByteArray("0") << QByteArray("0") << 999 << 0 << 1;
    // Base 36: "00Z" is 35; "RR9" is above 999.
    QTest::newRow("base 36") << QByteArray("00Z") << QByteArray("0-Z") << QByteArray("1")
                             << QByteArray("1") << 35 << 1 << 1;
    QTest::newRow("base 36 too big") << QByteArray("RR9") << QByteArray("0-Z") << QByteArray("1")
                                     << QByteArray("1") << 999 << 1 << 1;
}

void OptionsTest::userOptionsShowTheSettingsByTheirRules()
{
    QFETCH(QByteArray, fileNo);
    QFETCH(QByteArray, fileNoType);
    QFETCH(QByteArray, channelMode);
    QFETCH(QByteArray, codeMark);
    QByteArray text = settingsText();
    text.replace("TEMPFILENO=999", "TEMPFILENO=" + fileNo);
    text.replace("TEMPFILENOTYPE=DEC", "TEMPFILENOTYPE=" + fileNoType);
    text.replace("CHANNELMODE=1", "CHANNELMODE=" + channelMode);
    text.replace("CODEMARK=0", "CODEMARK=" + codeMark);
    writeSettings(text);
    TFormUserOptions d;
    d.show();
    QTEST(d.ui()->SpinEdit2->value(), "shownFileNo");
    QTEST(d.channelModeIndex(), "shownChannel");
    QTEST(d.ui()->SpinEdit1->value(), "shownCodeMark");
    QCOMPARE(d.ui()->ComboBox1->currentIndex(), 2); // always "Komplettauslesung"
    QCOMPARE(d.ui()->Edit1->text(), QStringLiteral("Huber"));
    QCOMPARE(d.ui()->Edit2->text(), QStringLiteral("/tmp/px-temp"));
    QCOMPARE(d.ui()->Edit3->text(), QStringLiteral("52718463"));
    for (QWidget *w : d.settingControls())
        QVERIFY2(!d.changeMarked(w), qPrintable(w->objectName()));
}

void OptionsTest::readerChangedAndCancelAsks_data()
{
    QTest::addColumn<int>("answer");
    QTest::newRow("Yes writes READER") << int(IdYes);
    QTest::newRow("No writes nothing") << int(IdNo);
}

void OptionsTest::readerChangedAndCancelAsks()
{
    QFETCH(int, answer);
    const FileState before = stateOf(m_settings->file("PXRQ60.INI"));
    TFormUserOptions d;
    d.show();
    d.ui()->Edit1->selectAll();
    QTest::keyClicks(d.ui()->Edit1, QStringLiteral("Meier"));
    QVERIFY(d.changeMarked(d.ui()->Edit1));
    m_boxes->answers = {answer};
    d.ui()->btCancel->click();
    QVERIFY(!d.isVisible());
    QCOMPARE(m_boxes->textIds(), QList<int>{2030});
    QCOMPARE(m_boxes->shown[0].text, QStringLiteral("Änderungen wurden nicht gespeichert! Sollen "
                                                    "sie jetzt gespeichert werden?"));
    QCOMPARE(m_boxes->shown[0].captionId, 502);
    if (answer == IdYes) {
        QCOMPARE(key("USER_OPTIONS", "READER"), QStringLiteral("Meier"));
        QCOMPARE(IniSettings.UserOptions.Reader, QStringLiteral("Meier"));
        // Only the marked key was written.
        QByteArray expected = settingsText();
        expected.replace("READER=Huber", "READER=Meier");
        QCOMPARE(m_settings->read("PXRQ60.INI"), expected);
    } else {
        QVERIFY(stateOf(m_settings->file("PXRQ60.INI")) == before);
        QCOMPARE(IniSettings.UserOptions.Reader, QStringLiteral("Huber"));
    }
}

void OptionsTest::whenChooserOpens(std::function<void(QFileDialog *)> act)
{
    QTimer::singleShot(0, this, [act] {
        auto *chooser = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        QVERIFY(chooser);
        act(chooser);
    });
}

void OptionsTest::newDirectoryIsConfirmedCreatedAndSaved()
{
    // A shared folder (set-group-ID) and a user whose umask keeps the group
    // out: what the chooser makes must stay writable for the group.
    QTemporaryDir base;
    QVERIFY(::chmod(QFile::encodeName(base.path()).constData(), 02775) == 0);
    const mode_t oldMask = ::umask(022);
    const auto restoreMask = qScopeGuard([oldMask] { ::umask(oldMask); });
    const QString fresh = base.filePath("export/rq60/2024");
    TFormUserOptions d;
    d.show();
    QString startedAt;
    whenChooserOpens([&](QFileDialog *chooser) {
        startedAt = chooser->directory().absolutePath();
        chooser->setDirectory(base.path());
        chooser->selectFile(fresh); // what the user types into its name field
        static_cast<QDialog *>(chooser)->accept();
    });
    d.ui()->btSelectTempPath->click();
    // It opened at the nearest existing folder of "/tmp/px-temp".
    QCOMPARE(startedAt, QFileInfo("/tmp/px-temp").exists() ? "/tmp/px-temp" : "/tmp");
    QCOMPARE(m_boxes->textIds(), QList<int>{2032});
    QCOMPARE(m_boxes->shown[0].args, QStringList{fresh});
    QCOMPARE(int(m_boxes->shown[0].flags), int(MbYesNo));
    QVERIFY(QFileInfo(fresh).isDir());
    for (const char *made : {"export", "export/rq60", "export/rq60/2024"}) {
        struct stat st {
        };
        QVERIFY(::stat(QFile::encodeName(base.filePath(made)).constData(), &st) == 0);
        QCOMPARE(st.st_mode & 07777, mode_t(02775));
    }
    QCOMPARE(d.ui()->Edit2->text(), fresh);
    QVERIFY(d.changeMarked(d.ui()->Edit2));
    d.ui()->btOK->click();
    QCOMPARE(key("USER_OPTIONS", "TEMPFILEPATH"), fresh);
    QCOMPARE(IniSettings.UserOptions.TempFilePath, fresh);
    QCOMPARE(m_boxes->shown.size(), 1);
}

void OptionsTest::declinedOrCancelledDirectoryChangesNothing()
{
    QTemporaryDir base;
    const QString fresh = base.filePath("new");
    TFormUserOptions d;
    d.show();
    m_boxes->answers = {IdNo};
    whenChooserOpens([&](QFileDialog *chooser) {
        chooser->setDirectory(base.path());
        chooser->selectFile(fresh);
        static_cast<QDialog *>(chooser)->accept(); // No: the chooser stays open ...
        QVERIFY(chooser->isVisible());
        chooser->reject(); // ... and is cancelled
    });
    d.ui()->btSelectTempPath->click();
    QCOMPARE(m_boxes->textIds(), QList<int>{2032});
    QVERIFY(!QFileInfo::exists(fresh));
    QCOMPARE(d.ui()->Edit2->text(), QStringLiteral("/tmp/px-temp"));
    QVERIFY(!d.changeMarked(d.ui()->Edit2));
    d.close();
    QCOMPARE(m_boxes->shown.size(), 1); // nothing to ask about
}

void OptionsTest::refusedWriteStopsTheSaveAndKeepsTheMarks()
{
    TFormUserOptions d;
    d.show();
    d.ui()->SpinEdit2->setValue(42);
    d.ui()->Edit1->setText(QStringLiteral("Meier"));
    // A directory where the settings file should be: every write fails,
    // also for root.
    QFile::remove(m_settings->file("PXRQ60.INI"));
    QVERIFY(QDir().mkpath(m_settings->file("PXRQ60.INI")));

    QList<bool> marksAtQuestion;
    m_boxes->onShow = [&](const MessageRequest &r) {
        if (r.textId == 2030)
            for (QWidget *w : d.settingControls())
                marksAtQuestion << d.changeMarked(w);
    };
    m_boxes->answers = {IdNo};
    d.ui()->btOK->click();
    QVERIFY(!d.isVisible()); // "Ok" closes also when saving failed
    // One error for the first marked key (the export file number); the
    // reader after it was not tried.
    QCOMPARE(m_boxes->textIds(), (QList<int>{8000, 2030}));
    QCOMPARE(m_boxes->shown[0].args, (QStringList{iniFilePath(), langText(553)}));
    QCOMPARE(m_boxes->shown[0].captionId, 500);
    QCOMPARE(int(m_boxes->shown[0].flags), int(MbIconError));
    // Saving order: ComboBox1, RadioGroup1, SpinEdit1, SpinEdit2, Edit1, Edit2, Edit3.
    QCOMPARE(marksAtQuestion, (QList<bool>{false, false, false, true, true, false, false}));
    QCOMPARE(IniSettings.UserOptions.TempFileNo, QStringLiteral("999"));
    QCOMPARE(IniSettings.UserOptions.Reader, QStringLiteral("Huber"));
}

QTEST_MAIN(OptionsTest)
#include "tst_options.moc"
