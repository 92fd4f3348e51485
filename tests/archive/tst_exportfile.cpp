// The export files on disk: the number search over the three names, the
// exclusive creation, the mode, failures that leave nothing behind, and two
// programs exporting into one folder at once.
#include "exportfile.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>
#include <sys/wait.h>
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

const ExportCreateMethod Methods[] = {ExportCreateMethod::Best, ExportCreateMethod::ExclusiveName};

} // namespace

Q_DECLARE_METATYPE(ExportCreateMethod)

class TestExportFile : public QObject
{
    Q_OBJECT
private slots:
    void names();
    void startNumber_data();
    void startNumber();
    void numberSearch_data();
    void numberSearch();
    void writes_data();
    void writes();
    void missingFolder_data();
    void missingFolder();
    void folderWithoutWriteRight();
    void failedWriteLeavesNothing_data();
    void failedWriteLeavesNothing();
    void twoProgramsAtOnce_data();
    void twoProgramsAtOnce();
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
    QTest::newRow("three names in a row")
        << QStringList{"TEMP_a.999", "TEMP.998", "TEMP_e.997"} << 999 << 996;
    QTest::newRow("only downward") << QStringList{"TEMP.998"} << 999 << 999;
    QTest::newRow("gap used") << QStringList{"TEMP.999", "TEMP.997"} << 999 << 998;
    QTest::newRow("a folder of that name") << QStringList{"dir:TEMP.999"} << 999 << 998;
    QTest::newRow("a dangling link") << QStringList{"link:TEMP.999"} << 999 << 998;
    QTest::newRow("other names do not count")
        << QStringList{"TEMP.9990", "temp.999", "TEMP_b.999"} << 999 << 999;
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
}

void TestExportFile::writes_data()
{
    QTest::addColumn<ExportCreateMethod>("method");
    QTest::newRow("nameless file, then linked") << ExportCreateMethod::Best;
    QTest::newRow("exclusive create of the name") << ExportCreateMethod::ExclusiveName;
}

void TestExportFile::writes()
{
    QFETCH(ExportCreateMethod, method);
    QTemporaryDir dir;
    const mode_t oldMask = ::umask(022);
    const QByteArray first("first\r\n"), second("second\r\n");
    const ExportFileResult a = writeExportFile(dir.path(), 999, first, method);
    const ExportFileResult b = writeExportFile(dir.path(), 999, second, method);
    ::umask(oldMask);
    QCOMPARE(a.status, ExportFileResult::Written);
    QCOMPARE(a.number, 999);
    QCOMPARE(a.fileName, dir.filePath(QStringLiteral("TEMP.999")));
    QCOMPARE(b.number, 998);
    // Never overwritten: the first file is as it was written.
    QCOMPARE(readAll(a.fileName), first);
    QCOMPARE(readAll(b.fileName), second);
    // The group that shares the folder may work with the file despite the
    // umask.
    QCOMPARE(modeOf(a.fileName), mode_t(0664));
    QCOMPARE(entriesOf(dir.path()), (QStringList{"TEMP.998", "TEMP.999"}));
    // An empty file is a file too.
    const ExportFileResult c = writeExportFile(dir.path(), 999, QByteArray(), method);
    QCOMPARE(c.status, ExportFileResult::Written);
    QCOMPARE(QFileInfo(c.fileName).size(), 0);
}

void TestExportFile::missingFolder_data()
{
    writes_data();
}

void TestExportFile::missingFolder()
{
    QFETCH(ExportCreateMethod, method);
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("auswert/temp"));
    const ExportFileResult r = writeExportFile(folder, 999, "x\r\n", method);
    QCOMPARE(r.status, ExportFileResult::CreateFailed);
    QCOMPARE(r.fileName, folder + QStringLiteral("/TEMP.999"));
    QCOMPARE(r.error, ENOENT);
    QVERIFY(entriesOf(dir.path()).isEmpty());
}

void TestExportFile::folderWithoutWriteRight()
{
    QTemporaryDir dir;
    QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0755) == 0);
    // Root may write anywhere: the attempt runs as an ordinary user.
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(3);
        if (::geteuid() != 0)
            ::chmod(QFile::encodeName(dir.path()).constData(), 0555);
        int code = 0;
        for (ExportCreateMethod m : Methods) {
            const ExportFileResult r = writeExportFile(dir.path(), 999, "x\r\n", m);
            if (r.status != ExportFileResult::CreateFailed || r.error != EACCES)
                code = 1;
        }
        ::_exit(code);
    }
    int status = 0;
    QCOMPARE(::waitpid(pid, &status, 0), pid);
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
    QVERIFY(entriesOf(dir.path()).isEmpty());
}

void TestExportFile::failedWriteLeavesNothing_data()
{
    writes_data();
}

void TestExportFile::failedWriteLeavesNothing()
{
    QFETCH(ExportCreateMethod, method);
    QTemporaryDir dir;
    const QByteArray big(4096, 'x');
    ExportFileResult r;
    {
        const FileSizeLimit limit(1000);
        r = writeExportFile(dir.path(), 999, big, method);
    }
    QCOMPARE(r.status, ExportFileResult::WriteFailed);
    QCOMPARE(r.fileName, dir.filePath(QStringLiteral("TEMP.999")));
    QCOMPARE(r.error, EFBIG);
    // Nothing half-written under the name, and no stray file either.
    QVERIFY2(entriesOf(dir.path()).isEmpty(), qPrintable(entriesOf(dir.path()).join(' ')));
    // The number is free for the next try.
    QCOMPARE(writeExportFile(dir.path(), 999, big, method).number, 999);
}

void TestExportFile::twoProgramsAtOnce_data()
{
    QTest::addColumn<QString>("method");
    QTest::newRow("nameless file, then linked") << "best";
    QTest::newRow("exclusive create of the name") << "exclusive";
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
            p->start(program,
                     {dir.path(), QStringLiteral("999"), QString::number(lines), name, method});
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
        QCOMPARE(ra.value(1), QByteArray::number(ExportFileResult::Written));
        QCOMPARE(rb.value(1), QByteArray::number(ExportFileResult::Written));
        // Two numbers, the two highest, and each file whole and its own.
        QCOMPARE(QSet<QByteArray>({ra.value(0), rb.value(0)}), QSet<QByteArray>({"999", "998"}));
        QCOMPARE(entriesOf(dir.path()), (QStringList{"TEMP.998", "TEMP.999"}));
        for (const auto &[r, name] :
             {std::pair{ra, QByteArray("A")}, std::pair{rb, QByteArray("B")}}) {
            const QByteArray content = readAll(dir.filePath(QStringLiteral("TEMP.") + r.value(0)));
            QCOMPARE(content.count("\r\n"), lines);
            QCOMPARE(content.count(name + ",line "), lines);
            QVERIFY(content.endsWith(name + ",line " + QByteArray::number(lines - 1) +
                                     ",0123456789ABCDEF\r\n"));
        }
    }
}

QTEST_GUILESS_MAIN(TestExportFile)
#include "tst_exportfile.moc"
