// The RQ-60 at the byte level: the "WN" and "DS" session state machines over
// a DeviceModel, with fault injection. No I/O and no threads: feed() takes
// the bytes the device receives and returns the bytes it sends back. Timing
// (reaction time, slow answers, line-rate pacing) is only recorded here and
// carried out by whoever moves the bytes (PtyServer); the idle timeout and
// the model's clock follow the monotonic clock plus any elapse() given.
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

    explicit Simulator(int generation);

    // Consumes received bytes; returns what the device sends back (possibly
    // nothing). Bytes of an incomplete request are kept for the next call.
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
    int m_delayMs = 0;
    int m_reactMs = 5;
    int m_paceBaud = 0;
    bool m_hangUp = false;
};

} // namespace rq60

#endif
