#include "platform/Workstation.h"

#include "platform/QtWorkstation.h"

#include <memory>

namespace {

Workstation*& overrideWorkstation()
{
    static Workstation* w = nullptr;
    return w;
}

} // namespace

Workstation& CurrentWorkstation()
{
    if (overrideWorkstation())
        return *overrideWorkstation();
    static QtWorkstation portable;
    return portable;
}

void SetWorkstationForTesting(Workstation* workstation)
{
    overrideWorkstation() = workstation;
}
