// The user lock of V1x devices: its two locks, the keys that open them, and
// how their states read.
//
// P0 holds the state of the supplier lock and takes the supplier key that
// opens it; P10 does the same for the customer lock. P9 and P11 take a new
// supplier or customer key while their lock is open and never give a key
// back. Keys open a legal measuring instrument: they are never shown, never
// logged, and no copy is kept longer than the write needs.
#ifndef PXRQ60_DEVICE_LOCKKEYS_H
#define PXRQ60_DEVICE_LOCKKEYS_H

#include <QString>
#include <cstdint>

// The main window's rule, and the key dialogs' precondition: a lock counts
// as open when its text is anything but "0" (one never read counts as open).
bool lockCountsOpen(const QString &stateText);

// The user lock dialog's display, as string IDs of "offen" (1008) and
// "geschlossen" (1007): a single lock is open unless its text is "0"; the
// user lock is open only when P0 or P10 is exactly "1".
uint16_t singleLockStateId(const QString &stateText);
uint16_t userLockStateId(const QString &p0Text, const QString &p10Text);

// The key as the device takes it: the field's text without blanks, read as a
// decimal number, written as exactly 8 digits with leading zeros ("12 3"
// gives "00000123"). Throws ConversionError when nothing is left or the rest
// is no number of at most 8 digits; the error names 8 "*", never the text.
QString keyWireText(const QString &fieldText);

// What a message shows in place of a key: 8 "*".
QString hiddenKeyText();

// Overwrites the characters of a text that held a key with zeros, then
// empties it.
void scrubText(QString &text);

#endif
