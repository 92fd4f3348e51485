#include "battery.h"

QString batteryCapacityOf(const QString &l35)
{
    return l35.left(3);
}

QString batteryMonthsOf(const QString &l35)
{
    return l35.mid(4, 3);
}

QString batteryText(const QString &answer)
{
    return answer.left(7);
}

QString batteryCapacityValue(int tenths)
{
    return QString::number(tenths / 10.0, 'f', 1);
}
