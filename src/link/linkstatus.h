// Driver statuses in words, for the technician: the box that reports a
// failed connect shows what failed, the status and what it means, and the
// device behind the port name.
#ifndef PXRQ60_LINK_LINKSTATUS_H
#define PXRQ60_LINK_LINKSTATUS_H

#include <QString>
#include <cstdint>

class TCommClass;
class TCommClassException;

// The text ID of a status's meaning (as the README's table of driver
// statuses gives it), in the language of the loaded library.
uint16_t statusMeaningId(int32_t status);
QString statusMeaning(int32_t status);

// The details part of the connect failure box (510): the link's message,
// "driver status N: meaning" when a driver call failed, and the port with
// the device path its name resolves to.
QString connectFailureDetails(const TCommClassException &e, const TCommClass *link);

#endif
