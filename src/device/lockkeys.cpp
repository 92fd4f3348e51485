#include "lockkeys.h"

#include "displayrules.h"
#include "helpers.h"

#include <algorithm>

bool lockCountsOpen(const QString &stateText)
{
    return stateText != QLatin1String("0");
}

uint16_t singleLockStateId(const QString &stateText)
{
    return lockCountsOpen(stateText) ? UserLockOpenStringId : UserLockClosedStringId;
}

uint16_t userLockStateId(const QString &p0Text, const QString &p10Text)
{
    const bool open = p0Text == QLatin1String("1") || p10Text == QLatin1String("1");
    return open ? UserLockOpenStringId : UserLockClosedStringId;
}

QString hiddenKeyText()
{
    return QString(8, QLatin1Char('*'));
}

QString keyWireText(const QString &fieldText)
{
    QString digits = RemoveChars(fieldText, QStringLiteral(" "));
    qint64 key = -1;
    try {
        key = StrToInt64(digits);
    } catch (const ConversionError &) {
        key = -1;
    }
    const bool empty = digits.isEmpty();
    scrubText(digits);
    if (key < 0 || key > 99999999)
        throw ConversionError(empty ? QString() : hiddenKeyText());
    QString number = QString::number(key);
    key = 0;
    QString text = number.rightJustified(8, QLatin1Char('0'));
    scrubText(number);
    return text;
}

void scrubText(QString &text)
{
    if (!text.isEmpty())
        std::fill(text.data(), text.data() + text.size(), QChar(u'\0'));
    // Shortened, not released: the zeros stay in the buffer until it goes.
    text.truncate(0);
}
