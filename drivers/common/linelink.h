// What the protocol drivers share: the line reached only through the line
// driver's DriverProc (so a replacement line driver works), waiting for an
// answer with explicit time limits, and the caller's text buffers.
#ifndef PXRQ60_LINELINK_H
#define PXRQ60_LINELINK_H

#include "driverproc.h"
#include "iecframe.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace linelink {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::milliseconds;

// How long a request waits for the first byte of its answer. The device
// takes up to 1500 ms to react once the request has reached it. Our request
// may still be on the wire when the line driver's send returns; we cannot see
// the line's rate, so its time is reckoned at 1200 baud, the slowest rate a
// technician would set (300 and 600 are not used for the whole exchange), 11
// bit times a byte. 200 ms cover adapter and scheduling latency. The answer
// itself may take longer to arrive than this: the wait goes on while its
// bytes keep coming (see awaitAnswer).
Ms answerWait(std::size_t requestBytes);

class LineLink
{
public:
    void attach(DriverProcFn line) { m_line = line; }
    bool attached() const { return m_line != nullptr; }
    int32_t send(const std::string &bytes);
    // Drops input of earlier exchanges. Uses line function 4; with a line
    // driver that lacks it, reads until the line is quiet instead.
    int32_t flushInput();
    // Appends what one line receive brings (the first byte within 300 ms);
    // `gotAny` tells whether anything came. Nothing is not a failure here.
    int32_t receiveSome(std::string &into, bool &gotAny);

private:
    DriverProcFn m_line = nullptr;
};

struct Answer {
    enum Kind {
        Frame,     // `frame` holds an ACK or a complete frame with a good BCC
        Nak,       // the device refused the request (it saw a bad BCC or an unknown command)
        Corrupt,   // bad BCC, overlong frame, or a frame that stopped coming
        Silence,   // nothing usable arrived in time
        LineError, // the line driver failed; `status` says how
    };
    Kind kind = Silence;
    int32_t status = drv::DrvOk;
    iec::Scan frame;
};

// Waits for the answer to the request just sent, at most `firstByteWait` for
// it to begin; a frame under way may finish afterwards as long as its bytes
// keep coming, up to 3 s more. Frames for which `stale` says true belong to
// an earlier exchange and are dropped while the wait goes on. `maxData`
// bounds a frame's data so that noise cannot grow a frame without end.
Answer awaitAnswer(LineLink &line, Ms firstByteWait, std::size_t maxData,
                   const std::function<bool(const iec::Scan &)> &stale);

// One try of a request: drops earlier input, sends `request` and waits for
// its answer as awaitAnswer does. A failing flush or send comes back as
// LineError with its status.
Answer requestAnswer(LineLink &line, const std::string &request, std::size_t maxData,
                     const std::function<bool(const iec::Scan &)> &stale);

// Receives into `buffer` until `complete(buffer)` says so or `deadline`
// passes (DrvTimeout).
int32_t receiveUntil(LineLink &line, std::string &buffer, Clock::time_point deadline,
                     const std::function<bool(const std::string &)> &complete);

// The caller's request text: NUL-terminated within the *count bytes of
// `buffer`; DrvBadArgument otherwise.
int32_t takeText(const char *buffer, const int32_t *count, std::string &text);

// Puts `text` into the caller's buffer of *count bytes (terminator
// included) and sets *count to its length; DrvAnswerTooLong leaves the buffer
// as it was.
int32_t putText(const std::string &text, char *buffer, int32_t *count);

// True when `s` can stand inside a frame: no control characters, which
// could end or start a frame, and no parentheses, which delimit the value.
bool frameSafe(const std::string &s);

// True when no byte of `s` is a control character; answers with one are
// taken as corrupt (a zero byte would also cut the caller's text short).
bool printable(const std::string &s);

} // namespace linelink

#endif
