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

static long double numberOf(const QString &text)
{
    const std::optional<long double> v = decimalValue(text.trimmed());
    if (!v)
        throw ConversionError(text);
    return *v;
}

CalibrationResult computeOffsetAndGradient(const QString &refLow, const QString &refHigh,
                                           const QString &p170, const QString &p171,
                                           const QString &p147, const QString &p148)
{
    CalibrationInput in;
    in.refLow = numberOf(refLow);
    in.refHigh = numberOf(refHigh);
    in.measuredLow = numberOf(p170);
    in.measuredHigh = numberOf(p171);
    in.oldOffset = numberOf(p147);
    in.oldGradient = numberOf(p148);
    return computeOffsetAndGradient(in);
}
