// A recording stand-in for the driver libraries, built three times (as
// sline_32.so, pcola_32.so, pcolb_32.so) into a folder of the tests' own.
// Every call is appended to one log shared by the three (through the
// environment-named file), so a test sees the order across libraries.
// Behaviour is set through the exported fake_set().
#include "driverproc.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#ifndef FAKE_NAME
#define FAKE_NAME "fake"
#endif

#ifndef FAKE_NO_ENTRY
namespace {

std::map<std::string, std::string> &settings()
{
    static std::map<std::string, std::string> s;
    return s;
}

std::string setting(const std::string &key, const std::string &def = std::string())
{
    auto it = settings().find(key);
    return it == settings().end() ? def : it->second;
}

void logCall(const std::string &entry)
{
    const char *file = std::getenv("FAKE_DRIVER_LOG");
    if (!file)
        return;
    if (FILE *f = std::fopen(file, "a")) {
        std::fprintf(f, "%s %s\n", FAKE_NAME, entry.c_str());
        std::fclose(f);
    }
}

int32_t answer(char *buffer, int32_t *count, const std::string &text)
{
    if (!buffer || !count || *count < int32_t(text.size()) + 1)
        return drv::DrvAnswerTooLong;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    *count = int32_t(text.size());
    return 0;
}

} // namespace
#endif

extern "C" __attribute__((visibility("default"))) void fake_set(const char *key, const char *value)
{
#ifndef FAKE_NO_ENTRY
    if (value)
        settings()[key] = value;
    else
        settings().erase(key);
#else
    (void)key;
    (void)value;
#endif
}

#ifndef FAKE_NO_ENTRY
extern "C" __attribute__((visibility("default"))) int32_t DriverProc(int32_t code, char *buffer,
                                                                     int32_t *count, int32_t *param)
{
    std::string entry = std::to_string(code);
    std::string request;
    if ((code == 3 || code == 4) && buffer && std::strcmp(FAKE_NAME, "sline_32") != 0) {
        request = code == 4 && param && *param ? std::string(1, char(*param)) : std::string(buffer);
        entry += " " + request;
    }
    if (code == 2 && buffer && std::strcmp(FAKE_NAME, "sline_32") == 0)
        entry += std::string(" ") + buffer;
    logCall(entry);
    // Line function 9: the path and the status set for the port name.
    std::string forced = setting("status." + std::to_string(code));
    if (code == 9 && buffer && count) {
        const std::string name(buffer);
        forced = setting("status.9." + name, forced);
        const std::string port = setting("port." + name);
        if (!port.empty() && answer(buffer, count, port) != 0)
            return drv::DrvAnswerTooLong;
    }
    if (!forced.empty())
        return std::atoi(forced.c_str());
    if (code == 4 || code == 3) {
        const std::string fail = setting("fail." + request);
        if (!fail.empty())
            return std::atoi(fail.c_str());
        const std::string given = setting("answer." + request);
        if (!given.empty())
            return answer(buffer, count, given == "-" ? std::string() : given);
        if (code == 4 && param && *param)
            return answer(buffer, count, "F" + request);
        // A read answers "ADDR=v" + ADDR; a write echoes its request.
        return answer(buffer, count, code == 4 ? request + "=v" + request : request);
    }
    if (code == 5 && buffer && count) {
        const std::string rx = setting("receive", "\x06\x06\x06");
        const int n = int(std::min<size_t>(rx.size(), size_t(*count)));
        std::memcpy(buffer, rx.data(), size_t(n));
        *count = n;
    }
    return 0;
}
#endif
