// A shared library loaded by the one-platform test: it reports what the platform shows from inside a
// loaded library.
#include <cstdint>

#include "platform/files/machine_root.h"
#include "platform/kernel/sync.h"
#include "platform/time/clock.h"

extern "C" {

uint64_t ProbeNowMs() { return platform::GetClock().NowMs(); }

const char* ProbeMachineRoot() { return platform::MachineRoot().c_str(); }

// An unsignalled manual-reset event; the loading program signals and closes it.
HANDLE ProbeCreateEvent() { return CreateEventA(nullptr, TRUE, FALSE, nullptr); }

DWORD ProbeWait(HANDLE object) { return WaitForSingleObject(object, 0); }

HANDLE ProbeOpenEvent(const char* name) { return OpenEventA(SYNCHRONIZE, FALSE, name); }
}
