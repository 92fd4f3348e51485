#include "helpers.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <algorithm>
#include <chrono>
#include <thread>

void WaitMs(int32_t ms)
{
    if (ms <= 0)
        return;
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::milliseconds(ms);
    // One sleep to the deadline; the clock is checked after it, since a
    // signal can end a sleep early.
    while (clock::now() < deadline)
        std::this_thread::sleep_until(deadline);
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
    // A 32-bit integer conversion, as for every number of the settings; a
    // text beyond 32 bits is no file number rather than its low bits.
    return uint16_t(quint32(StrToInt(text)) & 0xFFFF);
}

uint16_t Base36ToInt(const QString &text)
{
    static const int weights[3] = {1296, 36, 1};
    int sum = 0;
    for (int i = 0; i < 3 && i < text.size(); ++i) {
        // Only the Latin letters are digits; upper-casing with the full
        // Unicode rules would turn "ß" into "SS" and shift the digits.
        const char16_t c = text.at(i).unicode();
        int digit = 0;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'A' && c <= 'Z')
            digit = c - 'A' + 10;
        else if (c >= 'a' && c <= 'z')
            digit = c - 'a' + 10;
        sum += digit * weights[i];
    }
    return uint16_t(sum);
}

namespace {

// A date or time text taken apart into its numbers. Qt's own parser reads
// a two-digit year as 19yy (so the leap day "29.02.00" is no date) and
// wants two digits where the format says "dd"; the device's and a typing
// technician's "1.2.24" must read as well. The locale still decides the
// order of day, month and year, the separators and the AM/PM words.

enum class DateOrder { DayMonthYear, MonthDayYear, YearMonthDay };

// The order of the numeric fields of the locale's short date format and
// the separator between them; false when the format names the month (the
// C locale's "d MMM yyyy"), so that it fits no numeric text.
bool numericDateOrder(const QLocale &locale, DateOrder *order, QChar *separator)
{
    const QString f = locale.dateFormat(QLocale::ShortFormat);
    if (f.contains(QLatin1String("MMM")))
        return false;
    const int d = f.indexOf(QLatin1Char('d'));
    const int m = f.indexOf(QLatin1Char('M'));
    const int y = f.indexOf(QLatin1Char('y'));
    if (d < 0 || m < 0 || y < 0)
        return false;
    if (y < m && m < d)
        *order = DateOrder::YearMonthDay;
    else if (m < d && d < y)
        *order = DateOrder::MonthDayYear;
    else if (d < m && m < y)
        *order = DateOrder::DayMonthYear;
    else
        return false;
    const int first = std::min({d, m, y});
    *separator = QChar();
    for (int i = first; i < f.size(); ++i) {
        const QChar c = f.at(i);
        if (!c.isLetter() && !c.isSpace()) {
            *separator = c;
            break;
        }
    }
    return true;
}

// Two-digit years are read in the window of the device's lifetime: 00 to
// 49 are 2000 to 2049, 50 to 99 the 1900s.
int fullYear(const QString &digits)
{
    const int y = digits.toInt();
    if (digits.size() == 4)
        return y;
    return y < 50 ? 2000 + y : 1900 + y;
}

QDate dateFromFields(const QString (&field)[3], DateOrder order)
{
    const int yi = order == DateOrder::YearMonthDay ? 0 : 2;
    const int mi = order == DateOrder::MonthDayYear ? 0 : 1;
    const int di = order == DateOrder::DayMonthYear ? 0 : order == DateOrder::MonthDayYear ? 1 : 2;
    if (field[yi].size() != 2 && field[yi].size() != 4)
        return QDate();
    if (field[mi].size() > 2 || field[di].size() > 2)
        return QDate();
    return QDate(fullYear(field[yi]), field[mi].toInt(), field[di].toInt());
}

// A date in a locale format that names the month ("8 Dec 2026" in the C
// locale): Qt's parser, with a two-digit year moved into the same window.
QDate parseNamedMonthDate(const QString &text, const QLocale &locale)
{
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    QDate d = locale.toDate(text.trimmed(), format);
    if (d.isValid() && !format.contains(QLatin1String("yyyy")) && d.year() < 1950)
        d = d.addYears(100);
    return d;
}

QDate parseNumericDate(const QString &text, const QLocale &locale)
{
    // Three runs of digits with the same separator between them; a
    // trailing dot ("2024. 02. 01.") and blanks around the separators are
    // what some locales write.
    static const QRegularExpression form(
        QStringLiteral("^([0-9]{1,4})\\s*([./-])\\s*([0-9]{1,4})\\s*\\2\\s*([0-9]{1,4})\\s*\\.?$"));
    const QRegularExpressionMatch m = form.match(text.trimmed());
    if (!m.hasMatch())
        return QDate();
    const QString field[3] = {m.captured(1), m.captured(3), m.captured(4)};
    const QChar separator = m.captured(2).at(0);
    DateOrder localOrder = DateOrder::DayMonthYear;
    QChar localSeparator;
    const bool local = numericDateOrder(locale, &localOrder, &localSeparator);
    // The locale's order where the text uses the locale's separator, then
    // the device's own day.month.year, then the locale's order for any
    // separator.
    QDate d;
    if (local && separator == localSeparator)
        d = dateFromFields(field, localOrder);
    if (!d.isValid())
        d = dateFromFields(field, DateOrder::DayMonthYear);
    if (!d.isValid() && local)
        d = dateFromFields(field, localOrder);
    return d;
}

QDate parseDate(const QString &text, const QLocale &locale)
{
    const QDate d = parseNumericDate(text, locale);
    return d.isValid() ? d : parseNamedMonthDate(text, locale);
}

// The locale's time separator: what follows the hours in its long time
// format, when that is a punctuation mark (not a word such as the Japanese
// hour sign).
QChar timeSeparator(const QLocale &locale)
{
    const QString f = locale.timeFormat(QLocale::LongFormat);
    int h = f.indexOf(QLatin1Char('h'), 0, Qt::CaseInsensitive);
    while (h >= 0 && h < f.size() && f.at(h).toLower() == QLatin1Char('h'))
        ++h;
    if (h > 0 && h < f.size() && f.at(h).isPunct())
        return f.at(h);
    return QLatin1Char(':');
}

QTime parseTime(const QString &text, const QLocale &locale)
{
    static const QRegularExpression form(
        QStringLiteral("^([0-9]{1,2}):([0-9]{2})(?::([0-9]{2}))?(?:\\s*(\\S+))?$"));
    QString t = text.trimmed();
    // The locale's own separator ("12.34.56" in Finland) reads as ":".
    const QChar sep = timeSeparator(locale);
    if (sep != QLatin1Char(':'))
        t.replace(sep, QLatin1Char(':'));
    const QRegularExpressionMatch m = form.match(t);
    if (!m.hasMatch())
        return QTime();
    int hour = m.captured(1).toInt();
    const QString marker = m.captured(4);
    if (!marker.isEmpty()) {
        const bool am = marker.compare(locale.amText(), Qt::CaseInsensitive) == 0 ||
                        marker.compare(QLatin1String("AM"), Qt::CaseInsensitive) == 0;
        const bool pm = marker.compare(locale.pmText(), Qt::CaseInsensitive) == 0 ||
                        marker.compare(QLatin1String("PM"), Qt::CaseInsensitive) == 0;
        if ((!am && !pm) || hour < 1 || hour > 12)
            return QTime();
        hour = hour % 12 + (pm ? 12 : 0);
    }
    const int second = m.captured(3).isEmpty() ? 0 : m.captured(3).toInt();
    return QTime(hour, m.captured(2).toInt(), second);
}

QString twoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

} // namespace

QString DateTextShort(const QString &text, const QLocale &locale)
{
    const QDate d = parseDate(text, locale);
    if (!d.isValid())
        return QString();
    return twoDigits(d.day()) + QLatin1Char('.') + twoDigits(d.month()) + QLatin1Char('.') +
           twoDigits(d.year() % 100);
}

QString TimeTextLong(const QString &text, const QLocale &locale)
{
    const QString t = text.trimmed();
    // A time alone, or a date, blanks, and a time.
    QTime time = parseTime(t, locale);
    if (!time.isValid()) {
        for (int cut = t.indexOf(QLatin1Char(' ')); cut > 0 && !time.isValid();
             cut = t.indexOf(QLatin1Char(' '), cut + 1)) {
            if (parseDate(t.left(cut), locale).isValid())
                time = parseTime(t.mid(cut + 1), locale);
        }
    }
    if (!time.isValid())
        return QString();
    const QChar sep = timeSeparator(locale);
    return twoDigits(time.hour()) + sep + twoDigits(time.minute()) + sep + twoDigits(time.second());
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
