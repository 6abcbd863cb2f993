// GET_VERSION (11): the proxy's version bytes and the system's descriptions.
#pragma once

#include "corlink/handlers/handler_frame.h"

extern const FramedCommand kGetVersion;
