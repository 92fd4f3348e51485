// The open port: termios set-up, exclusive hold, send and receive with
// explicit timeouts.
#include "line.h"
#include <algorithm>

#include "driverproc.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace sline {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int FirstByteWaitMs = 300;
// Unix98 pseudo-terminal slaves have the majors 136 to 143.
constexpr unsigned PtySlaveMajorFirst = 136, PtySlaveMajorLast = 143;

speed_t speedFor(int baud)
{
    switch (baud) {
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    default: return B115200;
    }
}

int msUntil(Clock::time_point deadline)
{
    // Rounded up: a wait that ends a fraction early would return before its
    // deadline and make the caller spin.
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

bool isPseudoTerminal(int fd)
{
    struct stat st {
    };
    return fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) && major(st.st_rdev) >= PtySlaveMajorFirst &&
           major(st.st_rdev) <= PtySlaveMajorLast;
}

} // namespace

bool settingsTaken(const termios &asked, const termios &got, bool pseudoTerminal)
{
    const tcflag_t frame = CSIZE | PARENB | PARODD | CSTOPB;
    // A pseudo-terminal carries bytes, not bits: it keeps 8 data bits without
    // parity whatever it is asked, and there is no line to garble.
    const tcflag_t checked = pseudoTerminal ? tcflag_t(CSTOPB) : frame;
    return cfgetospeed(&got) == cfgetospeed(&asked) && cfgetispeed(&got) == cfgetispeed(&asked) &&
           (got.c_cflag & checked) == (asked.c_cflag & checked);
}

int32_t SerialLine::open(const std::string &path, const LineSettings &settings)
{
    close();
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return openErrorStatus(errno);
    if (!isatty(fd)) {
        ::close(fd);
        return drv::DrvPortNotFound;
    }
    // flock first: it also stops a second open by root and within this
    // process, which TIOCEXCL does not.
    if (flock(fd, LOCK_EX | LOCK_NB) < 0) {
        int err = errno;
        ::close(fd);
        return openErrorStatus(err);
    }
    if (ioctl(fd, TIOCEXCL) < 0) {
        ::close(fd);
        return drv::DrvLineGone;
    }
    m_fd = fd;
    int32_t st = applySettings(settings);
    if (st == drv::DrvOk)
        st = setModemLines(settings);
    if (st != drv::DrvOk) {
        close();
        return st;
    }
    tcflush(m_fd, TCIOFLUSH);
    return drv::DrvOk;
}

int32_t SerialLine::applySettings(const LineSettings &s)
{
    termios t{};
    if (tcgetattr(m_fd, &t) < 0)
        return drv::DrvPortNotFound;
    cfmakeraw(&t);
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    t.c_cflag |= CLOCAL | CREAD | (s.dataBits == 7 ? CS7 : CS8);
    if (s.stopBits == 2)
        t.c_cflag |= CSTOPB;
    if (s.parity != 'N') {
        t.c_cflag |= PARENB;
        if (s.parity == 'O')
            t.c_cflag |= PARODD;
        // A byte with a parity error arrives as 0, which breaks the frame's
        // BCC, so the protocol repeats the request instead of using it.
        t.c_iflag |= INPCK;
    }
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, speedFor(s.baud));
    cfsetospeed(&t, speedFor(s.baud));
    if (tcsetattr(m_fd, TCSANOW, &t) < 0)
        return errno == EINVAL ? drv::DrvBadSettings : drv::DrvLineGone;
    // tcsetattr succeeds when the adapter took any part of the settings;
    // what it did not take would only show later as garbled frames.
    termios got{};
    if (tcgetattr(m_fd, &got) < 0)
        return drv::DrvLineGone;
    if (!settingsTaken(t, got, isPseudoTerminal(m_fd)))
        return drv::DrvBadSettings;
    m_baud = s.baud;
    m_bitsPerChar = 1 + s.dataBits + (s.parity != 'N' ? 1 : 0) + s.stopBits;
    return drv::DrvOk;
}

int32_t SerialLine::setModemLines(const LineSettings &s)
{
    // Optical heads draw their power from RTS and DTR. A pseudo-terminal has
    // no modem lines and refuses with ENOTTY or EINVAL; that is no fault.
    const int bits[2] = {TIOCM_RTS, TIOCM_DTR};
    const bool on[2] = {s.rts, s.dtr};
    for (int i = 0; i < 2; ++i) {
        int bit = bits[i];
        if (ioctl(m_fd, on[i] ? TIOCMBIS : TIOCMBIC, &bit) < 0 && errno != ENOTTY &&
            errno != EINVAL)
            return drv::DrvLineGone;
    }
    return drv::DrvOk;
}

int32_t SerialLine::drainOutput(Clock::time_point deadline)
{
    // tcdrain alone could wait without end on a stuck adapter: wait for the
    // kernel's queue with a deadline, then for the last bytes in the UART.
    for (;;) {
        int pending = 0;
        if (ioctl(m_fd, TIOCOUTQ, &pending) < 0)
            return drv::DrvLineGone;
        if (pending <= 0)
            break;
        if (Clock::now() >= deadline)
            return drv::DrvLineGone;
        auto bytesTime = std::chrono::microseconds(pending * m_bitsPerChar * 1000000LL / m_baud);
        std::this_thread::sleep_for(std::min<Clock::duration>(
            std::max<Clock::duration>(bytesTime, std::chrono::milliseconds(1)),
            deadline - Clock::now()));
    }
    while (tcdrain(m_fd) < 0) {
        if (errno != EINTR)
            return drv::DrvLineGone;
    }
    return drv::DrvOk;
}

void SerialLine::close()
{
    if (m_fd < 0)
        return;
    // What we sent must reach the device (the end of a session above all):
    // let it leave within the time it needs at the line's rate. Only what
    // cannot leave is dropped, so that close() does not wait for it.
    int pending = 0;
    if (ioctl(m_fd, TIOCOUTQ, &pending) < 0)
        pending = 0;
    auto need = std::chrono::milliseconds(200 + pending * m_bitsPerChar * 1000LL / m_baud);
    if (drainOutput(Clock::now() + need) != drv::DrvOk)
        tcflush(m_fd, TCOFLUSH);
    tcflush(m_fd, TCIFLUSH);
    ::close(m_fd); // also drops the flock and, on the last close, TIOCEXCL
    m_fd = -1;
}

int32_t SerialLine::send(const char *data, int32_t size)
{
    // The bytes need size * bits-per-character bit times on the wire; a line
    // that takes a second longer than that is stuck.
    auto deadline =
        Clock::now() + std::chrono::milliseconds(
                           1000 + size * static_cast<long long>(m_bitsPerChar) * 1000 / m_baud);
    int32_t sent = 0;
    while (sent < size) {
        ssize_t w = ::write(m_fd, data + sent, static_cast<size_t>(size - sent));
        if (w > 0) {
            sent += static_cast<int32_t>(w);
            continue;
        }
        if (w < 0 && errno == EINTR)
            continue;
        if (w < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return drv::DrvLineGone;
        pollfd p{m_fd, POLLOUT, 0};
        int r = poll(&p, 1, msUntil(deadline));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0 || (p.revents & (POLLHUP | POLLERR | POLLNVAL)))
            return drv::DrvLineGone;
    }
    // The caller reckons the device's reaction time from the moment the
    // request has left.
    return drainOutput(deadline);
}

int32_t SerialLine::receive(char *buffer, int32_t capacity, int32_t &received, int waitMs)
{
    received = 0;
    bool gone = false;
    auto deadline = Clock::now() + std::chrono::milliseconds(waitMs > 0 ? waitMs : FirstByteWaitMs);
    while (received < capacity) {
        pollfd p{m_fd, POLLIN, 0};
        int r = poll(&p, 1, msUntil(deadline));
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0) {
            gone = true;
            break;
        }
        if (r == 0)
            break;
        if (p.revents & POLLIN) {
            ssize_t n = ::read(m_fd, buffer + received, static_cast<size_t>(capacity - received));
            if (n > 0) {
                received += static_cast<int32_t>(n);
                // Take what is already there and return: the protocol
                // drivers receive again until their frame is complete, so
                // waiting for a quiet line would only add to every exchange.
                deadline = Clock::now();
                continue;
            }
            if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
                continue;
            // Readable but nothing to read (0) or EIO: the adapter was
            // unplugged or the other side of a pseudo-terminal closed.
            gone = true;
            break;
        }
        gone = true; // POLLHUP, POLLERR or POLLNVAL without data
        break;
    }
    if (received < capacity)
        buffer[received] = 0;
    // Bytes that came before a hang-up are still delivered; the next call
    // reports the line as gone.
    if (received > 0)
        return drv::DrvOk;
    return gone ? drv::DrvLineGone : drv::DrvTimeout;
}

int32_t SerialLine::flushInput(int32_t &dropped)
{
    int queued = 0;
    dropped = ioctl(m_fd, FIONREAD, &queued) == 0 && queued > 0 ? queued : 0;
    return tcflush(m_fd, TCIFLUSH) == 0 ? drv::DrvOk : drv::DrvLineGone;
}

} // namespace sline
