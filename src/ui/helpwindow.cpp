#include "helpwindow.h"

#include "inisettings.h"
#include "langsupp.h"

#include <QAction>
#include <QApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QHelpContentModel>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpIndexModel>
#include <QHelpIndexWidget>
#include <QHelpLink>
#include <QHelpSearchEngine>
#include <QHelpSearchQueryWidget>
#include <QHelpSearchResultWidget>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The texts of the help window (language library).
enum : uint16_t {
    TxtWindowTitle = 7500,
    TxtContents = 7501,
    TxtIndex = 7502,
    TxtSearch = 7503,
    TxtBack = 7504,
    TxtForward = 7505,
    TxtHome = 7506,
    TxtFilterHint = 7507,
    TxtNoTopicForKeyword = 7508,
    TxtNoTopicForContext = 7509,
    TxtNoHelpFile = 7510,
    TxtHelpFileUnreadable = 7511,
};

// Narrower than this, the contents stand above the topic.
constexpr int StackedBelowWidth = 720;

// The start page carries this id; "Inhalt" of the menu "Hilfe" opens it.
const char *const StartPageId = "Inhalt";

QPointer<HelpWindow> &theWindow()
{
    static QPointer<HelpWindow> w;
    return w;
}

QVBoxLayout *tabPage(QTabWidget *tabs, uint16_t titleId)
{
    auto *page = new QWidget(tabs);
    auto *box = new QVBoxLayout(page);
    box->setContentsMargins(2, 2, 2, 2);
    tabs->addTab(page, langText(titleId));
    return box;
}

} // namespace

QString helpSearchQuery(const QString &input)
{
    // Bare words become prefixes: German joins words into one ("Batterie"
    // is part of "Batteriekapazität", "Batteriewechsel"), and the index holds
    // whole words only. A quoted phrase, a word with a wildcard of its own
    // and the operators stay as the user wrote them.
    static const QRegularExpression bareWord(QStringLiteral("^\\w+$"));
    static const QStringList operators{QStringLiteral("AND"), QStringLiteral("OR"),
                                       QStringLiteral("NOT"), QStringLiteral("NEAR")};
    QStringList out;
    bool inQuote = false;
    for (const QString &token : input.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const bool quoted = inQuote || token.startsWith(QLatin1Char('"'));
        if (token.count(QLatin1Char('"')) % 2 == 1)
            inQuote = !inQuote;
        if (quoted || operators.contains(token) || !bareWord.match(token).hasMatch())
            out << token;
        else
            out << token + QLatin1Char('*');
    }
    return out.join(QLatin1Char(' '));
}

QRect helpGeometryBeside(const QRect &main, const QRect &screen, const QSize &wanted)
{
    const int minimum = std::min(MinimumHelpWidth, screen.width());
    const int roomRight = screen.right() - main.right();
    const int roomLeft = main.left() - screen.left();
    const bool right = roomRight >= roomLeft;
    const int room = right ? roomRight : roomLeft;
    // As wide as it likes where there is room; never narrower than it can
    // be read, and then as little over the main window as it can.
    const int width = std::clamp(room, minimum, std::max(minimum, wanted.width()));
    const int height = std::min(wanted.height(), screen.height());
    const int x = right ? std::min(main.right() + 1, screen.right() + 1 - width)
                        : std::max(main.left() - width, screen.left());
    const int y = std::clamp(main.top(), screen.top(), screen.bottom() + 1 - height);
    return QRect(x, y, width, height);
}

namespace {

// The window the help goes beside: the top window of the one the user works
// in (a dialog's owner), else any main window that is shown.
const QWidget *mainWindowBesideHelp()
{
    const QWidget *w = QApplication::activeWindow();
    while (w && w->parentWidget())
        w = w->parentWidget()->window();
    if (w && w->objectName() != QLatin1String("HelpWindow"))
        return w;
    for (const QWidget *top : QApplication::topLevelWidgets())
        if (top->isVisible() && qobject_cast<const QMainWindow *>(top) &&
            top->objectName() != QLatin1String("HelpWindow"))
            return top;
    return nullptr;
}

} // namespace

HelpBrowser::HelpBrowser(QWidget *parent) : QTextBrowser(parent) {}

QVariant HelpBrowser::loadResource(int type, const QUrl &name)
{
    if (m_engine && name.scheme() == QLatin1String("qthelp")) {
        const QByteArray data = m_engine->fileData(name);
        if (type == QTextDocument::HtmlResource || type == QTextDocument::StyleSheetResource)
            return QString::fromUtf8(data);
        return data;
    }
    return QTextBrowser::loadResource(type, name);
}

HelpWindow *HelpWindow::instance()
{
    if (!theWindow()) {
        theWindow() = new HelpWindow;
        // The program ends its help window before the application object
        // goes; the engine's worker threads must not outlive it.
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, [] { destroyHelpWindow(); });
    }
    return theWindow();
}

HelpWindow *HelpWindow::existing()
{
    return theWindow();
}

void destroyHelpWindow()
{
    delete theWindow().data();
}

namespace {

// A folder of this user's own outside the home: made now with mode 0700, or
// found as a real folder (no symbolic link) that belongs to this user and
// that nobody else may write. Anything else may have been prepared by
// another user to have the collection written where they choose.
bool ownPrivateFolder(const QString &dir)
{
    const QByteArray native = QFile::encodeName(dir);
    if (::mkdir(native.constData(), 0700) == 0)
        return true;
    if (errno != EEXIST)
        return false;
    struct stat st {
    };
    return ::lstat(native.constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == ::getuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

} // namespace

QString helpCollectionFile(const QString &helpFile)
{
    const QFileInfo fi(helpFile);
    const QByteArray folderHash =
        QCryptographicHash::hash(fi.absolutePath().toUtf8(), QCryptographicHash::Sha1)
            .toHex()
            .left(12);
    const QString name = fi.completeBaseName() + QLatin1Char('-') +
                         QString::fromLatin1(folderHash) + QStringLiteral(".qhc");
    QString dir = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (!dir.isEmpty())
        dir += QStringLiteral("/help");
    if (dir.isEmpty() || !QDir().mkpath(dir)) {
        // No usable cache folder (a home that cannot be written): a folder
        // of this user's own in the temporary directory, or none.
        dir = QDir::tempPath() + QStringLiteral("/pxrq60-help-") + QString::number(getuid());
        if (!ownPrivateFolder(dir))
            return QString();
    }
    return dir + QLatin1Char('/') + name;
}

HelpWindow::HelpWindow() : QMainWindow(nullptr)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    // The help belongs to the main window: closing that ends the program,
    // whether the help is open or not.
    setAttribute(Qt::WA_QuitOnClose, false);

    auto *bar = addToolBar(QString());
    bar->setObjectName(QStringLiteral("helpToolBar"));
    bar->setMovable(false);
    QAction *back = bar->addAction(langText(TxtBack));
    back->setObjectName(QStringLiteral("helpBack"));
    back->setShortcut(QKeySequence::Back);
    QAction *forward = bar->addAction(langText(TxtForward));
    forward->setObjectName(QStringLiteral("helpForward"));
    forward->setShortcut(QKeySequence::Forward);
    QAction *home = bar->addAction(langText(TxtHome));
    home->setObjectName(QStringLiteral("helpHome"));

    auto *split = new QSplitter(this);
    m_tabs = new QTabWidget(split);
    m_tabs->setObjectName(QStringLiteral("helpNavigation"));
    m_contentsBox = tabPage(m_tabs, TxtContents);
    m_indexBox = tabPage(m_tabs, TxtIndex);
    m_filter = new QLineEdit;
    m_filter->setObjectName(QStringLiteral("helpIndexFilter"));
    m_filter->setPlaceholderText(langText(TxtFilterHint));
    m_filter->setClearButtonEnabled(true);
    m_indexBox->addWidget(m_filter);
    m_searchBox = tabPage(m_tabs, TxtSearch);
    m_browser = new HelpBrowser(split);
    m_browser->setObjectName(QStringLiteral("helpTopic"));
    split->addWidget(m_tabs);
    split->addWidget(m_browser);
    split->setStretchFactor(1, 3);
    split->setSizes({260, 640});
    setCentralWidget(split);
    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("helpStatus"));
    statusBar()->addWidget(m_status, 1);

    back->setEnabled(false);
    forward->setEnabled(false);
    connect(back, &QAction::triggered, m_browser, &QTextBrowser::backward);
    connect(forward, &QAction::triggered, m_browser, &QTextBrowser::forward);
    connect(home, &QAction::triggered, this, &HelpWindow::openContents);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::sourceChanged, this, &HelpWindow::retitle);
    connect(m_browser, &QTextBrowser::sourceChanged, this, &HelpWindow::markInContents);
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int tab) {
        if (tab == SearchTab)
            startIndexingOnce();
    });
    retitle();
    resize(920, 660);
}

HelpWindow::~HelpWindow()
{
    dropEngine();
}

void HelpWindow::dropEngine()
{
    if (!m_engine)
        return;
    m_engine->searchEngine()->cancelIndexing();
    m_engine->searchEngine()->cancelSearching();
    // The engine's widgets sit in this window but work on the engine's
    // models: they go first.
    for (QVBoxLayout *box : {m_contentsBox, m_indexBox, m_searchBox})
        for (int i = box->count() - 1; i >= 0; --i) {
            QWidget *w = box->itemAt(i)->widget();
            if (w && w != m_filter)
                delete w;
        }
    m_browser->setEngine(nullptr);
    // The engine builds its contents and index in worker threads as soon as
    // it is set up; destroying it while they run makes them touch freed
    // memory. They take milliseconds: wait for them.
    const QDeadlineTimer deadline(10000);
    while ((m_engine->contentModel()->isCreatingContents() ||
            m_engine->indexModel()->isCreatingIndex()) &&
           !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    delete m_engine;
    m_engine = nullptr;
    m_file.clear();
    m_indexed = false;
}

bool HelpWindow::useCurrentHelpFile()
{
    const QString file = HelpFile();
    if (file == m_file && m_engine)
        return true;
    dropEngine();
    if (file.isEmpty())
        return false;

    QString collection = helpCollectionFile(file);
    if (collection.isEmpty()) {
        // No folder for a lasting register: one for this run only, in a
        // folder with a name nobody can foresee.
        m_runFolder = std::make_unique<QTemporaryDir>(QDir::tempPath() +
                                                      QStringLiteral("/pxrq60-help-XXXXXX"));
        if (!m_runFolder->isValid()) {
            showMissing(langFormatId(TxtHelpFileUnreadable, {file}));
            return false;
        }
        collection =
            m_runFolder->filePath(QFileInfo(file).completeBaseName() + QStringLiteral(".qhc"));
    }
    auto *engine = new QHelpEngine(collection, this);
    engine->setReadOnly(false);
    bool ok = engine->setupData();
    const QString nameSpace = QHelpEngineCore::namespaceName(file);
    if (ok) {
        // The register keeps only this help file: another language's file,
        // or one left by an earlier installation, goes.
        for (const QString &ns : engine->registeredDocumentations())
            if (ns != nameSpace || engine->documentationFileName(ns) != file)
                engine->unregisterDocumentation(ns);
        if (!engine->registeredDocumentations().contains(nameSpace))
            ok = engine->registerDocumentation(file);
        ok = ok && engine->setupData();
    }
    if (!ok || nameSpace.isEmpty()) {
        delete engine;
        showMissing(langFormatId(TxtHelpFileUnreadable, {file}));
        return false;
    }
    m_engine = engine;
    m_file = file;
    m_browser->setEngine(engine);

    QHelpContentWidget *contents = engine->contentWidget();
    contents->setObjectName(QStringLiteral("helpContents"));
    // A title is never cut: the column takes the widest title, and a pane
    // narrower than that scrolls sideways.
    contents->setTextElideMode(Qt::ElideNone);
    contents->header()->setStretchLastSection(false);
    contents->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    contents->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_contentsBox->addWidget(contents);
    connect(contents, &QHelpContentWidget::linkActivated, this, &HelpWindow::showTopic);
    // The contents are built in the background: once they are there, open
    // the first level, widen the pane to the titles and mark the topic on
    // show.
    connect(engine->contentModel(), &QHelpContentModel::contentsCreated, this, [this, contents] {
        contents->expandToDepth(0);
        arrangePanes();
        markInContents();
    });

    QHelpIndexWidget *index = engine->indexWidget();
    index->setObjectName(QStringLiteral("helpIndex"));
    m_indexBox->addWidget(index);
    connect(m_filter, &QLineEdit::textChanged, index,
            [index](const QString &text) { index->filterIndices(text); });
    connect(m_filter, &QLineEdit::returnPressed, index, &QHelpIndexWidget::activateCurrentItem);
    connect(index, &QHelpIndexWidget::documentActivated, this,
            [this](const QHelpLink &doc, const QString &) { showTopic(doc.url); });
    connect(index, &QHelpIndexWidget::documentsActivated, this,
            [this](const QList<QHelpLink> &docs, const QString &) {
                // One index term in several topics: the user picks one.
                QMenu menu(this);
                for (const QHelpLink &doc : docs)
                    menu.addAction(doc.title, this, [this, url = doc.url] { showTopic(url); });
                menu.exec(m_filter->mapToGlobal(QPoint(0, m_filter->height())));
            });

    QHelpSearchEngine *search = engine->searchEngine();
    search->queryWidget()->setObjectName(QStringLiteral("helpSearchQuery"));
    search->resultWidget()->setObjectName(QStringLiteral("helpSearchResults"));
    m_searchBox->addWidget(search->queryWidget());
    m_searchBox->addWidget(search->resultWidget(), 1);
    connect(search->queryWidget(), &QHelpSearchQueryWidget::search, search,
            [search] { search->search(helpSearchQuery(search->queryWidget()->searchInput())); });
    connect(search->resultWidget(), &QHelpSearchResultWidget::requestShowLink, this,
            &HelpWindow::showTopic);
    if (m_tabs->currentIndex() == SearchTab)
        startIndexingOnce();
    return true;
}

void HelpWindow::startIndexingOnce()
{
    // The full-text index is built only when the search is used: it takes a
    // worker thread and is not needed to open a topic.
    if (m_engine && !m_indexed) {
        m_indexed = true;
        m_engine->searchEngine()->reindexDocumentation();
    }
}

QUrl HelpWindow::topicFor(const QString &id) const
{
    if (!m_engine)
        return QUrl();
    QList<QHelpLink> links = m_engine->documentsForIdentifier(id);
    if (links.isEmpty())
        links = m_engine->documentsForKeyword(id);
    return links.isEmpty() ? QUrl() : links.first().url;
}

void HelpWindow::showTopic(const QUrl &url)
{
    m_browser->setSource(url);
    m_status->clear();
    markInContents();
}

void HelpWindow::markInContents()
{
    if (!m_engine)
        return;
    QHelpContentWidget *contents = m_engine->contentWidget();
    const QModelIndex at = contents->indexOf(m_browser->source());
    if (at.isValid())
        contents->setCurrentIndex(at);
}

void HelpWindow::showMissing(const QString &note)
{
    m_tabs->setCurrentIndex(ContentsTab);
    const QUrl start = topicFor(QString::fromLatin1(StartPageId));
    if (start.isValid())
        showTopic(start);
    m_status->setText(note);
}

void HelpWindow::openKeyword(const QString &keyword)
{
    if (useCurrentHelpFile()) {
        const QUrl url = topicFor(keyword);
        if (url.isValid())
            showTopic(url);
        else
            showMissing(langFormatId(TxtNoTopicForKeyword, {keyword}));
    } else if (m_file.isEmpty() && HelpFile().isEmpty()) {
        showMissing(langText(TxtNoHelpFile));
    }
    present();
}

void HelpWindow::openContext(int context)
{
    if (useCurrentHelpFile()) {
        const QUrl url = topicFor(QStringLiteral("ctx-%1").arg(context));
        if (url.isValid())
            showTopic(url);
        else
            showMissing(langFormatId(TxtNoTopicForContext, {context}));
    } else if (HelpFile().isEmpty()) {
        showMissing(langText(TxtNoHelpFile));
    }
    present();
}

void HelpWindow::openContents()
{
    if (useCurrentHelpFile()) {
        m_tabs->setCurrentIndex(ContentsTab);
        const QUrl url = topicFor(QString::fromLatin1(StartPageId));
        if (url.isValid())
            showTopic(url);
    } else if (HelpFile().isEmpty()) {
        showMissing(langText(TxtNoHelpFile));
    }
    present();
}

void HelpWindow::openFinder()
{
    if (!useCurrentHelpFile() && HelpFile().isEmpty())
        showMissing(langText(TxtNoHelpFile));
    // "Suchen" is the full-text search; the index is one tab away.
    m_tabs->setCurrentIndex(SearchTab);
    present();
    if (QLineEdit *input = searchInput()) {
        input->setFocus();
        input->selectAll();
    }
}

QLineEdit *HelpWindow::searchInput() const
{
    return m_engine ? m_engine->searchEngine()->queryWidget()->findChild<QLineEdit *>() : nullptr;
}

void HelpWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    arrangePanes();
}

void HelpWindow::arrangePanes()
{
    auto *split = qobject_cast<QSplitter *>(centralWidget());
    if (!split)
        return;
    // Side by side, the contents need room for their widest title and the
    // topic for its text. A narrow window (beside a wide main window on a
    // laptop screen) puts the contents above the topic, each at full width.
    const Qt::Orientation wanted = width() < StackedBelowWidth ? Qt::Vertical : Qt::Horizontal;
    if (split->orientation() != wanted) {
        split->setOrientation(wanted);
        const int total = wanted == Qt::Vertical ? split->height() : split->width();
        const int first = wanted == Qt::Vertical ? total * 2 / 5 : std::min(260, total / 3);
        split->setSizes({first, total - first});
    }
    if (wanted == Qt::Vertical || !m_engine)
        return;
    // The widest title with its indentation, the frame and a scroll bar; at
    // most half the window, so that the topic keeps its room.
    QHelpContentWidget *contents = m_engine->contentWidget();
    contents->resizeColumnToContents(0);
    const int needed = contents->header()->sectionSize(0) + 2 * contents->frameWidth() +
                       contents->verticalScrollBar()->sizeHint().width() + 8;
    const QList<int> sizes = split->sizes();
    const int total = sizes.value(0) + sizes.value(1);
    const int left = std::clamp(needed, sizes.value(0), std::max(sizes.value(0), total / 2));
    split->setSizes({left, total - left});
}

void HelpWindow::present()
{
    if (!m_placed) {
        // The first time beside the program's main window, so that both can
        // be read at once; from then on wherever the user puts it.
        m_placed = true;
        if (const QWidget *main = mainWindowBesideHelp(); main && main->screen()) {
            // The frame counts: the title bar and the borders must not
            // cover the main window either (known once the window exists;
            // before a window manager has framed it they are taken as none).
            create();
            const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
            const QRect outer = helpGeometryBeside(
                main->frameGeometry(), main->screen()->availableGeometry(), size().grownBy(frame));
            setGeometry(outer.marginsRemoved(frame));
        }
    }
    // A modal dialog blocks every window that is not its own. While one is
    // open the help window becomes its companion, so that the help is usable
    // while the dialog waits.
    if (QWidget *modal = QApplication::activeModalWidget(); modal && modal != this) {
        create();
        if (windowHandle() && modal->windowHandle())
            windowHandle()->setTransientParent(modal->windowHandle());
    }
    show();
    raise();
    activateWindow();
}

QString HelpWindow::topicTitle() const
{
    return m_browser->documentTitle();
}

QUrl HelpWindow::topicUrl() const
{
    return m_browser->source();
}

QString HelpWindow::statusText() const
{
    return m_status->text();
}

void HelpWindow::retitle()
{
    const QString title = topicTitle();
    setWindowTitle(title.isEmpty() ? langText(TxtWindowTitle)
                                   : langText(TxtWindowTitle) + QStringLiteral(" - ") + title);
}
