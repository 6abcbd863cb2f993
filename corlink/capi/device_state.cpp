#include "corlink/capi/device_state.h"

volatile int32_t g_DeviceGone = 0;
