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
        return drv::DrvBadSettings; // longer than any open text: never cut it
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
    std::string path;
    int32_t st = sline::resolvePortPath(n, path);
    return st == drv::DrvOk ? line.open(path, settings) : st;
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
    std::string path;
    const int32_t st = sline::resolvePortPath(n, path);
    if (st != drv::DrvOk)
        return st;
    if (path.size() + 1 > capacity)
        return drv::DrvAnswerTooLong;
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    *count = int32_t(path.size());
    return drv::DrvOk;
}

int32_t transfer(sline::SerialLine &line, int32_t code, char *buffer, int32_t *count,
                 const int32_t *param)
{
    if (!buffer || !count || *count < 0 || (code == drv::LineReceive && *count == 0))
        return drv::DrvBadArgument;
    if (code == drv::LineSend)
        return line.send(buffer, *count);
    int32_t received = 0;
    int32_t st = line.receive(buffer, *count, received, param && *param > 0 ? *param : 0);
    *count = received;
    return st;
}

} // namespace

extern "C" __attribute__((visibility("default"))) int32_t DriverProc(int32_t code, char *buffer,
                                                                     int32_t *count, int32_t *param)
{
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
        return transfer(d.line, code, buffer, count, param);
    case drv::LineFlushInput: {
        if (!d.line.isOpen())
            return drv::DrvOutOfOrder;
        int32_t dropped = 0;
        int32_t st = d.line.flushInput(dropped);
        if (count)
            *count = dropped;
        return st;
    }
    case drv::LineResolvePort: return resolvePort(buffer, count);
    case drv::LineTiming:
        if (!d.line.isOpen())
            return drv::DrvOutOfOrder;
        if (!count || !param)
            return drv::DrvBadArgument;
        *count = d.line.baud();
        *param = d.line.bitsPerChar();
        return drv::DrvOk;
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
    default: return drv::DrvBadArgument;
    }
}
