#include "ptypeer.h"

#include "iecframe.h"

#include <chrono>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

DriverLib::DriverLib(const std::string &file)
{
    std::string path = file[0] == '/' ? file : std::string(PX_BIN_DIR) + "/" + file;
    m_handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (m_handle)
        proc = reinterpret_cast<DriverProcFn>(dlsym(m_handle, "DriverProc"));
}

DriverLib::~DriverLib()
{
    if (m_handle)
        dlclose(m_handle);
}

int32_t DriverLib::call(int32_t code, char *buffer, int32_t count, int32_t param)
{
    int32_t st = proc(code, buffer, &count, &param);
    lastCount = count;
    return st;
}

int32_t DriverLib::text(int32_t code, std::string &text, int32_t capacity, int32_t param)
{
    std::vector<char> buf(static_cast<std::size_t>(capacity) + 16, '#');
    std::memcpy(buf.data(), text.c_str(), std::min<std::size_t>(text.size() + 1, buf.size()));
    int32_t st = call(code, buf.data(), capacity, param);
    text.assign(buf.data(), strnlen(buf.data(), buf.size()));
    if (buf[static_cast<std::size_t>(capacity)] != '#')
        text = "<written past the buffer>";
    return st;
}

PtyPeer::PtyPeer()
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0 || grantpt(m_master) < 0 || unlockpt(m_master) < 0)
        return;
    m_slave = ptsname(m_master);
    m_keeper = open(m_slave.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios t{};
    tcgetattr(m_keeper, &t);
    cfmakeraw(&t);
    tcsetattr(m_keeper, TCSANOW, &t);
}

PtyPeer::~PtyPeer()
{
    stop();
    if (m_master >= 0)
        close(m_master);
    if (m_keeper >= 0)
        close(m_keeper);
}

void PtyPeer::start(Handler handler)
{
    m_handler = std::move(handler);
    m_stop = false;
    thread_ = std::thread([this] { run(); });
}

void PtyPeer::stop()
{
    m_stop = true;
    if (thread_.joinable())
        thread_.join();
}

void PtyPeer::hangUp()
{
    std::lock_guard<std::mutex> lock(m_writeMutex);
    close(m_master);
    m_master = -1;
}

std::vector<std::string> PtyPeer::requests()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

int PtyPeer::countStartingWith(const std::string &prefix)
{
    int n = 0;
    for (const std::string &r : requests())
        n += r.compare(0, prefix.size(), prefix) == 0;
    return n;
}

std::size_t PtyPeer::requestLength(const std::string &in) const
{
    if (in[0] == '/' || in[0] == iec::ACK) { // sign-on and option select lines
        std::size_t end = in.find("\r\n");
        return end == std::string::npos ? 0 : end + 2;
    }
    if (in[0] == iec::SOH) {
        std::size_t etx = in.find(iec::ETX);
        return etx == std::string::npos || etx + 1 >= in.size() ? 0 : etx + 2;
    }
    return 1;
}

int PtyPeer::lineBaud() const
{
    termios t{};
    if (m_master < 0 || tcgetattr(m_master, &t) != 0)
        return 9600;
    switch (cfgetospeed(&t)) {
    case B300: return 300;
    case B600: return 600;
    case B1200: return 1200;
    case B2400: return 2400;
    case B4800: return 4800;
    case B9600: return 9600;
    case B19200: return 19200;
    default: return 38400;
    }
}

void PtyPeer::inject(const std::string &bytes)
{
    std::lock_guard<std::mutex> lock(m_writeMutex);
    if (m_master >= 0 && write(m_master, bytes.data(), bytes.size()) < 0) {
        // the program's side is gone; nothing to do
    }
}

void PtyPeer::run()
{
    std::string in;
    while (!m_stop && m_master >= 0) {
        pollfd p{m_master, POLLIN, 0};
        if (poll(&p, 1, 20) <= 0 || !(p.revents & POLLIN))
            continue;
        char chunk[256];
        ssize_t n = read(m_master, chunk, sizeof chunk);
        if (n <= 0)
            continue;
        const auto received = std::chrono::steady_clock::now();
        in.append(chunk, static_cast<std::size_t>(n));
        while (!in.empty() && m_master >= 0) {
            std::size_t len = requestLength(in);
            if (len == 0)
                break;
            std::string request = in.substr(0, len);
            in.erase(0, len);
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_requests.push_back(request);
            }
            // 10 bits a byte on the wire, then the device's reaction time.
            const auto due =
                received +
                std::chrono::microseconds(static_cast<long long>(len) * 10000000LL / lineBaud()) +
                std::chrono::milliseconds(m_reactMs.load());
            std::string reply = m_handler(request);
            std::this_thread::sleep_until(due);
            if (!reply.empty())
                inject(reply);
        }
    }
}
