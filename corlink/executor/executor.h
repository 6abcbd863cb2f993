// The exports of the command executor: start, run one command, stop.
#pragma once

#include <cstdint>

#include "corlink/handlers/rre.h"

extern "C" {
uint32_t rreInitialize(void);
void rreExecCommand(Rre* pRre);
uint64_t rreTerminate(void);
}
