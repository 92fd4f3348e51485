// Settings text, port names and the errno mapping: no I/O except reading
// the environment and sline_32.conf.
#include "line.h"

#include "driverproc.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace sline {

namespace {

std::string trimmed(const std::string &s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r'))
        --e;
    return s.substr(b, e - b);
}

std::string upper(std::string s)
{
    for (char &c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// A decimal number of at most 7 digits, nothing else; -1 otherwise.
int plainNumber(const std::string &s)
{
    if (s.empty() || s.size() > 7)
        return -1;
    int n = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

// "RS0" / "RS1" (and "DS0" / "DS1"): the modem line switch.
bool parseSwitch(const std::string &field, const char *prefix, bool &on)
{
    if (field.size() != 3 || field.compare(0, 2, prefix) != 0)
        return false;
    if (field[2] != '0' && field[2] != '1')
        return false;
    on = field[2] == '1';
    return true;
}

} // namespace

bool parseLineSettings(const std::string &text, LineSettings &out)
{
    std::vector<std::string> f;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ','))
        f.push_back(upper(trimmed(item)));
    if (f.size() != 7 || text.empty() || text.back() == ',')
        return false;

    static const int rates[] = {300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
    LineSettings s;
    s.baud = plainNumber(f[0]);
    bool rateKnown = false;
    for (int r : rates)
        rateKnown = rateKnown || r == s.baud;
    if (!rateKnown)
        return false;
    if (f[1] != "N" && f[1] != "E" && f[1] != "O")
        return false;
    s.parity = f[1][0];
    s.dataBits = plainNumber(f[2]);
    s.stopBits = plainNumber(f[3]);
    if ((s.dataBits != 7 && s.dataBits != 8) || (s.stopBits != 1 && s.stopBits != 2))
        return false;
    // Only raw bytes: the protocols frame and check their data themselves.
    if (f[4] != "BIN")
        return false;
    if (!parseSwitch(f[5], "RS", s.rts) || !parseSwitch(f[6], "DS", s.dtr))
        return false;
    out = s;
    return true;
}

int comPortNumber(const std::string &name)
{
    if (name.size() < 4 || upper(name.substr(0, 3)) != "COM")
        return 0;
    int n = plainNumber(name.substr(3));
    return n > 0 && n <= 999 ? n : 0;
}

std::string confPortPath(const std::string &confText, int n)
{
    const std::string key = "COM" + std::to_string(n);
    std::stringstream in(confText);
    std::string line;
    while (std::getline(in, line)) {
        line = trimmed(line);
        if (line.empty() || line[0] == '#' || line[0] == ';')
            continue;
        std::size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        if (upper(trimmed(line.substr(0, eq))) == key)
            return trimmed(line.substr(eq + 1));
    }
    return std::string();
}

std::string settingsDirectory()
{
    const char *dir = std::getenv("PXRQ60_SETTINGS_DIR");
    return dir && *dir ? std::string(dir) : std::string("/var/lib/pxrq60");
}

int32_t readConfFile(const std::string &path, std::string &text)
{
    text.clear();
    // O_NOFOLLOW: a link could make us read any file as port settings;
    // O_NONBLOCK: opening a FIFO must not wait for a writer.
    int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? drv::DrvOk : drv::DrvPortConfig;
    struct stat st {
    };
    int32_t status = drv::DrvOk;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > MaxConfBytes)
        status = drv::DrvPortConfig;
    char chunk[4096];
    while (status == drv::DrvOk) {
        ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || text.size() + static_cast<std::size_t>(std::max<ssize_t>(n, 0)) >
                         static_cast<std::size_t>(MaxConfBytes))
            status = drv::DrvPortConfig; // unreadable, or it grew while we read
        else if (n == 0)
            break;
        else
            text.append(chunk, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (status != drv::DrvOk)
        text.clear();
    return status;
}

int32_t resolvePortPath(int n, std::string &path)
{
    const std::string name = "COM" + std::to_string(n);
    const char *env = std::getenv(("SLINE_32_" + name).c_str());
    if (env && *env) {
        path = env;
        return drv::DrvOk;
    }
    std::string text;
    int32_t status = readConfFile(settingsDirectory() + "/sline_32.conf", text);
    if (status != drv::DrvOk)
        return status;
    path = confPortPath(text, n);
    if (path.empty())
        path = "/dev/ttyS" + std::to_string(n - 1);
    return drv::DrvOk;
}

int32_t openErrorStatus(int err)
{
    switch (err) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR:
    case EISDIR:
    case ENAMETOOLONG:
    case ELOOP: return drv::DrvPortNotFound;
    case EACCES:
    case EPERM:
    case EROFS: return drv::DrvPermission;
    case EBUSY:
    case EWOULDBLOCK: return drv::DrvPortBusy;
    default: return drv::DrvLineGone;
    }
}

} // namespace sline
