// One libFuzzer program per target: the target's name is fixed at compile time.
#include "FuzzTargets.h"

#include "data/Messages.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const FuzzTarget target = [] {
        // Messages are recorded, never shown.
        Messages::setPresenter([](const Messages::Message&) { return Messages::Answer::Ok; });
        return FindFuzzTarget(QStringLiteral(HORODEX_FUZZ_TARGET));
    }();
    return target(data, size);
}
