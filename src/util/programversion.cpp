#include "programversion.h"

QString programVersion()
{
    return QStringLiteral(PXRQ60_VERSION);
}

QDate programBuildDate()
{
    return QDate::fromString(QStringLiteral(PXRQ60_BUILD_DATE), Qt::ISODate);
}
