// Answer assembly of the "WN" protocol driver: sign-on, reads and writes
// against a device whose every byte comes from the fuzz input. Whatever
// arrives, a call ends with a status of the driver contract, a value only
// on success, and never a value that could not have come in one frame.
#include "fakeline.h"
#include "fuzzcheck.h"
#include "protocol.h"

#include <string>

namespace {

bool knownStatus(int32_t st)
{
    return (st <= 0 && st >= drv::DrvSignOnRefused) ||
           (st <= drv::deviceError(0) && st >= drv::deviceError(99));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    // First byte: the piece size of each receive and which exchange runs.
    const std::size_t piece = (data[0] & 0x3f) + 1;
    const int exchange = data[0] >> 6;
    fakeline::feed(std::string(reinterpret_cast<const char *>(data + 1), size - 1), piece);

    wn::Session s;
    s.line().attach(fakeline::proc);
    int32_t st = drv::DrvOk;
    std::string value;
    switch (exchange) {
    case 0: st = s.signOn(); break;
    case 1:
        st = s.read("L34", value);
        if (st == drv::DrvOk)
            FUZZ_CHECK(linelink::printable(value));
        break;
    case 2:
        st = s.write("P4", "0.1", value);
        if (st == drv::DrvOk)
            FUZZ_CHECK(linelink::printable(value));
        break;
    default:
        // A technician's whole session: sign on, read twice, write, end.
        if ((st = s.signOn()) != drv::DrvOk)
            break;
        if ((st = s.read("L4", value)) != drv::DrvOk)
            break;
        if ((st = s.write("L8", "12:00:00", value)) != drv::DrvOk)
            break;
        st = s.read("P311", value);
        s.sendBreak();
        break;
    }
    FUZZ_CHECK(knownStatus(st));
    return 0;
}
