// The line driver's readers of outside texts: the line settings text of the
// settings file ("4800,N,8,1,BIN,RS0,DS0"), the port name "COMn" and the
// port lines of sline_32.conf. Accepted settings are within what the line
// can be set to; the port path read for COMn is what the file's own COMn
// line says.
#include "fuzzcheck.h"
#include "line.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);

    sline::LineSettings s;
    if (sline::parseLineSettings(text, s)) {
        FUZZ_CHECK(s.baud >= 300 && s.baud <= 115200);
        FUZZ_CHECK(s.parity == 'N' || s.parity == 'E' || s.parity == 'O');
        FUZZ_CHECK(s.dataBits == 7 || s.dataBits == 8);
        FUZZ_CHECK(s.stopBits == 1 || s.stopBits == 2);
    }

    const int n = sline::comPortNumber(text);
    FUZZ_CHECK(n >= 0 && n <= 999);

    for (int port = 1; port <= 4; ++port) {
        const std::string path = sline::confPortPath(text, port);
        // A path is the text of one line, never a piece spanning lines.
        FUZZ_CHECK(path.find('\n') == std::string::npos);
        if (!path.empty())
            FUZZ_CHECK(text.find(path) != std::string::npos);
        // The first line of a port counts: a line added at the end changes
        // nothing for a port named before (an empty path included, which
        // leaves the port its default), and names a port not named before.
        const std::string added = text + "\nCOM" + std::to_string(port) + "=/dev/ttyUSB9\n";
        const std::string after = sline::confPortPath(added, port);
        if (path.empty())
            FUZZ_CHECK(after == "/dev/ttyUSB9" || after.empty());
        else
            FUZZ_CHECK(after == path);
    }
    return 0;
}
