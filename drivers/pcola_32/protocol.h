// Protocol driver pcola_32 ("WN"): sign-on, read and write of device
// addresses in programming mode, all at the line's one rate.
//
// Statuses besides those of the line: -2 a request text that is empty or
// would break the frame (control characters, "(" or ")"), -7 no answer to a
// read or at sign-on, -9 corrupt answer on every try, -10 NAK on every try,
// -11 an answer of the wrong form on the last try, -12 answer longer than the
// caller's buffer, -13 write not confirmed (no answer to it, or its read-back
// failed), -14 the sign-on went wrong after the identification, -(100+nn)
// the device's error message ERnn. A write whose answer was followed by other
// bytes (nobody can tell whose answer it was) counts as not confirmed.
#ifndef PXRQ60_PCOLA_PROTOCOL_H
#define PXRQ60_PCOLA_PROTOCOL_H

#include "linelink.h"

#include <string>

namespace wn {

// A read or write is sent at most this often when it meets NAK, a corrupt
// answer or silence.
constexpr int MaxTries = 3;

// "P4=0.1" -> "P4" and "0.1"; DrvBadArgument when the text has no "=", an
// empty address or parts that cannot go into a frame.
int32_t splitWriteRequest(const std::string &text, std::string &address, std::string &value);
// DrvOk when `address` can be read: not empty, frame-safe, no "=".
int32_t checkAddress(const std::string &address);

class Session
{
public:
    linelink::LineLink &line() { return m_line; }
    bool signedOn() const { return m_signedOn; }
    void signOff() { m_signedOn = false; }

    int32_t signOn();
    int32_t read(const std::string &address, std::string &value);
    int32_t write(const std::string &address, const std::string &value, std::string &stored);
    int32_t sendBreak();

private:
    int32_t receiveIdentification(char &rate, linelink::Clock::time_point sentAt);
    int32_t exchangeRead(const std::string &address, std::string &value);
    linelink::LineLink m_line;
    bool m_signedOn = false;
};

} // namespace wn

#endif
