#include "fakeline.h"

#include <algorithm>
#include <cstring>

namespace fakeline {

namespace {
std::string input;
std::size_t at = 0;
std::size_t pieceSize = 1;
std::string output;
} // namespace

void feed(const std::string &bytes, std::size_t piece)
{
    input = bytes;
    at = 0;
    pieceSize = std::max<std::size_t>(piece, 1);
    output.clear();
}

const std::string &sent()
{
    return output;
}

int32_t proc(int32_t code, char *buffer, int32_t *count, int32_t *)
{
    switch (code) {
    case drv::LineSend:
        if (!buffer || !count || *count < 0)
            return drv::DrvBadArgument;
        output.append(buffer, std::size_t(*count));
        return drv::DrvOk;
    case drv::LineFlushInput: return drv::DrvOk;
    case drv::LineReceive: {
        if (!buffer || !count || *count <= 0)
            return drv::DrvBadArgument;
        if (at >= input.size())
            return drv::DrvLineGone;
        const std::size_t n = std::min({pieceSize, input.size() - at, std::size_t(*count)});
        std::memcpy(buffer, input.data() + at, n);
        at += n;
        *count = int32_t(n);
        return drv::DrvOk;
    }
    default: return drv::DrvOk;
    }
}

} // namespace fakeline
