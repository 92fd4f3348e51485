#include "profile.h"
#include "testsupport.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

class TestProfile : public QObject
{
    Q_OBJECT

private slots:
    void lookup_data();
    void lookup();
    void replace_data();
    void replace();
    void fileReadAndWrite();
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
    QTest::newRow("LF file written back with CR LF") << "[A]\nK=1\n"
                                                     << "A"
                                                     << "K"
                                                     << "2"
                                                     << "[A]\r\nK=2\r\n";
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
