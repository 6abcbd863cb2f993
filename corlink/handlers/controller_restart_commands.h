// REBOOT_CONTROLLER and SHUTDOWN_CONTROLLER: the controller commands, then the wait and the rediscovery
// that keep the database and the client's controller id valid. Both hold the state-change mutex throughout.
#pragma once

#include "corlink/handlers/handler_frame.h"

extern const FramedCommand kRebootController;
extern const FramedCommand kShutdownController;
