// New temperature offset (P147) and gradient (P148) from two reference
// temperatures, the temperatures the device measured at them, and the old
// offset and gradient.
#ifndef PXRQ60_DEVICE_CALIBRATION_H
#define PXRQ60_DEVICE_CALIBRATION_H

#include "devicetypes.h"

#include <QList>
#include <QPair>
#include <QString>
#include <optional>

// The two points of the calibration. A V1x device measures at either point
// through the one address P28; its reading is filed under the point the
// technician read it for (P170 for the lower, P171 for the upper).
enum class TempPoint { Lower, Upper };
QString measuredTemperatureAddress(TempPoint point);

struct CalibrationInput {
    long double refLow = 0, refHigh = 0;           // TL, TH in °C
    long double measuredLow = 0, measuredHigh = 0; // Tlm (P170), Thm (P171) in °C
    long double oldOffset = 0, oldGradient = 0;    // O (P147), G (P148)
};

struct CalibrationResult {
    // Anything but Ok computes nothing: an offset and gradient that cannot be
    // right must never reach the device (clamped to 0..4095 they would make it
    // read one fixed temperature whatever the gas does).
    // NotANumber: one of the texts is no decimal number (a point never read
    // is empty); badKey names it ("P170", "TempLowRef", ...), badText is the
    // text.
    // ReferencesNotRising: the upper reference temperature is not above the
    // lower one.
    // EqualMeasured: the two measured temperatures are numerically equal
    // (their texts may still differ), so the sensor was not moved to the
    // second point. The window shows message 542 as after two equal readings.
    // MeasuredReversed: the measured temperatures fall where the references
    // rise (the points were read in the wrong baths).
    // MeasuredSpanTooSmall: the measured span is below MinMeasuredSpan, too
    // small for the device's resolution to give a gradient.
    // OutOfRange: the rounded offset or gradient lies outside 0..4095;
    // offset and gradient hold the values computed.
    enum Status {
        Ok,
        NotANumber,
        ReferencesNotRising,
        EqualMeasured,
        MeasuredReversed,
        MeasuredSpanTooSmall,
        OutOfRange
    };
    Status status = Ok;
    QString badKey, badText;
    long double offset = 0, gradient = 0;
    QString offsetText, gradientText; // "%4.0f": "   0", " 123", "4095"
};

// The device shows temperatures in tenths of a kelvin: a measured span of
// less than ten such steps leaves the gradient uncertain by more than 10 %.
constexpr long double MinMeasuredSpan = 1.0L;

// Messages of a refused calculation (caption 500).
constexpr uint16_t ReferencesNotRisingStringId = 595;  // low, high reference
constexpr uint16_t MeasuredReversedStringId = 596;     // low, high measured
constexpr uint16_t MeasuredSpanTooSmallStringId = 597; // low, high measured, least span
constexpr uint16_t CalibrationRangeStringId = 598;     // offset, gradient

constexpr long double CalibrationLimit = 4095.0L;

CalibrationResult computeOffsetAndGradient(const CalibrationInput &in);
// The same from the texts: the formatted reference temperatures and the
// stored texts of P170, P171, P147 and P148. A text that is no decimal
// number gives NotANumber, the first such in that order.
CalibrationResult computeOffsetAndGradient(const QString &refLow, const QString &refHigh,
                                           const QString &p170, const QString &p171,
                                           const QString &p147, const QString &p148);

// Limits a value to 0..4095; anything that is not 0 or more, no number
// included, becomes 0.
long double limitCalibrationValue(long double v);
// "%4.0f" of a limited value.
QString calibrationText(long double v);
// The message for a refused calculation of the texts given (nullopt for Ok,
// NotANumber and EqualMeasured, which the window reports its own way).
std::optional<DeviceMessage> calibrationMessage(const CalibrationResult &r, const QString &refLow,
                                                const QString &refHigh, const QString &p170,
                                                const QString &p171);

// The counter reset, P48: the generations take different values for it.
QString counterResetRequest(Generation generation);
// What the counters hold right after a reset, address and text: H1 with two
// decimals, H2, H4 and H6 with four, every digit "0".
QList<QPair<QString, QString>> clearedCounterTexts();

#endif
