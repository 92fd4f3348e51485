#include "protocol.h"

using linelink::Answer;

namespace ds {

bool repeatable(char command)
{
    return command != 'x';
}

int32_t Session::start()
{
    m_started = false;
    m_line.refreshTiming();
    linelink::Clock::time_point sentAt;
    const std::string enq(1, iec::ENQ);
    int32_t st = m_line.sendRequest(enq, false, sentAt);
    if (st != drv::DrvOk)
        return st;
    // A field frame arriving now is the late answer of an earlier dialogue.
    auto stale = [](const iec::Scan &s) { return s.kind == iec::Scan::Frame; };
    Answer a = linelink::awaitAnswer(m_line, sentAt, enq.size(), MaxFieldData, stale);
    switch (a.kind) {
    case Answer::LineError: return a.status;
    case Answer::Silence: return drv::DrvTimeout;
    case Answer::Nak: return drv::DrvNak;
    case Answer::Corrupt: return drv::DrvCorrupt;
    case Answer::Ambiguous: return drv::DrvUnexpected;
    case Answer::Frame: break;
    }
    if (a.frame.kind != iec::Scan::Ack)
        return drv::DrvUnexpected;
    m_started = true;
    return drv::DrvOk;
}

int32_t Session::readField(int32_t command, std::string &text)
{
    if (command < 0x21 || command > 0x7e)
        return drv::DrvBadArgument;
    const char letter = static_cast<char>(command);
    const std::string request(1, letter);
    // ACKs and SOH frames are left over from the start or echoed by the head.
    auto stale = [](const iec::Scan &s) { return s.kind == iec::Scan::Ack || s.lead == iec::SOH; };
    int32_t last = drv::DrvTimeout;
    // After a try that timed out, an answer is only trusted when the next
    // read of the same field gives the same text: a DS answer carries nothing
    // that tells which request it answers.
    bool timedOut = false;
    bool haveCandidate = false;
    std::string candidate;
    int failures = 0;
    for (int send = 0; failures < MaxTries && send < 2 * MaxTries; ++send) {
        Answer a = linelink::tryRequest(m_line, request, send, MaxFieldData, stale);
        if (a.kind == Answer::LineError)
            return a.status;
        if (a.kind == Answer::Frame && linelink::printable(a.frame.data)) {
            if (!timedOut || (haveCandidate && candidate == a.frame.data)) {
                text = a.frame.data;
                return drv::DrvOk;
            }
            candidate = a.frame.data;
            haveCandidate = true;
            continue;
        }
        ++failures;
        haveCandidate = false;
        last = a.kind == Answer::Nak       ? drv::DrvNak
               : a.kind == Answer::Silence ? drv::DrvTimeout
                                           : drv::DrvCorrupt;
        timedOut = timedOut || a.kind == Answer::Silence || a.kind == Answer::Corrupt;
        if (a.kind != Answer::Nak && !repeatable(letter))
            return last;
    }
    // Answers that never agreed twice: the field is failed, never guessed.
    return haveCandidate ? drv::DrvUnexpected : last;
}

int32_t Session::end()
{
    m_started = false;
    return m_line.send(std::string(1, iec::EOT));
}

} // namespace ds
