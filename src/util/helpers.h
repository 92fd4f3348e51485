// Small text and number helpers shared by the whole program. Device values
// travel as texts, so most of these work on texts. No state, no device, no
// file.
#ifndef PXRQ60_UTIL_HELPERS_H
#define PXRQ60_UTIL_HELPERS_H

#include <QLocale>
#include <QString>
#include <cstdint>

// Blocks the calling thread for ms milliseconds without handling window
// events: one sleep until a monotonic deadline, so a laptop on battery is
// not woken a thousand times a second, and a jump of the wall clock
// (midnight, a time change) does not shorten or lengthen it. Zero or a
// negative count returns at once.
void WaitMs(int32_t ms);

// The text without its trailing / leading run of characters from `set`.
QString TrimRightChars(const QString &text, const QString &set);
QString TrimLeftChars(const QString &text, const QString &set);
// The text with every character of `set` removed, the others in order.
QString RemoveChars(const QString &text, const QString &set);

// An export file number: base 36 (Base36ToInt) when TEMPFILENOTYPE is
// exactly "0-Z", else the signed 32-bit decimal value, in both cases its
// low 16 bits. A text that is no decimal integer, or one beyond 32 bits,
// throws ConversionError.
uint16_t FileNoToInt(const QString &text, const QString &tempFileNoType);
// The first three characters as a fixed three-digit base-36 field: the first
// one is always the 36^2 digit; 0-9, A-Z and a-z are digits, missing
// positions and any other character count 0.
uint16_t Base36ToInt(const QString &text);

// The date in `text` as "dd.mm.yy"; empty when the text is no date. Day,
// month and year are numbers (one or two digits for day and month, two or
// four for the year, 00-49 being 2000-2049) in the order of the locale's
// short date format, or in the device's day.month.year order.
QString DateTextShort(const QString &text, const QLocale &locale = QLocale::system());
// The time in `text` (a time, or a date as DateTextShort reads it followed
// by a time; 24-hour or with the locale's AM/PM) as "hh:nn:ss" with the
// locale's time separator; empty when it is none.
QString TimeTextLong(const QString &text, const QLocale &locale = QLocale::system());

QString LeftChars(const QString &text, int n);
QString RightChars(const QString &text, int n);
QString ZeroIfEmpty(const QString &text);

// Cuts `text` at the first `separator`: head gets what stands before it and
// text keeps what follows. Without a separator head gets the whole text and
// text becomes empty, so a caller can loop until text is empty.
void SplitHead(QString &text, QChar separator, QString &head);

// A text that should hold a decimal integer and does not: what the program
// reports as its standard conversion error.
class ConversionError
{
public:
    explicit ConversionError(const QString &text) : m_text(text) {}
    QString message() const;
    QString text() const { return m_text; }

private:
    QString m_text;
};

// Decimal integer with optional sign and nothing else (no blanks); throws
// ConversionError otherwise. Used wherever a device text or a settings value
// must be an integer.
qint64 StrToInt64(const QString &text);
int StrToInt(const QString &text);

#endif
