#include "wireformat.h"

#include "addresstable.h"
#include "battery.h"
#include "helpers.h"

#include <QDate>
#include <QRegularExpression>
#include <QSet>
#include <QTime>
#include <cmath>
#include <functional>

QString WireValue::settingsKey() const
{
    if (key == QLatin1String("TempLowRef"))
        return QStringLiteral("TEMPLOW");
    if (key == QLatin1String("TempHighRef"))
        return QStringLiteral("TEMPHIGH");
    return QString();
}

namespace {

long double number(const QString &text)
{
    const std::optional<long double> v = decimalValue(text);
    if (!v)
        throw ConversionError(text);
    return *v;
}

// Trailing blanks, and trailing zeros behind a decimal point. Zeros of a
// text without a point are part of its integer and stay.
QString trimDecimal(const QString &text)
{
    QString t = TrimRightChars(text, QStringLiteral(" "));
    if (t.contains(QLatin1Char('.')))
        t = TrimRightChars(t, QStringLiteral(" 0"));
    return t;
}

QString fixed(long double v, int decimals)
{
    return QString::number(double(v), 'f', decimals);
}

// "##.0": one decimal and no zero before the point (0.5 gives .5).
QString oneDecimal(long double v)
{
    QString s = fixed(v, 1);
    if (s.startsWith(QLatin1String("0.")))
        s.remove(0, 1);
    else if (s.startsWith(QLatin1String("-0.")))
        s.remove(1, 1);
    return s;
}

// The date and the time are read in the order the field shows them, which is
// the device's (day, month, two-digit year; hours, minutes, seconds),
// whatever the system's date order: reading the device's day.month as the
// month/day of another locale would set a wrong date in the device.
QString deviceDate(const QString &text)
{
    static const QRegularExpression form(
        QStringLiteral("^([0-9]{1,2})\\D([0-9]{1,2})\\D([0-9]{2})$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return QString();
    const QDate d(2000 + m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
    return d.isValid() ? d.toString(QStringLiteral("dd.MM.yy")) : QString();
}

QString deviceTime(const QString &text)
{
    static const QRegularExpression form(
        QStringLiteral("^([0-9]{1,2})\\D([0-9]{1,2})\\D([0-9]{1,2})$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return QString();
    const QTime t(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    return t.isValid() ? t.toString(QStringLiteral("HH:mm:ss")) : QString();
}

DeviceMessage rangeMessage(uint16_t textId, QList<MessageArg> textArgs, uint16_t captionId,
                           QList<MessageArg> captionArgs)
{
    return DeviceMessage{textId, textArgs, captionId, captionArgs};
}

// A decimal with a range: the messages name the limits as the user reads
// them, which are rounder than the limits checked.
struct DecimalRange {
    long double low, high;
    double shownLow, shownHigh;
    uint16_t textId, captionId;
};

using Rule = std::function<void(WireValue &, const QString &clean, const FieldInput &, Generation)>;

DeviceMessage fieldMessage(uint16_t textId, QList<MessageArg> args)
{
    return DeviceMessage{textId, std::move(args), 500, {}};
}

// The entry as the field shows it, an unfilled position as "_", so that a
// message can point at the gap.
QString shownEntry(const QString &text)
{
    QString shown = text.trimmed();
    shown.replace(QLatin1Char(' '), QLatin1Char('_'));
    return shown;
}

// The name a message gives a field: its address, or the reference
// temperature's own name.
MessageArg fieldNameArg(const QString &fieldName, const QString &key)
{
    if (fieldName == QLatin1String("TempLowRef"))
        return MessageArg::ofStringId(550);
    if (fieldName == QLatin1String("TempHighRef"))
        return MessageArg::ofStringId(551);
    return MessageArg::ofText(key);
}

// The masked fields a technician types a number into. Their blanks are the
// unfilled positions of the mask.
const QSet<QString> &typedNumberFields()
{
    static const QSet<QString> fields{
        "H1",   "H2", "H4", "H23", "L18",        "L123",        "L124",    "L156",
        "L157", "P1", "P2", "P3",  "TempLowRef", "TempHighRef", "P147neu", "P148neu"};
    return fields;
}

// Blanks before and after the digits are positions the technician did not
// need; a blank between two digits is a digit deleted from the middle of the
// number (Backspace in a masked field leaves the position empty). Closing it
// up would write another number (a tenth of a counter), so the field fails
// instead. So does a field left without a digit: "." or "-" alone is no
// value. Returns true (with the message set) when the entry is refused.
bool refuseTypedNumber(WireValue &w, const QString &fieldName, const QString &text)
{
    static const QRegularExpression gap(QStringLiteral("[0-9] +[0-9]"));
    if (gap.match(text).hasMatch()) {
        w.value.clear();
        w.message = fieldMessage(NumberGapStringId, {fieldNameArg(fieldName, w.key),
                                                     MessageArg::ofText(shownEntry(text))});
        return true;
    }
    static const QRegularExpression digit(QStringLiteral("[0-9]"));
    if (!digit.match(text).hasMatch()) {
        w.value.clear();
        w.message = fieldMessage(EmptyEntryStringId, {fieldNameArg(fieldName, w.key)});
        return true;
    }
    return false;
}

Rule decimalRule(DecimalRange r, bool trim,
                 std::function<QString(long double, const QString &)> format)
{
    return [=](WireValue &w, const QString &clean, const FieldInput &, Generation) {
        const QString t = trim ? trimDecimal(clean) : clean;
        const long double v = number(t);
        if (v < r.low || v > r.high) {
            w.value.clear();
            w.message = rangeMessage(
                r.textId, {MessageArg::ofDecimal(r.shownLow), MessageArg::ofDecimal(r.shownHigh)},
                r.captionId, {MessageArg::ofDecimal(double(v))});
            return;
        }
        w.value = format(v, t);
    };
}

Rule temperatureRule(MessageArg name)
{
    return [=](WireValue &w, const QString &clean, const FieldInput &, Generation) {
        const long double v = number(clean);
        if (v < -35.0L || v > 55.0L) {
            w.value.clear();
            w.message =
                rangeMessage(530, {name, MessageArg::ofDecimal(-35.0), MessageArg::ofDecimal(55.0)},
                             531, {name, MessageArg::ofDecimal(double(v))});
            return;
        }
        w.value = oneDecimal(v);
    };
}

Rule offsetRule(uint16_t textId, uint16_t captionId)
{
    return [=](WireValue &w, const QString &clean, const FieldInput &, Generation) {
        const qint64 m = StrToInt64(clean);
        if (m < 0 || m > 4095) {
            w.value.clear();
            w.message =
                rangeMessage(textId, {MessageArg::ofInteger(0), MessageArg::ofInteger(4095)},
                             captionId, {MessageArg::ofInteger(m)});
        }
    };
}

Rule twelveDigits()
{
    return [](WireValue &w, const QString &clean, const FieldInput &, Generation) {
        const qint64 v = StrToInt64(clean);
        const QString digits = QStringLiteral("%1").arg(qAbs(v), 12, 10, QLatin1Char('0'));
        w.value = v < 0 ? QLatin1Char('-') + digits : digits;
    };
}

void outputFunction(WireValue &w, const QString &, const FieldInput &in, Generation gen)
{
    const std::optional<int> code = outputFunctionCode(in.index, gen);
    if (code) {
        w.value = QString::number(*code);
        return;
    }
    // A V1x device has no code for this output function; an empty or made-up
    // code must never reach it.
    w.value.clear();
    if (in.index >= 0 && in.index < outputFunctions().size())
        w.message = DeviceMessage{518,
                                  {MessageArg::ofText(w.key),
                                   MessageArg::ofStringId(outputFunctions().at(in.index).stringId)},
                                  500,
                                  {}};
}

const QHash<QString, Rule> &rules()
{
    static const QHash<QString, Rule> table{
        {"H6", [](WireValue &w, const QString &, const FieldInput &in,
                  Generation) { w.value = H2plusH4(in.partner1, in.partner2); }},
        {"L7",
         [](WireValue &w, const QString &clean, const FieldInput &in, Generation) {
             w.value = deviceDate(clean);
             if (w.value.isEmpty())
                 w.message =
                     fieldMessage(NoDateStringId, {MessageArg::ofText(shownEntry(in.text))});
         }},
        {"L8",
         [](WireValue &w, const QString &clean, const FieldInput &in, Generation) {
             w.value = deviceTime(clean);
             if (w.value.isEmpty())
                 w.message =
                     fieldMessage(NoTimeStringId, {MessageArg::ofText(shownEntry(in.text))});
         }},
        {"L12",
         [](WireValue &w, const QString &clean, const FieldInput &, Generation) {
             // The list's 25th item is empty: no hour chosen is nothing to
             // write, and the technician is told so.
             if (clean.isEmpty())
                 w.message = fieldMessage(NoHourStringId, {});
         }},
        {"L18", twelveDigits()},
        {"L123", twelveDigits()},
        {"L124", twelveDigits()},
        {"L27Low",
         [](WireValue &w, const QString &, const FieldInput &in, Generation) {
             w.value = QString::number(StrToInt(RemoveChars(in.partner1, " "))) + QLatin1Char(';') +
                       QString::number(StrToInt(RemoveChars(in.partner2, " ")));
         }},
        {"L156", decimalRule({0.98999L, 1.05001L, 0.99, 1.05, 522, 523}, true,
                             [](long double v, const QString &) { return fixed(v, 5); })},
        {"L157", decimalRule({223.15L, 323.15L, 223.15, 323.15, 524, 525}, true,
                             [](long double v, const QString &) { return fixed(v, 2); })},
        {"P1", decimalRule({0.5L, 1.5L, 0.5, 1.5, 526, 527}, true,
                           [](long double, const QString &t) {
                               return (t + QStringLiteral("0000")).left(6);
                           })},
        {"P2", decimalRule({0.49999L, 6.55351L, 0.5, 6.5535, 528, 529}, true,
                           [](long double v, const QString &) { return fixed(v, 5); })},
        // The name in the program's language (German "Ersatztemperatur").
        {"P3", temperatureRule(MessageArg::ofStringId(8012))},
        {"TempLowRef", temperatureRule(MessageArg::ofStringId(550))},
        {"TempHighRef", temperatureRule(MessageArg::ofStringId(551))},
        {"P13",
         [](WireValue &w, const QString &, const FieldInput &in, Generation) {
             // No selected item is nothing to write, not position -1.
             w.value = in.index < 0 ? QString() : QString::number(in.index);
         }},
        {"P14",
         [](WireValue &w, const QString &clean, const FieldInput &in, Generation) {
             w.value = QString::number(StrToInt(clean)) + (in.checked ? ".1" : ".0");
         }},
        {"P147neu", offsetRule(532, 533)},
        {"P148neu", offsetRule(534, 535)},
        {"P310", outputFunction},
    };
    return table;
}

} // namespace

QString writeKey(const QString &fieldName, Generation generation)
{
    if (fieldName == QLatin1String("L27Low") || fieldName == QLatin1String("L27High"))
        return QStringLiteral("L27");
    if (fieldName == QLatin1String("P147neu") || fieldName == QLatin1String("P148neu"))
        return fieldName.left(4);
    if (generation == Generation::V1x && fieldName == QLatin1String("P310"))
        return QStringLiteral("P16");
    if (generation == Generation::V1x && fieldName == QLatin1String("P311"))
        return QStringLiteral("P17");
    return fieldName;
}

WireValue CheckAndFormatValue(const QString &fieldName, const FieldInput &input,
                              Generation generation)
{
    WireValue w;
    w.key = writeKey(fieldName, generation);
    if (typedNumberFields().contains(fieldName) && refuseTypedNumber(w, fieldName, input.text))
        return w;
    const QString clean = RemoveChars(input.text, QStringLiteral(" "));
    w.value = clean;
    // Both halves of L27 are one value, formatted by one rule.
    const QString rule =
        fieldName == QLatin1String("L27High") ? QStringLiteral("L27Low") : fieldName;
    const auto it = rules().constFind(rule);
    if (it != rules().constEnd())
        (*it)(w, clean, input, generation);
    return w;
}

QString H2plusH4(const QString &h2, const QString &h4)
{
    const double sum = double(number(RemoveChars(h2, QStringLiteral(" ")))) +
                       double(number(RemoveChars(h4, QStringLiteral(" "))));
    QString s = QString::number(sum, 'f', 4);
    if (s.contains(QLatin1Char('.')))
        s = TrimRightChars(TrimRightChars(s, QStringLiteral("0")), QStringLiteral("."));
    if (s == QLatin1String("-0") || s.isEmpty() || s == QLatin1String("0"))
        return QStringLiteral("0");
    // "########.####" writes no zero before the point: 0.25 is ".25", the
    // form the device is known to take.
    if (s.startsWith(QLatin1String("0.")))
        s.remove(0, 1);
    else if (s.startsWith(QLatin1String("-0.")))
        s.remove(1, 1);
    return s;
}

const QList<QStringList> &pageWriteOrder()
{
    static const QList<QStringList> order{
        {"L7", "L8", "L12", "L18", "L124", "L123", "P311", "P310"},
        {"P3", "P13", "L27Low", "L27High", "L157", "P4", "P1", "P38", "P37", "P14", "P2", "L156"},
        {"H1", "H23", "H2", "H4", "H6"},
        {},
        {"P147neu", "P148neu", "TempLowRef", "TempHighRef"},
    };
    return order;
}

QStringList writeOrder()
{
    QStringList all;
    for (const QStringList &page : pageWriteOrder())
        all += page;
    return all;
}

bool heldValueConfirms(const QString &address, const QString &sent, const QString &held)
{
    if (address == QLatin1String("L35"))
        return batteryCapacityOf(held) == sent;
    return held == sent;
}

QString storedAnswer(const QString &address, const QString &answer)
{
    return address == QLatin1String("L35") ? batteryText(answer) : answer;
}

PulseInputWrites pulseInputWrites(Generation generation, int warningCount)
{
    if (generation == Generation::V2x)
        return {false, true};
    return {true, warningCount != 0};
}
