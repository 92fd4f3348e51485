// What the main window shows for a list of keys: the value texts turned into
// an ordered list of field operations, one rule per row of the address
// table. The window applies the operations in order and owns nothing of the
// rules.
#ifndef PXRQ60_DEVICE_DISPLAYRULES_H
#define PXRQ60_DEVICE_DISPLAYRULES_H

#include "calibration.h"
#include "devicetypes.h"
#include "helpers.h"

#include <QList>
#include <QString>
#include <optional>

enum class DisplayOpKind {
    SetText,                // field.setText(text); masked edits get their field text
    SelectIndex,            // combo.setCurrentIndex(value); -1 = no item selected
    SetSpinValue,           // spin.setValue(value); already within the field's range
    SetChecked,             // check box: value 1 ticks, 0 clears
    SetStateText,           // a lock state box shows the text of string ID `value`
    ShowWarningGroup,       // value 1: show and enable P38, show its marker Edit6 and
                            // the labels "Warnung nach", "Fehlimpuls(en)!"; 0: hide
                            // them and disable P38
    WarningGroupFollowsP37, // as ShowWarningGroup, with value 0 when the text
                            // P37 shows at this moment is "1" and 1 otherwise
                            // (warningGroupVisible)
    ShowMessage,            // showDeviceMessage(message); the display goes on
    ShowArchive             // DispArchiv: the archive grids are rebuilt
};

struct DisplayOp {
    DisplayOpKind kind;
    QString field;
    QString text;
    int value = 0;
    DeviceMessage message;
};

// A value the display could not turn into its field's contents: a rule that
// reads a decimal integer found none (an empty text after a failed read
// counts). `key` is the row's address, `text` what the store held for it.
struct UnshownValue {
    QString key;
    QString text;
    bool operator==(const UnshownValue &o) const { return key == o.key && text == o.text; }
};

// The operations for every handled key, and the values that could not be
// shown. A row that fails adds no operation (its fields keep what they
// showed); the rows after it are still shown, so one bad value does not hide
// the rest of a page. The window reports `unshown` once.
struct DisplayResult {
    QList<DisplayOp> ops;
    QList<UnshownValue> unshown;
};

// One error box for values that could not be shown or used: the text of
// `headerId` followed by one line per value, 571 with the key and the text,
// or 572 with the key for an empty text (nothing was read). Without a
// header (0) the lines alone. The recorded arguments are key and text of
// each value.
int showUnshownValues(uint16_t headerId, const QList<UnshownValue> &values);

// keyList: comma-separated keys as the callers pass them ("L2,H1,H2", also
// "L18, L7, L8"). tempSide: the calibration point the last P28 was read for.
DisplayResult displayOperations(const QString &keyList, const ValueLookup &values,
                                Generation generation, TempPoint tempSide);

// Whether a key is handled for a key list: the key followed by "," occurs in
// the list with one "," appended; the reference temperatures are looked for
// without the ",".
bool keyListHandles(const QString &keyList, const QString &key);

// The warning-count group is shown unless P37 shows "1".
bool warningGroupVisible(const QString &p37SelectedText);
// The calibration lock is open when status register 1 contains ".30".
bool calibrationLockOpen(const QString &l4Text);
// The user lock of a V1x device is closed exactly when both keys read "0".
bool userLockClosed(const QString &p0Text, const QString &p10Text);
// The string IDs of the plain-text list of status register 1: 200 + n for
// every bit n from 0 to 32 written as "." n "." in the text with one "."
// appended, in ascending order.
QList<uint16_t> statusBitStringIds(const QString &l4Text);

constexpr uint16_t UserLockClosedStringId = 1007;
constexpr uint16_t UserLockOpenStringId = 1008;
constexpr uint16_t UnlistedOutputFunctionStringId = 515;
constexpr uint16_t UnshownValuesStringId = 570;
constexpr uint16_t NotANumberStringId = 571;
constexpr uint16_t NoValueStringId = 572;
constexpr uint16_t CalculationImpossibleStringId = 574;

#endif
