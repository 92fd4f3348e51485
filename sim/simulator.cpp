#include "simulator.h"

#include "iecframe.h"
#include "valuerules.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace rq60 {

namespace {

constexpr std::size_t MaxLogEntries = 100000;
constexpr std::size_t MaxSignOnLine = 40;
const std::string RawLinkTest(3, iec::STX);

std::vector<std::string> words(const std::string &line)
{
    std::istringstream in(line);
    std::vector<std::string> out;
    std::string w;
    while (in >> w)
        out.push_back(w);
    return out;
}

bool toInt(const std::string &text, long lo, long hi, long *value)
{
    char *end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < lo || v > hi)
        return false;
    *value = v;
    return true;
}

// Locale-free: the in-process simulator runs inside programs whose numeric
// locale may use a decimal comma.
bool toDouble(const std::string &text, double *value)
{
    return rules::parseDecimal(text, value);
}

std::string errorFrame(int nn)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "(ER%02d)", nn);
    return iec::dataFrame(buf);
}

// Damages an answer the way line noise would: a frame keeps its shape but
// its BCC no longer matches; a lone control byte becomes a byte that is none.
std::string damaged(std::string bytes)
{
    if (bytes.empty())
        return bytes;
    if (bytes.size() >= 3 && bytes[bytes.size() - 2] == iec::ETX)
        bytes.back() = static_cast<char>(bytes.back() ^ 0x01);
    else if (bytes.size() == 1)
        bytes[0] = 0x7f;
    else
        bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x01);
    return bytes;
}

const char *stateName(Simulator::State s)
{
    switch (s) {
    case Simulator::State::Idle: return "idle";
    case Simulator::State::SignOnOption: return "sign-on (option)";
    case Simulator::State::SignOnPassword: return "sign-on (password)";
    case Simulator::State::Wn: return "WN session";
    case Simulator::State::Ds: return "DS record";
    case Simulator::State::DsBetween: return "DS between records";
    }
    return "?";
}

const char *HelpText =
    "lock open|close        calibration lock (seal switch)\n"
    "fail ADDR MODE         MODE: ERnn, nak, silent, corrupt, off; ADDR may be signon or "
    "ds:LETTER\n"
    "fail clear             no failing addresses\n"
    "noconfirm on|lost|off  writes answered with nothing (on: taken, lost: dropped)\n"
    "drop N / corrupt N     drop / corrupt the next N answers\n"
    "late MS [N] / late off the next N answers come MS after their request\n"
    "dup [N] / dup off      the next N answers are sent twice\n"
    "stale [N] / stale off  the answer sent before goes out again at once ahead of the next N\n"
    "echo on|off            the optical head returns every byte received\n"
    "delay MS / react MS    extra delay / reaction time before each answer (after the\n"
    "                       request has crossed the line)\n"
    "pace BAUD|off          send answers at the line rate\n"
    "hangup                 the line goes dead (adapter unplugged)\n"
    "set ADDR VALUE / get ADDR\n"
    "flow M3H / temp C / disturb on|off\n"
    "elapse MS / freeze on|off\n"
    "archive N              keep only the newest N archive entries (a young device)\n"
    "log / clearlog / state / help";

} // namespace

Simulator::Simulator(int generation)
    : m_model(generation), m_lastWall(std::chrono::steady_clock::now())
{
}

void Simulator::logRequest(const std::string &entry)
{
    m_sinceRequestMs = 0;
    m_log.push_back(entry);
    if (m_log.size() > MaxLogEntries)
        m_log.pop_front();
    if (m_sink)
        m_sink(entry);
}

void Simulator::sync()
{
    auto now = std::chrono::steady_clock::now();
    std::int64_t ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now - m_lastWall).count();
    if (m_frozen || ms <= 0)
        return;
    m_lastWall += std::chrono::milliseconds(ms);
    elapse(ms);
}

void Simulator::elapse(std::int64_t ms)
{
    if (ms <= 0)
        return;
    m_model.advance(ms);
    m_sinceRequestMs += ms;
    if (m_state != State::Idle && m_sinceRequestMs >= IdleTimeoutMs)
        goIdle();
}

void Simulator::setFrozen(bool frozen)
{
    if (frozen)
        sync();
    m_frozen = frozen;
    m_lastWall = std::chrono::steady_clock::now();
}

bool Simulator::takeHangUp()
{
    bool h = m_hangUp;
    m_hangUp = false;
    return h;
}

void Simulator::goIdle()
{
    m_state = State::Idle;
    m_nextKind = 0;
}

std::string Simulator::answer(std::string bytes)
{
    if (bytes.empty())
        return bytes;
    if (m_drop > 0) {
        --m_drop;
        return std::string();
    }
    if (m_corrupt > 0) {
        --m_corrupt;
        return damaged(bytes);
    }
    return bytes;
}

const Simulator::Fail *Simulator::failFor(const std::string &key) const
{
    auto it = m_fail.find(key);
    return it == m_fail.end() ? nullptr : &it->second;
}

// A failing address answers by its mode instead of `normal`. *skip tells
// the caller not to act on the request (only a corrupted answer still acts:
// the device did its work, the line spoilt the answer).
static std::string applyFail(const Simulator::FailMode mode, int error, const std::string &normal,
                             bool *skip)
{
    *skip = mode != Simulator::FailMode::Corrupt;
    switch (mode) {
    case Simulator::FailMode::Error: return errorFrame(error);
    case Simulator::FailMode::Nak: return std::string(1, iec::NAK);
    case Simulator::FailMode::Silent: return std::string();
    case Simulator::FailMode::Corrupt: return damaged(normal);
    }
    return normal;
}

std::string Simulator::identification() const
{
    // The third letter of the maker code is lower case when the device
    // answers within 20 ms.
    std::string maker = m_reactMs + m_delayMs <= 20 ? "RQs" : "RQS";
    char rate = '4';
    const int rates[] = {300, 600, 1200, 2400, 4800, 9600, 19200};
    for (int i = 0; i < 7; ++i)
        if (m_paceBaud == rates[i])
            rate = static_cast<char>('0' + i);
    std::string version;
    m_model.read("L34", &version);
    return "/" + maker + rate + "RQ60-" + version + "\r\n";
}

std::string Simulator::feed(const std::string &bytes)
{
    std::string out;
    for (const Reply &r : receive(bytes))
        out += r.bytes;
    return out;
}

// Sends `bytes` (one answer, possibly empty after a dropped answer) with the
// faults that change when and how often it goes out.
void Simulator::deliver(const std::string &bytes, std::size_t requestBytes, std::vector<Reply> &out)
{
    if (bytes.empty())
        return;
    if (m_stale > 0 && !m_lastAnswer.empty()) {
        --m_stale;
        out.push_back(Reply{m_lastAnswer, true, -1, 0});
    }
    Reply r{bytes, false, -1, requestBytes};
    if (m_late > 0) {
        --m_late;
        r.lateMs = m_lateMs;
    }
    out.push_back(r);
    if (m_dup > 0) {
        --m_dup;
        out.push_back(r);
    }
    m_lastAnswer = bytes;
}

std::vector<Simulator::Reply> Simulator::receive(const std::string &bytes)
{
    sync();
    std::vector<Reply> replies;
    if (m_echo && !bytes.empty())
        replies.push_back(Reply{bytes, true, -1, 0});
    m_in += bytes;
    while (!m_in.empty()) {
        const char c = m_in[0];
        const std::size_t before = m_in.size();
        auto send = [&](const std::string &answer) {
            deliver(answer, before - m_in.size(), replies);
        };
        if (c == iec::ETB) {
            std::size_t run = m_in.find_first_not_of(iec::ETB);
            if (run == std::string::npos)
                run = m_in.size();
            if (run >= 3) {
                m_in.erase(0, 3);
                logRequest("ETB");
                goIdle();
            } else if (run == m_in.size()) {
                break; // the rest of the three may still come
            } else {
                m_in.erase(0, run);
            }
            continue;
        }
        if (c == iec::STX) {
            if (m_in.compare(0, 3, RawLinkTest) == 0) {
                m_in.erase(0, 3);
                logRequest("RAW STX3");
                send(answer(std::string(3, iec::ACK)));
            } else if (m_in.find_first_not_of(iec::STX) == std::string::npos) {
                break;
            } else {
                m_in.erase(0, 1); // a lone STX is no request of ours
            }
            continue;
        }
        // A sign-on in the middle of a record is a WN sign-on all the same:
        // the device starts again, its next record is "00".
        if (m_state == State::Ds && c != iec::ENQ && c != '/') {
            m_in.erase(0, 1);
            if (c == iec::EOT) {
                logRequest("EOT");
                m_state = State::DsBetween;
            } else {
                logRequest(std::string("DS ") + c);
                send(handleDsCommand(c));
            }
            continue;
        }
        if (c == '/') {
            std::size_t end = m_in.find("\r\n");
            if (end == std::string::npos) {
                if (m_in.size() < MaxSignOnLine)
                    break;
                m_in.erase(0, 1);
                continue;
            }
            std::string line = m_in.substr(0, end);
            m_in.erase(0, end + 2);
            if (line.size() < 3 || line[1] != '?' || line.back() != '!')
                continue;
            logRequest("SIGNON");
            goIdle();
            m_state = State::SignOnOption;
            send(answer(identification()));
            continue;
        }
        if (c == iec::ACK && m_state == State::SignOnOption) {
            if (m_in.size() < 6)
                break;
            std::string option = m_in.substr(1, 3);
            bool wellFormed = m_in[4] == '\r' && m_in[5] == '\n';
            m_in.erase(0, wellFormed ? 6 : 1);
            if (!wellFormed)
                continue;
            logRequest("OPTION " + option);
            if (option[2] != '1') {
                goIdle(); // only programming mode is offered
                continue;
            }
            std::string operand;
            m_model.read("L18", &operand);
            m_state = State::SignOnPassword;
            send(answer(iec::commandFrame("P0", "(" + operand + ")")));
            continue;
        }
        if (c == iec::ENQ) {
            m_in.erase(0, 1);
            logRequest("ENQ");
            if (m_state == State::Idle || m_state == State::DsBetween || m_state == State::Ds) {
                m_kind = m_nextKind;
                m_nextKind ^= 1;
                m_recordData = m_model.recordData(m_kind); // one record, one moment
                m_blockPos = 0;
                m_state = State::Ds;
                send(answer(std::string(1, iec::ACK)));
            }
            continue;
        }
        if (c == iec::EOT) {
            m_in.erase(0, 1);
            logRequest("EOT");
            continue;
        }
        if (c == iec::SOH) {
            iec::Scan s = iec::scanFrame(m_in, 256);
            if (s.kind == iec::Scan::NeedMore)
                break;
            if (s.kind == iec::Scan::Frame) {
                m_in.erase(0, s.consumed);
                send(handleFrame(s.command, s.data));
                continue;
            }
            if (s.kind == iec::Scan::BadBcc) {
                m_in.erase(0, s.consumed);
                logRequest(s.command + (s.data.empty() ? "" : " " + s.data) + " !BCC");
                if (m_state == State::SignOnPassword || m_state == State::Wn)
                    send(answer(std::string(1, iec::NAK)));
                continue;
            }
            m_in.erase(0, 1);
            continue;
        }
        m_in.erase(0, 1); // line noise
    }
    return replies;
}

std::string Simulator::handleFrame(const std::string &cmd, const std::string &data)
{
    std::string shown = data;
    if (cmd == "R1" && shown.size() >= 2 && shown.compare(shown.size() - 2, 2, "()") == 0)
        shown.erase(shown.size() - 2);
    logRequest(shown.empty() ? cmd : cmd + " " + shown);

    if (cmd == "B0") {
        goIdle();
        return std::string();
    }
    if (m_state == State::SignOnPassword) {
        if (cmd != "P1")
            return answer(std::string(1, iec::NAK));
        const Fail *f = failFor("signon");
        if (f) {
            bool skip = false;
            std::string a = applyFail(f->mode, f->error, std::string(1, iec::ACK), &skip);
            if (skip)
                goIdle();
            else
                m_state = State::Wn;
            return answer(a);
        }
        m_state = State::Wn;
        return answer(std::string(1, iec::ACK));
    }
    if (m_state != State::Wn)
        return std::string(); // not signed on: the device does not listen
    if (cmd == "R1")
        return handleRead(data);
    if (cmd == "W1")
        return handleWrite(data);
    if (cmd == "P1")
        return answer(std::string(1, iec::ACK));
    return answer(std::string(1, iec::NAK));
}

std::string Simulator::handleRead(const std::string &data)
{
    std::string address, value;
    if (!iec::splitAddressValue(data, address, value))
        return answer(errorFrame(ErBadValue));
    std::string normal;
    int e = m_model.read(address, &value);
    normal = e ? errorFrame(e) : iec::dataFrame(address + "(" + value + ")");
    if (const Fail *f = failFor(address)) {
        bool skip = false;
        return answer(applyFail(f->mode, f->error, normal, &skip));
    }
    return answer(normal);
}

std::string Simulator::handleWrite(const std::string &data)
{
    std::string address, value, stored;
    if (!iec::splitAddressValue(data, address, value))
        return answer(errorFrame(ErBadValue));
    if (const Fail *f = failFor(address)) {
        bool skip = false;
        std::string a = applyFail(f->mode, f->error, std::string(1, iec::ACK), &skip);
        if (!skip)
            m_model.write(address, value, &stored);
        return answer(a);
    }
    if (m_noConfirm == NoConfirm::Lost)
        return std::string();
    int e = m_model.write(address, value, &stored);
    if (m_noConfirm == NoConfirm::Silent)
        return std::string();
    return answer(e ? errorFrame(e) : std::string(1, iec::ACK));
}

std::string Simulator::handleDsCommand(char c)
{
    std::string text;
    std::string normal;
    if (c == 'b') {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%zX", m_recordData.size() / 3);
        m_blockPos = 0;
        normal = iec::dataFrame(buf);
    } else if (c == 'x') {
        std::string block = m_recordData.substr(std::min(m_blockPos, m_recordData.size()), 18);
        m_blockPos += block.size();
        normal = iec::dataFrame(block);
    } else if (m_model.recordField(m_kind, c, &text)) {
        normal = iec::dataFrame(text);
    } else {
        normal = std::string(1, iec::NAK);
    }
    if (const Fail *f = failFor(std::string("ds:") + c)) {
        bool skip = false;
        FailMode mode =
            f->mode == FailMode::Error ? FailMode::Nak : f->mode; // DS has no error messages
        return answer(applyFail(mode, f->error, normal, &skip));
    }
    return answer(normal);
}

bool Simulator::controlFail(const std::vector<std::string> &args, std::string *reply)
{
    if (args.size() == 2 && args[1] == "clear") {
        m_fail.clear();
        return true;
    }
    if (args.size() == 1) {
        std::string list;
        for (const auto &f : m_fail) {
            const char *m = f.second.mode == FailMode::Nak       ? "nak"
                            : f.second.mode == FailMode::Silent  ? "silent"
                            : f.second.mode == FailMode::Corrupt ? "corrupt"
                                                                 : "ER";
            list += (list.empty() ? "" : "\n") + f.first + " " + m +
                    (f.second.mode == FailMode::Error
                         ? (f.second.error < 10 ? "0" : "") + std::to_string(f.second.error)
                         : "");
        }
        *reply = list;
        return true;
    }
    if (args.size() != 3)
        return false;
    std::string key = args[1];
    std::string lower = key;
    for (char &ch : lower)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    if (lower == "signon")
        key = lower;
    else if (lower.compare(0, 3, "ds:") == 0 && key.size() == 4)
        key = "ds:" + key.substr(3); // DS letters are case-sensitive
    else
        for (char &ch : key)
            ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    std::string mode = args[2];
    Fail f;
    long nn = 0;
    if (mode == "off") {
        m_fail.erase(key);
        return true;
    } else if (mode == "nak") {
        f.mode = FailMode::Nak;
    } else if (mode == "silent") {
        f.mode = FailMode::Silent;
    } else if (mode == "corrupt") {
        f.mode = FailMode::Corrupt;
    } else if (mode.size() == 4 &&
               (mode.compare(0, 2, "ER") == 0 || mode.compare(0, 2, "er") == 0) &&
               toInt(mode.substr(2), 0, 99, &nn)) {
        f.mode = FailMode::Error;
        f.error = static_cast<int>(nn);
    } else {
        return false;
    }
    m_fail[key] = f;
    return true;
}

// "late MS [N]", "dup [N]", "stale [N]", each also with "off".
bool Simulator::controlTimedFault(const std::vector<std::string> &w)
{
    const std::string &cmd = w[0];
    int &count = cmd == "late" ? m_late : cmd == "dup" ? m_dup : m_stale;
    if (w.size() == 2 && w[1] == "off") {
        count = 0;
        return true;
    }
    std::size_t first = 1;
    long ms = 0, n = 1;
    if (cmd == "late") {
        if (w.size() < 2 || !toInt(w[1], 0, 600000, &ms))
            return false;
        first = 2;
    }
    if (w.size() > first + 1 || (w.size() == first + 1 && !toInt(w[first], 1, 1000000, &n)))
        return false;
    count = static_cast<int>(n);
    if (cmd == "late")
        m_lateMs = static_cast<int>(ms);
    return true;
}

bool Simulator::control(const std::string &line, std::string *reply)
{
    std::string scratch;
    std::string &r = reply ? *reply : scratch;
    r = "ok";
    std::vector<std::string> w = words(line);
    if (w.empty()) {
        r.clear();
        return true;
    }
    const std::string &cmd = w[0];
    long n = 0;
    double d = 0;
    auto onOff = [&](bool *value) {
        if (w.size() != 2 || (w[1] != "on" && w[1] != "off"))
            return false;
        *value = w[1] == "on";
        return true;
    };
    bool ok = true;
    bool flag = false;
    if (cmd == "help") {
        r = HelpText;
    } else if (cmd == "lock" && w.size() == 2 && (w[1] == "open" || w[1] == "close")) {
        m_model.setCalibrationLock(w[1] == "open");
    } else if (cmd == "fail") {
        ok = controlFail(w, &r);
    } else if (cmd == "noconfirm" && w.size() == 2 &&
               (w[1] == "on" || w[1] == "off" || w[1] == "lost")) {
        m_noConfirm = w[1] == "on"     ? NoConfirm::Silent
                      : w[1] == "lost" ? NoConfirm::Lost
                                       : NoConfirm::Off;
    } else if ((cmd == "drop" || cmd == "corrupt") && w.size() == 2 &&
               toInt(w[1], 0, 1000000, &n)) {
        (cmd == "drop" ? m_drop : m_corrupt) = static_cast<int>(n);
    } else if (cmd == "late" || cmd == "dup" || cmd == "stale") {
        ok = controlTimedFault(w);
    } else if (cmd == "echo" && (w.size() == 1 || onOff(&flag))) {
        m_echo = w.size() == 1 || flag;
    } else if ((cmd == "delay" || cmd == "react") && w.size() == 2 && toInt(w[1], 0, 600000, &n)) {
        (cmd == "delay" ? m_delayMs : m_reactMs) = static_cast<int>(n);
    } else if (cmd == "pace" && w.size() == 2 && (w[1] == "off" || toInt(w[1], 50, 1000000, &n))) {
        m_paceBaud = w[1] == "off" ? 0 : static_cast<int>(n);
    } else if (cmd == "hangup" && w.size() == 1) {
        m_hangUp = true;
    } else if (cmd == "log" && w.size() == 1) {
        r.clear();
        for (const std::string &e : m_log)
            r += (r.empty() ? "" : "\n") + e;
    } else if (cmd == "clearlog" && w.size() == 1) {
        clearLog();
    } else if (cmd == "set" && w.size() >= 2) {
        // the value is the rest of the line, blanks included
        std::size_t at = line.find(w[1]) + w[1].size();
        std::string value = at < line.size() ? line.substr(at + 1) : std::string();
        sync();
        ok = m_model.force(w[1], value);
        if (!ok)
            r = "error: no such address";
    } else if (cmd == "get" && w.size() == 2) {
        sync();
        std::string value;
        int e = m_model.read(w[1], &value);
        char buf[16];
        std::snprintf(buf, sizeof buf, " (ER%02d)", e);
        r = e ? w[1] + buf : w[1] + "=" + value;
    } else if (cmd == "flow" && w.size() == 2 && toDouble(w[1], &d) && d >= 0) {
        sync();
        m_model.setFlow(d);
    } else if (cmd == "temp" && w.size() == 2 && toDouble(w[1], &d) && d > -100 && d < 200) {
        sync();
        m_model.setSensorTemperature(d);
    } else if (cmd == "disturb" && onOff(&flag)) {
        sync();
        m_model.setDisturbed(flag);
    } else if ((cmd == "elapse" || cmd == "advance") && w.size() == 2 &&
               toInt(w[1], 0, 2000000000L, &n)) {
        sync();
        elapse(n);
    } else if (cmd == "archive" && w.size() == 2 && toInt(w[1], 0, 15, &n)) {
        m_model.keepArchive(static_cast<int>(n));
    } else if (cmd == "freeze" && onOff(&flag)) {
        setFrozen(flag);
    } else if (cmd == "state" && w.size() == 1) {
        r = std::string("generation ") + (m_model.generation() == 1 ? "V1x" : "V2x") + ", " +
            stateName(m_state) + ", calibration lock " +
            (m_model.calibrationLockOpen() ? "open" : "closed");
        if (m_model.generation() == 1)
            r += std::string(", user lock ") + (m_model.userLockOpen() ? "open" : "closed");
    } else {
        ok = false;
    }
    if (!ok && r == "ok")
        r = "error: unknown command or bad arguments: " + line;
    return ok;
}

} // namespace rq60
