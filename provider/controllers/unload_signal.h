// The provider's unload request, seen by the waits that run under the provider's lock: the unload sets it
// before it takes that lock, so that a wait for full copies ends instead of keeping the lock; the start-up
// clears it.
#pragma once

#include "platform/com_results.h"
#include "platform/win_types.h"

void BVSS_SignalUnload();
void BVSS_ClearUnload();
// Waits the time on the clock; S_OK when it passed, VSS_E_PROVIDER_VETO when an unload was requested
// before or during the wait (or the wait itself failed).
HRESULT BVSS_WaitUnlessUnloading(DWORD milliseconds);
