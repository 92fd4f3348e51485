// A line driver for the fuzz targets of the protocol drivers: it takes
// whatever is sent and hands out the fuzz input as the device's bytes, in
// pieces of the sizes the input asks for. When the bytes run out the line
// is gone (-8), so no wait of the drivers runs to its end.
#ifndef PXRQ60_FAKELINE_H
#define PXRQ60_FAKELINE_H

#include "driverproc.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace fakeline {

// The device's bytes for the next exchanges; `piece` is the most bytes one
// receive hands out (1 and up).
void feed(const std::string &bytes, std::size_t piece);
// Everything the driver sent since feed().
const std::string &sent();
int32_t proc(int32_t code, char *buffer, int32_t *count, int32_t *param);

} // namespace fakeline

#endif
