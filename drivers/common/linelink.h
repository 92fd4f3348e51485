// What the protocol drivers share: the line reached only through the line
// driver's DriverProc (so a replacement line driver works), the rules that
// make every answer belong to its request, waiting for an answer with
// explicit time limits, and the caller's text buffers.
//
// Neither protocol's answer says which request it answers ("DS" answers
// carry nothing, "WN" answers only the address), so time has to:
// - A device cannot answer before it has received the whole request and its
//   reaction time (at least 20 ms) has passed. What arrives earlier is an
//   echo, a stale frame or the rest of an earlier answer, and is dropped.
// - After a wait that ran out, the line is dirty: the late answer may still
//   come. A repeat of the same request first lets the line fall quiet (a late
//   answer of an identical try answers the same question); any other request
//   waits until a late answer can no longer come (the answer wait once more).
// - A write's answer must stand alone: an ACK followed by anything but copies
//   of itself is not trusted.
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
using Us = std::chrono::microseconds;

// The device's reaction time, from the last byte of a request to the first
// of its answer.
constexpr Ms MinReaction{20};
constexpr Ms MaxReaction{1500};

// The line's rate as the line driver reports it (line function 9). A line
// driver that cannot tell leaves `known` false: waits then assume the
// slowest rate, and the time a request needs to leave is taken as nothing,
// so no answer is ever dropped for coming too soon.
struct LineTiming {
    bool known = false;
    int baud = 300;
    int bitsPerChar = 11;

    Us charTime() const;
    // The longest the bytes can take on the wire.
    Us wireTime(std::size_t bytes) const;
    // The least they can take (10 bits a byte, the shortest character).
    Us minWireTime(std::size_t bytes) const;
    // How long the first byte of the answer to a request of `requestBytes`
    // may take, counted from the start of the send: the request's wire time,
    // the device's longest reaction, the first character, and 200 ms for
    // adapter and scheduling latency.
    Ms answerWait(std::size_t requestBytes) const;
    // Silence between the bytes of one frame longer than this ends it. Never
    // below 40 ms: USB adapters deliver in bursts (latency timer 16 ms).
    Ms gap() const;
};

struct Answer {
    enum Kind {
        Frame,     // `frame` holds an ACK or a complete frame with a good BCC
        Nak,       // the device refused the request (it saw a bad BCC or an unknown command)
        Corrupt,   // bad BCC, overlong frame, or a frame that stopped coming
        Silence,   // nothing usable arrived in time
        Ambiguous, // other bytes followed the answer: it cannot be told whose it is
        LineError, // the line driver failed; `status` says how
    };
    Kind kind = Silence;
    int32_t status = drv::DrvOk;
    iec::Scan frame;
};

// Frames for which it returns true belong to an earlier exchange or are our
// own request echoed; they are dropped while the wait goes on.
using StaleFilter = std::function<bool(const iec::Scan &)>;

class LineLink
{
public:
    // Uses `line` from now on and asks it for the line's rate.
    void attach(DriverProcFn line);
    bool attached() const { return m_line != nullptr; }
    // Asks the line driver for the rate again (the line may have been
    // reopened with other settings since attach).
    void refreshTiming();
    const LineTiming &timing() const { return m_timing; }

    // Raw send; returns once the bytes have left (our line driver drains).
    int32_t send(const std::string &bytes);
    // Drops input of earlier exchanges. Uses line function 4; with a line
    // driver that lacks it, reads until the line is quiet instead.
    int32_t flushInput();
    // Appends what one line receive brings, waiting at most `wait` for the
    // first byte (0: the line driver's own 300 ms); `gotAny` tells whether
    // anything came. Nothing is not a failure here.
    int32_t receiveSome(std::string &into, bool &gotAny, Ms wait = Ms(0));

    // Sends one request by the rules above. `repeat` says that it is the
    // same request again after a failed try of this call. `sentAt` receives
    // the moment the request has left the line, from which the device's
    // reaction time counts.
    int32_t sendRequest(const std::string &request, bool repeat, Clock::time_point &sentAt);

    // A wait for the first byte that ended at `deadline` ran out: a late
    // answer may still come until `deadline` plus the same wait again.
    void markDirty(Clock::time_point deadline, Ms wait);
    bool dirty() const { return m_dirty; }

    // Bytes that arrived at the very end of sendRequest's wait and may be the
    // answer's first; awaitAnswer and receiveUntil start with them.
    std::string takeCarried()
    {
        std::string c;
        c.swap(m_carry);
        return c;
    }

    void countDiscarded(std::size_t bytes) { m_discarded += static_cast<int32_t>(bytes); }
    void countRepeat() { ++m_repeats; }
    // Bytes dropped as not belonging to an answer and tries repeated since the
    // last call (protocol function 11).
    void takeCounters(int32_t &discarded, int32_t &repeats);

private:
    // Receives and drops everything until `until`.
    int32_t discardUntil(Clock::time_point until);
    // Receives and drops until no byte came for the gap, at most until `limit`.
    int32_t discardUntilQuiet(Clock::time_point limit);

    DriverProcFn m_line = nullptr;
    LineTiming m_timing;
    bool m_dirty = false;
    Clock::time_point m_dirtyUntil{};
    int32_t m_discarded = 0;
    int32_t m_repeats = 0;
    std::string m_carry;
};

// Waits for the answer to the request that left the line at `sentAt`: its
// first byte within the line's answer wait for a request of `requestBytes`;
// a frame under way may finish afterwards as long as its bytes keep coming.
// Frames for which `stale` says true are dropped while the wait goes on.
// `maxData` bounds a frame's data so that noise cannot grow a frame without
// end. With `settle`, the answer must stand alone: further bytes within the
// gap that are not copies of it make the answer Ambiguous. A wait that runs
// out marks the line dirty.
Answer awaitAnswer(LineLink &line, Clock::time_point sentAt, std::size_t requestBytes,
                   std::size_t maxData, const StaleFilter &stale, bool settle = false);

// One try of a request: sendRequest (`attempt` 0 is the first try; later
// ones count as repeats) and awaitAnswer. A failing send comes back as
// LineError with its status.
Answer tryRequest(LineLink &line, const std::string &request, int attempt, std::size_t maxData,
                  const StaleFilter &stale, bool settle = false);

// Receives into `buffer` until `complete(buffer)` says so or `deadline`
// passes (DrvTimeout; the line is then dirty).
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

// Protocol function 11 for both drivers.
int32_t counterCall(LineLink &line, int32_t *count, int32_t *param);

} // namespace linelink

#endif
