// The snapshot service's handle on an operation the provider ran: the job is already finished when the
// object is made, so waiting returns at once and its status is always "done, 100 percent".
#pragma once

#include "platform/com/com_object.h"
#include "platform/com/vss_interfaces.h"

class CVssAsync : public IVssAsync {
  public:
    static const ComInterfaceEntry kInterfaces[];

    explicit CVssAsync(HRESULT jobResult) : mJobResult(jobResult) {}
    virtual ~CVssAsync() = default;
    CVssAsync(const CVssAsync&) = delete;
    CVssAsync& operator=(const CVssAsync&) = delete;

    // A finished job's object holding the caller's one reference, or null when it cannot be made.
    static IVssAsync* CreateInstanceAndStartJob(HRESULT jobResult);

    HRESULT Cancel() override;
    HRESULT Wait(DWORD milliseconds) override;
    // Writes S_OK as the status and 100 as the progress, each where its pointer is not null.
    HRESULT QueryStatus(HRESULT* status, INT* progress) override;

  private:
    [[maybe_unused]] HRESULT mJobResult;  // kept with the job; nothing reads it
};
