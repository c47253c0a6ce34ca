// One libFuzzer program per target: the target's name is fixed at compile time.
#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const FuzzTarget target = FindFuzzTarget(QStringLiteral(HORODEX_FUZZ_TARGET));
    return target(data, size);
}
