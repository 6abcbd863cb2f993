// Finding a controller again after a send: a rediscovery inside the send may rebuild the database and
// move entries, so a handler that keeps an index across a send looks the controller up by its serial.
#pragma once

#include <cstdint>

#include "corlink/controller_entry/raid_controller.h"

struct ControllerIdentity {
    uint8_t serialNumber[kControllerSerialSize];
    bool realOnly;  // a partner placeholder does not count
};

ControllerIdentity IdentityOf(int32_t index, bool realOnly);
// The entry in use that holds the controller now, or -1 when it is gone. An empty serial finds none.
int32_t FindControllerAgain(const ControllerIdentity& identity);

// The controller a long command keeps working on across many sends: found again by its serial after each
// read. Once it is gone its index is -1 (no lookup finds anything there) and lost() says so.
class TrackedController {
  public:
    explicit TrackedController(int32_t index) : identity_(IdentityOf(index, false)), index_(index) {}
    int32_t index() const { return index_; }
    bool lost() const { return index_ < 0; }
    // Finds the controller again; false once it is gone.
    bool Find();
    // UpdateController, then Find.
    bool Update();
    // UpdateController, then Find; true when the controller's data and its array list were read and the
    // controller is still there.
    bool ReadArrays();
    // RefreshController, then Find; true when the refresh succeeded and the controller is still there.
    bool Refresh();

  private:
    ControllerIdentity identity_;
    int32_t index_;
};
