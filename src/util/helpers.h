// Small text and number helpers shared by the whole program. Device values
// travel as texts, so most of these work on texts. No state, no device, no
// file.
#ifndef PXRQ60_UTIL_HELPERS_H
#define PXRQ60_UTIL_HELPERS_H

#include <QString>
#include <cstdint>

// Blocks the calling thread for ms milliseconds without handling window
// events. It sleeps about 1 ms between polls of a monotonic clock instead of
// spinning, so a laptop on battery does not run its processor flat out; a
// jump of the wall clock (midnight, a time change) does not shorten or
// lengthen it. Zero or a negative count returns at once.
void WaitMs(int32_t ms);

// The text without its trailing / leading run of characters from `set`.
QString TrimRightChars(const QString &text, const QString &set);
QString TrimLeftChars(const QString &text, const QString &set);
// The text with every character of `set` removed, the others in order.
QString RemoveChars(const QString &text, const QString &set);

// An export file number: base 36 (Base36ToInt) when TEMPFILENOTYPE is
// exactly "0-Z", else the signed decimal value, in both cases its low 16
// bits. A text that is no decimal integer throws ConversionError.
uint16_t FileNoToInt(const QString &text, const QString &tempFileNoType);
// The first three characters as a fixed three-digit base-36 field: the first
// one is always the 36^2 digit, missing positions and foreign characters
// count 0.
uint16_t Base36ToInt(const QString &text);

// The date in `text` (system short date format) as "dd.mm.yy"; empty when
// the text is no date.
QString DateTextShort(const QString &text);
// The time in `text` (a date-time or a time in the system's formats) as
// "hh:nn:ss" with the system's time separator; empty when it is none.
QString TimeTextLong(const QString &text);

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
