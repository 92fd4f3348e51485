// Parameter sets: the settings of one device saved as a file, so that ten
// devices can be set up alike and a device can be compared with how it was.
//
// The file is JSON (README "Parameter sets"):
//
//   { "format": "pxrq60-parameter-set", "version": 1,
//     "device": { "type": ..., "softwareVersion": "2.05", "generation": "V2x",
//                 "number": ..., "meterNumber": ..., "customerNumber": ... },
//     "saved": "2024-12-03T14:05:09+01:00", "reader": "...",
//     "values": { "P4": "0.1", "L156": "1.01325", ... } }
//
// The values are the device's own texts, as read. A set is only taken when
// every value fits its field as "Setzen" would check and format it: a
// damaged file, a set of the other generation or a value outside its
// field's limits is refused whole, naming what is wrong, so nothing of it
// can reach a device.
#ifndef PXRQ60_RECORD_PARAMETERSET_H
#define PXRQ60_RECORD_PARAMETERSET_H

#include "changelog.h"
#include "devicetypes.h"
#include "wireformat.h"

#include <QDateTime>
#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

constexpr int ParameterSetVersion = 1;
extern const char *const ParameterSetFormat; // "pxrq60-parameter-set"

// The device's values by address, as read ("P4" -> "0.1").
using DeviceTexts = QMap<QString, QString>;

struct ParameterSet {
    DeviceIdentity device;
    Generation generation = Generation::V2x; // from device.softwareVersion
    QDateTime saved;
    QString reader;
    DeviceTexts values;
};

// The addresses a set holds for a generation, in the order of the window's
// pages: the device's numbers, its settings on the pages
// "Geräteinformationen" and "Umwertung", and the temperature offset and
// gradient. Counters, clock, keys, battery and measured values are no
// settings and never part of a set.
QStringList parameterSetAddresses(Generation generation);

// Whether a transfer may write the address: never the counters, the clock,
// the device's own numbers (L18, L123, L124), the keys, the battery
// capacity (L35) or the temperature calibration (P147, P148).
bool isTransferable(const QString &address);

// Why a set was refused.
struct SetProblem {
    enum Kind {
        None,
        Unreadable,      // the file: `detail` says why
        Damaged,         // no set of this program, or broken: `detail` says where
        NewerVersion,    // `detail` holds its version
        OtherGeneration, // `detail` the set's generation ("V1x"), `value` the device's
        UnknownAddress,  // `address` is no address of the set's generation
        OutOfLimits,     // `address` with `value` does not fit its field
        Empty            // no values at all
    };
    Kind kind = None;
    QString address;
    QString value;
    QString detail;
    explicit operator bool() const { return kind != None; }
};
QString generationName(Generation generation); // "V1x", "V2x"

// One error box for a refused set, naming the file and what is wrong
// (texts 8571 to 8577).
int showSetProblem(const QString &fileName, const SetProblem &problem);

// A value of the set as "Setzen" writes it: the field that shows the
// address, the write key and the written text. `ok` is false when the text
// does not fit the field (not one of its items, outside its limits, no
// number where the field needs one).
struct CheckedValue {
    QString field;
    WireValue wire;
    bool ok = false;
};
CheckedValue checkSetValue(const QString &address, const QString &text, Generation generation);

// The text as the window shows it where that differs from the device's
// text: the item of a list (P13 "1" shows "Messung", P310 "4" the output
// function), a number without its leading zeros. Other texts unchanged.
QString shownValue(const QString &address, const QString &text, Generation generation);

// A set of the device's values. Addresses without a value (a failed read)
// and values that do not fit their field are left out and listed in
// `omitted`, so that a saved set always loads again.
ParameterSet parameterSetFromDevice(const DeviceTexts &values, const DeviceIdentity &device,
                                    const QString &reader, const QDateTime &saved,
                                    QStringList *omitted = nullptr);

QByteArray parameterSetJson(const ParameterSet &set);
// Writes the file whole or not at all. False with the system's words.
bool saveParameterSet(const QString &path, const ParameterSet &set, QString *error);

struct LoadedSet {
    ParameterSet set;
    SetProblem problem; // when set, `set` must not be used
};
// `expected`: the connected device's generation; a set of the other one is
// refused. Without it any generation is taken.
LoadedSet parseParameterSet(const QByteArray &json,
                            std::optional<Generation> expected = std::nullopt);
// A set file is small; one above 1 MiB is refused unread.
LoadedSet loadParameterSet(const QString &path, std::optional<Generation> expected = std::nullopt);

#endif
