#include "programpath.h"

#include "helpers.h"

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
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
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
