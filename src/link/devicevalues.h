// The value store and the request helpers every page and dialog uses.
//
// Every device value travels and is stored as text. ReadValues reads a
// comma-separated address list through the current link object into
// DeviceValues; a failed read leaves the previous text of its address.
#ifndef PXRQ60_LINK_DEVICEVALUES_H
#define PXRQ60_LINK_DEVICEVALUES_H

#include <QString>
#include <cstdint>

struct TVCVal {
    static constexpr int HCount = 221; // H0..H220
    static constexpr int LCount = 161; // L0..L160
    static constexpr int PCount = 313; // P0..P312
    QString H[HCount];
    QString L[LCount];
    QString P[PCount];
    // The reference temperatures of the calibration; not device addresses.
    QString TempLowRef;
    QString TempHighRef;
    // Which calibration point a read of P28 belongs to: "LOWER" files it in
    // P170, anything else in P171.
    QString TempReadSide;

    // The text of an address ("L34") or of "TempLowRef"/"TempHighRef";
    // empty for a key outside the store.
    QString value(const QString &key) const;
    void clear();
    // Empties the texts of the device addresses only: the reference
    // temperatures and the reading side belong to this PC's calibration
    // set-up, not to the device, and outlive a change of device.
    void clearDeviceTexts();
};

extern TVCVal DeviceValues;

// Reads every address of `list` once, in the order H, L, P by ascending
// number (0..311), through the current link. Returns 0, or the status of the
// last failed read. An answer without "=" keeps the old text and counts as a
// failed read (status -11). A read that ends in -7 (no answer after all
// repeats) or -8 (line gone) ends the list there: the rest keeps its old
// texts, and that status is returned.
int32_t ReadValues(const QString &list);

// Files `value` under `key`; P28 also goes to P170 or P171 by the reading
// side. Keys outside the store are ignored.
void StoreValue(const QString &key, const QString &value);

// The write exchange: sends "ADDR=value" through the current link. Status 0
// means written, and *answerValue (when given) receives the value the device
// stored (the text after the first "=" of its answer). -13: the device did
// not confirm the write; -11: an answer without "=" (*answerValue is left as
// it was); any other status is a failure.
int32_t WriteValue(const QString &request, QString *answerValue = nullptr);

// The write as the write-back counts it: an unconfirmed write (-13) is read
// back, and counts as written only when the device then holds exactly the
// value sent. On success the store holds the device's value.
int32_t WriteValueConfirmed(const QString &address, const QString &value,
                            QString *storedValue = nullptr);

#endif
