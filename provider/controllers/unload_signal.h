// A provider object's unload request, seen by the waits that run under that object's lock: the object's
// unload sets it before it takes the lock, so that its own wait for full copies ends instead of keeping the
// lock; the object's start-up clears it. Each object has its own: one object's unload ends no other's wait.
#pragma once

#include "platform/com/com_results.h"
#include "platform/win_types.h"

class BVSS_UnloadSignal {
  public:
    BVSS_UnloadSignal();
    ~BVSS_UnloadSignal();
    BVSS_UnloadSignal(const BVSS_UnloadSignal&) = delete;
    BVSS_UnloadSignal& operator=(const BVSS_UnloadSignal&) = delete;

    void Signal();
    void Clear();
    // Waits the time on the clock; S_OK when it passed, VSS_E_PROVIDER_VETO when an unload was requested
    // before or during the wait (or the wait itself failed).
    HRESULT WaitUnlessUnloading(DWORD milliseconds) const;

  private:
    HANDLE mEvent;  // manual reset
};
