// The map between the main window's value fields and the device: which
// address each field shows, what kind of field it is, which lock guards it
// and which help topic it opens. Plain data; the display rules, the wire
// formats and the window all read it.
//
// The tables are built once and live until the program ends; the functions
// return references to them.
#ifndef PXRQ60_DEVICE_ADDRESSTABLE_H
#define PXRQ60_DEVICE_ADDRESSTABLE_H

#include "devicetypes.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

// Tag bits of a main-window component. Bits 0 to 15 hold its string ID.
constexpr uint32_t TagStringIdMask = 0xFFFF;
constexpr uint32_t TagChangeFlag = 0x10000;      // edit not yet written
constexpr uint32_t TagCalibrationLock = 0x20000; // class E: needs the calibration lock open
constexpr uint32_t TagUserLock = 0x40000;        // class B: needs the user lock open (V1x)

enum class Region { Head, LockPanel, Bottom, Page0, Page1, Page2, Page3, Page4 };

enum class FieldKind {
    MaskedEdit, // QLineEdit with an input mask built from `mask`
    DropDown,   // QComboBox, not editable
    SpinField,  // QSpinBox with minimum, maximum and maxLength
    CheckBox,
    ReadOnly, // read-only QLineEdit
    StateBox, // the lock state boxes Eichschloss and Benutzerschloss
    Grid      // the archive grids
};

enum class LockClass {
    None,
    Calibration, // "E", Tag bit 17
    User         // "B", Tag bit 18
};
uint32_t lockTagBit(LockClass lock);

struct FieldInfo {
    QString name;
    Region region;
    FieldKind kind;
    QString mask;      // design template of a masked edit, e.g. "!99999999.99;1;_"
    QStringList items; // designed items of a drop-down list
    int minimum = 0;   // spin fields
    int maximum = 0;
    int maxLength = 0; // spin fields and read-only fields with a limit; 0 = none
    LockClass lock = LockClass::None;
    int helpContext = 0;
};

// Every value field of the main window, once.
const QList<FieldInfo> &fieldTable();
// nullptr for a name that is no value field.
const FieldInfo *fieldInfo(const QString &name);

// Which generation reads the address. Calibration: read by the calibration
// page only (P28 on V1x, P170 and P171 on V2x, the reference temperatures
// from the settings).
enum class ReadFor { Both, V1xOnly, V2xOnly, Calibration };

// How the value text of a row becomes field contents (displayrules.cpp).
enum class DisplayRule {
    Text,                // the text unchanged
    First13,             // the first 13 characters
    StatusRegister,      // L4: text, and the calibration-lock box from ".30"
    Archive,             // H201: the archive listing is rebuilt
    MonthBoundaryHour,   // L12: the first two characters select the item
    Number64,            // L18, L123, L124: 64-bit integer in plain decimal
    TemperatureRange,    // L27: "low;high", each rounded
    DeviceType,          // L33: from the first blank on
    RemainingMonths,     // L35: characters 5 to 7
    UserLock,            // P0 and P10
    ExactItem,           // P4, P17, P311: the item equal to the text
    ItemIndex,           // P13: the item at the given position
    CycleTime,           // P14: seconds "." flag
    OutputFunction,      // P16, P310: by the output-function table
    MeasuredTemperature, // P28: by the temperature-reading side
    PulseInputs,         // P37
    WarningCount,        // P38
    BothFields           // P170, P171: the text into every field of the row
};

struct AddressRow {
    QStringList keys;   // usually one; "P0" and "P10" share their row
    QStringList fields; // the fields the rule fills
    ReadFor readFor;
    DisplayRule rule;
};

// The rows in the order the display walks them; a later row may overwrite a
// field an earlier one set (P28, P170 and P171 all write L2).
const QList<AddressRow> &addressTable();

// Lock classes of the components: the classed fields and the four buttons
// of the counter and calibration pages. Everything not listed has none.
struct LockAssignment {
    QString component;
    LockClass lock;
};
const QList<LockAssignment> &lockClassAssignments();
LockClass lockClassOf(const QString &component);

// The items of the output-function list (fields P310 and, on V1x, P16) with
// the code each generation uses for them. A V1x device has no code for
// three of the items.
struct OutputFunction {
    int item;
    QString designedText;
    uint16_t stringId; // the translated item text
    int v2xCode;
    std::optional<int> v1xCode;
};
constexpr uint16_t OutputFunctionCountStringId = 1114;
const QList<OutputFunction> &outputFunctions();
// The item for a code in the generation's column; nullopt for an unlisted code.
std::optional<int> outputFunctionItem(int code, Generation generation);
// The code of an item in the generation's column; nullopt when the item has
// none (V1x: items 3, 6 and 7) or is out of the list.
std::optional<int> outputFunctionCode(int item, Generation generation);

// The notebook pages and the addresses each reads. Page 3 on V1x has no list:
// its archive comes from the record readout over the second protocol.
struct PageInfo {
    int index;
    QString caption; // designed caption with its accelerator mark
    int helpContext; // page 3: set for V2x only
    QString listV2x;
    QString listV1x; // empty for page 3
};
const QList<PageInfo> &pages();
QString pageAddressList(int page, Generation generation);

#endif
