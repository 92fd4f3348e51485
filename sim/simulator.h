// The RQ-60 at the byte level: the "WN" and "DS" session state machines over
// a DeviceModel, with fault injection. No I/O and no threads: receive() takes
// the bytes the device receives and returns what it sends back, each piece
// with when it goes out; feed() gives the same bytes run together. Timing
// (request wire time, reaction time, late answers, line-rate pacing) is only
// recorded here and carried out by whoever moves the bytes (PtyServer); the
// idle timeout and the model's clock follow the monotonic clock plus any
// elapse() given.
//
// Not thread-safe; PtyServer serialises access.
//
// Request log: one entry per request received, in order, whatever the
// device's state (a frame that arrives while the device is idle is logged
// and ignored):
//   "SIGNON"            sign-on line "/?!" CR LF (also "/?addr!")
//   "OPTION 041"        option select ACK V Z Y CR LF, the three characters
//   "P1 ()"             password frame: command, blank, data
//   "R1 L34"            read (the empty "()" of a read is left out)
//   "W1 P4(0.1)"        write: command, blank, data
//   "B0"                break
//   "ENQ" / "EOT"       DS start / DS end
//   "DS b"              DS field request, the command letter
//   "ETB"               three ETB bytes
//   "RAW STX3"          link test STX STX STX
//   "... !BCC"          any frame with a wrong BCC gets this suffix (answered NAK)
#ifndef RQ60SIM_SIMULATOR_H
#define RQ60SIM_SIMULATOR_H

#include "devicemodel.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace rq60 {

class Simulator
{
public:
    enum class State {
        Idle,           // waits for a WN sign-on or a DS start
        SignOnOption,   // identification sent, waits for the option select
        SignOnPassword, // P0 sent, waits for P1
        Wn,             // WN programming session
        Ds,             // DS record session (after ENQ)
        DsBetween,      // DS record ended by EOT, waits for the next ENQ
    };

    // How a failed address (or the sign-on) answers.
    enum class FailMode { Error, Nak, Silent, Corrupt };

    // What "noconfirm" does with a write: Off answers as usual; Silent takes
    // the write but answers nothing (the driver reports -13 and the program
    // reads back the new value); Lost answers nothing and drops the write
    // (the read-back shows the old value).
    enum class NoConfirm { Off, Silent, Lost };

    static constexpr std::int64_t IdleTimeoutMs = 120000;
    // The least time the device takes between the end of a request and the
    // start of its answer; the program's drivers rely on it.
    static constexpr int MinReactMs = 20;

    // One piece of what the device sends and when it goes out. An answer
    // leaves once its request has crossed the line (requestBytes at the line
    // rate) and the reaction time and delay have passed, or lateMs after the
    // request when it is late. An immediate piece (the echo of an optical
    // head, a stale frame) goes out at once and unpaced.
    struct Reply {
        std::string bytes;
        bool immediate = false;
        int lateMs = -1; // >= 0: a late answer
        std::size_t requestBytes = 0;
    };

    explicit Simulator(int generation);

    // Consumes received bytes; returns what the device sends back (possibly
    // nothing). Bytes of an incomplete request are kept for the next call.
    std::vector<Reply> receive(const std::string &bytes);
    // receive() with the pieces run together, for tests that need no timing.
    std::string feed(const std::string &bytes);

    // Control commands, the same syntax as rq60sim's standard input (see
    // README.md). Returns false for an unknown command or bad arguments;
    // *reply (when given) receives the answer text, lines separated by "\n".
    bool control(const std::string &line, std::string *reply = nullptr);

    std::vector<std::string> requestLog() const { return {m_log.begin(), m_log.end()}; }
    void clearLog() { m_log.clear(); }
    // Called with every new log entry (rq60sim's --log file).
    void setLogSink(std::function<void(const std::string &)> sink) { m_sink = std::move(sink); }

    DeviceModel &model() { return m_model; }
    const DeviceModel &model() const { return m_model; }
    State state() const { return m_state; }

    // Moves simulated time on (model, clock, idle timeout) as if ms passed.
    void elapse(std::int64_t ms);
    // While frozen, wall-clock time does not move the device; elapse() does.
    void setFrozen(bool frozen);

    // Timing for the byte mover.
    int reactMs() const { return m_reactMs; }
    int delayMs() const { return m_delayMs; }
    int paceBaud() const { return m_paceBaud; } // 0 = no pacing
    // True once after a "hangup" command.
    bool takeHangUp();

private:
    struct Fail {
        FailMode mode = FailMode::Error;
        int error = 0;
    };

    void sync();
    void goIdle();
    void logRequest(const std::string &entry);
    std::string answer(std::string bytes);
    void deliver(const std::string &bytes, std::size_t requestBytes, std::vector<Reply> &out);
    bool controlTimedFault(const std::vector<std::string> &w);
    std::string failAnswer(const Fail &f);
    const Fail *failFor(const std::string &key) const;
    bool takeLine(std::size_t &pos, std::string &out);
    std::string handleFrame(const std::string &cmd, const std::string &data);
    std::string handleRead(const std::string &data);
    std::string handleWrite(const std::string &data);
    std::string handleDsCommand(char c);
    std::string identification() const;
    bool controlFail(const std::vector<std::string> &args, std::string *reply);

    DeviceModel m_model;
    State m_state = State::Idle;
    std::string m_in;
    std::deque<std::string> m_log;
    std::function<void(const std::string &)> m_sink;

    // DS record in progress
    int m_nextKind = 0;
    int m_kind = 0;
    std::string m_recordData;
    std::size_t m_blockPos = 0;

    // time
    std::chrono::steady_clock::time_point m_lastWall;
    bool m_frozen = false;
    std::int64_t m_sinceRequestMs = 0;

    // faults
    std::map<std::string, Fail> m_fail;
    NoConfirm m_noConfirm = NoConfirm::Off;
    int m_drop = 0;
    int m_corrupt = 0;
    int m_late = 0; // the next m_late answers come m_lateMs after their request
    int m_lateMs = 0;
    int m_dup = 0;   // the next m_dup answers are sent twice
    int m_stale = 0; // the next m_stale answers are preceded by the one sent before
    bool m_echo = false;
    std::string m_lastAnswer;
    int m_delayMs = 0;
    int m_reactMs = MinReactMs;
    int m_paceBaud = 0;
    bool m_hangUp = false;
};

} // namespace rq60

#endif
