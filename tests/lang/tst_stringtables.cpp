// The two string tables against each other, against the arguments their
// callers pass, and against every ID that the code and the window designs
// refer to: a missing or mistyped text would otherwise only show up as
// "str1234" or a half-filled message in front of a customer.
#include "langsupp.h"
#include "programpath.h"
#include "testsupport.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

namespace {

QMap<int, QString> readTable(const QString &path, QString *error)
{
    QMap<int, QString> t;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = path + " cannot be read";
        return t;
    }
    int lineNo = 0;
    for (QByteArray raw : f.readAll().split('\n')) {
        ++lineNo;
        if (raw.endsWith('\r'))
            raw.chop(1);
        const QString line = QString::fromUtf8(raw);
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const int eq = line.indexOf('=');
        bool ok = false;
        const int id = line.left(eq).toInt(&ok);
        if (eq < 0 || !ok) {
            *error = QString("%1:%2: not ID=text").arg(path).arg(lineNo);
            return t;
        }
        QString text = line.mid(eq + 1);
        text.replace("\\n", "\n").replace("\\t", "\t").replace("\\\\", "\\");
        t.insert(id, text);
    }
    return t;
}

// The kinds of the placeholders of a text, in order: s, d or f.
QString placeholderKinds(const QString &text)
{
    static const QRegularExpression re(
        QStringLiteral("%[-+ 0#]*[0-9]{0,3}(?:\\.[0-9]{0,3})?([sdiuxXfgeEG%])"));
    QString kinds;
    auto it = re.globalMatch(text);
    while (it.hasNext()) {
        const QChar c = it.next().captured(1).at(0);
        if (c == '%')
            continue;
        kinds += c == 's' ? 's' : QString("diuxX").contains(c) ? 'd' : 'f';
    }
    return kinds;
}

QString sourceDir()
{
    return QStringLiteral(PX_SOURCE_DIR);
}

} // namespace

class TestStringTables : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void bothTablesHoldTheSameIds();
    void placeholdersFitTheCallers();
    void everyReferencedIdHasText();
    void librariesServeTheTables();

private:
    QMap<int, QString> m_de, m_en;
    QMap<int, QString> m_args;
};

void TestStringTables::initTestCase()
{
    QString error;
    m_de = readTable(sourceDir() + "/languages/DE.txt", &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    m_en = readTable(sourceDir() + "/languages/EN.txt", &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    m_args = readTable(sourceDir() + "/languages/arguments.txt", &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY(!m_de.isEmpty());
}

void TestStringTables::bothTablesHoldTheSameIds()
{
    for (auto it = m_de.cbegin(); it != m_de.cend(); ++it) {
        QVERIFY2(!it.value().isEmpty(), qPrintable(QString("DE %1 is empty").arg(it.key())));
        QVERIFY2(m_en.contains(it.key()), qPrintable(QString("EN lacks %1").arg(it.key())));
        QVERIFY2(!m_en.value(it.key()).isEmpty(),
                 qPrintable(QString("EN %1 is empty").arg(it.key())));
    }
    for (int id : m_en.keys())
        QVERIFY2(m_de.contains(id), qPrintable(QString("DE lacks %1").arg(id)));
}

void TestStringTables::placeholdersFitTheCallers()
{
    for (auto it = m_args.cbegin(); it != m_args.cend(); ++it)
        QVERIFY2(m_de.contains(it.key()),
                 qPrintable(QString("arguments given for unknown ID %1").arg(it.key())));
    for (const auto *table : {&m_de, &m_en}) {
        const char *name = table == &m_de ? "DE" : "EN";
        for (auto it = table->cbegin(); it != table->cend(); ++it) {
            const QString kinds = placeholderKinds(it.value());
            const QString expected = m_args.value(it.key());
            QVERIFY2(kinds == expected,
                     qPrintable(QString("%1 %2: placeholders '%3', callers pass '%4'")
                                    .arg(name)
                                    .arg(it.key())
                                    .arg(kinds, expected)));
        }
    }
}

void TestStringTables::everyReferencedIdHasText()
{
    // Calls whose first argument is a string ID, and the Tags of the window
    // designs (only their low 16 bits are an ID).
    static const QRegularExpression call(
        QStringLiteral("\\b(?:LangMessageBox|LangMessageBoxArgs|LangMessageBoxDetails|"
                       "LangStatusBox|langText|langFormatId|"
                       "GetLangString|commError|LangId)\\(\\s*(\\d+)"));
    static const QRegularExpression tag(
        QStringLiteral("<property name=\"Tag\"[^>]*>\\s*<number>(\\d+)</number>"));
    QStringList missing;
    int seen = 0;
    for (const char *dir : {"/src", "/drivers", "/sim"}) {
        QDirIterator files(sourceDir() + dir, {"*.cpp", "*.h", "*.ui"}, QDir::Files,
                           QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = files.next();
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QString text = QString::fromUtf8(f.readAll());
            const QRegularExpression &re = path.endsWith(".ui") ? tag : call;
            auto it = re.globalMatch(text);
            while (it.hasNext()) {
                const int id = it.next().captured(1).toInt() & 0xFFFF;
                if (id == 0)
                    continue;
                ++seen;
                if (!m_de.contains(id) || !m_en.contains(id))
                    missing << QString("%1 (%2)").arg(id).arg(path.mid(sourceDir().size() + 1));
            }
        }
    }
    QVERIFY(seen > 0);
    missing.removeDuplicates();
    QVERIFY2(missing.isEmpty(), qPrintable("no text for: " + missing.join(", ")));
}

void TestStringTables::librariesServeTheTables()
{
    SettingsSandbox box;
    useBuiltProgramDirectory();
    for (const char *lang : {"DE", "EN"}) {
        LoadLanguageLibrary(QLatin1String(lang));
        const auto &table = QByteArray(lang) == "DE" ? m_de : m_en;
        for (auto it = table.cbegin(); it != table.cend(); ++it)
            QCOMPARE(langText(uint16_t(it.key())), it.value().left(999));
        FreeLanguageLibrary();
    }
    setProgramFilePath(QString());
}

QTEST_GUILESS_MAIN(TestStringTables)
#include "tst_stringtables.moc"
