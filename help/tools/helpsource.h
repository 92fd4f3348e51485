// Reading our own help topics: the title, the help ids and index terms a
// topic declares in its head, the links it makes and the anchors it offers.
// Used by the build step that turns a language's topics into a help project
// and by the tests that check the finished help files.
//
// The topics are plain HTML that we write ourselves, so a few patterns are
// enough; this is not a parser for HTML from elsewhere.
#ifndef PXRQ60_HELP_HELPSOURCE_H
#define PXRQ60_HELP_HELPSOURCE_H

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

namespace helpsrc {

// The text of <title>, blanks collapsed, entities of the five XML kinds
// and &nbsp; resolved.
QString titleOf(const QString &html);
// <meta name="help-id" content="ctx-103 Benutzerschloss">: the ids by
// which the program opens this topic (blank-separated).
QStringList helpIdsOf(const QString &html);
// <meta name="keywords" content="Gerätenummer; L18">: further index terms
// (semicolon-separated, so that a term may hold a comma).
QStringList keywordsOf(const QString &html);

struct Link {
    QString target; // the attribute's text as written
    int line = 0;   // 1-based line of the attribute
};
// Every href and src attribute, and every url(...) of inline styles and
// style sheets.
QList<Link> linksIn(const QString &text);
// Every id="..." and name="..." of the page: the anchors a link may name.
QSet<QString> anchorsIn(const QString &html);

// A link split into the file it names (relative to the linking file's
// folder, "" for a link inside the same page) and its fragment. External
// means a scheme such as http: or mailto:, which the help, read in the
// field without a network, must not use.
struct LinkTarget {
    bool external = false;
    QString file;
    QString fragment;
};
LinkTarget splitLink(const QString &target);

} // namespace helpsrc

#endif
