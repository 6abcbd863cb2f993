// Everything of the Windows platform that the system's code calls, as this platform provides it.
#pragma once

#include "platform/clock.h"
#include "platform/console.h"
#include "platform/debug_output.h"
#include "platform/event_log.h"
#include "platform/file_io.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "platform/last_error.h"
#include "platform/machine_root.h"
#include "platform/registry.h"
#include "platform/secure_random.h"
#include "platform/sync.h"
#include "platform/system_time.h"
#include "platform/win_types.h"
