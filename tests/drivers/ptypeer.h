// Test helpers: a driver library loaded from the build's bin folder, and a
// scripted peer on the master side of a pseudo-terminal that answers each
// request the drivers send with canned bytes.
#ifndef PXRQ60_TESTS_PTYPEER_H
#define PXRQ60_TESTS_PTYPEER_H

#include "driverproc.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class DriverLib
{
public:
    // `file` relative to PX_BIN_DIR unless it starts with "/".
    explicit DriverLib(const std::string &file);
    ~DriverLib();
    bool loaded() const { return proc != nullptr; }
    int32_t call(int32_t code, char *buffer = nullptr, int32_t count = 0, int32_t param = 0);
    // Text call with a buffer of `capacity` bytes; `text` in, answer out.
    int32_t text(int32_t code, std::string &text, int32_t capacity = 101, int32_t param = 0);
    DriverProcFn proc = nullptr;
    int32_t lastCount = 0;

private:
    void *m_handle = nullptr;
};

class PtyPeer
{
public:
    // Gets one complete request (a sign-on line, a SOH frame or a single
    // byte) and returns the bytes to answer; it may sleep or call hangUp().
    // The answer goes out no sooner than a real device could send it: after
    // the request's wire time at the line's rate and the reaction time.
    using Handler = std::function<std::string(const std::string &request)>;

    PtyPeer();
    ~PtyPeer();
    const std::string &slavePath() const { return m_slave; }
    void start(Handler handler);
    void stop();
    void hangUp();
    int master() const { return m_master; }
    // Least time from the end of a request to its answer (default 20 ms).
    void setReactionMs(int ms) { m_reactMs = ms; }
    // Writes bytes to the program's side at once, as a device that talks
    // out of turn (from any thread).
    void inject(const std::string &bytes);
    std::vector<std::string> requests();
    int countStartingWith(const std::string &prefix);

private:
    void run();
    std::size_t requestLength(const std::string &in) const;
    int lineBaud() const;
    int m_master = -1;
    std::atomic<int> m_reactMs{20};
    int m_keeper = -1; // holds the slave open so the master never sees a hang-up between opens
    std::string m_slave;
    Handler m_handler;
    std::thread thread_;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::mutex m_writeMutex;
    std::vector<std::string> m_requests;
};

#endif
