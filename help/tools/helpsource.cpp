#include "helpsource.h"

#include <QRegularExpression>

namespace helpsrc {

namespace {

QString decodeEntities(QString s)
{
    s.replace(QLatin1String("&nbsp;"), QLatin1String(" "));
    s.replace(QLatin1String("&lt;"), QLatin1String("<"));
    s.replace(QLatin1String("&gt;"), QLatin1String(">"));
    s.replace(QLatin1String("&quot;"), QLatin1String("\""));
    s.replace(QLatin1String("&apos;"), QLatin1String("'"));
    s.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return s;
}

QString metaContent(const QString &html, const QString &name)
{
    const QRegularExpression re(
        QStringLiteral("<meta\\s+name=\"%1\"\\s+content=\"([^\"]*)\"\\s*/?>")
            .arg(QRegularExpression::escape(name)),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = re.match(html);
    return m.hasMatch() ? decodeEntities(m.captured(1)) : QString();
}

int lineAt(const QString &text, qsizetype pos)
{
    return int(text.left(pos).count(QLatin1Char('\n'))) + 1;
}

} // namespace

QString titleOf(const QString &html)
{
    static const QRegularExpression re(QStringLiteral("<title>(.*?)</title>"),
                                       QRegularExpression::CaseInsensitiveOption |
                                           QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = re.match(html);
    if (!m.hasMatch())
        return QString();
    return decodeEntities(m.captured(1)).simplified();
}

QStringList helpIdsOf(const QString &html)
{
    return metaContent(html, QStringLiteral("help-id")).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

QStringList keywordsOf(const QString &html)
{
    QStringList terms;
    for (const QString &t : metaContent(html, QStringLiteral("keywords")).split(QLatin1Char(';')))
        if (!t.trimmed().isEmpty())
            terms << t.simplified();
    return terms;
}

QList<Link> linksIn(const QString &text)
{
    static const QRegularExpression attr(
        QStringLiteral("\\b(?:href|src)\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)')"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression url(QStringLiteral("url\\(\\s*['\"]?([^'\")]*)['\"]?\\s*\\)"),
                                        QRegularExpression::CaseInsensitiveOption);
    QList<Link> links;
    for (const QRegularExpression *re : {&attr, &url}) {
        auto it = re->globalMatch(text);
        while (it.hasNext()) {
            const QRegularExpressionMatch m = it.next();
            const int group = m.capturedStart(1) >= 0 ? 1 : 2;
            links << Link{decodeEntities(m.captured(group)), lineAt(text, m.capturedStart(0))};
        }
    }
    return links;
}

QSet<QString> anchorsIn(const QString &html)
{
    static const QRegularExpression re(QStringLiteral("\\b(?:id|name)\\s*=\\s*\"([^\"]*)\""),
                                       QRegularExpression::CaseInsensitiveOption);
    QSet<QString> anchors;
    auto it = re.globalMatch(html);
    while (it.hasNext())
        anchors.insert(it.next().captured(1));
    return anchors;
}

LinkTarget splitLink(const QString &target)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:"));
    LinkTarget t;
    if (scheme.match(target).hasMatch()) {
        t.external = true;
        t.file = target;
        return t;
    }
    const qsizetype hash = target.indexOf(QLatin1Char('#'));
    t.file = hash < 0 ? target : target.left(hash);
    t.fragment = hash < 0 ? QString() : target.mid(hash + 1);
    return t;
}

} // namespace helpsrc
