// Turns one language's help topics into a Qt help project (.qhp) for
// qhelpgenerator, and refuses what would give a broken help file.
//
//   helpgen SOURCE_DIR OUTPUT_DIR NAMESPACE PROJECT_NAME [SHARED_FILE...]
//
// SOURCE_DIR holds the topics (*.html), their pictures and toc.txt, the table
// of contents: one file name a line, two blanks of indent per level, the
// first line the start page; lines starting with "#" are comments. Shared
// files (the style sheet) are copied in beside the topics. Every file is
// copied to OUTPUT_DIR, where the project is written, so that the help file
// holds the files under their plain names.
//
// The help keywords come from the topics themselves: each <meta
// name="help-id"> id becomes a keyword with that id (the program opens
// topics by these ids: "ctx-103", "Benutzerschloss"), named by the topic's
// title; each <meta name="keywords"> term becomes a further entry of the
// index.
//
// qhelpgenerator only warns about a missing file, so the checks are here:
// every topic has a title and appears in the contents exactly once, every
// link and picture names a file of the help (and an anchor that exists),
// nothing points outside the help, and no id leads to two topics. Any
// fault is printed as FILE:LINE: text and ends the build.
#include "helpsource.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextStream>
#include <cstdio>

namespace {

struct TocEntry {
    QString file;
    int depth = 0;
    int line = 0;
};

QStringList g_errors;

void fault(const QString &file, int line, const QString &text)
{
    g_errors << QStringLiteral("%1:%2: %3").arg(file).arg(line).arg(text);
}

QString readText(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        fault(path, 0, QStringLiteral("cannot be read"));
        return QString();
    }
    return QString::fromUtf8(f.readAll());
}

QString xml(QString s)
{
    s.replace(QLatin1Char('&'), QLatin1String("&amp;"));
    s.replace(QLatin1Char('<'), QLatin1String("&lt;"));
    s.replace(QLatin1Char('>'), QLatin1String("&gt;"));
    s.replace(QLatin1Char('"'), QLatin1String("&quot;"));
    return s;
}

QList<TocEntry> readToc(const QString &path)
{
    QList<TocEntry> toc;
    const QStringList lines = readText(path).split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.trimmed().startsWith(QLatin1Char('#')))
            continue;
        const qsizetype indent =
            line.size() - QString(line).remove(QRegularExpression("^ +")).size();
        if (indent % 2 != 0) {
            fault(path, i + 1, QStringLiteral("indent is not a multiple of two blanks"));
            continue;
        }
        const int depth = int(indent / 2);
        const int previous = toc.isEmpty() ? -1 : toc.last().depth;
        if ((toc.isEmpty() && depth != 0) || depth > previous + 1 ||
            (!toc.isEmpty() && depth == 0)) {
            fault(path, i + 1, QStringLiteral("level does not follow from the line before"));
            continue;
        }
        toc << TocEntry{line.trimmed(), depth, i + 1};
    }
    if (toc.isEmpty())
        fault(path, 0, QStringLiteral("the contents are empty"));
    return toc;
}

void writeTocSections(QTextStream &out, const QList<TocEntry> &toc,
                      const QHash<QString, QString> &titles)
{
    int open = 0;
    for (int i = 0; i < toc.size(); ++i) {
        const TocEntry &e = toc[i];
        while (open > e.depth) {
            out << QString(2 * open + 4, QLatin1Char(' ')) << "</section>\n";
            --open;
        }
        const bool hasChildren = i + 1 < toc.size() && toc[i + 1].depth > e.depth;
        out << QString(2 * e.depth + 6, QLatin1Char(' ')) << "<section title=\""
            << xml(titles.value(e.file)) << "\" ref=\"" << xml(e.file) << '"'
            << (hasChildren ? ">\n" : "/>\n");
        if (hasChildren)
            open = e.depth + 1;
    }
    while (open > 0) {
        out << QString(2 * open + 4, QLatin1Char(' ')) << "</section>\n";
        --open;
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 5) {
        std::fprintf(stderr,
                     "usage: helpgen SOURCE_DIR OUTPUT_DIR NAMESPACE PROJECT_NAME [SHARED...]\n");
        return 2;
    }
    const QDir source(args[1]);
    const QDir output(args[2]);
    const QString nameSpace = args[3];
    const QString projectName = args[4];
    if (!output.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "helpgen: cannot create %s\n", qPrintable(output.path()));
        return 1;
    }

    // The files of the help: the topics' folder and the shared files.
    QMap<QString, QString> files; // name in the help -> source path
    for (const QFileInfo &fi : source.entryInfoList(QDir::Files, QDir::Name))
        if (fi.fileName() != QLatin1String("toc.txt"))
            files.insert(fi.fileName(), fi.absoluteFilePath());
    for (int i = 5; i < args.size(); ++i)
        files.insert(QFileInfo(args[i]).fileName(), QFileInfo(args[i]).absoluteFilePath());

    QHash<QString, QString> texts;
    QHash<QString, QString> titles;
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        const QString suffix = QFileInfo(it.key()).suffix().toLower();
        if (suffix == QLatin1String("html") || suffix == QLatin1String("css"))
            texts.insert(it.key(), readText(it.value()));
        if (suffix == QLatin1String("html")) {
            titles.insert(it.key(), helpsrc::titleOf(texts[it.key()]));
            if (titles[it.key()].isEmpty())
                fault(it.value(), 1, QStringLiteral("topic without a <title>"));
        }
    }

    // Links and pictures must stay inside the help and name what exists.
    for (auto it = texts.cbegin(); it != texts.cend(); ++it) {
        for (const helpsrc::Link &l : helpsrc::linksIn(it.value())) {
            const helpsrc::LinkTarget t = helpsrc::splitLink(l.target);
            const QString where = files.value(it.key());
            if (t.external) {
                fault(where, l.line, QStringLiteral("link outside the help: %1").arg(l.target));
                continue;
            }
            const QString file = t.file.isEmpty() ? it.key() : t.file;
            if (!files.contains(file)) {
                fault(where, l.line,
                      QStringLiteral("names a file the help lacks: %1").arg(l.target));
                continue;
            }
            if (!t.fragment.isEmpty() &&
                !helpsrc::anchorsIn(texts.value(file)).contains(t.fragment))
                fault(where, l.line,
                      QStringLiteral("names an anchor %1 lacks: %2").arg(file, l.target));
        }
    }

    // The contents reach every topic, once.
    const QString tocPath = source.filePath(QStringLiteral("toc.txt"));
    const QList<TocEntry> toc = readToc(tocPath);
    QSet<QString> inToc;
    for (const TocEntry &e : toc) {
        if (!titles.contains(e.file))
            fault(tocPath, e.line, QStringLiteral("names a topic the help lacks: %1").arg(e.file));
        else if (inToc.contains(e.file))
            fault(tocPath, e.line, QStringLiteral("names %1 a second time").arg(e.file));
        inToc.insert(e.file);
    }
    for (auto it = titles.cbegin(); it != titles.cend(); ++it)
        if (!inToc.contains(it.key()))
            fault(files.value(it.key()), 1, QStringLiteral("topic missing from toc.txt"));

    // Every id opens one topic.
    QMap<QString, QString> idTopic;
    for (auto it = titles.cbegin(); it != titles.cend(); ++it)
        for (const QString &id : helpsrc::helpIdsOf(texts.value(it.key()))) {
            if (idTopic.contains(id))
                fault(files.value(it.key()), 1,
                      QStringLiteral("help id %1 is also that of %2").arg(id, idTopic.value(id)));
            idTopic.insert(id, it.key());
        }

    if (!g_errors.isEmpty()) {
        for (const QString &e : g_errors)
            std::fprintf(stderr, "%s\n", qPrintable(e));
        std::fprintf(stderr, "helpgen: %lld fault(s) in the help of %s\n",
                     static_cast<long long>(g_errors.size()), qPrintable(source.path()));
        return 1;
    }

    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        const QString target = output.filePath(it.key());
        QFile::remove(target);
        if (!QFile::copy(it.value(), target)) {
            std::fprintf(stderr, "helpgen: cannot copy %s\n", qPrintable(it.value()));
            return 1;
        }
    }

    QSaveFile project(output.filePath(projectName));
    if (!project.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "helpgen: cannot write %s\n", qPrintable(project.fileName()));
        return 1;
    }
    QTextStream out(&project);
    out.setEncoding(QStringConverter::Utf8);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<QtHelpProject version=\"1.0\">\n"
        << "  <namespace>" << xml(nameSpace) << "</namespace>\n"
        << "  <virtualFolder>doc</virtualFolder>\n"
        << "  <filterSection>\n"
        << "    <toc>\n";
    writeTocSections(out, toc, titles);
    out << "    </toc>\n    <keywords>\n";
    for (const TocEntry &e : toc) {
        const QString &html = texts.value(e.file);
        const QString title = titles.value(e.file);
        const QStringList ids = helpsrc::helpIdsOf(html);
        if (ids.isEmpty()) // the index names every topic at least by its title
            out << "      <keyword name=\"" << xml(title) << "\" ref=\"" << xml(e.file) << "\"/>\n";
        for (const QString &id : ids)
            out << "      <keyword name=\"" << xml(title) << "\" id=\"" << xml(id) << "\" ref=\""
                << xml(e.file) << "\"/>\n";
        for (const QString &term : helpsrc::keywordsOf(html))
            if (term != title)
                out << "      <keyword name=\"" << xml(term) << "\" ref=\"" << xml(e.file)
                    << "\"/>\n";
    }
    out << "    </keywords>\n    <files>\n";
    for (auto it = files.cbegin(); it != files.cend(); ++it)
        out << "      <file>" << xml(it.key()) << "</file>\n";
    out << "    </files>\n  </filterSection>\n</QtHelpProject>\n";
    out.flush();
    if (!project.commit()) {
        std::fprintf(stderr, "helpgen: cannot write %s\n", qPrintable(project.fileName()));
        return 1;
    }
    return 0;
}
