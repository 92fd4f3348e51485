// The help files as built, checked against what the program asks of them.
//
// The help contexts and keywords are collected from the program's own
// sources (the window designs, the code that opens the help, and the device
// layer's field and page tables), never from a list kept here, so a control
// given a new help context fails this test until both languages have a topic
// for it.
#include "addresstable.h"
#include "helpsource.h"
#include "stringtable.h"

#include <QDirIterator>
#include <QFile>
#include <QHelpContentModel>
#include <QHelpEngine>
#include <QHelpEngineCore>
#include <QHelpIndexModel>
#include <QHelpLink>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <map>
#include <memory>
#include <string>

namespace {

QString readSource(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

void collect(const QString &text, const QRegularExpression &re, QSet<QString> &into,
             const QString &prefix = QString())
{
    auto it = re.globalMatch(text);
    while (it.hasNext())
        into.insert(prefix + it.next().captured(1));
}

// Every help id the program can ask for: "ctx-N" for a help context number,
// the keyword itself for a keyword.
QSet<QString> helpIdsInSources()
{
    static const QRegularExpression uiContext(
        QStringLiteral("<property name=\"helpContext\"[^>]*>\\s*<number>(\\d+)</number>"));
    static const QRegularExpression uiKeyword(
        QStringLiteral("<property name=\"helpKeyword\"[^>]*>\\s*<string>([^<]+)</string>"));
    static const QRegularExpression codeKeyword(
        QStringLiteral("showHelpKeyword\\(\\s*(?:QStringLiteral\\(|QLatin1String\\(|QString\\()?"
                       "\\s*\"([^\"]+)\""));
    static const QRegularExpression codeContext(
        QStringLiteral("showHelpContext\\(\\s*(\\d+)\\s*\\)"));
    static const QRegularExpression propContext(
        QStringLiteral("setProperty\\(\\s*\"helpContext\"\\s*,\\s*(\\d+)"));
    static const QRegularExpression propKeyword(QStringLiteral(
        "setProperty\\(\\s*\"helpKeyword\"\\s*,\\s*(?:QStringLiteral\\(|QString\\()?\"([^\"]+)\""));

    QSet<QString> ids;
    QDirIterator it(QStringLiteral(PX_SOURCE_DIR "/src"), {"*.ui", "*.cpp", "*.h"}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString text = readSource(path);
        if (path.endsWith(QLatin1String(".ui"))) {
            collect(text, uiContext, ids, QStringLiteral("ctx-"));
            collect(text, uiKeyword, ids);
        } else {
            collect(text, codeKeyword, ids);
            collect(text, codeContext, ids, QStringLiteral("ctx-"));
            collect(text, propContext, ids, QStringLiteral("ctx-"));
            collect(text, propKeyword, ids);
        }
    }
    // The fields and pages the window fills from the device layer's tables.
    for (const FieldInfo &f : fieldTable())
        if (f.helpContext > 0)
            ids.insert(QStringLiteral("ctx-%1").arg(f.helpContext));
    for (const PageInfo &p : pages())
        if (p.helpContext > 0)
            ids.insert(QStringLiteral("ctx-%1").arg(p.helpContext));
    return ids;
}

// A help file registered in a register of its own. The engine builds its
// contents and index in worker threads as soon as it is set up; it must not
// be destroyed while they run (Qt's workers then touch freed memory), so it
// goes only when both are done.
struct OpenHelp {
    QTemporaryDir dir;
    std::unique_ptr<QHelpEngine> engine;
    QString nameSpace;
    bool contentsDone = false;
    bool indexDone = false;
    ~OpenHelp()
    {
        if (engine)
            (void)QTest::qWaitFor([this] { return contentsDone && indexDone; }, 20000);
    }
};

std::unique_ptr<OpenHelp> openHelp(const QString &language)
{
    auto h = std::make_unique<OpenHelp>();
    const QString file = QStringLiteral(PX_BIN_DIR "/pxrq60%1.qch").arg(language);
    h->engine = std::make_unique<QHelpEngine>(h->dir.filePath(QStringLiteral("c.qhc")));
    h->engine->setReadOnly(false);
    OpenHelp *raw = h.get();
    QObject::connect(h->engine->contentModel(), &QHelpContentModel::contentsCreated,
                     [raw] { raw->contentsDone = true; });
    QObject::connect(h->engine->indexModel(), &QHelpIndexModel::indexCreated,
                     [raw] { raw->indexDone = true; });
    if (!h->engine->setupData() || !h->engine->registerDocumentation(file) ||
        !h->engine->setupData())
        return nullptr;
    h->nameSpace = QHelpEngineCore::namespaceName(file);
    return h;
}

void walk(const QAbstractItemModel &model, const QModelIndex &parent, QSet<QString> &urls)
{
    for (int r = 0; r < model.rowCount(parent); ++r) {
        const QModelIndex i = model.index(r, 0, parent);
        if (QHelpContentItem *item = static_cast<const QHelpContentModel &>(model).contentItemAt(i))
            urls.insert(item->url().toString(QUrl::RemoveFragment));
        walk(model, i, urls);
    }
}

} // namespace

class HelpFilesTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everyTopicTheProgramAsksForExists_data();
    void everyTopicTheProgramAsksForExists();
    void contentsReachEveryTopic_data();
    void contentsReachEveryTopic();
    void noLinkIsBroken_data();
    void noLinkIsBroken();
    void bothLanguagesHaveTheSameTopics();
    void topicsSayWhatTheProgramShows_data();
    void topicsSayWhatTheProgramShows();

private:
    QSet<QString> m_ids;
};

void HelpFilesTest::initTestCase()
{
    m_ids = helpIdsInSources();
    // A scanner that finds nothing would let every topic go missing: the
    // main window alone has dozens of contexts and the battery dialog its
    // keyword.
    QVERIFY2(m_ids.size() > 40, qPrintable(QString::number(m_ids.size())));
    QVERIFY(m_ids.contains(QStringLiteral("Batterie_Nennkapazit_t")));
    QVERIFY(m_ids.contains(QStringLiteral("Inhalt")));
    QVERIFY(m_ids.contains(QStringLiteral("ctx-2081")));
    QVERIFY(m_ids.contains(QStringLiteral("ctx-400"))); // a page, from the device layer
}

static void languages()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("DE") << QStringLiteral("DE");
    QTest::newRow("EN") << QStringLiteral("EN");
}

void HelpFilesTest::everyTopicTheProgramAsksForExists_data()
{
    languages();
}

void HelpFilesTest::everyTopicTheProgramAsksForExists()
{
    QFETCH(QString, language);
    const auto help = openHelp(language);
    QVERIFY(help);
    QStringList missing;
    for (const QString &id : std::as_const(m_ids))
        if (help->engine->documentsForIdentifier(id).isEmpty())
            missing << id;
    missing.sort();
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char(' '))));
}

void HelpFilesTest::contentsReachEveryTopic_data()
{
    languages();
}

void HelpFilesTest::contentsReachEveryTopic()
{
    QFETCH(QString, language);
    const auto help = openHelp(language);
    QVERIFY(help);
    QHelpContentModel *model = help->engine->contentModel();
    // The engine builds the contents by itself once it is set up.
    QVERIFY(QTest::qWaitFor([&] { return help->contentsDone; }, 20000));
    QSet<QString> inContents;
    walk(*model, QModelIndex(), inContents);

    QStringList unreachable;
    for (const QUrl &url : help->engine->files(help->nameSpace, QString(), QStringLiteral("html")))
        if (!inContents.contains(url.toString()))
            unreachable << url.fileName();
    QVERIFY2(unreachable.isEmpty(), qPrintable(unreachable.join(QLatin1Char(' '))));
    QVERIFY(inContents.size() > 50);
}

void HelpFilesTest::noLinkIsBroken_data()
{
    languages();
}

void HelpFilesTest::noLinkIsBroken()
{
    QFETCH(QString, language);
    const auto help = openHelp(language);
    QVERIFY(help);
    QHash<QString, QString> texts; // url -> text, pages and style sheets
    for (const QUrl &url : help->engine->files(help->nameSpace, QString()))
        if (url.fileName().endsWith(QLatin1String(".html")) ||
            url.fileName().endsWith(QLatin1String(".css")))
            texts.insert(url.toString(), QString::fromUtf8(help->engine->fileData(url)));
    QVERIFY(texts.size() > 50);

    QStringList broken;
    int checked = 0;
    for (auto it = texts.cbegin(); it != texts.cend(); ++it) {
        const QUrl page(it.key());
        for (const helpsrc::Link &l : helpsrc::linksIn(it.value())) {
            ++checked;
            const helpsrc::LinkTarget t = helpsrc::splitLink(l.target);
            const QString where = page.fileName() + QLatin1Char(':') + QString::number(l.line);
            if (t.external) {
                broken << where + QStringLiteral(" leaves the help: ") + l.target;
                continue;
            }
            const QUrl target = t.file.isEmpty() ? page : page.resolved(QUrl(t.file));
            if (help->engine->fileData(target).isEmpty()) {
                broken << where + QStringLiteral(" no file: ") + l.target;
                continue;
            }
            if (!t.fragment.isEmpty() &&
                !helpsrc::anchorsIn(texts.value(target.toString())).contains(t.fragment))
                broken << where + QStringLiteral(" no anchor: ") + l.target;
        }
    }
    QVERIFY2(broken.isEmpty(), qPrintable(broken.join(QLatin1Char('\n'))));
    QVERIFY(checked > 200);
}

void HelpFilesTest::bothLanguagesHaveTheSameTopics()
{
    // A topic written in one language only would leave the other language's
    // F1 on the contents.
    const auto de = openHelp(QStringLiteral("DE"));
    const auto en = openHelp(QStringLiteral("EN"));
    QVERIFY(de && en);
    QStringList deFiles, enFiles;
    for (const QUrl &u : de->engine->files(de->nameSpace, QString()))
        deFiles << u.fileName();
    for (const QUrl &u : en->engine->files(en->nameSpace, QString()))
        enFiles << u.fileName();
    deFiles.sort();
    enFiles.sort();
    QCOMPARE(enFiles, deFiles);
}

namespace {

// A language's texts as the translators' table holds them.
std::map<unsigned, std::string> stringTable(const QString &language)
{
    std::map<unsigned, std::string> texts;
    std::string error;
    stringtable::parse(
        readSource(QStringLiteral(PX_SOURCE_DIR "/languages/%1.txt").arg(language)).toStdString(),
        texts, error);
    return texts;
}

QString text(const std::map<unsigned, std::string> &table, unsigned id)
{
    const auto it = table.find(id);
    return it == table.end() ? QStringLiteral("(no text %1)").arg(id)
                             : QString::fromStdString(it->second).trimmed();
}

} // namespace

// Topics that quote what the program shows must quote what it shows in that
// language: the word in the status register when a read fails, the name of
// P3 in the range messages, the lock markers; and the row of status -13 must
// not promise a read-back for the keys, which the device never gives back.
void HelpFilesTest::topicsSayWhatTheProgramShows_data()
{
    QTest::addColumn<QString>("topic");
    QTest::addColumn<QStringList>("says");
    QTest::addColumn<QStringList>("neverSays");
    for (const char *language : {"DE", "EN"}) {
        const auto table = stringTable(QLatin1String(language));
        const bool de = std::strcmp(language, "DE") == 0;
        const auto quoted = [de](const QString &t) {
            return de ? QStringLiteral("„") + t + QStringLiteral("“")
                      : QLatin1Char('"') + t + QLatin1Char('"');
        };
        const QString dir =
            QStringLiteral(PX_SOURCE_DIR "/help/") + QLatin1String(language) + QLatin1Char('/');
        QTest::addRow("%s status register", language)
            << dir + "statusregister.html" << QStringList{quoted(text(table, 500))}
            << (de ? QStringList{} : QStringList{"Fehler"});
        QTest::addRow("%s fixed temperature", language)
            << dir + "ersatztemperatur.html" << QStringList{quoted(text(table, 8012))}
            << (de ? QStringList{} : QStringList{"Ersatztemperatur"});
        QTest::addRow("%s lock markers", language)
            << dir + "schlossmarken.html"
            << QStringList{quoted(text(table, 1018)), quoted(text(table, 1019))} << QStringList{};
        QTest::addRow("%s status -13", language)
            << dir + "statuscodes.html#-13"
            << QStringList{"P9", "P11", "schluessel_dialog.html#unbestaetigt"} << QStringList{};
        QTest::addRow("%s keys not confirmed", language)
            << dir + "schluessel_dialog.html#unbestaetigt"
            << QStringList{"statuscodes.html", "userlock_dialog.html"} << QStringList{};
    }
}

void HelpFilesTest::topicsSayWhatTheProgramShows()
{
    QFETCH(QString, topic);
    QFETCH(QStringList, says);
    QFETCH(QStringList, neverSays);
    // "file#-13": the table row of that status; "file#id": the paragraph.
    const QString file = topic.section(QLatin1Char('#'), 0, 0);
    const QString part = topic.section(QLatin1Char('#'), 1);
    QString content = readSource(file);
    QVERIFY2(!content.isEmpty(), qPrintable(file));
    if (!part.isEmpty()) {
        const QRegularExpression re(
            part.startsWith(QLatin1Char('-'))
                ? QStringLiteral("<tr><td>%1</td>.*?</tr>").arg(QRegularExpression::escape(part))
                : QStringLiteral("<p id=\"%1\">.*?</p>").arg(QRegularExpression::escape(part)));
        content = re.match(content).captured(0);
        QVERIFY2(!content.isEmpty(), qPrintable(topic + QStringLiteral(": not found")));
    }
    for (const QString &t : says)
        QVERIFY2(content.contains(t), qPrintable(topic + QStringLiteral(" lacks ") + t));
    for (const QString &t : neverSays)
        QVERIFY2(!content.contains(t), qPrintable(topic + QStringLiteral(" says ") + t));
}

QTEST_GUILESS_MAIN(HelpFilesTest)
#include "tst_helpfiles.moc"
