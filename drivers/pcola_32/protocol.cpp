#include "protocol.h"

#include <cctype>

using linelink::Answer;

namespace wn {

namespace {

// Long enough for any value the program can hold (its read buffer is 101
// characters), short enough that noise cannot grow a frame for long.
constexpr std::size_t MaxAnswerData = 512;
constexpr std::size_t MaxIdentification = 16;

int32_t failureStatus(Answer::Kind kind, int32_t silence)
{
    switch (kind) {
    case Answer::Nak: return drv::DrvNak;
    case Answer::Corrupt: return drv::DrvCorrupt;
    case Answer::Ambiguous: return drv::DrvUnexpected;
    default: return silence;
    }
}

// "/" maker(3 letters) rate identification CR LF, found anywhere in `in`.
bool parseIdentification(const std::string &in, char &rate)
{
    std::size_t start = in.find('/');
    std::size_t end = in.find("\r\n", start);
    if (start == std::string::npos || end == std::string::npos)
        return false;
    std::string line = in.substr(start + 1, end - start - 1);
    if (line.size() < 4 || line.size() > 4 + MaxIdentification || !linelink::printable(line))
        return false;
    for (int i = 0; i < 3; ++i)
        if (!std::isalpha(static_cast<unsigned char>(line[i])))
            return false;
    rate = line[3];
    return rate != '/' && rate != '!';
}

// True when the line at `pos` of `in` is our own "/?!" CR LF coming back
// from an optical head that echoes.
bool isSignOnEcho(const std::string &in, std::size_t pos)
{
    return in.compare(pos, 2, "/?") == 0;
}

} // namespace

int32_t checkAddress(const std::string &address)
{
    if (address.empty() || !linelink::frameSafe(address) || address.find('=') != std::string::npos)
        return drv::DrvBadArgument;
    return drv::DrvOk;
}

int32_t splitWriteRequest(const std::string &text, std::string &address, std::string &value)
{
    std::size_t eq = text.find('=');
    if (eq == std::string::npos)
        return drv::DrvBadArgument;
    address = text.substr(0, eq);
    value = text.substr(eq + 1);
    if (checkAddress(address) != drv::DrvOk || !linelink::frameSafe(value))
        return drv::DrvBadArgument;
    return drv::DrvOk;
}

int32_t Session::receiveIdentification(char &rate, linelink::Clock::time_point sentAt)
{
    // The identification: "/", maker (3), rate, up to 16 characters, CR LF.
    const std::size_t longest = 1 + 3 + 1 + MaxIdentification + 2;
    const linelink::LineTiming &t = m_line.timing();
    const auto deadline =
        sentAt + t.answerWait(0) + std::chrono::ceil<linelink::Ms>(t.wireTime(longest));
    std::string in;
    auto identificationLine = [](const std::string &b) {
        for (std::size_t slash = b.find('/'); slash != std::string::npos;
             slash = b.find('/', slash + 1)) {
            std::size_t end = b.find("\r\n", slash);
            if (end == std::string::npos)
                return false;
            if (!isSignOnEcho(b, slash))
                return true;
        }
        return false;
    };
    int32_t st = linelink::receiveUntil(m_line, in, deadline, identificationLine);
    if (st == drv::DrvTimeout)
        return in.empty() ? drv::DrvTimeout : drv::DrvSignOnRefused;
    if (st != drv::DrvOk)
        return st;
    std::size_t slash = in.find('/');
    while (slash != std::string::npos && isSignOnEcho(in, slash))
        slash = in.find('/', slash + 1);
    return parseIdentification(in.substr(slash), rate) ? drv::DrvOk : drv::DrvSignOnRefused;
}

int32_t Session::signOn()
{
    m_signedOn = false;
    m_line.refreshTiming();
    linelink::Clock::time_point sentAt;
    int32_t st = m_line.sendRequest("/?!\r\n", false, sentAt);
    char rate = 0;
    if (st == drv::DrvOk)
        st = receiveIdentification(rate, sentAt);
    if (st != drv::DrvOk)
        return st;

    // Option select: programming mode at the rate the device named. The
    // device keeps the line's rate either way; the character only echoes.
    // An ACK now is the start of our own option line echoed by the head.
    const std::string select{iec::ACK, '0', rate, '1', '\r', '\n'};
    if ((st = m_line.sendRequest(select, false, sentAt)) != drv::DrvOk)
        return st;
    Answer a = linelink::awaitAnswer(m_line, sentAt, select.size(), MaxAnswerData,
                                     [](const iec::Scan &s) { return s.kind == iec::Scan::Ack; });
    if (a.kind == Answer::LineError || a.kind == Answer::Silence)
        return a.kind == Answer::LineError ? a.status : drv::DrvTimeout;
    const std::string &op = a.frame.data;
    if (a.kind != Answer::Frame || a.frame.lead != iec::SOH || a.frame.command != "P0" ||
        op.size() < 2 || op.front() != '(' || op.back() != ')')
        return drv::DrvSignOnRefused;

    const std::string password = iec::commandFrame("P1", "()");
    if ((st = m_line.sendRequest(password, false, sentAt)) != drv::DrvOk)
        return st;
    a = linelink::awaitAnswer(m_line, sentAt, password.size(), MaxAnswerData,
                              [](const iec::Scan &s) { return s.lead == iec::SOH; });
    if (a.kind == Answer::LineError)
        return a.status;
    if (a.kind == Answer::Silence)
        return drv::DrvTimeout;
    if (a.kind != Answer::Frame || a.frame.kind != iec::Scan::Ack)
        return drv::DrvSignOnRefused;
    m_signedOn = true;
    return drv::DrvOk;
}

int32_t Session::exchangeRead(const std::string &address, std::string &value)
{
    const std::string request = iec::commandFrame("R1", address + "()");
    // An ACK can only be left over from an earlier write, a SOH frame is our
    // own request echoed by the optical head, and an answer for another
    // address is the late answer to an earlier request.
    auto stale = [&address](const iec::Scan &s) {
        std::string a, v;
        return s.kind == iec::Scan::Ack || s.lead == iec::SOH ||
               (iec::splitAddressValue(s.data, a, v) && a != address);
    };
    int32_t last = drv::DrvTimeout;
    for (int attempt = 0; attempt < MaxTries; ++attempt) {
        Answer a = linelink::tryRequest(m_line, request, attempt, MaxAnswerData, stale);
        if (a.kind == Answer::LineError)
            return a.status;
        if (a.kind != Answer::Frame) {
            last = failureStatus(a.kind, drv::DrvTimeout);
            continue;
        }
        const std::string &data = a.frame.data;
        if (!linelink::printable(data)) {
            last = drv::DrvCorrupt;
            continue;
        }
        int nn = iec::deviceErrorNumber(data);
        if (nn >= 0)
            return drv::deviceError(nn);
        std::string a2;
        if (iec::splitAddressValue(data, a2, value))
            return drv::DrvOk;
        last = drv::DrvUnexpected;
    }
    return last;
}

int32_t Session::read(const std::string &address, std::string &value)
{
    int32_t st = checkAddress(address);
    return st != drv::DrvOk ? st : exchangeRead(address, value);
}

int32_t Session::write(const std::string &address, const std::string &value, std::string &stored)
{
    const std::string request = iec::commandFrame("W1", address + "(" + value + ")");
    // A value frame can only answer an earlier read; SOH frames are echoes.
    auto stale = [](const iec::Scan &s) {
        std::string a, v;
        return s.lead == iec::SOH || iec::splitAddressValue(s.data, a, v);
    };
    int32_t last = drv::DrvNotConfirmed;
    bool confirmed = false;
    for (int attempt = 0; attempt < MaxTries && !confirmed; ++attempt) {
        // The device's answer to this write stands alone: a noise byte 0x06
        // or a late ACK followed by the real answer confirms nothing.
        Answer a = linelink::tryRequest(m_line, request, attempt, MaxAnswerData, stale, true);
        if (a.kind == Answer::LineError)
            return a.status;
        if (a.kind != Answer::Frame) {
            // Whose answer it was cannot be told: what the device holds
            // decides, as after silence.
            last = a.kind == Answer::Ambiguous ? drv::DrvNotConfirmed
                                               : failureStatus(a.kind, drv::DrvNotConfirmed);
            continue;
        }
        if (a.frame.kind == iec::Scan::Ack) {
            confirmed = true;
            break;
        }
        int nn = iec::deviceErrorNumber(a.frame.data);
        if (nn >= 0)
            return drv::deviceError(nn);
        last = drv::DrvUnexpected;
    }
    if (!confirmed)
        return last;
    // The device confirmed; what it actually stored (it may round or pad)
    // is what the program shows, so read it back. The read-back is a request
    // of its own: after a try that timed out it waits until a late answer
    // can no longer be taken for its own.
    int32_t st = exchangeRead(address, stored);
    if (st == drv::DrvLineGone || st == drv::DrvOutOfOrder)
        return st;
    return st == drv::DrvOk ? drv::DrvOk : drv::DrvNotConfirmed;
}

int32_t Session::sendBreak()
{
    m_signedOn = false;
    return m_line.send(iec::bareCommandFrame("B0"));
}

} // namespace wn
