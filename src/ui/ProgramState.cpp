#include "ui/ProgramState.h"

ProgramState& State()
{
    static ProgramState state;
    return state;
}
