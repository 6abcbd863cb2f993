// Every CAPI code set: commands, replies, return codes, the library's statuses and controller events.
#pragma once

#include "corlink/capi/capi_status_codes.h"
#include "corlink/capi_wire/capi_command_codes.h"
#include "corlink/capi_wire/capi_error_codes.h"
#include "corlink/capi_wire/capi_event_codes.h"
#include "corlink/capi_wire/capi_reply_codes.h"
