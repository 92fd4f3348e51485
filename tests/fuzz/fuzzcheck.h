// What every fuzz target shares: the libFuzzer entry and a check that stops
// the run with a readable reason. A failed check is a finding like a crash:
// the input that caused it is kept and becomes a regression case.
#ifndef PXRQ60_FUZZCHECK_H
#define PXRQ60_FUZZCHECK_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size);

#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond);          \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

#endif
