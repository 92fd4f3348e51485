#include "battery.h"

#include <QRegularExpression>

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

std::optional<int> batteryCapacityTenths(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^([0-9]{1,2})(?:\\.([0-9]?))?$"));
    const QRegularExpressionMatch m = form.match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    const int tenths = m.captured(1).toInt() * 10 + m.captured(2).toInt();
    if (tenths > BatteryCapacityMaxTenths)
        return std::nullopt;
    return tenths;
}

DeviceMessage batteryCapacityMessage(const QString &text)
{
    return DeviceMessage{604,
                         {MessageArg::ofText(text.trimmed()),
                          MessageArg::ofText(batteryCapacityValue(0)),
                          MessageArg::ofText(batteryCapacityValue(BatteryCapacityMaxTenths))},
                         500,
                         {}};
}
