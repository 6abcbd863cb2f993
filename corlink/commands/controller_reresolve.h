// Finding a controller again after a send: a rediscovery inside the send may rebuild the database and
// move entries, so a handler that keeps an index across a send looks the controller up by its serial.
#pragma once

#include <cstdint>

#include "corlink/commands/raid_controller.h"

struct ControllerIdentity {
    uint8_t serialNumber[sizeof(CAPI_CONTROLLER::serialNumber)];
    bool realOnly;  // a partner placeholder does not count
};

ControllerIdentity IdentityOf(int32_t index, bool realOnly);
// The entry in use that holds the controller now, or -1 when it is gone.
int32_t FindControllerAgain(const ControllerIdentity& identity);
