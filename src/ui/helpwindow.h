// The program's help window: the help file that SetHelpFile chose, shown
// through QHelpEngine with its contents, its keyword index (with a filter
// field), full-text search, back and forward, and the topic pane.
//
// There is one help window for the whole program. It is not modal: the
// technician keeps it beside the main window while working. Closing it only
// hides it, so it comes back at the size and place it had. While a modal
// dialog is open, the window is made a companion of that dialog so that it
// can still be used (a modal dialog blocks every other window).
//
// The help engine's collection file (Qt's register of help files, and the
// full-text index beside it) is the user's own cache: it is written to the
// per-user cache folder, never beside the program or into the shared
// settings directory. It is rebuilt from the help file whenever that file
// changes. The window opens beside the main window and ends with it.
//
// Only the help entry point (helpentry.h) opens the window; nothing else
// calls it.
#ifndef PXRQ60_UI_HELPWINDOW_H
#define PXRQ60_UI_HELPWINDOW_H

#include <QMainWindow>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>
#include <memory>

class QHelpEngine;
class QLabel;
class QLineEdit;
class QTabWidget;
class QTemporaryDir;
class QVBoxLayout;

// The topic pane: a text browser that takes its pages, pictures and style
// sheet from the help file.
class HelpBrowser : public QTextBrowser
{
    Q_OBJECT

public:
    explicit HelpBrowser(QWidget *parent = nullptr);
    void setEngine(QHelpEngine *engine) { m_engine = engine; }
    QVariant loadResource(int type, const QUrl &name) override;

private:
    QHelpEngine *m_engine = nullptr;
};

class HelpWindow : public QMainWindow
{
    Q_OBJECT

public:
    // The program's help window, created on first use. It has no parent
    // window; destroyHelpWindow ends it before the application object goes.
    static HelpWindow *instance();
    // The window if it has been created, else nullptr.
    static HelpWindow *existing();

    // Open at the topic with this id (a keyword such as "Benutzerschloss",
    // or "ctx-" and a help context number), at the contents, or at the topic
    // finder (the index and the search). A keyword or context without a
    // topic opens the contents and names the missing topic in the status
    // line.
    void openKeyword(const QString &keyword);
    void openContext(int context);
    void openContents();
    void openFinder();

    // What the window shows, for the tests and the title bar.
    QString topicTitle() const;
    QUrl topicUrl() const;
    QString statusText() const;
    QString helpFile() const { return m_file; }
    QTabWidget *navigation() const { return m_tabs; }
    QLineEdit *indexFilter() const { return m_filter; }
    // The full-text search's entry field (null before a help file is open).
    QLineEdit *searchInput() const;
    HelpBrowser *browser() const { return m_browser; }
    QHelpEngine *engine() const { return m_engine; }
    // Indices of the navigation tabs.
    enum Tab { ContentsTab = 0, IndexTab = 1, SearchTab = 2 };

    ~HelpWindow() override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    HelpWindow();
    // Makes the engine serve the help file SetHelpFile chose last (a language
    // change after "Trennen" switches it); false when there is none.
    bool useCurrentHelpFile();
    void dropEngine();
    void showTopic(const QUrl &url);
    void markInContents();
    QUrl topicFor(const QString &id) const;
    void showMissing(const QString &note);
    void present();
    void startIndexingOnce();
    void retitle();
    void arrangePanes();

    QHelpEngine *m_engine = nullptr;
    QString m_file;
    bool m_indexed = false;
    bool m_placed = false;
    QTabWidget *m_tabs = nullptr;
    QVBoxLayout *m_contentsBox = nullptr;
    QVBoxLayout *m_indexBox = nullptr;
    QVBoxLayout *m_searchBox = nullptr;
    QLineEdit *m_filter = nullptr;
    HelpBrowser *m_browser = nullptr;
    QLabel *m_status = nullptr;
    // The register of this run when no lasting folder may be used.
    std::unique_ptr<QTemporaryDir> m_runFolder;
};

// Ends the help window (the program calls it before the application object
// is destroyed; tests when they are done).
void destroyHelpWindow();

// Where the engine's collection file for a help file lives: in the per-user
// cache folder, one file per help file (its name and a hash of its folder, so
// that two installations do not share one register). Where that folder
// cannot be made, in the folder pxrq60-help-<uid> of the temporary directory
// if this user made it or makes it now (mode 0700, no link); empty when not
// even that is safe: the help window then keeps its register for the run
// only, in a folder of its own.
QString helpCollectionFile(const QString &helpFile);

// The full-text search's query for what the user typed: each plain word is
// also found at the start of a longer one, as German joins words
// ("Batterie" finds "Batteriekapazität"). Phrases in quotes, words with a
// wildcard and the operators AND, OR, NOT, NEAR stay as typed.
QString helpSearchQuery(const QString &input);

// The help window's first place, frame included: beside the main window's
// frame `main` on the side with more room of `screen`, as wide as `wanted`
// allows there but never narrower than MinimumHelpWidth (it then covers as
// little of the main window as it can), as high as `wanted` within the
// screen, top at the main window's.
constexpr int MinimumHelpWidth = 440;
QRect helpGeometryBeside(const QRect &main, const QRect &screen, const QSize &wanted);

#endif
