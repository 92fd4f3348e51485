#include "calibration.h"

#include "devicetypes.h"
#include "helpers.h"

#include <charconv>
#include <cmath>

long double limitCalibrationValue(long double v)
{
    if (!(v >= 0.0L)) // negative or NaN
        return 0.0L;
    if (v > CalibrationLimit)
        return CalibrationLimit;
    return v + 0.0L; // no "-0"
}

QString calibrationText(long double v)
{
    // to_chars rounds as printf's "%.0Lf" does, without the C library's
    // locale.
    char buffer[32];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, limitCalibrationValue(v),
                                 std::chars_format::fixed, 0);
    return QString::fromLatin1(buffer, int(r.ptr - buffer)).rightJustified(4, QLatin1Char(' '));
}

CalibrationResult computeOffsetAndGradient(const CalibrationInput &in)
{
    CalibrationResult r;
    const long double TL = in.refLow, TH = in.refHigh;
    const long double Tlm = in.measuredLow, Thm = in.measuredHigh;
    const long double divisor = Thm - Tlm;
    if (!(TH > TL)) {
        r.status = CalibrationResult::ReferencesNotRising;
        return r;
    }
    if (divisor == 0.0L) {
        r.status = CalibrationResult::EqualMeasured;
        return r;
    }
    // The references rise from the lower to the upper point; a sensor read in
    // the warm bath first measures a falling span.
    if (divisor < 0.0L) {
        r.status = CalibrationResult::MeasuredReversed;
        return r;
    }
    if (divisor < MinMeasuredSpan) {
        r.status = CalibrationResult::MeasuredSpanTooSmall;
        return r;
    }
    const long double O = in.oldOffset, G = in.oldGradient;
    r.offset = 10.0L *
               (O / 10.0L * (TH - TL) + 273.15L * (TL + Thm - TH - Tlm) + TL * Thm - TH * Tlm) /
               divisor;
    r.gradient = (TH - TL) * G / divisor;
    // What the device gets is the rounded value ("%4.0f" rounds half to even,
    // as nearbyint does): 4095.4 is still 4095, -0.4 is 0.
    auto inRange = [](long double v) {
        const long double rounded = std::nearbyint(v);
        return rounded >= 0.0L && rounded <= CalibrationLimit;
    };
    if (!inRange(r.offset) || !inRange(r.gradient)) {
        r.status = CalibrationResult::OutOfRange;
        return r;
    }
    r.offsetText = calibrationText(r.offset);
    r.gradientText = calibrationText(r.gradient);
    return r;
}

std::optional<DeviceMessage> calibrationMessage(const CalibrationResult &r, const QString &refLow,
                                                const QString &refHigh, const QString &p170,
                                                const QString &p171)
{
    auto text = [](const QString &t) { return MessageArg::ofText(t.trimmed()); };
    auto whole = [](long double v) {
        return MessageArg::ofText(std::isfinite(double(v)) ? QString::number(double(v), 'f', 0)
                                                           : QStringLiteral("?"));
    };
    switch (r.status) {
    case CalibrationResult::ReferencesNotRising:
        return DeviceMessage{ReferencesNotRisingStringId, {text(refLow), text(refHigh)}, 500, {}};
    case CalibrationResult::MeasuredReversed:
        return DeviceMessage{MeasuredReversedStringId, {text(p170), text(p171)}, 500, {}};
    case CalibrationResult::MeasuredSpanTooSmall:
        return DeviceMessage{
            MeasuredSpanTooSmallStringId,
            {text(p170), text(p171), MessageArg::ofDecimal(double(MinMeasuredSpan))},
            500,
            {}};
    case CalibrationResult::OutOfRange:
        return DeviceMessage{
            CalibrationRangeStringId, {whole(r.offset), whole(r.gradient)}, 500, {}};
    default: return std::nullopt;
    }
}

CalibrationResult computeOffsetAndGradient(const QString &refLow, const QString &refHigh,
                                           const QString &p170, const QString &p171,
                                           const QString &p147, const QString &p148)
{
    CalibrationInput in;
    const struct {
        const char *key;
        const QString &text;
        long double &value;
    } parts[] = {{"TempLowRef", refLow, in.refLow}, {"TempHighRef", refHigh, in.refHigh},
                 {"P170", p170, in.measuredLow},    {"P171", p171, in.measuredHigh},
                 {"P147", p147, in.oldOffset},      {"P148", p148, in.oldGradient}};
    for (const auto &p : parts) {
        const std::optional<long double> v = decimalValue(p.text.trimmed());
        if (!v) {
            CalibrationResult r;
            r.status = CalibrationResult::NotANumber;
            r.badKey = QString::fromLatin1(p.key);
            r.badText = p.text;
            return r;
        }
        p.value = *v;
    }
    return computeOffsetAndGradient(in);
}

QString counterResetRequest(Generation generation)
{
    return generation == Generation::V1x ? QStringLiteral("P48=0") : QStringLiteral("P48=1");
}

QList<QPair<QString, QString>> clearedCounterTexts()
{
    const QString twoDecimals = QStringLiteral("00000000.00");
    const QString fourDecimals = QStringLiteral("00000000.0000");
    return {{QStringLiteral("H1"), twoDecimals},
            {QStringLiteral("H2"), fourDecimals},
            {QStringLiteral("H4"), fourDecimals},
            {QStringLiteral("H6"), fourDecimals}};
}

QString measuredTemperatureAddress(TempPoint point)
{
    return point == TempPoint::Lower ? QStringLiteral("P170") : QStringLiteral("P171");
}
