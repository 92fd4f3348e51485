// A link driven without a device session, as the link tests, the fault
// campaign and the benchmarks drive it: one link object of the test's own,
// a value store and the two DS records, and the request helpers of the
// link layer bound to them. The program itself keeps all of these in its
// DeviceSession.
#ifndef PXRQ60_LINKFIXTURE_H
#define PXRQ60_LINKFIXTURE_H

#include "commclass.h"
#include "devicevalues.h"
#include "dsmodul.h"

TCommClass *currentLink();
// The old link object is destroyed first; none is left when the new one
// cannot load its drivers (which raises).
TCommClass *replaceCurrentLink(const QString &selector);
void destroyCurrentLink();

extern TVCVal DeviceValues;
extern TDSData DSData00;
extern TDSData DSData01;

int32_t ReadValues(const QString &list);
void StoreValue(const QString &key, const QString &value);
int32_t WriteValue(const QString &request, QString *answerValue = nullptr);
void ReadDSArchive();
void ReadDSRecord(const QString &commands, TDSData &record);
int32_t ReadDSBlocks(const QString &lengthText, QString &data);

#endif
