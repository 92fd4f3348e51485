// The "DS" record readout as the program runs it (start, the field letters
// in their order, the data blocks the length field announces, end) against
// a device whose every byte comes from the fuzz input. A field text is
// printable and within the field limit of the protocol; a garbled length
// never makes the readout run for long.
#include "dsmodul.h"
#include "fakeline.h"
#include "fuzzcheck.h"
#include "protocol.h"

#include <QString>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    fakeline::feed(std::string(reinterpret_cast<const char *>(data + 1), size - 1),
                   (data[0] & 0x7f) + 1);

    ds::Session s;
    s.line().attach(fakeline::proc);
    if (s.start() != drv::DrvOk)
        return 0;
    for (const char *c = DSCommands; *c; ++c) {
        std::string text;
        const int32_t st = s.readField(*c, text);
        if (st == drv::DrvLineGone)
            return 0;
        if (st != drv::DrvOk)
            continue;
        FUZZ_CHECK(linelink::printable(text));
        FUZZ_CHECK(text.size() <= ds::MaxFieldData);
        if (*c != 'b')
            continue;
        const int blocks = dsBlockCount(QString::fromStdString(text));
        FUZZ_CHECK(blocks >= 0 && blocks <= 4096);
        for (int i = 0; i < blocks; ++i) {
            std::string block;
            if (s.readField('x', block) != drv::DrvOk)
                break;
            FUZZ_CHECK(block.size() <= ds::MaxFieldData);
        }
    }
    s.end();
    return 0;
}
