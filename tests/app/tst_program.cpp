// The built program started as a separate process: --help and --version
// answer without a display, a started program ends cleanly when asked to
// (SIGTERM), also while a box waits for an answer, and it loads its driver
// libraries from its own folder only.
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

class TestProgram : public QObject
{
    Q_OBJECT
private slots:
    void answersWithoutDisplay_data();
    void answersWithoutDisplay();
    void endsOnRequest();
    void driversComeFromTheProgramsFolderOnly();
};

namespace {

QString program()
{
    return QStringLiteral(PX_BIN_DIR "/pxrq60");
}

// No display of any kind: a program that opened a window would fail.
QProcessEnvironment headless()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    return env;
}

} // namespace

void TestProgram::answersWithoutDisplay_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("--version") << "--version"
                               << QStringList{QStringLiteral("pxrq60 " PXRQ60_VERSION "\n")};
    QTest::newRow("-v") << "-v" << QStringList{QStringLiteral("pxrq60 " PXRQ60_VERSION "\n")};
    QTest::newRow("--help") << "--help"
                            << QStringList{"Usage:", "--version", "--help-all",
                                           "PXRQ60_SETTINGS_DIR", "sline_32.conf"};
    // Qt's own options need a widget application; still no display.
    QTest::newRow("--help-all") << "--help-all"
                                << QStringList{"Usage:", "--version", "--platform",
                                               "--qwindowtitle"};
    QTest::newRow("-h with a Qt option") << "-h" << QStringList{"--help", "/var/lib/pxrq60"};
}

void TestProgram::answersWithoutDisplay()
{
    QFETCH(QString, option);
    QFETCH(QStringList, expected);
    QTemporaryDir settings;
    QProcessEnvironment env = headless();
    env.insert(QStringLiteral("PXRQ60_SETTINGS_DIR"), settings.path());
    QProcess p;
    p.setProcessEnvironment(env);
    QStringList args{option};
    if (option == QLatin1String("-h"))
        args << QStringLiteral("-platform") << QStringLiteral("xcb");
    p.start(program(), args);
    QVERIFY(p.waitForFinished(30000));
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
    if (expected.size() == 1 && expected.first().endsWith(QLatin1Char('\n')))
        QCOMPARE(out, expected.first());
    for (const QString &e : expected)
        QVERIFY2(out.contains(e), qPrintable(e + QStringLiteral(" missing in:\n") + out));
    // Answering touches no settings: no default file appears.
    QVERIFY(QDir(settings.path()).isEmpty());
}

// Started offscreen with a new settings folder, the program creates its
// default settings (box 547) and shows its window; SIGTERM then ends it with
// exit code 0, closing the boxes of the start that wait for an answer. Every
// box it shows is logged: without help files beside the program (they are
// built from help/ when that folder exists) the missing-help box 546
// follows.
void TestProgram::endsOnRequest()
{
    QTemporaryDir settings;
    QProcessEnvironment env = headless();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("PXRQ60_SETTINGS_DIR"), settings.path());
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("pxrq60.message.info=true"));
    env.insert(QStringLiteral("QT_MESSAGE_PATTERN"), QStringLiteral("%{category}: %{message}"));
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program(), QStringList());
    QVERIFY(p.waitForStarted());
    const QString ini = settings.filePath(QStringLiteral("PXRQ60.INI"));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(ini), 30000);
    QCOMPARE(p.state(), QProcess::Running);
    ::kill(pid_t(p.processId()), SIGTERM);
    QVERIFY(p.waitForFinished(30000));
    const QString err = QString::fromUtf8(p.readAllStandardError());
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);

    QStringList boxes;
    for (const QString &line : err.split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("pxrq60.message:")))
            boxes << line;
    const bool helpBuilt = !QDir(QStringLiteral(PX_BIN_DIR)).entryList({"*.qch"}).isEmpty();
    QCOMPARE(boxes.size(), helpBuilt ? 1 : 2);
    QVERIFY2(boxes.first().contains(QLatin1String("text 547 ")), qPrintable(boxes.first()));
    if (!helpBuilt)
        QVERIFY2(boxes.last().contains(QLatin1String("text 546 ")), qPrintable(boxes.last()));
}

// A "sline_32.so" in a folder of LD_LIBRARY_PATH is never loaded: the
// program opens its drivers by their full path beside it (which the log
// names), and runs with them.
void TestProgram::driversComeFromTheProgramsFolderOnly()
{
    QTemporaryDir settings;
    const QString marker = settings.filePath(QStringLiteral("planted-was-loaded"));
    QProcessEnvironment env = headless();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("PXRQ60_SETTINGS_DIR"), settings.path());
    env.insert(QStringLiteral("LD_LIBRARY_PATH"), QStringLiteral(PX_PLANTED_DIR));
    env.insert(QStringLiteral("PXRQ60_PLANTED_MARKER"), marker);
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("pxrq60.link.debug=true"));
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program(), QStringList());
    QVERIFY(p.waitForStarted());
    // The window is up once the default settings exist (after the drivers).
    const QString ini = settings.filePath(QStringLiteral("PXRQ60.INI"));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(ini), 30000);
    QCOMPARE(p.state(), QProcess::Running);
    ::kill(pid_t(p.processId()), SIGTERM);
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitCode(), 0);
    QVERIFY(!QFileInfo::exists(marker));
    const QString err = QString::fromUtf8(p.readAllStandardError());
    const QString ownDriver =
        QDir(QStringLiteral(PX_BIN_DIR)).canonicalPath() + QStringLiteral("/sline_32.so");
    QVERIFY2(err.contains(QStringLiteral("loaded \"") + ownDriver) ||
                 err.contains(QStringLiteral("loaded ") + ownDriver),
             qPrintable(err));
}

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
