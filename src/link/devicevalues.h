// The value store and the request helpers of the link.
//
// Every device value travels and is stored as text. ReadValues reads a
// comma-separated address list through a link object into a store; a failed
// read leaves the previous text of its address. The program's store and
// link belong to its device session (session/devicesession.h); the helpers
// take both explicitly, so that tests drive a link without a session.
#ifndef PXRQ60_LINK_DEVICEVALUES_H
#define PXRQ60_LINK_DEVICEVALUES_H

#include "calibration.h"

#include <QString>
#include <cstdint>

class TCommClass;

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
    // Which calibration point a read of P28 belongs to.
    TempPoint TempReadSide = TempPoint::Upper;

    // The text of an address ("L34") or of "TempLowRef"/"TempHighRef";
    // empty for a key outside the store.
    QString value(const QString &key) const;
    void clear();
    // Empties the texts of the device addresses only: the reference
    // temperatures and the reading side belong to this PC's calibration
    // set-up, not to the device, and outlive a change of device.
    void clearDeviceTexts();
};

// Reads every address of `list` once, in the order H, L, P by ascending
// number (0..311), through `link` into `store`. Returns 0, or the status of
// the last failed read; -1 without a link. An answer without "=" keeps the
// old text and counts as a failed read (status -11). A read that ends in -7
// (no answer after all repeats) or -8 (line gone) ends the list there: the
// rest keeps its old texts, and that status is returned.
int32_t ReadValues(TCommClass *link, TVCVal &store, const QString &list);

// Files `value` under `key`; P28 also goes to P170 or P171 by the reading
// side. Keys outside the store are ignored.
void StoreValue(TVCVal &store, const QString &key, const QString &value);

// The write exchange: sends "ADDR=value" through `link`. Status 0 means
// written, and *answerValue (when given) receives the value the device
// stored (the text after the first "=" of its answer). -13: the device did
// not confirm the write; -11: an answer without "=" (*answerValue is left as
// it was); -2: a request too long to send (nothing left the program); -1
// without a link; any other status is a failure. The request may carry a
// key: no copy of it outlives the call.
int32_t WriteValue(TCommClass *link, const QString &request, QString *answerValue = nullptr);

#endif
