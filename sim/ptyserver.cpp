#include "ptyserver.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace rq60 {

namespace {

std::runtime_error sysError(const std::string &what)
{
    return std::runtime_error(what + ": " + std::strerror(errno));
}

void makeRaw(int fd)
{
    termios t{};
    if (tcgetattr(fd, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
    }
}

} // namespace

PtyServer::PtyServer(int generation) : m_sim(generation)
{
    if (pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0)
        throw sysError("pipe2");
}

PtyServer::~PtyServer()
{
    stop();
    close(m_wake[0]);
    close(m_wake[1]);
}

void PtyServer::openPty()
{
    int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0)
        throw sysError("posix_openpt");
    char name[128] = {};
    if (grantpt(master) != 0 || unlockpt(master) != 0 ||
        ptsname_r(master, name, sizeof name) != 0) {
        int e = errno;
        close(master);
        errno = e;
        throw sysError("pseudo-terminal set-up");
    }
    makeRaw(master);
    // A fresh slave side cooks its input (echo, CR to LF); a serial adapter
    // does not. Make it raw once, then let go of it so the program's
    // exclusive open succeeds and a hang-up reaches the program.
    int slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave >= 0) {
        makeRaw(slave);
        close(slave);
    }
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);

    if (!m_linkPath.empty()) {
        struct stat st {
        };
        if (lstat(m_linkPath.c_str(), &st) == 0) {
            if (!S_ISLNK(st.st_mode)) {
                close(master);
                throw std::runtime_error(m_linkPath +
                                         " exists and is no symbolic link; not replaced");
            }
            unlink(m_linkPath.c_str());
        }
        if (symlink(name, m_linkPath.c_str()) != 0) {
            int e = errno;
            close(master);
            errno = e;
            throw sysError("symlink " + m_linkPath);
        }
    }
    {
        std::lock_guard<std::mutex> g(m_mutex);
        m_slavePath = name;
    }
    m_master = master;
    m_hungUp = false;
}

void PtyServer::closeMaster()
{
    int fd = m_master.exchange(-1);
    if (fd >= 0)
        close(fd);
    if (!m_linkPath.empty()) {
        struct stat st {
        };
        if (lstat(m_linkPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
            unlink(m_linkPath.c_str());
    }
}

std::string PtyServer::start(const std::string &linkPath)
{
    std::lock_guard<std::mutex> life(m_lifeMutex);
    if (m_thread.joinable())
        throw std::runtime_error("PtyServer already started");
    m_linkPath = linkPath;
    openPty();
    m_stop = false;
    m_thread = std::thread(&PtyServer::serve, this);
    return slavePath();
}

void PtyServer::stop()
{
    std::lock_guard<std::mutex> life(m_lifeMutex);
    m_stop = true;
    if (write(m_wake[1], "s", 1) < 0) {
        // the pipe is full: the thread wakes anyway
    }
    if (m_thread.joinable())
        m_thread.join();
    closeMaster();
}

void PtyServer::hangUp()
{
    stop();
    m_hungUp = true;
}

std::string PtyServer::slavePath() const
{
    std::lock_guard<std::mutex> g(m_mutex);
    return m_slavePath;
}

bool PtyServer::control(const std::string &line, std::string *reply)
{
    std::string scratch;
    std::string &r = reply ? *reply : scratch;
    if (line.find_first_not_of(" \t") != std::string::npos &&
        line.substr(line.find_first_not_of(" \t"), 6) == "replug") {
        if (!m_hungUp) {
            r = "error: the line is not hung up";
            return false;
        }
        try {
            start(m_linkPath);
        } catch (const std::exception &e) {
            r = std::string("error: ") + e.what();
            return false;
        }
        r = slavePath();
        return true;
    }
    bool ok = false;
    bool hang = false;
    {
        std::lock_guard<std::mutex> g(m_mutex);
        ok = m_sim.control(line, &r);
        hang = m_sim.takeHangUp();
    }
    if (hang)
        hangUp();
    return ok;
}

std::vector<std::string> PtyServer::requestLog() const
{
    std::lock_guard<std::mutex> g(m_mutex);
    return m_sim.requestLog();
}

void PtyServer::clearLog()
{
    std::lock_guard<std::mutex> g(m_mutex);
    m_sim.clearLog();
}

void PtyServer::setLogSink(std::function<void(const std::string &)> sink)
{
    std::lock_guard<std::mutex> g(m_mutex);
    m_sim.setLogSink(std::move(sink));
}

void PtyServer::withSimulator(const std::function<void(Simulator &)> &fn)
{
    std::lock_guard<std::mutex> g(m_mutex);
    fn(m_sim);
}

// Waits ms or until woken; false when the server is stopping.
bool PtyServer::waitWake(int ms)
{
    pollfd p{m_wake[0], POLLIN, 0};
    if (poll(&p, 1, ms) > 0) {
        char buf[16];
        while (read(m_wake[0], buf, sizeof buf) > 0) {
        }
    }
    return !m_stop;
}

// The rate the program set on the line (the slave's settings, which the
// master sees too); 9600 when it cannot be read.
int PtyServer::lineBaud() const
{
    termios t{};
    if (m_master < 0 || tcgetattr(m_master, &t) != 0)
        return 9600;
    switch (cfgetospeed(&t)) {
    case B50: return 50;
    case B300: return 300;
    case B600: return 600;
    case B1200: return 1200;
    case B2400: return 2400;
    case B4800: return 4800;
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    default: return 9600;
    }
}

void PtyServer::schedule(const std::vector<Simulator::Reply> &replies, int reactMs, int paceBaud)
{
    using namespace std::chrono;
    const auto now = steady_clock::now();
    const int baud = lineBaud();
    for (const Simulator::Reply &r : replies) {
        Outgoing o;
        o.bytes = r.bytes;
        o.due = now;
        if (!r.immediate) {
            // 10 bits a byte: start bit, 8 data bits, stop bit.
            const auto wire =
                microseconds(static_cast<long long>(r.requestBytes) * 10000000LL / baud);
            o.due = now + wire + milliseconds(r.lateMs >= 0 ? r.lateMs : reactMs);
            o.paceBaud = paceBaud;
        }
        auto at = std::upper_bound(m_outgoing.begin(), m_outgoing.end(), o.due,
                                   [](auto due, const Outgoing &x) { return due < x.due; });
        m_outgoing.insert(at, o);
    }
}

void PtyServer::sendDue()
{
    while (!m_outgoing.empty() && !m_stop &&
           m_outgoing.front().due <= std::chrono::steady_clock::now()) {
        Outgoing o = std::move(m_outgoing.front());
        m_outgoing.erase(m_outgoing.begin());
        sendBytes(o.bytes, o.paceBaud);
    }
}

void PtyServer::sendBytes(const std::string &bytes, int baud)
{
    // A paced byte is there once its stop bit has crossed the line.
    auto byteTime = std::chrono::microseconds(baud > 0 ? 10000000 / baud : 0);
    auto due = std::chrono::steady_clock::now();
    std::size_t sent = 0;
    int stalls = 0;
    while (sent < bytes.size() && !m_stop) {
        std::size_t chunk = baud > 0 ? 1 : bytes.size() - sent;
        if (baud > 0) {
            due += byteTime;
            std::this_thread::sleep_until(due);
        }
        ssize_t n = write(m_master, bytes.data() + sent, chunk);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            stalls = 0;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // Nobody reads (the program closed the port) or the buffer is full:
        // wait a little; after a second the bytes are lost, as on a line.
        if (n < 0 && errno != EAGAIN)
            return;
        if (++stalls > 50 || !waitWake(20))
            return;
    }
}

void PtyServer::serve()
{
    char buf[512];
    while (!m_stop) {
        int timeout = 50;
        if (!m_outgoing.empty()) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                m_outgoing.front().due - std::chrono::steady_clock::now());
            timeout =
                static_cast<int>(std::max<long long>(0, std::min<long long>(50, left.count())));
        }
        pollfd fds[2] = {{m_master, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        int r = poll(fds, 2, timeout);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[1].revents) {
            while (read(m_wake[0], buf, sizeof buf) > 0) {
            }
            if (m_stop)
                break;
        }
        if (fds[0].revents & POLLIN) {
            ssize_t n = read(m_master, buf, sizeof buf);
            if (n > 0) {
                std::lock_guard<std::mutex> g(m_mutex);
                schedule(m_sim.receive(std::string(buf, static_cast<std::size_t>(n))),
                         m_sim.reactMs() + m_sim.delayMs(), m_sim.paceBaud());
            } else if (!(n < 0 && (errno == EAGAIN || errno == EINTR))) {
                // No process holds the slave open: the master reports a
                // hang-up until the program opens the port again; what was
                // still to be sent is lost with the line.
                m_outgoing.clear();
                waitWake(20);
            }
        } else if (fds[0].revents & (POLLHUP | POLLERR)) {
            m_outgoing.clear();
            waitWake(20);
        }
        sendDue();
        if (r == 0) {
            std::lock_guard<std::mutex> g(m_mutex);
            m_sim.feed(std::string()); // let the clock and the idle timeout run
        }
    }
    m_outgoing.clear();
}

} // namespace rq60
