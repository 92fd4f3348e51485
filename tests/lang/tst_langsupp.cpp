#include "langsupp.h"
#include "programpath.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTest>

class TestLangSupp : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void loadsTheLanguageItIsGiven();
    void missingLibraryEndsWithCode1_data();
    void missingLibraryEndsWithCode1();
    void libraryFileNameRule_data();
    void libraryFileNameRule();
    void fallbackTexts();
    void longTextsAreCut();
    void formatter_data();
    void formatter();
    void messageBoxes();
    void captionPlaceholderKeepsTheStatus();
    void unloadableLibraryNamesTheReason_data();
    void unloadableLibraryNamesTheReason();
    void libraryPathsAreLogged();

private:
    SettingsSandbox *m_box = nullptr;
};

void TestLangSupp::init()
{
    m_box = new SettingsSandbox;
    setProgramFilePath(PX_LANG_FIXTURE "/pxrq60");
}

void TestLangSupp::cleanup()
{
    FreeLanguageLibrary();
    delete m_box;
    setProgramFilePath(QString());
}

void TestLangSupp::loadsTheLanguageItIsGiven()
{
    MessageRecorder rec;
    LoadLanguageLibrary(QStringLiteral("DE"));
    QVERIFY(LanguageLibraryLoaded());
    QCOMPARE(langText(1), QString("Eins"));
    QCOMPARE(LoadedLanguage(), QString("DE"));
    LoadLanguageLibrary(QStringLiteral("EN"));
    QCOMPARE(langText(1), QString("One"));
    QVERIFY(rec.shown.isEmpty());
}

void TestLangSupp::missingLibraryEndsWithCode1_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("file");
    QTest::newRow("no such language") << "FR"
                                      << "pxrq60FR.so";
    // The code is used exactly as given: "de" is not "DE".
    QTest::newRow("lower case") << "de"
                                << "pxrq60de.so";
    // The code comes from a file every technician of the machine may edit:
    // only letters may become part of a path. The library the path would
    // reach through the folder "pxrq60X" is there, and still not loaded.
    QTest::newRow("a path") << "X/../EN"
                            << "pxrq60X/../EN.so";
    QTest::newRow("nine letters") << "DEUTSCHER"
                                  << "pxrq60DEUTSCHER.so";
    QTest::newRow("a blank") << "D E"
                             << "pxrq60D E.so";
    QTest::newRow("empty") << ""
                           << "pxrq60.so";
}

void TestLangSupp::missingLibraryEndsWithCode1()
{
    QFETCH(QString, language);
    QFETCH(QString, file);
    // A folder for the path case to pass through: "<fixture>/pxrq60X/../EN.so"
    // is "<fixture>/EN.so", a copy of a real language library.
    QDir fixture(PX_LANG_FIXTURE);
    QVERIFY(fixture.mkpath(QStringLiteral("pxrq60X")));
    QFile::remove(fixture.filePath(QStringLiteral("EN.so")));
    QVERIFY(QFile::copy(fixture.filePath(QStringLiteral("pxrq60EN.so")),
                        fixture.filePath(QStringLiteral("EN.so"))));
    MessageRecorder rec;
    ExitTrap trap;
    int code = -1;
    try {
        LoadLanguageLibrary(language);
    } catch (const ProgramExitCalled &e) {
        code = e.code;
    }
    QCOMPARE(code, 1);
    QCOMPARE(rec.shown.size(), 1);
    QCOMPARE(rec.shown[0].caption, QString("PXRQ60 - Initialization"));
    QCOMPARE(rec.shown[0].text,
             QString("PXRQ60 - Initialization: Language support file not found! / "
                     "Sprachdatei nicht gefunden!:  " PX_LANG_FIXTURE "/") +
                 file);
    QCOMPARE(int(rec.shown[0].flags), int(MbIconError));
    QVERIFY(!LanguageLibraryLoaded());
    QCOMPARE(langText(1), QString("str1"));
}

void TestLangSupp::libraryFileNameRule_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << "/opt/px/pxrq60"
                           << "DE"
                           << "/opt/px/pxrq60DE.so";
    QTest::newRow("stem cut to 6") << "/opt/px/pxrq60long"
                                   << "EN"
                                   << "/opt/px/pxrq60EN.so";
    QTest::newRow("cut at the first dot") << "/a/b.c.d"
                                          << "DE"
                                          << "/a/bDE.so";
    QTest::newRow("code as read") << "/a/pxrq60"
                                  << "de"
                                  << "/a/pxrq60de.so";
}

void TestLangSupp::libraryFileNameRule()
{
    QFETCH(QString, program);
    QFETCH(QString, language);
    QFETCH(QString, expected);
    setProgramFilePath(program);
    QCOMPARE(languageLibraryPath(language), expected);
}

void TestLangSupp::fallbackTexts()
{
    QCOMPARE(langText(546), QString("str546")); // nothing loaded yet
    LoadLanguageLibrary(QStringLiteral("DE"));
    QCOMPARE(langText(2), QString::fromUtf8("Größe ä"));
    QCOMPARE(langText(3), QString("str3")); // empty text
    QCOMPARE(langText(999), QString("str999"));
    QCOMPARE(langText(65535), QString("str65535"));
    QCOMPARE(langText(4), QString("  blanks kept  "));
    QCOMPARE(langText(5), QString("Zeile 1\nZeile 2"));
    QString out = "old";
    GetLangString(1, out);
    QCOMPARE(out, QString("Eins"));
}

void TestLangSupp::longTextsAreCut()
{
    LoadLanguageLibrary(QStringLiteral("DE"));
    QCOMPARE(langText(6), QString(999, 'x'));
    QCOMPARE(langText(7), QString(999, QChar(0xe4)));
}

void TestLangSupp::formatter_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QVariantList>("args");
    QTest::addColumn<QString>("expected");
    QTest::newRow("d") << "Status %d" << QVariantList{-104} << "Status -104";
    QTest::newRow("two s") << "%s = %s" << QVariantList{"P4", "0.1"} << "P4 = 0.1";
    QTest::newRow("d then s") << "%d: %s" << QVariantList{0, "pcola_32.so"} << "0: pcola_32.so";
    QTest::newRow("percent") << "100%% %d" << QVariantList{5} << "100% 5";
    QTest::newRow("width") << "[%5d][%-4s][%05.1f]" << QVariantList{42, "ab", 3.14159}
                           << "[   42][ab  ][003.1]";
    QTest::newRow("missing argument stays") << "%s and %d" << QVariantList{"x"} << "x and %d";
    QTest::newRow("no arguments") << "%s %d %f" << QVariantList{} << "%s %d %f";
    QTest::newRow("wrong kind stays") << "%d" << QVariantList{"text"} << "%d";
    QTest::newRow("s for a number stays") << "%s!" << QVariantList{12} << "%s!";
    QTest::newRow("extra arguments ignored") << "only %d" << QVariantList{1, 2, "x"} << "only 1";
    QTest::newRow("integer for f") << "%1.1f" << QVariantList{3} << "3.0";
    QTest::newRow("unknown conversion left") << "%q %d" << QVariantList{7} << "%q 7";
    QTest::newRow("lone percent at end") << "50%" << QVariantList{1} << "50%";
    QTest::newRow("n never written") << "%n%d" << QVariantList{1} << "%n1";
}

void TestLangSupp::formatter()
{
    QFETCH(QString, pattern);
    QFETCH(QVariantList, args);
    QFETCH(QString, expected);
    QList<LangArg> typed;
    for (const QVariant &v : args) {
        if (v.typeId() == QMetaType::Int)
            typed << LangArg(v.toInt());
        else if (v.typeId() == QMetaType::Double)
            typed << LangArg(v.toDouble());
        else
            typed << LangArg(v.toString());
    }
    QCOMPARE(langFormat(pattern, typed), expected);
}

void TestLangSupp::messageBoxes()
{
    LoadLanguageLibrary(QStringLiteral("DE"));
    MessageRecorder rec;
    rec.answers = {IdNo};
    QCOMPARE(LangMessageBox(1, 500, MbYesNo), int(IdNo));
    QCOMPARE(LangMessageBoxArgs(514, {-7}, 500, MbIconError), int(IdOk));
    LangStatusBox(1, -13);
    QCOMPARE(rec.shown.size(), 3);
    QCOMPARE(rec.shown[0].text, QString("Eins"));
    QCOMPARE(rec.shown[0].caption, QString("Fehler"));
    QCOMPARE(rec.shown[1].text, QString("Lesefehler -7"));
    QCOMPARE(rec.shown[1].args, QStringList{"-7"});
    QCOMPARE(rec.shown[2].caption, QString("Fehler -13"));
    QCOMPARE(rec.shown[2].textId, 1);
}

void TestLangSupp::captionPlaceholderKeepsTheStatus()
{
    // A translator's caption 500 of "Fehler %d" must not swallow the
    // status: it stays in the caption as written, the status follows.
    LoadLanguageLibrary(QStringLiteral("PH"));
    MessageRecorder rec;
    LangStatusBox(1, -13);
    QCOMPARE(rec.shown.size(), 1);
    QCOMPARE(rec.shown[0].caption, QString("Fehler %d -13"));
    QCOMPARE(rec.shown[0].args, QStringList{"-13"});
}

void TestLangSupp::unloadableLibraryNamesTheReason_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    // The loader names the file, then its reason (in the user's language).
    QTest::newRow("no library at all") << "text"
                                       << "pxrq60XX.so: ";
    QTest::newRow("a library without texts") << "driver"
                                             << "LangString";
}

void TestLangSupp::unloadableLibraryNamesTheReason()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QTemporaryDir programDir;
    setProgramFilePath(programDir.filePath("pxrq60"));
    const QString library = programDir.filePath("pxrq60XX.so");
    if (kind == "text") {
        QFile f(library);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
    } else {
        QVERIFY(QFile::copy(PX_BIN_DIR "/sline_32.so", library));
    }
    MessageRecorder rec;
    ExitTrap trap;
    int code = -1;
    try {
        LoadLanguageLibrary(QStringLiteral("XX"));
    } catch (const ProgramExitCalled &e) {
        code = e.code;
    }
    QCOMPARE(code, 1);
    QCOMPARE(rec.shown.size(), 1);
    const QStringList lines = rec.shown[0].text.split('\n');
    QCOMPARE(lines.value(0), QString("PXRQ60 - Initialization: Language support file not found! / "
                                     "Sprachdatei nicht gefunden!:  ") +
                                 library);
    // The loader's own words say why the file that is there did not serve.
    QVERIFY2(lines.value(1).contains(reason) && lines.value(1).size() > reason.size() + 10,
             qPrintable(rec.shown[0].text));
    QVERIFY(!LanguageLibraryLoaded());
}

namespace {
QStringList *langLog = nullptr;
QtMessageHandler previousHandler = nullptr;
void collectLangLog(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (langLog && QByteArray(context.category) == "pxrq60.lang")
        langLog->append(message);
    else if (previousHandler)
        previousHandler(type, context, message);
}
} // namespace

void TestLangSupp::libraryPathsAreLogged()
{
    QStringList lines;
    langLog = &lines;
    previousHandler = qInstallMessageHandler(collectLangLog);
    LoadLanguageLibrary(QStringLiteral("EN")); // off by default: nothing
    QVERIFY(lines.isEmpty());
    QLoggingCategory::setFilterRules("pxrq60.lang.debug=true");
    LoadLanguageLibrary(QStringLiteral("EN"));
    QLoggingCategory::setFilterRules(QString());
    qInstallMessageHandler(previousHandler);
    langLog = nullptr;
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines[0].contains("EN"), qPrintable(lines[0]));
    QCOMPARE(lines[1], "library " PX_LANG_FIXTURE "/pxrq60EN.so loaded");
}

QTEST_GUILESS_MAIN(TestLangSupp)
#include "tst_langsupp.moc"
