#include "programpath.h"

#include "helpers.h"

#include <QFile>
#include <QFileInfo>

namespace {
QString &overridePath()
{
    static QString p;
    return p;
}
} // namespace

QString programFilePath()
{
    if (!overridePath().isEmpty())
        return overridePath();
    // The link keeps naming the program file even when a rebuild has
    // replaced it meanwhile; only a " (deleted)" is added then.
    QString path = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    if (path.endsWith(QLatin1String(" (deleted)")))
        path.chop(10);
    return path;
}

QString programDirectory()
{
    return QFileInfo(programFilePath()).absolutePath() + QLatin1Char('/');
}

QString programStem()
{
    QString name = QFileInfo(programFilePath()).fileName();
    QString head;
    SplitHead(name, QLatin1Char('.'), head);
    return head.left(6);
}

void setProgramFilePath(const QString &path)
{
    overridePath() = path;
}
