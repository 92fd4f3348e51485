// Checking and formatting an edited value for the device: the field's text
// becomes the write key and the written text, or a message and nothing to
// write. One table row per field name (wireformat.cpp).
#ifndef PXRQ60_DEVICE_WIREFORMAT_H
#define PXRQ60_DEVICE_WIREFORMAT_H

#include "devicetypes.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// What the window passes for one changed field.
struct FieldInput {
    QString text;         // masked edits and drop-down lists: their text;
                          // spin fields: the value in plain decimal
    int index = -1;       // drop-down lists: the selected position (-1 none)
    bool checked = false; // P14: the state of the box P14_1
    QString partner1;     // H6: the text of H2; L27Low/L27High: the low value
    QString partner2;     // H6: the text of H4; L27Low/L27High: the high value
};

struct WireValue {
    QString key;   // the write key: an address, or "TempLowRef"/"TempHighRef"
    QString value; // the written text; empty = nothing to write, the field failed
    std::optional<DeviceMessage> message; // to show when the check refused the value

    bool failed() const { return value.isEmpty(); }
    // "P4=0.1"
    QString request() const { return key + QLatin1Char('=') + value; }
    // The reference temperatures go to the settings file, section "Justify",
    // keys "TEMPLOW" / "TEMPHIGH"; empty for device addresses.
    QString settingsKey() const;
};

// Messages of a field that cannot be written as typed (caption 500).
constexpr uint16_t NumberGapStringId = 590;  // name, the entry with "_" for the gap
constexpr uint16_t EmptyEntryStringId = 591; // name
constexpr uint16_t NoDateStringId = 592;     // the entry
constexpr uint16_t NoTimeStringId = 593;     // the entry
constexpr uint16_t NoHourStringId = 594;     // none

// The address a field is written to: its name, except L27Low/L27High
// (L27), P147neu/P148neu (P147/P148) and, on a V1x device, P310 (P16) and
// P311 (P17). The reference temperatures keep their names (settings file).
QString writeKey(const QString &fieldName, Generation generation);

// CheckAndFormatValue. Blanks before and after the digits of a typed number
// are dropped; a blank between two digits (a deleted digit) or an entry
// without any digit fails the field with a message naming it, as does a date,
// a time or an hour that cannot be read: nothing is written that nobody
// typed. A text that should hold a decimal number (or a decimal integer) and
// does not otherwise throws ConversionError: "Setzen" then ends with its
// general failure message, as for any other error.
WireValue CheckAndFormatValue(const QString &fieldName, const FieldInput &input,
                              Generation generation);

// The sum of the texts of H2 and H4 (blanks removed) with up to four
// decimals, trailing zeros, a bare point and a zero before the point dropped
// (0.25 gives ".25"); a sum of 0 gives "0".
// Throws ConversionError for a text that is no decimal number.
QString H2plusH4(const QString &h2, const QString &h4);

// The confirm rule of every write that the device did not confirm (-13): it
// counts as written when a read-back shows the device holds what was sent.
// The held text must be the text sent, except for L35, which the device
// keeps with the months it expects ("9.5;120") and is confirmed by its
// capacity.
bool heldValueConfirms(const QString &address, const QString &sent, const QString &held);
// What the store keeps of the device's answer to a write of `address`: the
// answer, except for L35, of which it keeps the 7 characters of the text.
QString storedAnswer(const QString &address, const QString &answer);

// The addresses of the number of pulse inputs that the choice in P37 (or
// the warning count in P38) writes: a V2x device has no P37 and learns the
// number from P38 alone (0 for one input, the warning count for two); a V1x
// device takes P37 and, for two inputs, P38.
struct PulseInputWrites {
    bool p37 = false;
    bool p38 = false;
};
PulseInputWrites pulseInputWrites(Generation generation, int warningCount);

// The order in which "Setzen" writes the changed fields: pages 0, 1 and 2,
// then page 4. H6 comes after H2 and H4, P38 before P37.
const QList<QStringList> &pageWriteOrder(); // index = page; page 3 is empty
QStringList writeOrder();

#endif
