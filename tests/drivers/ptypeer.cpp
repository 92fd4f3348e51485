#include "ptypeer.h"

#include "iecframe.h"

#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

DriverLib::DriverLib(const std::string &file)
{
    std::string path = file[0] == '/' ? file : std::string(PX_BIN_DIR) + "/" + file;
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_)
        proc = reinterpret_cast<DriverProcFn>(dlsym(handle_, "DriverProc"));
}

DriverLib::~DriverLib()
{
    if (handle_)
        dlclose(handle_);
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
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) < 0 || unlockpt(master_) < 0)
        return;
    slave_ = ptsname(master_);
    keeper_ = open(slave_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios t{};
    tcgetattr(keeper_, &t);
    cfmakeraw(&t);
    tcsetattr(keeper_, TCSANOW, &t);
}

PtyPeer::~PtyPeer()
{
    stop();
    if (master_ >= 0)
        close(master_);
    if (keeper_ >= 0)
        close(keeper_);
}

void PtyPeer::start(Handler handler)
{
    handler_ = std::move(handler);
    stop_ = false;
    thread_ = std::thread([this] { run(); });
}

void PtyPeer::stop()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
}

void PtyPeer::hangUp()
{
    close(master_);
    master_ = -1;
}

std::vector<std::string> PtyPeer::requests()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
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

void PtyPeer::run()
{
    std::string in;
    while (!stop_ && master_ >= 0) {
        pollfd p{master_, POLLIN, 0};
        if (poll(&p, 1, 20) <= 0 || !(p.revents & POLLIN))
            continue;
        char chunk[256];
        ssize_t n = read(master_, chunk, sizeof chunk);
        if (n <= 0)
            continue;
        in.append(chunk, static_cast<std::size_t>(n));
        while (!in.empty() && master_ >= 0) {
            std::size_t len = requestLength(in);
            if (len == 0)
                break;
            std::string request = in.substr(0, len);
            in.erase(0, len);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                requests_.push_back(request);
            }
            std::string reply = handler_(request);
            if (master_ >= 0 && !reply.empty() && write(master_, reply.data(), reply.size()) < 0)
                break;
        }
    }
}
