// The export files on disk: the number search over the three names in any
// case, a V1x pair written as one unit with the reader's name in the code
// page of the evaluation program, failures that leave no file and say why,
// programs killed while exporting, two programs exporting at once, and the
// default export folder made when missing.
#include "cp1252.h"
#include "devicevalues.h"
#include "dsmodul.h"
#include "exportfile.h"
#include "exportlines.h"
#include "exportmessages.h"
#include "inisettings.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

void touch(const QString &path)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
}

QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

mode_t modeOf(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

QString systemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// A file system mounted for one test and unmounted when the test is done.
class Mount
{
public:
    ~Mount()
    {
        if (m_at.isEmpty())
            return;
        if (m_fuse)
            QProcess::execute(QStringLiteral("fusermount3"), {QStringLiteral("-u"), m_at});
        else
            QProcess::execute(QStringLiteral("umount"), {m_at});
    }
    // Empty when mounted, else why not.
    QString tmpfs(const QString &at, const QString &options)
    {
        if (::geteuid() != 0)
            return QStringLiteral("mounting a tmpfs needs root");
        return run(QStringLiteral("mount"),
                   {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"), options,
                    QStringLiteral("tmpfs"), at},
                   at, false);
    }
    QString bindfs(const QString &from, const QString &at)
    {
        if (QStandardPaths::findExecutable(QStringLiteral("bindfs")).isEmpty())
            return QStringLiteral("bindfs is not installed (tools/deps.sh installs it)");
        if (::access("/dev/fuse", F_OK) != 0)
            return QStringLiteral("no /dev/fuse in this system");
        return run(QStringLiteral("bindfs"), {from, at}, at, true);
    }

private:
    QString run(const QString &program, const QStringList &args, const QString &at, bool fuse)
    {
        QProcess p;
        p.start(program, args);
        if (!p.waitForFinished(20000) || p.exitStatus() != QProcess::NormalExit ||
            p.exitCode() != 0)
            return program + QStringLiteral(" failed: ") +
                   QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
        m_at = at;
        m_fuse = fuse;
        return QString();
    }
    QString m_at;
    bool m_fuse = false;
};

// A V1x device's two records as a whole readout leaves them.
TDSData record(const char *kind, const QString &data)
{
    TDSData r;
    r.Field = {
        "000000123456",  QLatin1String(kind), "98",          "m3", "0.1", "_z,Name", "100000000001",
        "00403111.1110", "00401876.5432",     "00398765.43", "",   data};
    return r;
}

const ExportCreateMethod Methods[] = {ExportCreateMethod::Best, ExportCreateMethod::TemporaryName};
const char *methodName(ExportCreateMethod m)
{
    return m == ExportCreateMethod::Best ? "nameless file" : "temporary name";
}

} // namespace

Q_DECLARE_METATYPE(ExportCreateMethod)
Q_DECLARE_METATYPE(ExportWriteResult::Step)

class TestExportFile : public QObject
{
    Q_OBJECT
private slots:
    void names();
    void startNumber_data();
    void startNumber();
    void numberSearch_data();
    void numberSearch();
    void writesAPair_data();
    void writesAPair();
    void failureLeavesNoFile_data();
    void failureLeavesNoFile();
    void killedWhileExporting_data();
    void killedWhileExporting();
    void twoProgramsAtOnce_data();
    void twoProgramsAtOnce();
    void defaultFolder();
};

void TestExportFile::names()
{
    QCOMPARE(exportFileName(QStringLiteral("/srv/auswert/temp"), 999),
             QStringLiteral("/srv/auswert/temp/TEMP.999"));
    QCOMPARE(exportFileName(QStringLiteral("/x"), -1), QStringLiteral("/x/TEMP.-1"));
}

void TestExportFile::startNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("number"); // -12345: none
    QTest::newRow("999") << "999" << 999;
    QTest::newRow("negative") << "-5" << -5;
    QTest::newRow("above 16 bits") << "70000" << 70000;
    QTest::newRow("empty") << "" << -12345;
    QTest::newRow("letters") << "abc" << -12345;
    QTest::newRow("decimal") << "1.5" << -12345;
    QTest::newRow("hex") << "0x10" << -12345;
    QTest::newRow("too large") << "99999999999" << -12345;
}

void TestExportFile::startNumber()
{
    QFETCH(QString, text);
    QFETCH(int, number);
    QCOMPARE(exportStartNumber(text).value_or(-12345), number);
}

void TestExportFile::numberSearch_data()
{
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("free");
    QTest::newRow("empty folder") << QStringList() << 999 << 999;
    QTest::newRow("TEMP.999") << QStringList{"TEMP.999"} << 999 << 998;
    QTest::newRow("only TEMP_e.999") << QStringList{"TEMP_e.999"} << 999 << 998;
    QTest::newRow("only TEMP_a.999") << QStringList{"TEMP_a.999"} << 999 << 998;
    // Written from Windows, which keeps names as typed.
    QTest::newRow("TEMP_A.999") << QStringList{"TEMP_A.999"} << 999 << 998;
    QTest::newRow("temp.999, Temp_E.998") << QStringList{"temp.999", "Temp_E.998"} << 999 << 997;
    QTest::newRow("three names in a row")
        << QStringList{"TEMP_a.999", "TEMP.998", "TEMP_e.997"} << 999 << 996;
    QTest::newRow("only downward") << QStringList{"TEMP.998"} << 999 << 999;
    QTest::newRow("gap used") << QStringList{"TEMP.999", "TEMP.997"} << 999 << 998;
    QTest::newRow("a folder of that name") << QStringList{"dir:TEMP.999"} << 999 << 998;
    QTest::newRow("a dangling link") << QStringList{"link:TEMP.999"} << 999 << 998;
    QTest::newRow("other names do not count")
        << QStringList{"TEMP.9990", "TEMP_b.999", "TEMP.0999", "TEMP.+999", "TEMPX999"} << 999
        << 999;
    QTest::newRow("through zero") << QStringList{"TEMP.1", "TEMP.0"} << 1 << -1;
}

void TestExportFile::numberSearch()
{
    QFETCH(QStringList, present);
    QFETCH(int, start);
    QFETCH(int, free);
    QTemporaryDir dir;
    for (const QString &p : present) {
        if (p.startsWith(QLatin1String("dir:")))
            QVERIFY(QDir(dir.path()).mkdir(p.mid(4)));
        else if (p.startsWith(QLatin1String("link:")))
            QVERIFY(QFile::link(dir.filePath(QStringLiteral("nowhere")), dir.filePath(p.mid(5))));
        else
            touch(dir.filePath(p));
    }
    QCOMPARE(findFreeExportNumber(dir.path(), start), std::optional<int>(free));
    // The search only looks.
    QCOMPARE(entriesOf(dir.path()).size(), present.size());
    // An export takes the same number.
    const ExportWriteResult r = writeExportFiles(dir.path(), start, {"x\r\n"});
    QCOMPARE(r.numbers, QList<int>{free});
}

void TestExportFile::writesAPair_data()
{
    QTest::addColumn<ExportCreateMethod>("method");
    for (ExportCreateMethod m : Methods)
        QTest::newRow(methodName(m)) << m;
}

void TestExportFile::writesAPair()
{
    QFETCH(ExportCreateMethod, method);
    QTemporaryDir dir;
    touch(dir.filePath(QStringLiteral("TEMP_A.999")));

    // The reader's name goes into line 4 in the code page the evaluation
    // program reads: "ü" 0xFC, "€" 0x80, "Š" 0x8A, "Œ" 0x8C; a character
    // the code page lacks is "?".
    const QString reader = QStringLiteral("Müller € ŠŒ Łx");
    TVCVal values;
    values.L[34] = QStringLiteral("1.22");
    const TDSData current = record("00", QString());
    const TDSData archive = record("01", QStringLiteral("FF1"));
    ExportSource source;
    source.generation = Generation::V1x;
    source.values = &values;
    source.current = &current;
    source.currentState = DSRecordState::whole();
    source.archive = &archive;
    source.archiveState = DSRecordState::whole(1);
    source.reader = reader;
    source.now = [] { return QDateTime(QDate(2026, 12, 9), QTime(5, 23, 14)); };
    const ExportContents contents = buildExportContents(source);
    QVERIFY(!contents.error);
    QCOMPARE(contents.files.size(), 2);

    const mode_t oldMask = ::umask(022);
    const ExportWriteResult first = writeExportFiles(dir.path(), 999, contents.files, method);
    const ExportWriteResult second = writeExportFiles(dir.path(), 999, {"again\r\n"}, method);
    ::umask(oldMask);
    QVERIFY(first.ok());
    // The two highest free numbers, the current values first.
    QCOMPARE(first.numbers, (QList<int>{998, 997}));
    QCOMPARE(first.fileNames, (QStringList{dir.filePath("TEMP.998"), dir.filePath("TEMP.997")}));
    QCOMPARE(second.numbers, QList<int>{996});
    // Nothing else: no temporary name is left behind.
    QCOMPARE(entriesOf(dir.path()),
             (QStringList{"TEMP.996", "TEMP.997", "TEMP.998", "TEMP_A.999"}));

    const QByteArray head = "09.12.26,05:23:14,123456,09.12.26   05:23:14\r\n"
                            "84122,403111.1110,401876.5432,,,\r\n"
                            ",1,98\r\n"
                            ",,1|m3|_z,Name,M\xfcller \x80 \x8a\x8c ?x\r\n"
                            "0,0,0\r\n"
                            ",0\r\n"
                            "0,398765.43,0\r\n"
                            "\r\n";
    QCOMPARE(readAll(first.fileNames.at(0)), head);
    QCOMPARE(readAll(first.fileNames.at(1)), head + "&HFF1\r\n");
    QVERIFY(
        fromCp1252(readAll(first.fileNames.at(0))).contains(QStringLiteral(",Müller € ŠŒ ?x\r\n")));
    // Never overwritten, and the group that shares the folder may work with
    // the files despite the umask.
    QCOMPARE(readAll(second.fileNames.at(0)), QByteArray("again\r\n"));
    for (const QString &name : first.fileNames)
        QCOMPARE(modeOf(name), mode_t(0664));
}

void TestExportFile::failureLeavesNoFile_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<ExportCreateMethod>("method");
    QTest::addColumn<ExportWriteResult::Step>("step");
    QTest::addColumn<int>("fileIndex");
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("textId");
    const bool root = ::geteuid() == 0;
    for (ExportCreateMethod m : Methods) {
        const QByteArray suffix = QByteArray(", ") + methodName(m);
        QTest::newRow("removed folder" + suffix)
            << "removed" << m << ExportWriteResult::Create << 0 << ENOENT << 1415;
        // Root writes into any folder; a read-only file system stops it.
        QTest::newRow("read-only folder" + suffix) << "read-only" << m << ExportWriteResult::Create
                                                   << 0 << (root ? EROFS : EACCES) << 1415;
        QTest::newRow("full disk during the second file" + suffix)
            << "full" << m << ExportWriteResult::Write << 1 << ENOSPC << 1416;
        QTest::newRow("file size limit during the second file" + suffix)
            << "size limit" << m << ExportWriteResult::Write << 1 << EFBIG << 1416;
        // The first file has its number already and gives it back.
        QTest::newRow("no number left for the second file" + suffix)
            << "no number" << m << ExportWriteResult::Number << 1 << 0 << 1418;
    }
}

void TestExportFile::failureLeavesNoFile()
{
    QFETCH(QString, setup);
    QFETCH(ExportCreateMethod, method);
    QFETCH(ExportWriteResult::Step, step);
    QFETCH(int, fileIndex);
    QFETCH(int, error);
    QFETCH(int, textId);
    QTemporaryDir dir;
    QString folder = dir.filePath(QStringLiteral("temp"));
    QVERIFY(QDir().mkdir(folder));
    Mount mount;
    int start = 999;
    const QList<QByteArray> pair{QByteArray(500, 'a'), QByteArray(200000, 'b')};
    if (setup == QLatin1String("removed")) {
        QVERIFY(QDir().rmdir(folder));
    } else if (setup == QLatin1String("read-only")) {
        if (::geteuid() == 0) {
            const QString why = mount.tmpfs(folder, QStringLiteral("ro,size=64k"));
            if (!why.isEmpty())
                QSKIP(qPrintable(why));
        } else {
            QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0555) == 0);
        }
    } else if (setup == QLatin1String("full")) {
        const QString why = mount.tmpfs(folder, QStringLiteral("size=64k,mode=0777"));
        if (!why.isEmpty())
            QSKIP(qPrintable(why + QStringLiteral("; the file size limit row stands in")));
    } else if (setup == QLatin1String("no number")) {
        start = INT_MIN + 1;
        touch(exportFileName(folder, INT_MIN));
    }
    const QStringList before = entriesOf(folder);

    ExportWriteResult r;
    {
        std::optional<FileSizeLimit> limit;
        if (setup == QLatin1String("size limit"))
            limit.emplace(1000);
        r = writeExportFiles(folder, start, pair, method);
    }
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    QCOMPARE(r.step, step);
    QCOMPARE(r.fileIndex, fileIndex);
    QCOMPARE(r.error, error);
    QCOMPARE(r.reason, error ? systemText(error) : QString());
    QCOMPARE(r.folder, folder);
    QVERIFY(r.numbers.isEmpty() && r.fileNames.isEmpty());
    // Neither file of the pair, and no temporary name either.
    QCOMPARE(entriesOf(folder), before);

    // The technician reads the folder and the system's reason, and that
    // neither file of the pair was kept.
    const ExportMessage m = exportWriteMessage(r, 2, start, QStringLiteral("Einstellungen"),
                                               QStringLiteral("Optionen Anwender ..."));
    QCOMPARE(m.textId, uint16_t(textId));
    QCOMPARE(m.args.value(0), folder);
    if (error)
        QCOMPARE(m.args.value(2), r.reason);
}

void TestExportFile::killedWhileExporting_data()
{
    QTest::addColumn<bool>("fuse");
    QTest::addColumn<QString>("method");
    QTest::newRow("temporary names, local folder") << false << "temporary";
    QTest::newRow("FUSE mount without nameless files") << true << "best";
}

void TestExportFile::killedWhileExporting()
{
    QFETCH(bool, fuse);
    QFETCH(QString, method);
    QTemporaryDir dir;
    QString folder = dir.path();
    Mount mount;
    if (fuse) {
        const QString source = dir.filePath(QStringLiteral("source"));
        folder = dir.filePath(QStringLiteral("mount"));
        QVERIFY(QDir().mkdir(source) && QDir().mkdir(folder));
        const QString why = mount.bindfs(source, folder);
        if (!why.isEmpty())
            QSKIP(qPrintable(why));
        const int fd = ::open(QFile::encodeName(folder).constData(), O_TMPFILE | O_WRONLY, 0600);
        if (fd >= 0) {
            ::close(fd);
            qInfo("this FUSE mount has nameless files; the export uses them");
        }
    }
    const int lines = 20000;
    QByteArray whole[2];
    for (int k = 0; k < 2; ++k) {
        QStringList l;
        for (int i = 0; i < lines; ++i)
            l << QStringLiteral("K,%1,line %2,0123456789ABCDEF")
                     .arg(k == 0 ? QStringLiteral("current") : QStringLiteral("archive"))
                     .arg(i);
        whole[k] = exportFileBytes(l);
    }

    const QString program = QStringLiteral(PX_TEST_BIN_DIR "/exportrace");
    for (int round = 0; round < 40; ++round) {
        QProcess p;
        p.start(program, {folder, QStringLiteral("999"), QString::number(lines),
                          QStringLiteral("K"), method, QStringLiteral("loop")});
        QVERIFY(p.waitForStarted());
        while (!p.canReadLine())
            QVERIFY(p.waitForReadyRead(10000));
        // The moment of the kill is what is tested, not a wait for
        // something: anywhere within a few exports.
        std::this_thread::sleep_for(
            std::chrono::microseconds(QRandomGenerator::global()->bounded(40000)));
        ::kill(pid_t(p.processId()), SIGKILL);
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitStatus(), QProcess::CrashExit);
    }

    int files = 0;
    for (const QString &name : entriesOf(folder)) {
        if (name.startsWith(QLatin1String(".pxrq60-export-")))
            continue; // a temporary name: no evaluation program takes it
        QVERIFY2(name.startsWith(QLatin1String("TEMP.")), qPrintable(name));
        const QByteArray content = readAll(QDir(folder).filePath(name));
        QVERIFY2(content == whole[0] || content == whole[1],
                 qPrintable(name + QStringLiteral(": %1 bytes").arg(content.size())));
        ++files;
    }
    qInfo("%d whole files after 40 kills", files);
}

void TestExportFile::twoProgramsAtOnce_data()
{
    QTest::addColumn<QString>("method");
    QTest::newRow("nameless file, then linked") << "best";
    QTest::newRow("temporary name, then linked") << "temporary";
}

void TestExportFile::twoProgramsAtOnce()
{
    QFETCH(QString, method);
    const QString program = QStringLiteral(PX_TEST_BIN_DIR "/exportrace");
    const int lines = 20000;
    for (int round = 0; round < 10; ++round) {
        QTemporaryDir dir;
        QProcess a, b;
        for (QProcess *p : {&a, &b}) {
            const QString name = p == &a ? QStringLiteral("A") : QStringLiteral("B");
            p->start(program, {dir.path(), QStringLiteral("999"), QString::number(lines), name,
                               method, QStringLiteral("once")});
            QVERIFY(p->waitForStarted());
        }
        for (QProcess *p : {&a, &b}) {
            while (!p->canReadLine())
                QVERIFY(p->waitForReadyRead(10000));
            QCOMPARE(p->readLine(), QByteArray("ready\n"));
        }
        // Both "go"s leave now: QProcess would otherwise send b's only while
        // it waits for b, after a is done.
        a.write("go\n");
        b.write("go\n");
        QVERIFY(a.waitForBytesWritten() && b.waitForBytesWritten());
        for (QProcess *p : {&a, &b}) {
            QVERIFY(p->waitForFinished(30000));
            QCOMPARE(p->exitCode(), 0);
        }
        const QList<QByteArray> ra = a.readAll().trimmed().split(' ');
        const QList<QByteArray> rb = b.readAll().trimmed().split(' ');
        QCOMPARE(ra.value(1), QByteArray::number(ExportWriteResult::Done));
        QCOMPARE(rb.value(1), QByteArray::number(ExportWriteResult::Done));
        // Two numbers, the two highest, and each file whole and its own.
        QCOMPARE(QSet<QByteArray>({ra.value(0), rb.value(0)}), QSet<QByteArray>({"999", "998"}));
        QCOMPARE(entriesOf(dir.path()), (QStringList{"TEMP.998", "TEMP.999"}));
        for (const auto &[r, name] :
             {std::pair{ra, QByteArray("A")}, std::pair{rb, QByteArray("B")}}) {
            const QByteArray content = readAll(dir.filePath(QStringLiteral("TEMP.") + r.value(0)));
            QCOMPARE(content.count("\r\n"), lines);
            QCOMPARE(content.count(name + ",current,line "), lines);
            QVERIFY(content.endsWith(name + ",current,line " + QByteArray::number(lines - 1) +
                                     ",0123456789ABCDEF\r\n"));
        }
    }
}

void TestExportFile::defaultFolder()
{
    const SettingsSandbox settings;
    // The settings directory as an install makes it: group-shared, setgid.
    QVERIFY(::chmod(QFile::encodeName(settings.dir()).constData(), 02775) == 0);
    const QString folder = defaultTempFilePath();
    QVERIFY(isDefaultExportFolder(settings.dir() + QStringLiteral("/auswert/./x/../temp/")));

    const mode_t oldMask = ::umask(077);
    const ExportFolderCheck made = prepareExportFolder(folder);
    const ExportFolderCheck again = prepareExportFolder(folder);
    // A folder the technician chose is not made without asking.
    const QString chosen = settings.file(QStringLiteral("chosen/temp"));
    const ExportFolderCheck missing = prepareExportFolder(chosen);
    ::umask(oldMask);
    QCOMPARE(made.state, ExportFolderCheck::Made);
    QCOMPARE(again.state, ExportFolderCheck::Present);
    QCOMPARE(missing.state, ExportFolderCheck::Missing);
    QVERIFY(!QFileInfo::exists(settings.file(QStringLiteral("chosen"))));
    // Every technician of the group may export into it, whatever the umask
    // of the one who made it.
    QCOMPARE(modeOf(settings.file(QStringLiteral("auswert"))), mode_t(02775));
    QCOMPARE(modeOf(folder), mode_t(02775));

    // Something other than a folder in its place is reported, not replaced.
    QVERIFY(QDir(folder).removeRecursively());
    touch(folder);
    const ExportFolderCheck blocked = prepareExportFolder(folder);
    QCOMPARE(blocked.state, ExportFolderCheck::Failed);
    QCOMPARE(blocked.problem.detail, systemText(ENOTDIR));
    QVERIFY(QFileInfo(folder).isFile());
}

QTEST_GUILESS_MAIN(TestExportFile)
#include "tst_exportfile.moc"
