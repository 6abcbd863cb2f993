// Everything of the Windows platform that the system's code calls, as this platform provides it.
#pragma once

#include "platform/files/file_io.h"
#include "platform/files/files.h"
#include "platform/files/machine_root.h"
#include "platform/files/registry.h"
#include "platform/kernel/handles.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/sync.h"
#include "platform/system/application_event_log.h"
#include "platform/system/console_handles.h"
#include "platform/system/debug_output.h"
#include "platform/system/secure_random.h"
#include "platform/time/clock.h"
#include "platform/time/system_time.h"
#include "platform/win_types.h"
