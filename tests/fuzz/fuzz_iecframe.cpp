// Frame scanning of drivers/common over any received bytes: the scan always
// makes progress or waits for more, never reads outside its input, and a
// frame it reports reads back as what was framed.
#include "fuzzcheck.h"
#include "iecframe.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    const std::string in(reinterpret_cast<const char *>(data), size);
    const std::size_t maxData = size ? (data[0] % 80) + 1 : 64;

    std::string rest = in;
    while (!rest.empty()) {
        const iec::Scan s = iec::scanFrame(rest, maxData);
        FUZZ_CHECK(s.consumed <= rest.size());
        if (s.kind == iec::Scan::NeedMore && s.consumed == 0)
            break; // a frame under way: the rest waits for more bytes
        if (s.kind == iec::Scan::Frame) {
            FUZZ_CHECK(s.lead == iec::SOH || s.lead == iec::STX);
            FUZZ_CHECK(s.data.find(iec::ETX) == std::string::npos);
            // An answer frame built from the scanned text scans back to it.
            if (s.lead == iec::STX) {
                const iec::Scan again = iec::scanFrame(iec::dataFrame(s.data), maxData);
                FUZZ_CHECK(again.kind == iec::Scan::Frame && again.data == s.data);
            }
            std::string address, value;
            if (iec::splitAddressValue(s.data, address, value))
                FUZZ_CHECK(address.size() + value.size() + 2 == s.data.size());
            const int er = iec::deviceErrorNumber(s.data);
            FUZZ_CHECK(er >= -1 && er <= 99);
        }
        if (s.consumed == 0)
            break;
        rest.erase(0, s.consumed);
    }

    // Whatever text a caller frames comes out again, unless it holds ETX.
    if (in.find(iec::ETX) == std::string::npos && in.find(iec::STX) == std::string::npos &&
        in.find(iec::SOH) == std::string::npos) {
        const iec::Scan s = iec::scanFrame(iec::commandFrame("W1", in), in.size() + 1);
        FUZZ_CHECK(s.kind == iec::Scan::Frame && s.command == "W1" && s.data == in);
    }
    return 0;
}
