// DriverProc of the protocol driver pcolb_32 ("DS").
#include "driverproc.h"
#include "protocol.h"

#include <mutex>

namespace {

struct DsDriver {
    std::mutex mutex;
    bool initialised = false;
    ds::Session session;
};

DsDriver &driver()
{
    static DsDriver d;
    return d;
}

int32_t readCall(ds::Session &s, char *buffer, int32_t *count, const int32_t *param)
{
    if (!buffer || !count || !param)
        return drv::DrvBadArgument;
    std::string text;
    int32_t st = s.readField(*param, text);
    return st == drv::DrvOk ? linelink::putText(text, buffer, count) : st;
}

} // namespace

extern "C" __attribute__((visibility("default"))) int32_t DriverProc(int32_t code, char *buffer,
                                                                     int32_t *count, int32_t *param)
{
    DsDriver &d = driver();
    std::lock_guard<std::mutex> lock(d.mutex);
    ds::Session &s = d.session;
    switch (code) {
    case drv::ProtoInit:
        s = ds::Session();
        d.initialised = true;
        return drv::DrvOk;
    case drv::ProtoInit2: return d.initialised ? drv::DrvOk : drv::DrvOutOfOrder;
    case drv::ProtoAttachLine:
        if (!d.initialised)
            return drv::DrvOutOfOrder;
        if (!buffer)
            return drv::DrvBadArgument;
        s.stop();
        s.line().attach(reinterpret_cast<DriverProcFn>(buffer));
        return drv::DrvOk;
    case drv::ProtoStart: return s.line().attached() ? s.start() : drv::DrvOutOfOrder;
    case drv::ProtoRead:
        return s.started() ? readCall(s, buffer, count, param) : drv::DrvOutOfOrder;
    case drv::ProtoEnd: return s.line().attached() ? s.end() : drv::DrvOutOfOrder;
    case drv::ProtoClose:
        if (!d.initialised)
            return drv::DrvOutOfOrder;
        s.stop();
        return drv::DrvOk;
    case drv::ProtoCounters: return linelink::counterCall(s.line(), count, param);
    case drv::ProtoDeinit:
        if (!d.initialised)
            return drv::DrvOutOfOrder;
        s = ds::Session();
        d.initialised = false;
        return drv::DrvOk;
    default: // DS has no write
        return drv::DrvBadArgument;
    }
}
