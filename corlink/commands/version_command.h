// GET_VERSION (11): the proxy's version bytes and the system's descriptions.
#pragma once

#include "corlink/commands/handler_frame.h"

extern const FramedCommand kGetVersion;
