#include "inisettings.h"
#include "programpath.h"
#include "testsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QTest>
#include <cerrno>
#include <cstring>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

class TestIniSettings : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void firstStartCreatesTheDefaultFile();
    void secondStartIsSilent();
    void numericKeys_data();
    void numericKeys();
    void readFailures_data();
    void readFailures();
    void partialFileTakesDefaults();
    void presentButEmptyTextKey();
    void unwritableDirectoryRunsOnDefaults();
    void helpFileChoice_data();
    void helpFileChoice();
    void languageForTheLibrary_data();
    void languageForTheLibrary();
    void keyWritersKeepFileAndRecordTogether();
    void refusedKeyWriteRaises();
    void createFailureEndsWithCode3();
    void hostileFilesAreReadFailures_data();
    void hostileFilesAreReadFailures();
    void defaultFileIsShared();
    void createFailureNamesTheReason();
    void fileIsReadOncePerRead();
    void readsAndWritesAreLogged();
    void crOnlyLineEnds();
    void olderEightBitFile();
    void handEditedHeaderWithComment();
    void valueWithLineBreakIsRefused();

private:
    int readExpectingExit();
    SettingsSandbox *m_box = nullptr;
    MessageRecorder *m_rec = nullptr;
};

void TestIniSettings::init()
{
    m_box = new SettingsSandbox;
    m_rec = new MessageRecorder;
    IniSettings = TIniSettings();
}

void TestIniSettings::cleanup()
{
    delete m_rec;
    delete m_box;
    setProgramFilePath(QString());
}

int TestIniSettings::readExpectingExit()
{
    ExitTrap trap;
    try {
        ReadIniSettings();
    } catch (const ProgramExitCalled &e) {
        return e.code;
    }
    return 0;
}

void TestIniSettings::firstStartCreatesTheDefaultFile()
{
    ReadIniSettings();
    const QByteArray expected = "[USER_OPTIONS]\r\n"
                                "TEMPFILEPATH=" +
                                QFile::encodeName(m_box->dir()) +
                                "/auswert/temp\r\n"
                                "READOUTMODE=0\r\n"
                                "READER=\r\n"
                                "CODEMARK=0\r\n"
                                "CHANNELMODE=1\r\n"
                                "TEMPFILENO=999\r\n"
                                "TEMPFILENOTYPE=DEC\r\n"
                                "ACCESSCODE=52718463\r\n"
                                "\r\n"
                                "[COMM]\r\n"
                                "COM=1\r\n"
                                "INIT=4800,N,8,1,BIN,RS0,DS0\r\n"
                                "CHECKTIME=20000\r\n"
                                "\r\n"
                                "[JUSTIFY]\r\n"
                                "TEMPLOW=-20.0\r\n"
                                "TEMPHIGH=40.0\r\n"
                                "\r\n"
                                "[COMMON]\r\n"
                                "LANGUAGE=DE\r\n";
    QCOMPARE(m_box->read("PXRQ60.INI"), expected);
    QCOMPARE(m_rec->shown.size(), 1);
    QCOMPARE(m_rec->shown[0].textId, 547);
    QCOMPARE(m_rec->shown[0].captionId, 501);
    QCOMPARE(int(m_rec->shown[0].flags), int(MbOk));
    QCOMPARE(m_rec->shown[0].args, QStringList{m_box->file("PXRQ60.INI")});

    const TIniSettings &s = IniSettings;
    QCOMPARE(s.UserOptions.TempFilePath, m_box->dir() + "/auswert/temp");
    QCOMPARE(int(s.UserOptions.ReadoutMode), 0);
    QCOMPARE(s.UserOptions.Reader, QString());
    QCOMPARE(int(s.UserOptions.CodeMark), 0);
    QCOMPARE(int(s.UserOptions.ChannelMode), 1);
    QCOMPARE(s.UserOptions.TempFileNo, QString("999"));
    QCOMPARE(s.UserOptions.TempFileNoType, QString("DEC"));
    QCOMPARE(s.UserOptions.AccessCode, QString("52718463"));
    QCOMPARE(s.Language, QString("DE"));
    QCOMPARE(int(s.Comm.Com), 1);
    QCOMPARE(s.Comm.Init, QString("4800,N,8,1,BIN,RS0,DS0"));
    QCOMPARE(s.Comm.CheckTime, 20000);
    QCOMPARE(s.Justify.TempLow, QString("-20.0"));
    QCOMPARE(s.Justify.TempHigh, QString("40.0"));
}

void TestIniSettings::secondStartIsSilent()
{
    ReadIniSettings();
    m_rec->clear();
    ReadIniSettings();
    QVERIFY(m_rec->shown.isEmpty());
}

void TestIniSettings::numericKeys_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("com");
    QTest::addColumn<int>("channelMode");
    QTest::addColumn<int>("readoutMode");
    QTest::addColumn<int>("checkTime");
    QTest::newRow("8-bit fields keep their low bits")
        << QByteArray(
               "[COMM]\r\nCOM=257\r\n[USER_OPTIONS]\r\nCHANNELMODE=300\r\nREADOUTMODE=-1\r\n")
        << 1 << 44 << 255 << 20000;
    QTest::newRow("names in lower case")
        << QByteArray("[comm]\ncom=2\ncheckTime=500\n") << 2 << 1 << 0 << 500;
    QTest::newRow("signed check time")
        << QByteArray("[COMM]\r\nCHECKTIME=-5\r\n") << 1 << 1 << 0 << -5;
}

void TestIniSettings::numericKeys()
{
    QFETCH(QByteArray, content);
    QFETCH(int, com);
    QFETCH(int, channelMode);
    QFETCH(int, readoutMode);
    QFETCH(int, checkTime);
    m_box->write("PXRQ60.INI", content);
    ReadIniSettings();
    QCOMPARE(int(IniSettings.Comm.Com), com);
    QCOMPARE(int(IniSettings.UserOptions.ChannelMode), channelMode);
    QCOMPARE(int(IniSettings.UserOptions.ReadoutMode), readoutMode);
    QCOMPARE(IniSettings.Comm.CheckTime, checkTime);
    QVERIFY(m_rec->shown.isEmpty());
}

void TestIniSettings::readFailures_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("present but empty number") << QByteArray("[USER_OPTIONS]\r\nREADOUTMODE=\r\n");
    QTest::newRow("not a number") << QByteArray("[COMM]\r\nCOM=abc\r\n");
    QTest::newRow("decimal point") << QByteArray("[COMM]\r\nCHECKTIME=20.5\r\n");
    QTest::newRow("beyond 32 bits") << QByteArray("[COMM]\r\nCHECKTIME=99999999999\r\n");
}

void TestIniSettings::readFailures()
{
    QFETCH(QByteArray, content);
    m_box->write("PXRQ60.INI", content);
    IniSettings.Comm.Com = 77;
    QCOMPARE(readExpectingExit(), 2);
    QCOMPARE(m_rec->shown.size(), 1);
    // The fixed text, then the file and the key at fault.
    const QStringList lines = m_rec->shown[0].text.split('\n');
    QCOMPARE(lines.value(0),
             QString::fromUtf8("Can\u00b4t read INI-file! / INI-Datei kann nicht gelesen werden!"));
    QCOMPARE(lines.value(2), m_box->file("PXRQ60.INI") + ":");
    QVERIFY2(lines.value(3).contains("is not a valid integer value"), qPrintable(lines.value(3)));
    QCOMPARE(m_rec->shown[0].caption, QString("PXRQ60 - Initialization"));
    QCOMPARE(int(m_rec->shown[0].flags), int(MbIconError));
    QCOMPARE(int(IniSettings.Comm.Com), 77); // nothing half-read
}

void TestIniSettings::partialFileTakesDefaults()
{
    m_box->write("PXRQ60.INI", "[COMM]\r\nCOM=3\r\n");
    ReadIniSettings();
    QCOMPARE(int(IniSettings.Comm.Com), 3);
    QCOMPARE(IniSettings.Comm.Init, QString("4800,N,8,1,BIN,RS0,DS0"));
    QCOMPARE(IniSettings.Language, QString("DE"));
    QCOMPARE(IniSettings.Justify.TempHigh, QString("40.0"));
    QVERIFY(m_rec->shown.isEmpty());
    QCOMPARE(m_box->read("PXRQ60.INI"), QByteArray("[COMM]\r\nCOM=3\r\n"));
}

void TestIniSettings::presentButEmptyTextKey()
{
    m_box->write("PXRQ60.INI", "[COMM]\r\nINIT=\r\n[JUSTIFY]\r\nTEMPLOW=\r\n");
    ReadIniSettings();
    QCOMPARE(IniSettings.Comm.Init, QString());
    QCOMPARE(IniSettings.Justify.TempLow, QString());
}

void TestIniSettings::unwritableDirectoryRunsOnDefaults()
{
    // A settings "directory" below a plain file can be neither made nor
    // written, whoever runs the test.
    m_box->write("plain", "x");
    qputenv("PXRQ60_SETTINGS_DIR", QFile::encodeName(m_box->file("plain") + "/pxrq60"));
    for (int start = 0; start < 2; ++start) {
        m_rec->clear();
        ReadIniSettings();
        QCOMPARE(m_rec->textIds(), QList<int>{549});
        QCOMPARE(m_rec->shown[0].captionId, 500);
        QCOMPARE(int(m_rec->shown[0].flags), int(MbIconError));
        QCOMPARE(int(IniSettings.Comm.Com), 1);
        QCOMPARE(IniSettings.Comm.CheckTime, 20000);
    }
    qputenv("PXRQ60_SETTINGS_DIR", QFile::encodeName(m_box->dir()));
}

void TestIniSettings::helpFileChoice_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QStringList>("reported");
    QTest::addColumn<QString>("chosen");
    QTest::newRow("own language") << "EN" << QStringList{"pxrq60EN.qch", "pxrq60DE.qch"}
                                  << QStringList{} << "pxrq60EN.qch";
    QTest::newRow("falls back to German")
        << "EN" << QStringList{"pxrq60DE.qch"} << QStringList{"pxrq60EN.qch"} << "pxrq60DE.qch";
    QTest::newRow("German missing: one message")
        << "DE" << QStringList{} << QStringList{"pxrq60DE.qch"} << "";
    QTest::newRow("lower-case de is not DE")
        << "de" << QStringList{"pxrq60DE.qch"} << QStringList{"pxrq60de.qch"} << "pxrq60DE.qch";
    QTest::newRow("neither") << "EN" << QStringList{} << QStringList{"pxrq60EN.qch", "pxrq60DE.qch"}
                             << "";
    QTest::newRow("empty language is German")
        << "" << QStringList{"pxrq60DE.qch"} << QStringList{} << "pxrq60DE.qch";
    // Only letters become part of the path: "pxrq60X/../EN.qch" would be the
    // file EN.qch beside the program, which is there.
    QTest::newRow("a path is no language") << "X/../EN" << QStringList{"pxrq60DE.qch", "EN.qch"}
                                           << QStringList{"pxrq60X/../EN.qch"} << "pxrq60DE.qch";
}

void TestIniSettings::helpFileChoice()
{
    QFETCH(QString, language);
    QFETCH(QStringList, present);
    QFETCH(QStringList, reported);
    QFETCH(QString, chosen);
    QTemporaryDir programDir;
    // A long program name with two dots: the stem is "pxrq60".
    setProgramFilePath(programDir.filePath("pxrq60tool.bin.x"));
    QVERIFY(QDir(programDir.path()).mkdir(QStringLiteral("pxrq60X")));
    for (const QString &f : present) {
        QFile file(programDir.filePath(f));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    m_box->write("PXRQ60.INI", "[COMMON]\r\nLANGUAGE=" + language.toUtf8() + "\r\n");
    ReadIniSettings();
    SetHelpFile();
    QStringList names;
    for (const MessageRequest &r : m_rec->shown) {
        QCOMPARE(r.textId, 546);
        QCOMPARE(r.captionId, 500);
        QCOMPARE(int(r.flags), int(MbIconError));
        names << r.args.value(0);
    }
    QStringList expected;
    for (const QString &f : reported)
        expected << programDir.filePath(f);
    QCOMPARE(names, expected);
    QCOMPARE(HelpFile(), chosen.isEmpty() ? QString() : programDir.filePath(chosen));
}

void TestIniSettings::languageForTheLibrary_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("language");
    QTest::newRow("no file") << QByteArray() << "DE";
    QTest::newRow("no key") << QByteArray("[COMMON]\r\n") << "DE";
    QTest::newRow("empty") << QByteArray("[COMMON]\r\nLANGUAGE=\r\n") << "DE";
    QTest::newRow("any case") << QByteArray("[common]\r\nlanguage=EN\r\n") << "EN";
    // Whether it may name a library is the language module's check.
    QTest::newRow("as written") << QByteArray("[COMMON]\r\nLANGUAGE=../x\r\n") << "../x";
}

// The language library is loaded before any window, from the file as it
// stands: nothing is created and nothing is shown.
void TestIniSettings::languageForTheLibrary()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, language);
    if (!file.isNull())
        m_box->write("PXRQ60.INI", file);
    QCOMPARE(configuredLanguage(), language);
    QCOMPARE(QFileInfo::exists(m_box->file("PXRQ60.INI")), !file.isNull());
    QVERIFY(m_rec->shown.isEmpty());
}

void TestIniSettings::keyWritersKeepFileAndRecordTogether()
{
    ReadIniSettings();
    WriteComPort(4);
    WriteTempLow("-10.5");
    WriteTempHigh("35.0");
    WriteReadoutMode(2);
    WriteChannelMode(0);
    WriteCodeMark(7);
    WriteTempFileNo("123");
    WriteReader(QString::fromUtf8("Jörg"));
    WriteTempFilePath("/tmp/out");
    WriteAccessCode("11112222");
    const TIniSettings written = IniSettings;
    QCOMPARE(int(written.Comm.Com), 4);
    QCOMPARE(written.Justify.TempLow, QString("-10.5"));
    IniSettings = TIniSettings();
    ReadIniSettings();
    QCOMPARE(int(IniSettings.Comm.Com), 4);
    QCOMPARE(IniSettings.Justify.TempLow, QString("-10.5"));
    QCOMPARE(IniSettings.Justify.TempHigh, QString("35.0"));
    QCOMPARE(int(IniSettings.UserOptions.ReadoutMode), 2);
    QCOMPARE(int(IniSettings.UserOptions.ChannelMode), 0);
    QCOMPARE(int(IniSettings.UserOptions.CodeMark), 7);
    QCOMPARE(IniSettings.UserOptions.TempFileNo, QString("123"));
    QCOMPARE(IniSettings.UserOptions.Reader, QString::fromUtf8("Jörg"));
    QCOMPARE(IniSettings.UserOptions.TempFilePath, QString("/tmp/out"));
    QCOMPARE(IniSettings.UserOptions.AccessCode, QString("11112222"));
    // Written in place: still 21 lines, "Justify" found in "[JUSTIFY]".
    QCOMPARE(m_box->read("PXRQ60.INI").count("\r\n"), 21);
}

void TestIniSettings::refusedKeyWriteRaises()
{
    ReadIniSettings();
    // A directory where the file should be makes every write fail, also
    // for root.
    QFile::remove(m_box->file("PXRQ60.INI"));
    QDir().mkpath(m_box->file("PXRQ60.INI"));
    bool raised = false;
    try {
        WriteTempLow("-5.0");
    } catch (const IniWriteError &e) {
        raised = true;
        QCOMPARE(e.text(), QString("nach PXRQ60.INI kann nicht geschrieben werden"));
    }
    QVERIFY(raised);
    QCOMPARE(IniSettings.Justify.TempLow, QString("-20.0"));
}

void TestIniSettings::createFailureEndsWithCode3()
{
    ExitTrap trap;
    int code = 0;
    try {
        failIniCreate();
    } catch (const ProgramExitCalled &e) {
        code = e.code;
    }
    QCOMPARE(code, 3);
    QCOMPARE(m_rec->shown.size(), 1);
    QCOMPARE(m_rec->shown[0].text,
             QString::fromUtf8("Can\u00b4t find INI-file! Can\u00b4t create default INI-file! / "
                               "INI-Datei nicht gefunden! Vorgabe-INI-Datei kann nicht erzeugt "
                               "werden!"));
    QCOMPARE(m_rec->shown[0].caption, QString("PXRQ60 - Initialization"));
    QCOMPARE(int(m_rec->shown[0].flags), int(MbIconError));
}

void TestIniSettings::hostileFilesAreReadFailures_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("named pipe") << "fifo";
    QTest::newRow("link to /dev/zero") << "zero";
    QTest::newRow("dangling link") << "dangling";
    QTest::newRow("link to another file") << "other";
    QTest::newRow("larger than 64 KiB") << "large";
}

void TestIniSettings::hostileFilesAreReadFailures()
{
    QFETCH(QString, kind);
    const QString ini = m_box->file("PXRQ60.INI");
    const QString target = m_box->file("elsewhere.ini");
    const QByteArray other = "[COMM]\r\nCOM=7\r\n";
    if (kind == "fifo")
        QCOMPARE(mkfifo(QFile::encodeName(ini), 0664), 0);
    else if (kind == "zero")
        QVERIFY(QFile::link("/dev/zero", ini));
    else if (kind == "dangling")
        QVERIFY(QFile::link(target, ini));
    else if (kind == "other") {
        m_box->write("elsewhere.ini", other);
        QVERIFY(QFile::link(target, ini));
    } else
        m_box->write("PXRQ60.INI", "[COMM]\r\nCOM=3\r\n" + QByteArray(64 * 1024, ';'));
    // Before, the pipe hung the start, /dev/zero ended in bad_alloc, and
    // the links made the program create or rewrite the file they name.
    QCOMPARE(readExpectingExit(), 2);
    QCOMPARE(m_rec->shown.size(), 1);
    const QString text = m_rec->shown[0].text;
    QVERIFY(text.startsWith(QString::fromUtf8("Can\u00b4t read INI-file!")));
    QVERIFY2(text.contains(ini + ":\n"), qPrintable(text));
    const QString reason = text.section('\n', 3);
    const uint16_t id = kind == "fifo" ? 553 : kind == "large" ? 554 : 552;
    QCOMPARE(reason, id == 554 ? langFormatId(554, {64}) : langText(id));
    if (kind == "dangling")
        QVERIFY(!QFileInfo::exists(target));
    if (kind == "other")
        QCOMPARE(m_box->read("elsewhere.ini"), other);
}

void TestIniSettings::defaultFileIsShared()
{
    // The technician's umask (022 on most systems) must not make the file
    // the first technician's alone.
    const mode_t old = umask(022);
    ReadIniSettings();
    umask(old);
    struct stat st {
    };
    QCOMPARE(stat(QFile::encodeName(m_box->file("PXRQ60.INI")), &st), 0);
    QCOMPARE(st.st_mode & 07777, mode_t(0664));
}

void TestIniSettings::createFailureNamesTheReason()
{
    // A settings folder the user may not write: the system's own words say
    // why, below message 549.
    if (geteuid() == 0)
        QSKIP("root may write into any folder; the run as a plain user checks this");
    QVERIFY(QFile::setPermissions(m_box->dir(), QFile::ReadOwner | QFile::ExeOwner));
    ReadIniSettings();
    QVERIFY(QFile::setPermissions(m_box->dir(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QCOMPARE(m_rec->textIds(), QList<int>{549});
    QCOMPARE(m_rec->shown[0].args, QStringList{m_box->file("PXRQ60.INI")});
    const QString text = m_rec->shown[0].text;
    QVERIFY2(text.startsWith(langFormatId(549, {m_box->file("PXRQ60.INI")}) + "\n\n"),
             qPrintable(text));
    QVERIFY2(text.endsWith(QString::fromLocal8Bit(strerror(EACCES))), qPrintable(text));
    QCOMPARE(int(IniSettings.Comm.Com), 1);
}

namespace {
QStringList *logLines = nullptr;
QtMessageHandler previousHandler = nullptr;
void collectLog(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (logLines && QByteArray(context.category) == "pxrq60.config")
        logLines->append(message);
    else if (previousHandler)
        previousHandler(type, context, message);
}
} // namespace

void TestIniSettings::fileIsReadOncePerRead()
{
    // The kernel counts every opening of the file: fourteen keys read from
    // one opening cannot mix two versions of a file another program
    // replaces meanwhile.
    m_box->write("PXRQ60.INI", "[COMM]\r\nCOM=3\r\n");
    const int watcher = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    QVERIFY(watcher >= 0);
    // Closings are watched too: the kernel merges an event into an unread
    // one just like it, so only open, close, open, close counts two.
    QVERIFY(inotify_add_watch(watcher, QFile::encodeName(m_box->file("PXRQ60.INI")),
                              IN_OPEN | IN_CLOSE) >= 0);
    ReadIniSettings();
    int opened = 0;
    alignas(inotify_event) char events[4096];
    for (ssize_t n; (n = read(watcher, events, sizeof events)) > 0;)
        for (char *p = events; p < events + n;
             p += sizeof(inotify_event) + reinterpret_cast<inotify_event *>(p)->len)
            opened += (reinterpret_cast<inotify_event *>(p)->mask & IN_OPEN) ? 1 : 0;
    close(watcher);
    QCOMPARE(opened, 1);
    QCOMPARE(int(IniSettings.Comm.Com), 3);
}

void TestIniSettings::readsAndWritesAreLogged()
{
    m_box->write("PXRQ60.INI", "[COMM]\r\nCOM=3\r\n[USER_OPTIONS]\r\nACCESSCODE=99887766\r\n");
    QStringList lines;
    logLines = &lines;
    previousHandler = qInstallMessageHandler(collectLog);
    ReadIniSettings(); // off by default: nothing
    const bool silent = lines.isEmpty();
    QLoggingCategory::setFilterRules("pxrq60.config.debug=true");
    ReadIniSettings();
    WriteReader("R");
    WriteTempFilePath("/tmp/x");
    WriteAccessCode("11223344");
    QLoggingCategory::setFilterRules(QString());
    qInstallMessageHandler(previousHandler);
    logLines = nullptr;
    QVERIFY(silent);
    QCOMPARE(lines.filter(QRegularExpression("^read ")).size(), 1);
    QVERIFY2(lines.value(0).contains("COM=3"), qPrintable(lines.value(0)));
    QCOMPARE(lines.filter(QRegularExpression("^write ")).size(), 3);
    // The access code is a customer's secret.
    QVERIFY2(lines.filter("99887766").isEmpty() && lines.filter("11223344").isEmpty(),
             qPrintable(lines.join('\n')));
}

void TestIniSettings::crOnlyLineEnds()
{
    m_box->write("PXRQ60.INI", "[COMM]\rCOM=3\rCHECKTIME=500\r[COMMON]\rLANGUAGE=EN\r");
    ReadIniSettings();
    QCOMPARE(int(IniSettings.Comm.Com), 3);
    QCOMPARE(IniSettings.Comm.CheckTime, 500);
    QCOMPARE(IniSettings.Language, QString("EN"));
    WriteTempLow("-5.0");
    QCOMPARE(m_box->read("PXRQ60.INI"),
             QByteArray("[COMM]\rCOM=3\rCHECKTIME=500\r[COMMON]\rLANGUAGE=EN\r\r"
                        "[Justify]\rTEMPLOW=-5.0\r"));
}

void TestIniSettings::olderEightBitFile()
{
    const QByteArray before = "[USER_OPTIONS]\r\nREADER=M\xfcller\r\nTEMPFILEPATH=/tmp/\xc4rger\r\n"
                              "[JUSTIFY]\r\nTEMPLOW=-20.0\r\n";
    m_box->write("PXRQ60.INI", before);
    ReadIniSettings();
    QCOMPARE(IniSettings.UserOptions.Reader, QString::fromUtf8("Müller"));
    QCOMPARE(IniSettings.UserOptions.TempFilePath, QString::fromUtf8("/tmp/Ärger"));
    WriteTempLow("-10.0");
    QByteArray expected = before;
    expected.replace("TEMPLOW=-20.0", "TEMPLOW=-10.0");
    QCOMPARE(m_box->read("PXRQ60.INI"), expected);
    WriteReader(QString::fromUtf8("Jörg"));
    QVERIFY(m_box->read("PXRQ60.INI").contains("READER=J\xf6rg\r\n"));
}

void TestIniSettings::handEditedHeaderWithComment()
{
    m_box->write("PXRQ60.INI", "[COMM] ; port of the optical head\r\nCOM=3\r\n");
    ReadIniSettings();
    QCOMPARE(int(IniSettings.Comm.Com), 3);
    WriteComPort(4);
    QCOMPARE(m_box->read("PXRQ60.INI"),
             QByteArray("[COMM] ; port of the optical head\r\nCOM=4\r\n"));
}

void TestIniSettings::valueWithLineBreakIsRefused()
{
    ReadIniSettings();
    const QByteArray before = m_box->read("PXRQ60.INI");
    bool raised = false;
    try {
        WriteReader("Meier\r\n[COMM]\r\nCOM=9");
    } catch (const IniWriteError &e) {
        raised = true;
        QCOMPARE(e.reason(), langText(558));
    }
    QVERIFY(raised);
    // Nothing written, the record unchanged.
    QCOMPARE(m_box->read("PXRQ60.INI"), before);
    QCOMPARE(IniSettings.UserOptions.Reader, QString());
    QCOMPARE(IniSettings.UserOptions.TempFilePath, m_box->dir() + "/auswert/temp");
}

QTEST_GUILESS_MAIN(TestIniSettings)
#include "tst_inisettings.moc"
