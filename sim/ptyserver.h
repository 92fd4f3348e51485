// A Simulator behind a pseudo-terminal, served by a background thread: the
// program opens the slave side as it would open a serial adapter.
//
// The server holds no slave descriptor after start(), so the program's
// exclusive open works and the program may close and reopen the port at
// will (the server rides out the EIO the master gives while nobody holds the
// slave). hangUp() closes the master: the program's reads then fail with EIO
// or POLLHUP, as when an adapter is unplugged; "replug" makes a new
// pseudo-terminal (and moves the link to it) with the device state kept.
//
// A request crosses the line at the line's rate (the rate the program set on
// the slave side, 10 bits a byte) before the device's reaction time and any
// extra delay start; then the answer goes out, paced at the line rate when
// pacing is on. Answers wait in a queue by the time they are due, so a late
// answer leaves while the device goes on serving later requests.
//
// All public functions are thread-safe.
#ifndef RQ60SIM_PTYSERVER_H
#define RQ60SIM_PTYSERVER_H

#include "simulator.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace rq60 {

class PtyServer
{
public:
    explicit PtyServer(int generation);
    ~PtyServer();
    PtyServer(const PtyServer &) = delete;
    PtyServer &operator=(const PtyServer &) = delete;

    // Opens the pseudo-terminal and starts serving. Returns the slave path
    // (e.g. "/dev/pts/7"); with linkPath, also makes that symbolic link to it
    // (replacing an existing link). Throws std::runtime_error on failure.
    std::string start(const std::string &linkPath = std::string());
    // Stops the thread, closes the master and removes the link.
    void stop();

    std::string slavePath() const;
    bool hungUp() const { return m_hungUp; }

    // Control commands as Simulator::control, plus "hangup" (as hangUp())
    // and "replug" (a new pseudo-terminal after a hang-up; the reply is the
    // new slave path).
    bool control(const std::string &line, std::string *reply = nullptr);
    std::vector<std::string> requestLog() const;
    void clearLog();
    void setLogSink(std::function<void(const std::string &)> sink);

    // Runs fn on the simulator under the server's lock.
    void withSimulator(const std::function<void(Simulator &)> &fn);

    // Closes the master side, as an unplugged adapter.
    void hangUp();

private:
    void openPty();
    void closeMaster();
    struct Outgoing {
        std::chrono::steady_clock::time_point due;
        std::string bytes;
        int paceBaud = 0; // 0: all at once
    };

    void serve();
    bool waitWake(int ms);
    void schedule(const std::vector<Simulator::Reply> &replies, int reactMs, int paceBaud);
    void sendDue();
    void sendBytes(const std::string &bytes, int baud);
    int lineBaud() const;

    Simulator m_sim;
    mutable std::mutex m_mutex; // guards m_sim, m_slavePath
    std::mutex m_lifeMutex;     // serialises start/stop/hangUp/replug
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_hungUp{false};
    std::atomic<int> m_master{-1};
    int m_wake[2] = {-1, -1};
    std::string m_slavePath;
    std::string m_linkPath;
    std::vector<Outgoing> m_outgoing; // by due time; only the serving thread touches it
};

} // namespace rq60

#endif
