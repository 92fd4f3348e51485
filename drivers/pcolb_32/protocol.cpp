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
    int32_t st = m_line.flushInput();
    if (st == drv::DrvOk)
        st = m_line.send(std::string(1, iec::ENQ));
    if (st != drv::DrvOk)
        return st;
    // A field frame arriving now is the late answer of an earlier dialogue.
    auto stale = [](const iec::Scan &s) { return s.kind == iec::Scan::Frame; };
    Answer a = linelink::awaitAnswer(m_line, linelink::answerWait(1), MaxFieldData, stale);
    switch (a.kind) {
    case Answer::LineError: return a.status;
    case Answer::Silence: return drv::DrvTimeout;
    case Answer::Nak: return drv::DrvNak;
    case Answer::Corrupt: return drv::DrvCorrupt;
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
    for (int attempt = 0; attempt < MaxTries; ++attempt) {
        Answer a = linelink::requestAnswer(m_line, request, MaxFieldData, stale);
        if (a.kind == Answer::LineError)
            return a.status;
        if (a.kind == Answer::Frame && linelink::printable(a.frame.data)) {
            text = a.frame.data;
            return drv::DrvOk;
        }
        last = a.kind == Answer::Nak       ? drv::DrvNak
               : a.kind == Answer::Silence ? drv::DrvTimeout
                                           : drv::DrvCorrupt;
        if (a.kind != Answer::Nak && !repeatable(letter))
            return last;
    }
    return last;
}

int32_t Session::end()
{
    m_started = false;
    return m_line.send(std::string(1, iec::EOT));
}

} // namespace ds
