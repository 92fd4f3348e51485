// The battery text L35 as the device keeps it: "c.c;mmm", the nominal
// capacity of the battery in Ah with one decimal, a separator and the
// remaining operating time in months the device expects from it ("9.5;120").
// The device takes a new capacity alone ("L35=9.5") and answers with both.
#ifndef PXRQ60_DEVICE_BATTERY_H
#define PXRQ60_DEVICE_BATTERY_H

#include "devicetypes.h"

#include <QString>
#include <optional>

// Characters 1 to 3: the capacity, "9.5".
QString batteryCapacityOf(const QString &l35);
// Characters 5 to 7: the months, as the device writes them (may carry blanks
// or leading zeros).
QString batteryMonthsOf(const QString &l35);
// The part of a device answer that is the L35 text (its first 7 characters).
QString batteryText(const QString &answer);
// The capacity in tenths of an Ah as the device takes it: "%1.1f", 95 gives "9.5".
QString batteryCapacityValue(int tenths);

// The limits of the capacity the device takes, in tenths of an Ah.
constexpr int BatteryCapacityMaxTenths = 99;
// A capacity as typed, in tenths of an Ah: 0.0 to 9.9 with at most one
// decimal ("9", "9.5", " 9.5 "). nullopt for anything else, "13.0" and
// "9.55" included: a value the device cannot hold is refused, never turned
// into another one.
std::optional<int> batteryCapacityTenths(const QString &text);
// The refusal of such a text: message 604 with the text and the limits.
DeviceMessage batteryCapacityMessage(const QString &text);

#endif
