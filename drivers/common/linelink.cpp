#include "linelink.h"

#include <cstring>
#include <thread>

namespace linelink {

namespace {

constexpr int ReactionMs = 1500;
constexpr int SlowestBaud = 1200;
constexpr int BitsPerByte = 11; // start, 8 data or 7 + parity, up to 2 stop
constexpr int LatencyMs = 200;
constexpr Ms LateFrameGrace{3000};

} // namespace

Ms answerWait(std::size_t requestBytes)
{
    auto wire = static_cast<long long>(requestBytes) * BitsPerByte * 1000 / SlowestBaud;
    return Ms(ReactionMs + wire + LatencyMs);
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
    if (st != drv::DrvBadArgument)
        return st;
    std::string dropped;
    for (int i = 0; i < 50; ++i) { // a babbling line must not keep us here
        bool got = false;
        st = receiveSome(dropped, got);
        if (st != drv::DrvOk || !got)
            return st;
        dropped.clear();
    }
    return drv::DrvOk;
}

int32_t LineLink::receiveSome(std::string &into, bool &gotAny)
{
    gotAny = false;
    if (!m_line)
        return drv::DrvOutOfOrder;
    char chunk[256];
    int32_t count = sizeof chunk;
    int32_t param = 0;
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
    if (Clock::now() - started < Ms(5))
        std::this_thread::sleep_for(Ms(10));
    return drv::DrvOk;
}

Answer awaitAnswer(LineLink &line, Ms firstByteWait, std::size_t maxData,
                   const std::function<bool(const iec::Scan &)> &stale)
{
    std::string buf;
    const auto deadline = Clock::now() + firstByteWait;
    const auto hardStop = deadline + LateFrameGrace;
    bool quiet = false;
    for (;;) {
        for (;;) {
            iec::Scan s = iec::scanFrame(buf, maxData);
            buf.erase(0, s.consumed);
            if (s.kind == iec::Scan::NeedMore)
                break;
            if (s.kind == iec::Scan::Nak)
                return Answer{Answer::Nak, drv::DrvOk, s};
            if (s.kind == iec::Scan::BadBcc)
                return Answer{Answer::Corrupt, drv::DrvOk, s};
            if (stale && stale(s))
                continue;
            return Answer{Answer::Frame, drv::DrvOk, s};
        }
        auto now = Clock::now();
        bool partial = !buf.empty();
        if (now >= hardStop || (now >= deadline && (!partial || quiet)))
            return Answer{partial ? Answer::Corrupt : Answer::Silence, drv::DrvOk, {}};
        bool got = false;
        int32_t st = line.receiveSome(buf, got);
        if (st != drv::DrvOk)
            return Answer{Answer::LineError, st, {}};
        quiet = !got;
    }
}

int32_t receiveUntil(LineLink &line, std::string &buffer, Clock::time_point deadline,
                     const std::function<bool(const std::string &)> &complete)
{
    while (!complete(buffer)) {
        if (Clock::now() >= deadline)
            return drv::DrvTimeout;
        bool got = false;
        int32_t st = line.receiveSome(buffer, got);
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

Answer requestAnswer(LineLink &line, const std::string &request, std::size_t maxData,
                     const std::function<bool(const iec::Scan &)> &stale)
{
    int32_t st = line.flushInput();
    if (st == drv::DrvOk)
        st = line.send(request);
    if (st != drv::DrvOk) {
        Answer failed;
        failed.kind = Answer::LineError;
        failed.status = st;
        return failed;
    }
    return awaitAnswer(line, answerWait(request.size()), maxData, stale);
}

} // namespace linelink
