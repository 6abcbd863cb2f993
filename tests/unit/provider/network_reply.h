// The reply the proxy sends: the host-order buffer a test wrote, turned to the network by the proxy's
// converter (one helper for every provider test, NetworkReply in scripted_proxy.h).
#pragma once

#include "tests/unit/provider/scripted_proxy.h"
