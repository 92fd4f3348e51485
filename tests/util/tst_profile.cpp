#include "profile.h"
#include "testsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

class TestProfile : public QObject
{
    Q_OBJECT

private slots:
    void lookup_data();
    void lookup();
    void replace_data();
    void replace();
    void encodingAndUntouchedBytes();
    void refusedValues_data();
    void refusedValues();
    void fileReadAndWrite();
    void hostileFiles_data();
    void hostileFiles();
    void sizeLimit();
    void newFilesAreSharedAndReplacedOnesKeepModeAndGroup();
    void writeProtectedFileIsNotReplaced();
    void twoTechniciansShareTheFile();
    void twoProgramsAtOnceKeepEachOthersChanges();
    void settingsDirectoryFromEnvironment();
    void killedWriterNeverLeavesTornFile();
};

static const char *const sample = "[USER_OPTIONS]\r\n"
                                  "READER=\r\n"
                                  "TEMPFILENO=999\r\n"
                                  "\r\n"
                                  "[COMM]\r\n"
                                  "COM=1\r\n"
                                  "INIT = 4800,N,8,1,BIN,RS0,DS0 \r\n";

void TestProfile::lookup_data()
{
    QTest::addColumn<QString>("content");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    QTest::newRow("exact") << sample << "COMM"
                           << "COM"
                           << "1";
    QTest::newRow("case-insensitive names") << sample << "Comm"
                                            << "com"
                                            << "1";
    QTest::newRow("present and empty") << sample << "USER_OPTIONS"
                                       << "READER"
                                       << "";
    QTest::newRow("missing key") << sample << "COMM"
                                 << "CHECKTIME"
                                 << "<def>";
    QTest::newRow("missing section") << sample << "JUSTIFY"
                                     << "TEMPLOW"
                                     << "<def>";
    QTest::newRow("key of another section") << sample << "COMM"
                                            << "READER"
                                            << "<def>";
    QTest::newRow("blanks around") << sample << "COMM"
                                   << "INIT"
                                   << "4800,N,8,1,BIN,RS0,DS0";
    QTest::newRow("LF only") << "[comm]\ncom=2\n"
                             << "COMM"
                             << "COM"
                             << "2";
    QTest::newRow("value with =") << "[A]\nK=x=y\n"
                                  << "A"
                                  << "K"
                                  << "x=y";
    QTest::newRow("empty file") << ""
                                << "A"
                                << "K"
                                << "<def>";
    // An old Macintosh editor ends lines with CR alone; read as one line,
    // every key of such a file would silently take its default.
    QTest::newRow("CR only") << "[comm]\rcom=2\rinit=x\r"
                             << "COMM"
                             << "INIT"
                             << "x";
    QTest::newRow("mixed line ends") << "[A]\r\nX=1\nK=3\rY=4"
                                     << "A"
                                     << "K"
                                     << "3";
    QTest::newRow("header with a comment") << "[COMM] ; port\r\nCOM=4\r\n"
                                           << "COMM"
                                           << "COM"
                                           << "4";
    QTest::newRow("byte order mark") << "\xEF\xBB\xBF[COMM]\r\nCOM=5\r\n"
                                     << "COMM"
                                     << "COM"
                                     << "5";
    QTest::newRow("commented-out entry") << "[A]\r\n;K=1\r\nK=2\r\n"
                                         << "A"
                                         << "K"
                                         << "2";
    QTest::newRow("section appearing twice") << "[A]\r\nX=1\r\n[B]\r\n[a]\r\nK=7\r\n"
                                             << "A"
                                             << "K"
                                             << "7";
    QTest::newRow("entry before any section") << "K=1\r\n[A]\r\n"
                                              << "A"
                                              << "K"
                                              << "<def>";
}

void TestProfile::lookup()
{
    QFETCH(QString, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    QCOMPARE(profileLookup(content, section, key, "<def>"), expected);
}

void TestProfile::replace_data()
{
    QTest::addColumn<QString>("content");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("in place, other lines kept") << sample << "comm"
                                                << "com"
                                                << "3" << QString(sample).replace("COM=1", "com=3");
    QTest::newRow("appended to its section before the blank line")
        << sample << "USER_OPTIONS"
        << "CODEMARK"
        << "0" << QString(sample).replace("TEMPFILENO=999\r\n", "TEMPFILENO=999\r\nCODEMARK=0\r\n");
    QTest::newRow("new section at the end")
        << sample << "Justify"
        << "TEMPLOW"
        << "-10.0" << QString(sample) + "\r\n[Justify]\r\nTEMPLOW=-10.0\r\n";
    QTest::newRow("LF file keeps its line ends") << "[A]\nK=1\n"
                                                 << "A"
                                                 << "K"
                                                 << "2"
                                                 << "[A]\nK=2\n";
    QTest::newRow("CR-only file: new lines end in CR") << "[A]\rK=1\r"
                                                       << "B"
                                                       << "X"
                                                       << "2"
                                                       << "[A]\rK=1\r\r[B]\rX=2\r";
    QTest::newRow("header with a comment gets no second section")
        << "[COMM] ; port\r\nCOM=1\r\n"
        << "COMM"
        << "INIT"
        << "x"
        << "[COMM] ; port\r\nCOM=1\r\nINIT=x\r\n";
    QTest::newRow("last line without a line end") << "[A]\r\nK=1"
                                                  << "A"
                                                  << "J"
                                                  << "2"
                                                  << "[A]\r\nK=1\r\nJ=2\r\n";
    QTest::newRow("the entry that is read is the one replaced")
        << "[A]\r\nX=1\r\n[B]\r\n[A]\r\nK=1\r\n"
        << "a"
        << "k"
        << "2"
        << "[A]\r\nX=1\r\n[B]\r\n[A]\r\nk=2\r\n";
    QTest::newRow("empty file") << ""
                                << "A"
                                << "K"
                                << "v"
                                << "[A]\r\nK=v\r\n";
    QTest::newRow("only the first match replaced") << "[A]\r\nK=1\r\n[B]\r\nK=1\r\n"
                                                   << "B"
                                                   << "K"
                                                   << "9"
                                                   << "[A]\r\nK=1\r\n[B]\r\nK=9\r\n";
}

void TestProfile::replace()
{
    QFETCH(QString, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QString, expected);
    const QString out = profileReplace(content, section, key, value);
    QCOMPARE(out, expected);
    QCOMPARE(profileLookup(out, section, key, "<def>"), value);
}

void TestProfile::encodingAndUntouchedBytes()
{
    // Written by an older 8-bit install: Latin-1 / Windows-1252 bytes, odd
    // spacing, LF and CR LF mixed, a byte (0x81) the code page leaves free.
    const QByteArray latin1 = "[USER_OPTIONS]\r\n"
                              "READER=M\xfcller\r\n"
                              "  Odd = spacing \x81 \r\n"
                              "[COMM]\n"
                              "COM=1\n";
    ProfileText text = ProfileText::fromBytes(latin1);
    QCOMPARE(int(text.encoding()), int(ProfileText::Encoding::Windows1252));
    QCOMPARE(text.value("USER_OPTIONS", "READER", "?"), QString::fromUtf8("Müller"));
    QVERIFY(text.set("COMM", "COM", "2"));
    QByteArray expected = latin1;
    expected.replace("COM=1", "COM=2");
    QCOMPARE(text.toBytes(), expected);
    // A changed line is written in the encoding read.
    QVERIFY(text.set("USER_OPTIONS", "READER", QString::fromUtf8("Jörg €")));
    expected.replace("READER=M\xfcller", "READER=J\xf6rg \x80");
    QCOMPARE(text.toBytes(), expected);
    FileProblem problem;
    QVERIFY(!text.set("USER_OPTIONS", "READER", QString::fromUtf8("Łukasz"), &problem));
    QCOMPARE(int(problem.kind), int(FileProblem::Unencodable));
    QCOMPARE(text.toBytes(), expected);

    // Valid UTF-8 stays UTF-8.
    const QByteArray utf8 = "[USER_OPTIONS]\r\nREADER=M\xc3\xbcller\r\n";
    text = ProfileText::fromBytes(utf8);
    QCOMPARE(int(text.encoding()), int(ProfileText::Encoding::Utf8));
    QCOMPARE(text.value("USER_OPTIONS", "READER", "?"), QString::fromUtf8("Müller"));
    QVERIFY(text.set("USER_OPTIONS", "TEMPFILENO", QString::fromUtf8("Łukasz")));
    QCOMPARE(text.toBytes(), utf8 + "TEMPFILENO=\xc5\x81ukasz\r\n");
}

void TestProfile::refusedValues_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    // Each would add entries or sections of its own to the file.
    QTest::newRow("CR LF and a section") << "COMM"
                                         << "INIT"
                                         << "x\r\n[COMM]\r\nCOM=9";
    QTest::newRow("LF") << "COMM"
                        << "INIT"
                        << "x\nCOM=9";
    QTest::newRow("CR") << "COMM"
                        << "INIT"
                        << "x\rCOM=9";
    QTest::newRow("NUL") << "COMM"
                         << "INIT" << QString("x") + QChar(0) + "y";
    QTest::newRow("key with =") << "COMM"
                                << "COM=9"
                                << "1";
    QTest::newRow("key that is a section") << "COMM"
                                           << "[X]"
                                           << "1";
    QTest::newRow("section with ]") << "CO]MM"
                                    << "COM"
                                    << "1";
    QTest::newRow("empty key") << "COMM"
                               << " "
                               << "1";
}

void TestProfile::refusedValues()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    SettingsSandbox box;
    const QByteArray before = "[COMM]\r\nCOM=1\r\n";
    box.write("PXRQ60.INI", before);
    FileProblem problem;
    QVERIFY(!WritePrivateProfileString(section, key, value, "PXRQ60.INI", &problem));
    QCOMPARE(int(problem.kind), int(FileProblem::BadValue));
    QCOMPARE(box.read("PXRQ60.INI"), before);
    QCOMPARE(GetPrivateProfileString("COMM", "COM", "?", "PXRQ60.INI"), QString("1"));
}

void TestProfile::fileReadAndWrite()
{
    SettingsSandbox box;
    QCOMPARE(GetPrivateProfileString("COMM", "COM", "7", "PXRQ60.INI"), QString("7"));
    QVERIFY(WritePrivateProfileString("COMM", "COM", "2", "PXRQ60.INI"));
    QCOMPARE(box.read("PXRQ60.INI"), QByteArray("[COMM]\r\nCOM=2\r\n"));
    QVERIFY(WritePrivateProfileString("comm", "INIT", "", "PXRQ60.INI"));
    QCOMPARE(GetPrivateProfileString("COMM", "init", "x", "PXRQ60.INI"), QString());
    QCOMPARE(GetPrivateProfileString("COMM", "COM", "7", "PXRQ60.INI"), QString("2"));

    // A file that cannot be replaced (a directory in its place) refuses
    // the write, and reading it gives the default.
    QDir().mkpath(box.file("BLOCKED.INI"));
    QVERIFY(!WritePrivateProfileString("COMM", "COM", "5", "BLOCKED.INI"));
}

void TestProfile::hostileFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("problem");
    QTest::newRow("named pipe") << "fifo" << int(FileProblem::NotRegular);
    QTest::newRow("link to /dev/zero") << "zero" << int(FileProblem::SymLink);
    QTest::newRow("dangling link") << "dangling" << int(FileProblem::SymLink);
    QTest::newRow("link to another file") << "other" << int(FileProblem::SymLink);
    QTest::newRow("directory") << "dir" << int(FileProblem::NotRegular);
}

void TestProfile::hostileFiles()
{
    QFETCH(QString, kind);
    QFETCH(int, problem);
    SettingsSandbox box;
    const QString ini = box.file("PXRQ60.INI");
    const QString target = box.file("target.txt");
    const QByteArray targetContent = "[COMM]\r\nCOM=7\r\n";
    if (kind == "fifo") {
        QCOMPARE(mkfifo(QFile::encodeName(ini), 0664), 0);
    } else if (kind == "zero") {
        QVERIFY(QFile::link("/dev/zero", ini));
    } else if (kind == "dangling") {
        QVERIFY(QFile::link(target, ini));
    } else if (kind == "other") {
        box.write("target.txt", targetContent);
        QVERIFY(QFile::link(target, ini));
    } else {
        QVERIFY(QDir().mkdir(ini));
    }
    // Neither a hang on the pipe nor a read of /dev/zero without end.
    QElapsedTimer clock;
    clock.start();
    ProfileText text;
    bool exists = false;
    FileProblem why;
    QVERIFY(!readProfile("PXRQ60.INI", &text, &exists, &why));
    QVERIFY(exists);
    QCOMPARE(int(why.kind), problem);
    bool ok = true;
    QCOMPARE(GetPrivateProfileString("COMM", "COM", "def", "PXRQ60.INI", &ok), QString("def"));
    QVERIFY(!ok);

    QVERIFY(!WritePrivateProfileString("COMM", "COM", "2", "PXRQ60.INI", &why));
    QCOMPARE(int(why.kind), problem);
    QVERIFY2(clock.elapsed() < 60000, "a hostile file held the program up");
    // Nothing written through a link, nothing put in the thing's place.
    const QFileInfo after(ini);
    QCOMPARE(after.isSymLink(), kind == "zero" || kind == "dangling" || kind == "other");
    if (kind == "dangling")
        QVERIFY(!QFileInfo::exists(target));
    if (kind == "other")
        QCOMPARE(box.read("target.txt"), targetContent);
    if (kind == "fifo") {
        struct stat st {
        };
        QCOMPARE(lstat(QFile::encodeName(ini), &st), 0);
        QVERIFY(S_ISFIFO(st.st_mode));
    }
}

void TestProfile::sizeLimit()
{
    SettingsSandbox box;
    QByteArray content = "[COMM]\r\nCOM=3\r\n[PAD]\r\n";
    content += QByteArray(MaxProfileBytes - content.size() - 2, ';') + "\r\n";
    QCOMPARE(content.size(), MaxProfileBytes);
    box.write("PXRQ60.INI", content);
    ProfileText text;
    bool exists = false;
    FileProblem why;
    QVERIFY(readProfile("PXRQ60.INI", &text, &exists, &why));
    QCOMPARE(text.value("COMM", "COM", "?"), QString("3"));
    // A write that would take the file past the limit is refused: the
    // next start could not read it.
    QVERIFY(!WritePrivateProfileString("COMM", "INIT", "x", "PXRQ60.INI", &why));
    QCOMPARE(int(why.kind), int(FileProblem::TooLarge));
    QCOMPARE(box.read("PXRQ60.INI"), content);

    box.write("PXRQ60.INI", content + ";");
    QVERIFY(!readProfile("PXRQ60.INI", &text, &exists, &why));
    QCOMPARE(int(why.kind), int(FileProblem::TooLarge));
}

namespace {

mode_t modeOf(const QString &path)
{
    struct stat st {
    };
    return lstat(QFile::encodeName(path), &st) == 0 ? (st.st_mode & 07777) : 0;
}

gid_t groupOf(const QString &path)
{
    struct stat st {
    };
    return lstat(QFile::encodeName(path), &st) == 0 ? st.st_gid : gid_t(-1);
}

// A group of this process other than the one new files get: root may take
// any (dialout), anyone else one of their supplementary groups.
bool otherGroup(gid_t *gid)
{
    if (geteuid() == 0) {
        *gid = 20;
        return getegid() != 20;
    }
    gid_t groups[64];
    const int n = getgroups(64, groups);
    for (int i = 0; i < n; ++i)
        if (groups[i] != getegid()) {
            *gid = groups[i];
            return true;
        }
    return false;
}

// Runs the second-program helper as another user (root only).
int runAs(const QString &uid, const QString &groups, const QStringList &args, QString *out)
{
    QProcess p;
    p.start(PX_TEST_BIN_DIR "/runas",
            QStringList{uid, uid, groups, PX_TEST_BIN_DIR "/profilewriter"} + args);
    if (!p.waitForFinished(30000))
        return -1;
    *out = QString::fromLocal8Bit(p.readAll());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

} // namespace

void TestProfile::newFilesAreSharedAndReplacedOnesKeepModeAndGroup()
{
    SettingsSandbox box;
    const QString ini = box.file("PXRQ60.INI");
    // A technician whose umask keeps everything private still creates a
    // file the group can write.
    const mode_t oldMask = umask(077);
    const bool written = WritePrivateProfileString("COMM", "COM", "2", "PXRQ60.INI");
    umask(oldMask);
    QVERIFY(written);
    QCOMPARE(modeOf(ini), mode_t(0664));
    QCOMPARE(modeOf(ini + ".lock"), mode_t(0664));

    QCOMPARE(chmod(QFile::encodeName(ini), 0640), 0);
    QVERIFY(WritePrivateProfileString("COMM", "COM", "3", "PXRQ60.INI"));
    QCOMPARE(modeOf(ini), mode_t(0640));

    gid_t group = 0;
    if (!otherGroup(&group))
        QSKIP("this user has no second group to give the file");
    QCOMPARE(chown(QFile::encodeName(ini), uid_t(-1), group), 0);
    QVERIFY(WritePrivateProfileString("COMM", "COM", "4", "PXRQ60.INI"));
    QCOMPARE(groupOf(ini), group);
    QCOMPARE(modeOf(ini), mode_t(0640));
    QCOMPARE(GetPrivateProfileString("COMM", "COM", "?", "PXRQ60.INI"), QString("4"));
}

void TestProfile::writeProtectedFileIsNotReplaced()
{
    if (geteuid() == 0)
        QSKIP("root may write any file; the run as a plain user checks this");
    SettingsSandbox box;
    box.write("PXRQ60.INI", "[COMM]\r\nCOM=1\r\n");
    QCOMPARE(chmod(QFile::encodeName(box.file("PXRQ60.INI")), 0444), 0);
    // The folder would allow the rename; the file's own mode says no.
    FileProblem why;
    QVERIFY(!WritePrivateProfileString("COMM", "COM", "2", "PXRQ60.INI", &why));
    QCOMPARE(int(why.kind), int(FileProblem::ReadOnly));
    QCOMPARE(box.read("PXRQ60.INI"), QByteArray("[COMM]\r\nCOM=1\r\n"));
}

void TestProfile::twoTechniciansShareTheFile()
{
    if (geteuid() != 0)
        QSKIP("acting as two technicians needs root; the run as root checks this");
    // The settings directory as installed: group dialout, 2775.
    QTemporaryDir dir;
    QVERIFY(chmod(QFile::encodeName(dir.path()), 0755) == 0);
    const QString shared = dir.filePath("pxrq60");
    QVERIFY(QDir().mkdir(shared));
    QCOMPARE(chown(QFile::encodeName(shared), 0, 20), 0);
    QCOMPARE(chmod(QFile::encodeName(shared), 02775), 0);
    const QString ini = shared + "/PXRQ60.INI";

    QString out;
    // The first technician creates the file, the second one writes to it.
    QCOMPARE(runAs("65534", "20", {ini, "COMM", "COM", "2"}, &out), 0);
    QCOMPARE(modeOf(ini), mode_t(0664));
    QCOMPARE(groupOf(ini), gid_t(20));
    QCOMPARE(runAs("65533", "20", {ini, "COMM", "INIT", "9600,N,8,1,BIN,RS0,DS0"}, &out), 0);
    QCOMPARE(modeOf(ini), mode_t(0664));
    QCOMPARE(groupOf(ini), gid_t(20));
    QCOMPARE(GetPrivateProfileString("COMM", "COM", "?", ini), QString("2"));
    QCOMPARE(GetPrivateProfileString("COMM", "INIT", "?", ini), QString("9600,N,8,1,BIN,RS0,DS0"));

    // A user outside the group, writing through a world-writable folder,
    // would give the file a group of their own and lock the technicians
    // out: refused, the file stays.
    QCOMPARE(chmod(QFile::encodeName(shared), 0777), 0);
    QCOMPARE(chmod(QFile::encodeName(ini), 0666), 0);
    QCOMPARE(chmod(QFile::encodeName(ini + ".lock"), 0666), 0);
    const QByteArray before = [&] {
        QFile f(ini);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    QCOMPARE(runAs("65532", "-", {ini, "COMM", "COM", "5"}, &out), 1);
    QCOMPARE(out.section(' ', 0, 0).toInt(), int(FileProblem::GroupLost));
    QFile f(ini);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
    QCOMPARE(groupOf(ini), gid_t(20));
}

void TestProfile::twoProgramsAtOnceKeepEachOthersChanges()
{
    // Each program writes keys of its own; without the lock one program's
    // write-back of what it read undoes the other's keys written meanwhile.
    QTemporaryDir dir;
    const QString ini = dir.filePath("PXRQ60.INI");
    const int count = 40;
    QProcess a, b;
    a.start(PX_TEST_BIN_DIR "/profilewriter", {ini, "A", QString::number(count)});
    b.start(PX_TEST_BIN_DIR "/profilewriter", {ini, "B", QString::number(count)});
    QVERIFY(a.waitForFinished(120000));
    QVERIFY(b.waitForFinished(120000));
    QCOMPARE(a.exitCode(), 0);
    QCOMPARE(b.exitCode(), 0);
    ProfileText text;
    bool exists = false;
    FileProblem why;
    QVERIFY(readProfile(ini, &text, &exists, &why));
    QStringList lost;
    for (const char *prefix : {"A", "B"})
        for (int i = 1; i <= count; ++i)
            if (text.value("TEST", prefix + QString::number(i), "-") != "x")
                lost << prefix + QString::number(i);
    QVERIFY2(lost.isEmpty(), qPrintable("lost: " + lost.join(' ')));
}

void TestProfile::settingsDirectoryFromEnvironment()
{
    const QByteArray old = qgetenv("PXRQ60_SETTINGS_DIR");
    qputenv("PXRQ60_SETTINGS_DIR", "/tmp/somewhere/");
    QCOMPARE(settingsDirectory(), QString("/tmp/somewhere"));
    QCOMPARE(settingsFilePath("PXRQ60.INI"), QString("/tmp/somewhere/PXRQ60.INI"));
    QCOMPARE(settingsFilePath("/abs/x.ini"), QString("/abs/x.ini"));
    qunsetenv("PXRQ60_SETTINGS_DIR");
    QCOMPARE(settingsDirectory(), QString("/var/lib/pxrq60"));
    qputenv("PXRQ60_SETTINGS_DIR", old);
}

void TestProfile::killedWriterNeverLeavesTornFile()
{
    QTemporaryDir dir;
    const QString file = dir.filePath("PXRQ60.INI");
    const QString a(4000, 'a'), b(4000, 'b');
    const QByteArray withA = profileReplace(QString(), "USER_OPTIONS", "READER", a).toUtf8();
    const QByteArray withB = profileReplace(QString(), "USER_OPTIONS", "READER", b).toUtf8();
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(withA);
    }
    int kills = 0;
    for (int i = 0; i < 200; ++i) {
        QProcess writer;
        writer.start(PX_TEST_BIN_DIR "/profilewriter", {file});
        QVERIFY(writer.waitForReadyRead(5000)); // "ready"
        QTest::qSleep(QRandomGenerator::global()->bounded(1, 15));
        writer.kill();
        QVERIFY(writer.waitForFinished(5000));
        ++kills;
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray content = f.readAll();
        QVERIFY2(
            content == withA || content == withB,
            qPrintable(QString("torn file after kill %1: %2 bytes").arg(i).arg(content.size())));
    }
    QCOMPARE(kills, 200);
}

QTEST_GUILESS_MAIN(TestProfile)
#include "tst_profile.moc"
