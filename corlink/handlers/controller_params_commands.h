// The commands that change fields of a controller pair's parameters: they read the controller's unified
// record, fill the controller-parameter area from it, change their fields and send the whole area.
#pragma once

#include "corlink/handlers/handler_frame.h"

extern const FramedCommand kSetAdvNetInterface;
extern const FramedCommand kSetEnclosureFeatureFlags;
