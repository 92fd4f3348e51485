#include "displayrules.h"

#include "addresstable.h"
#include "battery.h"
#include "editmask.h"
#include "langsupp.h"

#include <algorithm>
#include <cmath>

bool keyListHandles(const QString &keyList, const QString &key)
{
    const QString extended = keyList + QLatin1Char(',');
    if (key == QLatin1String("TempLowRef") || key == QLatin1String("TempHighRef"))
        return extended.contains(key);
    return extended.contains(key + QLatin1Char(','));
}

bool warningGroupVisible(const QString &p37SelectedText)
{
    return p37SelectedText != QLatin1String("1");
}

bool calibrationLockOpen(const QString &l4Text)
{
    return l4Text.contains(QLatin1String(".30"));
}

bool userLockClosed(const QString &p0Text, const QString &p10Text)
{
    return p0Text == QLatin1String("0") && p10Text == QLatin1String("0");
}

QList<uint16_t> statusBitStringIds(const QString &l4Text)
{
    const QString text = l4Text + QLatin1Char('.');
    QList<uint16_t> ids;
    for (int n = 0; n <= 32; ++n)
        if (text.contains(QStringLiteral(".%1.").arg(n)))
            ids.append(uint16_t(200 + n));
    return ids;
}

int showUnshownValues(uint16_t headerId, const QList<UnshownValue> &values)
{
    QStringList lines;
    QStringList args;
    if (headerId)
        lines << langText(headerId);
    for (const UnshownValue &v : values) {
        lines << (v.text.isEmpty() ? langFormatId(NoValueStringId, {v.key})
                                   : langFormatId(NotANumberStringId, {v.key, v.text}));
        args << v.key << v.text;
    }
    return LangErrorBox(lines.join(QLatin1Char('\n')), args,
                        headerId ? headerId : NotANumberStringId);
}

namespace {

class Builder
{
public:
    explicit Builder(QList<DisplayOp> &ops) : m_ops(ops) {}

    void text(const QString &field, const QString &value)
    {
        const FieldInfo *info = fieldInfo(field);
        QString shown = value;
        if (info && info->kind == FieldKind::MaskedEdit)
            shown = EditMask(info->mask).fieldText(value);
        m_ops.append({DisplayOpKind::SetText, field, shown, 0, {}});
    }
    // Positions beyond the list select no item, as an out-of-range index did
    // on the original list box.
    void select(const QString &field, qint64 index)
    {
        const FieldInfo *info = fieldInfo(field);
        const qint64 count = info ? info->items.size() : 0;
        m_ops.append({DisplayOpKind::SelectIndex,
                      field,
                      {},
                      index >= 0 && index < count ? int(index) : -1,
                      {}});
    }
    void selectExact(const QString &field, const QString &value)
    {
        const FieldInfo *info = fieldInfo(field);
        const int index = info ? info->items.indexOf(value) : -1;
        if (index >= 0)
            m_ops.append({DisplayOpKind::SelectIndex, field, {}, index, {}});
    }
    void spin(const QString &field, qint64 value)
    {
        const FieldInfo *info = fieldInfo(field);
        const qint64 v = info ? std::clamp<qint64>(value, info->minimum, info->maximum) : value;
        m_ops.append({DisplayOpKind::SetSpinValue, field, {}, int(v), {}});
    }
    void op(DisplayOpKind kind, const QString &field = {}, int value = 0)
    {
        m_ops.append({kind, field, {}, value, {}});
    }
    void message(const DeviceMessage &m)
    {
        m_ops.append({DisplayOpKind::ShowMessage, {}, {}, 0, m});
    }

private:
    QList<DisplayOp> &m_ops;
};

// "-10;40": each half read as a decimal number and rounded; a half that is
// no number leaves its field as it is.
void temperatureRange(Builder &b, const QString &text)
{
    const int semicolon = text.indexOf(QLatin1Char(';'));
    const QString low = semicolon < 0 ? text : text.left(semicolon);
    const QString high = semicolon < 0 ? QString() : text.mid(semicolon + 1, 5);
    if (const auto v = decimalValue(low))
        b.spin(QStringLiteral("L27Low"), qint64(std::llround(double(*v))));
    if (const auto v = decimalValue(high))
        b.spin(QStringLiteral("L27High"), qint64(std::llround(double(*v))));
}

void applyRow(Builder &b, const AddressRow &row, const ValueLookup &values, Generation gen,
              TempPoint tempSide)
{
    const QString key = row.keys.first();
    const QString text = values.value(key);
    const QString field = row.fields.first();
    switch (row.rule) {
    case DisplayRule::Text: b.text(field, text); break;
    case DisplayRule::First13: b.text(field, LeftChars(text, 13)); break;
    case DisplayRule::StatusRegister:
        b.text(QStringLiteral("StatusRegister"), text);
        b.select(QStringLiteral("Eichschloss"), calibrationLockOpen(text) ? 1 : 0);
        break;
    case DisplayRule::Archive: b.op(DisplayOpKind::ShowArchive); break;
    case DisplayRule::MonthBoundaryHour: b.select(field, StrToInt(LeftChars(text, 2))); break;
    case DisplayRule::Number64: {
        const QString plain = QString::number(StrToInt64(text));
        for (const QString &f : row.fields)
            b.text(f, plain);
        break;
    }
    case DisplayRule::TemperatureRange: temperatureRange(b, text); break;
    case DisplayRule::DeviceType: {
        const int blank = text.indexOf(QLatin1Char(' '));
        b.text(field, blank < 0 ? QString() : text.mid(blank));
        break;
    }
    case DisplayRule::RemainingMonths:
        b.text(field, QString::number(StrToInt(batteryMonthsOf(text))));
        break;
    case DisplayRule::UserLock:
        b.op(DisplayOpKind::SetStateText, field,
             userLockClosed(values.value(QStringLiteral("P0")), values.value(QStringLiteral("P10")))
                 ? UserLockClosedStringId
                 : UserLockOpenStringId);
        break;
    case DisplayRule::ExactItem: b.selectExact(field, text); break;
    case DisplayRule::ItemIndex: b.select(field, StrToInt(text)); break;
    case DisplayRule::CycleTime: {
        const int dot = text.indexOf(QLatin1Char('.'));
        b.spin(field, StrToInt(dot < 0 ? text : text.left(dot)));
        const QString flag = dot < 0 ? QString() : text.mid(dot + 1, 1);
        if (flag == QLatin1String("0") || flag == QLatin1String("1"))
            b.op(DisplayOpKind::SetChecked, QStringLiteral("P14_1"), flag == QLatin1String("1"));
        break;
    }
    case DisplayRule::OutputFunction: {
        const int code = StrToInt(text);
        b.select(field, code);
        if (const auto item = outputFunctionItem(code, gen))
            b.select(field, *item);
        else
            b.message({UnlistedOutputFunctionStringId, {MessageArg::ofText(text)}, 500, {}});
        break;
    }
    case DisplayRule::MeasuredTemperature:
        b.text(QStringLiteral("L2"), text);
        b.text(measuredTemperatureAddress(tempSide),
               values.value(measuredTemperatureAddress(tempSide)));
        break;
    case DisplayRule::PulseInputs:
        if (gen == Generation::V1x)
            b.select(field, qint64(StrToInt(text)) - 1);
        b.op(DisplayOpKind::WarningGroupFollowsP37);
        break;
    case DisplayRule::WarningCount: {
        const int n = StrToInt(text);
        b.spin(field, n);
        if (gen == Generation::V2x) {
            b.select(QStringLiteral("P37"), n > 0 ? 1 : 0);
            if (n > 0)
                b.op(DisplayOpKind::ShowWarningGroup, {}, 1);
        }
        break;
    }
    case DisplayRule::BothFields:
        for (const QString &f : row.fields)
            b.text(f, text);
        break;
    }
}

} // namespace

DisplayResult displayOperations(const QString &keyList, const ValueLookup &values,
                                Generation generation, TempPoint tempSide)
{
    DisplayResult result;
    Builder b(result.ops);
    for (const AddressRow &row : addressTable()) {
        bool handled = false;
        for (const QString &k : row.keys)
            handled = handled || keyListHandles(keyList, k);
        if (!handled)
            continue;
        const int before = result.ops.size();
        try {
            applyRow(b, row, values, generation, tempSide);
        } catch (const ConversionError &) {
            // The row that failed shows nothing; the other rows go on.
            result.ops.erase(result.ops.begin() + before, result.ops.end());
            result.unshown.append({row.keys.first(), values.value(row.keys.first())});
        }
    }
    return result;
}
