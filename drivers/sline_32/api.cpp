// DriverProc of the line driver sline_32.
#include "driverproc.h"
#include "line.h"

#include <cstring>
#include <mutex>

namespace {

// The program's open text buffer is 256 characters.
constexpr std::size_t MaxOpenText = 256;

struct LineDriver {
    std::mutex mutex;
    bool initialised = false;
    sline::SerialLine line;
};

LineDriver &driver()
{
    static LineDriver d;
    return d;
}

int32_t openPort(sline::SerialLine &line, const char *buffer)
{
    if (!buffer)
        return drv::DrvBadArgument;
    std::size_t len = strnlen(buffer, MaxOpenText);
    if (len == MaxOpenText)
        return drv::DrvBadArgument;
    std::string text(buffer, len);
    std::size_t colon = text.find(':');
    if (colon == std::string::npos)
        return drv::DrvBadSettings;
    sline::LineSettings settings;
    if (!sline::parseLineSettings(text.substr(colon + 1), settings))
        return drv::DrvBadSettings;
    int n = sline::comPortNumber(text.substr(0, colon));
    if (n == 0)
        return drv::DrvPortNotFound;
    return line.open(sline::resolvePortPath(n), settings);
}

// The path for "COMn" in `buffer`, written back into it.
int32_t resolvePort(char *buffer, int32_t *count)
{
    if (!buffer || !count || *count <= 0)
        return drv::DrvBadArgument;
    const std::size_t capacity = std::size_t(*count);
    const int n = sline::comPortNumber(std::string(buffer, strnlen(buffer, capacity)));
    if (n == 0)
        return drv::DrvBadArgument;
    const std::string path = sline::resolvePortPath(n);
    if (path.size() + 1 > capacity)
        return drv::DrvAnswerTooLong;
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    *count = int32_t(path.size());
    return drv::DrvOk;
}

int32_t transfer(sline::SerialLine &line, int32_t code, char *buffer, int32_t *count)
{
    if (!buffer || !count || *count < 0 || (code == drv::LineReceive && *count == 0))
        return drv::DrvBadArgument;
    if (code == drv::LineSend)
        return line.send(buffer, *count);
    int32_t received = 0;
    int32_t st = line.receive(buffer, *count, received);
    *count = received;
    return st;
}

} // namespace

extern "C" __attribute__((visibility("default"))) int32_t DriverProc(int32_t code, char *buffer,
                                                                     int32_t *count, int32_t *param)
{
    (void)param;
    LineDriver &d = driver();
    std::lock_guard<std::mutex> lock(d.mutex);
    switch (code) {
    case drv::LineInit:
        // A fresh start: the program initialises again after a failed
        // connect without closing, and the port it still holds must not make
        // the next open fail as busy.
        d.line.close();
        d.initialised = true;
        return drv::DrvOk;
    case drv::LineOpen:
        if (!d.initialised || d.line.isOpen())
            return drv::DrvOutOfOrder;
        return openPort(d.line, buffer);
    case drv::LineSend:
    case drv::LineReceive:
        if (!d.line.isOpen())
            return drv::DrvOutOfOrder;
        return transfer(d.line, code, buffer, count);
    case drv::LineFlushInput: return d.line.isOpen() ? d.line.flushInput() : drv::DrvOutOfOrder;
    case drv::LineClose:
        if (!d.line.isOpen())
            return drv::DrvOutOfOrder;
        d.line.close();
        return drv::DrvOk;
    case drv::LineDeinit:
        if (!d.initialised)
            return drv::DrvOutOfOrder;
        d.line.close();
        d.initialised = false;
        return drv::DrvOk;
    case drv::LineResolvePort: return resolvePort(buffer, count);
    default: return drv::DrvBadArgument;
    }
}
