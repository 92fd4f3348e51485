#include "helpers.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLocale>
#include <chrono>
#include <thread>

void WaitMs(int32_t ms)
{
    if (ms <= 0)
        return;
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::milliseconds(ms);
    // Poll the monotonic clock, sleeping briefly between polls: the wait
    // stays as exact as a spin to about a millisecond without burning the
    // battery.
    for (;;) {
        const auto now = clock::now();
        if (now >= deadline)
            return;
        const auto left = deadline - now;
        std::this_thread::sleep_for(std::min<clock::duration>(left, std::chrono::milliseconds(1)));
    }
}

QString TrimRightChars(const QString &text, const QString &set)
{
    int end = text.size();
    while (end > 0 && set.contains(text.at(end - 1)))
        --end;
    return text.left(end);
}

QString TrimLeftChars(const QString &text, const QString &set)
{
    int start = 0;
    while (start < text.size() && set.contains(text.at(start)))
        ++start;
    return text.mid(start);
}

QString RemoveChars(const QString &text, const QString &set)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        if (!set.contains(c))
            out.append(c);
    return out;
}

QString ConversionError::message() const
{
    return QStringLiteral("'%1' is not a valid integer value").arg(m_text);
}

qint64 StrToInt64(const QString &text)
{
    bool ok = false;
    // toLongLong accepts surrounding blanks; a device or settings text with
    // blanks is not an integer here.
    const qint64 v = text.toLongLong(&ok, 10);
    if (!ok || text.isEmpty() || text.trimmed() != text)
        throw ConversionError(text);
    return v;
}

int StrToInt(const QString &text)
{
    const qint64 v = StrToInt64(text);
    if (v < INT32_MIN || v > INT32_MAX)
        throw ConversionError(text);
    return int(v);
}

uint16_t FileNoToInt(const QString &text, const QString &tempFileNoType)
{
    if (tempFileNoType == QLatin1String("0-Z"))
        return Base36ToInt(text);
    return uint16_t(quint64(StrToInt64(text)) & 0xFFFF);
}

uint16_t Base36ToInt(const QString &text)
{
    static const int weights[3] = {1296, 36, 1};
    const QString up = text.toUpper();
    int sum = 0;
    for (int i = 0; i < 3 && i < up.size(); ++i) {
        const QChar c = up.at(i);
        int digit = 0;
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digit = c.unicode() - '0';
        else if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            digit = c.unicode() - 'A' + 10;
        sum += digit * weights[i];
    }
    return uint16_t(sum);
}

namespace {

// Two-digit years are read in the window of the device's lifetime rather
// than in the 1900s.
QDate fixCentury(QDate d, const QString &format)
{
    if (d.isValid() && !format.contains(QLatin1String("yyyy")) && d.year() < 1950)
        d = d.addYears(100);
    return d;
}

// Qt's formats may end in a time zone ("t"), which no typed or device text
// carries; parsing with it would always fail.
QString withoutZone(QString format)
{
    format.remove(QLatin1Char('t'));
    return format.trimmed();
}

QDate parseDate(const QString &text, const QString &format)
{
    return fixCentury(QDate::fromString(text, format), format);
}

} // namespace

QString DateTextShort(const QString &text)
{
    const QLocale loc = QLocale::system();
    const QString t = text.trimmed();
    const QString fmt = loc.dateFormat(QLocale::ShortFormat);
    QDate d = fixCentury(loc.toDate(t, fmt), fmt);
    // Some locales (C, for one) have no numeric short date; the device's
    // own day-month-year form is then what the date field holds.
    for (const char *f : {"dd.MM.yy", "dd/MM/yy", "dd-MM-yy", "d.M.yyyy"})
        if (!d.isValid())
            d = parseDate(t, QLatin1String(f));
    if (!d.isValid())
        return QString();
    return d.toString(QStringLiteral("dd.MM.yy"));
}

QString TimeTextLong(const QString &text)
{
    const QLocale loc = QLocale::system();
    const QString t = text.trimmed();
    QTime time;
    const QDateTime dt = loc.toDateTime(t, withoutZone(loc.dateTimeFormat(QLocale::LongFormat)));
    if (dt.isValid())
        time = dt.time();
    for (QLocale::FormatType f : {QLocale::LongFormat, QLocale::ShortFormat})
        if (!time.isValid())
            time = loc.toTime(t, withoutZone(loc.timeFormat(f)));
    for (const char *f : {"H:mm:ss", "H:mm"})
        if (!time.isValid())
            time = QTime::fromString(t, QLatin1String(f));
    if (!time.isValid())
        return QString();
    // The separator the system uses between hours and minutes.
    const QString probe =
        loc.toString(QTime(1, 2, 3), withoutZone(loc.timeFormat(QLocale::LongFormat)));
    QString sep = QStringLiteral(":");
    const int h = probe.indexOf(QLatin1Char('1'));
    if (h >= 0 && h + 1 < probe.size() && !probe.at(h + 1).isDigit())
        sep = probe.at(h + 1);
    return time.toString(QStringLiteral("HH")) + sep + time.toString(QStringLiteral("mm")) + sep +
           time.toString(QStringLiteral("ss"));
}

QString LeftChars(const QString &text, int n)
{
    return n >= text.size() ? text : text.left(qMax(0, n));
}

QString RightChars(const QString &text, int n)
{
    return n >= text.size() ? text : text.right(qMax(0, n));
}

QString ZeroIfEmpty(const QString &text)
{
    return text.isEmpty() ? QStringLiteral("0") : text;
}

void SplitHead(QString &text, QChar separator, QString &head)
{
    const int p = text.indexOf(separator);
    if (p < 0) {
        head = text;
        text.clear();
        return;
    }
    head = text.left(p);
    text = text.mid(p + 1);
}
