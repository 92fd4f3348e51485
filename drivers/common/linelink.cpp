#include "linelink.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace linelink {

namespace {

constexpr Ms Latency{200};
// A frame that has begun may take this much longer than the wait for its
// first byte, as long as its bytes keep coming.
constexpr Ms LateFrameGrace{3000};
// The last milliseconds before the device could answer are not dropped: our
// own wake-up may come late, and the device may answer right at its 20 ms.
// An echo or a stale frame arrives long before.
constexpr Ms DiscardMargin{3};
// When the line driver's send returns this much later than the request's
// wire time, the line really was slower (a queue, a busy adapter) and that
// moment is when the request left.
constexpr Ms SendSlack{50};

// The bytes of a scanned ACK, NAK or frame as they stood on the line.
std::string rawOf(const iec::Scan &s)
{
    switch (s.kind) {
    case iec::Scan::Ack: return std::string(1, iec::ACK);
    case iec::Scan::Nak: return std::string(1, iec::NAK);
    default: break;
    }
    if (s.lead == iec::STX)
        return iec::dataFrame(s.data);
    return s.data.empty() && s.command.size() == 2 ? iec::bareCommandFrame(s.command)
                                                   : iec::commandFrame(s.command, s.data);
}

} // namespace

Us LineTiming::charTime() const
{
    return Us(static_cast<long long>(bitsPerChar) * 1000000 / baud);
}

Us LineTiming::wireTime(std::size_t bytes) const
{
    return Us(static_cast<long long>(bytes) * bitsPerChar * 1000000 / baud);
}

Us LineTiming::minWireTime(std::size_t bytes) const
{
    return known ? Us(static_cast<long long>(bytes) * 10 * 1000000 / baud) : Us(0);
}

Ms LineTiming::answerWait(std::size_t requestBytes) const
{
    return std::chrono::ceil<Ms>(wireTime(requestBytes) + MaxReaction + charTime() + Latency);
}

Ms LineTiming::gap() const
{
    return std::max(Ms(40), std::chrono::ceil<Ms>(charTime() * 5));
}

void LineLink::attach(DriverProcFn line)
{
    m_line = line;
    m_dirty = false;
    refreshTiming();
}

void LineLink::refreshTiming()
{
    m_timing = LineTiming();
    if (!m_line)
        return;
    int32_t baud = 0, bits = 0;
    if (m_line(drv::LineTiming, nullptr, &baud, &bits) == drv::DrvOk && baud >= 50 &&
        baud <= 10000000 && bits >= 7 && bits <= 12) {
        m_timing.known = true;
        m_timing.baud = baud;
        m_timing.bitsPerChar = bits;
    }
}

int32_t LineLink::send(const std::string &bytes)
{
    if (!m_line)
        return drv::DrvOutOfOrder;
    std::string copy = bytes; // the line driver takes a non-const buffer
    int32_t count = static_cast<int32_t>(copy.size());
    int32_t param = 0;
    return m_line(drv::LineSend, copy.data(), &count, &param);
}

int32_t LineLink::flushInput()
{
    if (!m_line)
        return drv::DrvOutOfOrder;
    int32_t count = 0, param = 0;
    int32_t st = m_line(drv::LineFlushInput, nullptr, &count, &param);
    if (st != drv::DrvBadArgument) {
        if (st == drv::DrvOk && count > 0)
            m_discarded += count;
        return st;
    }
    std::string dropped;
    for (int i = 0; i < 50; ++i) { // a babbling line must not keep us here
        bool got = false;
        st = receiveSome(dropped, got, Ms(1));
        countDiscarded(dropped.size());
        dropped.clear();
        if (st != drv::DrvOk || !got)
            return st;
    }
    return drv::DrvOk;
}

int32_t LineLink::receiveSome(std::string &into, bool &gotAny, Ms wait)
{
    gotAny = false;
    if (!m_line)
        return drv::DrvOutOfOrder;
    char chunk[256];
    int32_t count = sizeof chunk;
    int32_t param = static_cast<int32_t>(std::min<Ms::rep>(wait.count(), 60000));
    auto started = Clock::now();
    int32_t st = m_line(drv::LineReceive, chunk, &count, &param);
    if (st == drv::DrvOk && count > 0 && count <= static_cast<int32_t>(sizeof chunk)) {
        into.append(chunk, static_cast<std::size_t>(count));
        gotAny = true;
        return drv::DrvOk;
    }
    if (st != drv::DrvOk && st != drv::DrvTimeout)
        return st;
    // A line driver that returns at once when nothing is there would make
    // our waits spin.
    if (Clock::now() - started < Ms(1))
        std::this_thread::sleep_for(std::min(std::max(wait, Ms(1)), Ms(10)));
    return drv::DrvOk;
}

int32_t LineLink::discardUntil(Clock::time_point until)
{
    std::size_t dropped = 0;
    for (auto now = Clock::now(); now < until; now = Clock::now()) {
        std::string chunk;
        bool got = false;
        int32_t st = receiveSome(chunk, got, std::max(Ms(1), std::chrono::ceil<Ms>(until - now)));
        if (st != drv::DrvOk)
            return st;
        // Bytes that a receive hands over only after `until` may have come
        // after it (our own wake-up was late): they are kept for the answer.
        if (Clock::now() >= until)
            m_carry += chunk;
        else
            dropped += chunk.size();
    }
    countDiscarded(dropped);
    return drv::DrvOk;
}

int32_t LineLink::discardUntilQuiet(Clock::time_point limit)
{
    std::string dropped;
    for (auto now = Clock::now(); now < limit; now = Clock::now()) {
        bool got = false;
        int32_t st =
            receiveSome(dropped, got, std::min(m_timing.gap(), std::chrono::ceil<Ms>(limit - now)));
        if (st != drv::DrvOk)
            return st;
        if (!got)
            break;
    }
    countDiscarded(dropped.size());
    return drv::DrvOk;
}

void LineLink::markDirty(Clock::time_point deadline, Ms wait)
{
    const auto until = deadline + wait;
    m_dirtyUntil = m_dirty ? std::max(m_dirtyUntil, until) : until;
    m_dirty = true;
}

int32_t LineLink::sendRequest(const std::string &request, bool repeat, Clock::time_point &sentAt)
{
    if (!m_line)
        return drv::DrvOutOfOrder;
    int32_t st = drv::DrvOk;
    if (m_dirty && repeat) {
        st = discardUntilQuiet(Clock::now() + m_timing.answerWait(request.size()));
    } else if (m_dirty) {
        st = discardUntil(m_dirtyUntil);
        m_dirty = false;
    }
    countDiscarded(m_carry.size());
    m_carry.clear();
    if (st == drv::DrvOk)
        st = flushInput();
    const auto started = Clock::now();
    if (st == drv::DrvOk)
        st = send(request);
    if (st != drv::DrvOk)
        return st;
    const auto returned = Clock::now();
    sentAt = started + m_timing.minWireTime(request.size());
    if (returned > sentAt + SendSlack)
        sentAt = returned;
    return discardUntil(sentAt + MinReaction - DiscardMargin);
}

void LineLink::takeCounters(int32_t &discarded, int32_t &repeats)
{
    discarded = m_discarded;
    repeats = m_repeats;
    m_discarded = m_repeats = 0;
}

namespace {

// Further bytes after an answer that must stand alone: only copies of it
// (a device or a head that sends twice) leave it trusted.
bool standsAlone(LineLink &line, std::string rest, const iec::Scan &answer,
                 Clock::time_point hardStop, int32_t &status)
{
    const std::string raw = rawOf(answer);
    status = drv::DrvOk;
    for (;;) {
        while (rest.size() >= raw.size() && rest.compare(0, raw.size(), raw) == 0)
            rest.erase(0, raw.size());
        if (!rest.empty() && raw.compare(0, rest.size(), rest) != 0)
            return false; // something else came
        if (Clock::now() >= hardStop)
            return rest.empty();
        bool got = false;
        status = line.receiveSome(rest, got, line.timing().gap());
        if (status != drv::DrvOk)
            return false;
        if (!got)
            return rest.empty();
    }
}

} // namespace

Answer awaitAnswer(LineLink &line, Clock::time_point sentAt, std::size_t requestBytes,
                   std::size_t maxData, const StaleFilter &stale, bool settle)
{
    const LineTiming &t = line.timing();
    std::string buf = line.takeCarried();
    // sentAt may be reckoned at 10 bits a byte; the wait allows for the
    // line's real character size.
    const Ms wait = t.answerWait(requestBytes);
    const auto deadline =
        sentAt + std::chrono::ceil<Ms>(t.wireTime(requestBytes) - t.minWireTime(requestBytes) +
                                       MaxReaction + t.charTime() + Latency);
    const auto hardStop = deadline + LateFrameGrace;
    bool quiet = false;
    for (;;) {
        for (;;) {
            iec::Scan s = iec::scanFrame(buf, maxData);
            if (s.kind == iec::Scan::NeedMore) {
                line.countDiscarded(s.consumed);
                buf.erase(0, s.consumed);
                break;
            }
            std::string rest = buf.substr(s.consumed);
            if (s.kind == iec::Scan::Nak)
                return Answer{Answer::Nak, drv::DrvOk, s};
            if (s.kind == iec::Scan::BadBcc)
                return Answer{Answer::Corrupt, drv::DrvOk, s};
            if (stale && stale(s)) {
                line.countDiscarded(s.consumed);
                buf = rest;
                continue;
            }
            if (settle) {
                int32_t st = drv::DrvOk;
                if (!standsAlone(line, rest, s, hardStop, st))
                    return Answer{st != drv::DrvOk ? Answer::LineError : Answer::Ambiguous, st, s};
            }
            return Answer{Answer::Frame, drv::DrvOk, s};
        }
        auto now = Clock::now();
        bool partial = !buf.empty();
        if (now >= hardStop || (now >= deadline && (!partial || quiet))) {
            line.markDirty(deadline, wait);
            return Answer{partial ? Answer::Corrupt : Answer::Silence, drv::DrvOk, {}};
        }
        // Waiting for the first byte: exactly until the deadline. Inside a
        // frame: the gap, after which a frame that stopped coming is given up.
        Ms w = partial ? t.gap() : std::max(Ms(1), std::chrono::ceil<Ms>(deadline - now));
        bool got = false;
        int32_t st = line.receiveSome(buf, got, w);
        if (st != drv::DrvOk)
            return Answer{Answer::LineError, st, {}};
        quiet = !got;
    }
}

Answer tryRequest(LineLink &line, const std::string &request, int attempt, std::size_t maxData,
                  const StaleFilter &stale, bool settle)
{
    if (attempt > 0)
        line.countRepeat();
    Clock::time_point sentAt;
    int32_t st = line.sendRequest(request, attempt > 0, sentAt);
    if (st != drv::DrvOk)
        return Answer{Answer::LineError, st, {}};
    return awaitAnswer(line, sentAt, request.size(), maxData, stale, settle);
}

int32_t receiveUntil(LineLink &line, std::string &buffer, Clock::time_point deadline,
                     const std::function<bool(const std::string &)> &complete)
{
    buffer += line.takeCarried();
    while (!complete(buffer)) {
        auto now = Clock::now();
        if (now >= deadline) {
            line.markDirty(deadline, std::chrono::ceil<Ms>(MaxReaction + Latency));
            return drv::DrvTimeout;
        }
        bool got = false;
        int32_t st =
            line.receiveSome(buffer, got, std::max(Ms(1), std::chrono::ceil<Ms>(deadline - now)));
        if (st != drv::DrvOk)
            return st;
    }
    return drv::DrvOk;
}

int32_t takeText(const char *buffer, const int32_t *count, std::string &text)
{
    if (!buffer || !count || *count <= 0)
        return drv::DrvBadArgument;
    std::size_t len = strnlen(buffer, static_cast<std::size_t>(*count));
    if (len == static_cast<std::size_t>(*count))
        return drv::DrvBadArgument;
    text.assign(buffer, len);
    return drv::DrvOk;
}

int32_t putText(const std::string &text, char *buffer, int32_t *count)
{
    if (!buffer || !count)
        return drv::DrvBadArgument;
    if (*count <= 0 || text.size() >= static_cast<std::size_t>(*count))
        return drv::DrvAnswerTooLong;
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = 0;
    *count = static_cast<int32_t>(text.size());
    return drv::DrvOk;
}

bool frameSafe(const std::string &s)
{
    for (char c : s)
        if (c == '(' || c == ')')
            return false;
    return printable(s);
}

bool printable(const std::string &s)
{
    for (unsigned char c : s)
        if (c < 0x20 || c == 0x7f)
            return false;
    return true;
}

int32_t counterCall(LineLink &line, int32_t *count, int32_t *param)
{
    if (!count || !param)
        return drv::DrvBadArgument;
    line.takeCounters(*count, *param);
    return drv::DrvOk;
}

} // namespace linelink
