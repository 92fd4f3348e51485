// DriverProc of the protocol driver pcola_32 ("WN").
#include "driverproc.h"
#include "protocol.h"

#include <mutex>

namespace {

struct WnDriver {
    std::mutex mutex;
    bool initialised = false;
    wn::Session session;
};

WnDriver &driver()
{
    static WnDriver d;
    return d;
}

int32_t readCall(wn::Session &s, char *buffer, int32_t *count)
{
    std::string address, value;
    int32_t st = linelink::takeText(buffer, count, address);
    if (st == drv::DrvOk)
        st = s.read(address, value);
    return st == drv::DrvOk ? linelink::putText(address + "=" + value, buffer, count) : st;
}

int32_t writeCall(wn::Session &s, char *buffer, int32_t *count)
{
    std::string text, address, value, stored;
    int32_t st = linelink::takeText(buffer, count, text);
    if (st == drv::DrvOk)
        st = wn::splitWriteRequest(text, address, value);
    if (st == drv::DrvOk)
        st = s.write(address, value, stored);
    // A stored value too long for the buffer still was written; -12 tells
    // the program it cannot see what the device holds.
    return st == drv::DrvOk ? linelink::putText(address + "=" + stored, buffer, count) : st;
}

} // namespace

extern "C" __attribute__((visibility("default"))) int32_t DriverProc(int32_t code, char *buffer,
                                                                     int32_t *count, int32_t *param)
{
    WnDriver &d = driver();
    std::lock_guard<std::mutex> lock(d.mutex);
    wn::Session &s = d.session;
    switch (code) {
    case drv::ProtoInit:
        s = wn::Session();
        d.initialised = true;
        return drv::DrvOk;
    case drv::ProtoInit2: return d.initialised ? drv::DrvOk : drv::DrvOutOfOrder;
    case drv::ProtoAttachLine:
        if (!d.initialised)
            return drv::DrvOutOfOrder;
        if (!buffer)
            return drv::DrvBadArgument;
        s.signOff();
        s.line().attach(reinterpret_cast<DriverProcFn>(buffer));
        return drv::DrvOk;
    case drv::ProtoStart: return s.line().attached() ? s.signOn() : drv::DrvOutOfOrder;
    case drv::ProtoRead: return s.signedOn() ? readCall(s, buffer, count) : drv::DrvOutOfOrder;
    case drv::ProtoWrite: return s.signedOn() ? writeCall(s, buffer, count) : drv::DrvOutOfOrder;
    case drv::ProtoEnd: return s.line().attached() ? s.sendBreak() : drv::DrvOutOfOrder;
    case drv::ProtoClose:
        if (!d.initialised)
            return drv::DrvOutOfOrder;
        s.signOff();
        return drv::DrvOk;
    case drv::ProtoCounters: return linelink::counterCall(s.line(), count, param);
    case drv::ProtoDeinit:
        if (!d.initialised)
            return drv::DrvOutOfOrder;
        s = wn::Session();
        d.initialised = false;
        return drv::DrvOk;
    default: return drv::DrvBadArgument;
    }
}
