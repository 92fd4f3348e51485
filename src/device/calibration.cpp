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
    if (divisor == 0.0L) {
        r.status = CalibrationResult::EqualMeasured;
        return r;
    }
    const long double O = in.oldOffset, G = in.oldGradient;
    const long double offset =
        10.0L * (O / 10.0L * (TH - TL) + 273.15L * (TL + Thm - TH - Tlm) + TL * Thm - TH * Tlm) /
        divisor;
    const long double gradient = (TH - TL) * G / divisor;
    r.offset = limitCalibrationValue(offset);
    r.gradient = limitCalibrationValue(gradient);
    r.offsetText = calibrationText(r.offset);
    r.gradientText = calibrationText(r.gradient);
    return r;
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
