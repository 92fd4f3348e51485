// The parameter set loader over any file content: a set it takes holds only
// addresses of its generation with values that fit their fields, saves and
// loads again unchanged, and its transfer plan writes only transferable
// addresses, each as its field's rule formats it.
#include "fuzzcheck.h"
#include "parameterset.h"
#include "transferplan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    const LoadedSet loaded = parseParameterSet(bytes);
    if (loaded.problem) {
        FUZZ_CHECK(loaded.set.values.isEmpty());
        return 0;
    }
    const ParameterSet &set = loaded.set;
    for (auto it = set.values.cbegin(); it != set.values.cend(); ++it) {
        FUZZ_CHECK(parameterSetAddresses(set.generation).contains(it.key()));
        FUZZ_CHECK(checkSetValue(it.key(), it.value(), set.generation).ok);
    }
    const LoadedSet again = parseParameterSet(parameterSetJson(set), set.generation);
    FUZZ_CHECK(!again.problem);
    FUZZ_CHECK(again.set.values == set.values);

    const TransferPlan plan = transferPlan(set, DeviceTexts(), set.generation, {true, true});
    FUZZ_CHECK(!plan.refused());
    for (const PlannedWrite &w : plan.writes) {
        FUZZ_CHECK(isTransferable(w.address));
        FUZZ_CHECK(!w.value.isEmpty());
    }
    compareParameterSet(set, set.values, set.generation, {false, false});
    return 0;
}
