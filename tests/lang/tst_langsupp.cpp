#include "langsupp.h"
#include "programpath.h"
#include "testsupport.h"

#include <QTest>

class TestLangSupp : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void loadsGermanWhenNothingIsConfigured();
    void loadsConfiguredLanguage();
    void missingLibraryEndsWithCode1_data();
    void missingLibraryEndsWithCode1();
    void libraryFileNameRule_data();
    void libraryFileNameRule();
    void fallbackTexts();
    void longTextsAreCut();
    void formatter_data();
    void formatter();
    void messageBoxes();

private:
    void setLanguageLine(const QByteArray &line);
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

void TestLangSupp::setLanguageLine(const QByteArray &line)
{
    m_box->write("PXRQ60.INI", "[COMMON]\r\n" + line + "\r\n");
}

void TestLangSupp::loadsGermanWhenNothingIsConfigured()
{
    MessageRecorder rec;
    LoadLanguageLibrary(); // no settings file at all
    QVERIFY(LanguageLibraryLoaded());
    QCOMPARE(langText(1), QString("Eins"));
    FreeLanguageLibrary();
    setLanguageLine("LANGUAGE=");
    LoadLanguageLibrary();
    QCOMPARE(langText(1), QString("Eins"));
    QVERIFY(rec.shown.isEmpty());
}

void TestLangSupp::loadsConfiguredLanguage()
{
    setLanguageLine("language=EN");
    LoadLanguageLibrary();
    QCOMPARE(langText(1), QString("One"));
}

void TestLangSupp::missingLibraryEndsWithCode1_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("file");
    QTest::newRow("no such language") << QByteArray("LANGUAGE=FR") << "pxrq60FR.so";
    // The code is used exactly as read: "de" is not "DE".
    QTest::newRow("lower case") << QByteArray("LANGUAGE=de") << "pxrq60de.so";
}

void TestLangSupp::missingLibraryEndsWithCode1()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, file);
    setLanguageLine(line);
    MessageRecorder rec;
    ExitTrap trap;
    int code = -1;
    try {
        LoadLanguageLibrary();
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
    LoadLanguageLibrary();
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
    LoadLanguageLibrary();
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
    LoadLanguageLibrary();
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

QTEST_GUILESS_MAIN(TestLangSupp)
#include "tst_langsupp.moc"
