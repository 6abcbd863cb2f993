// Every CAPI structure description, family by family.
#pragma once

#include "corlink/capi_wire/capi_array.h"
#include "corlink/capi_wire/capi_channel.h"
#include "corlink/capi_wire/capi_controller.h"
#include "corlink/capi_wire/capi_drive.h"
#include "corlink/capi_wire/capi_enclosure.h"
#include "corlink/capi_wire/capi_event.h"
#include "corlink/capi_wire/capi_host.h"
#include "corlink/capi_wire/capi_packet_header.h"
#include "corlink/capi_wire/capi_shared.h"
#include "corlink/capi_wire/capi_snapshot.h"
#include "corlink/capi_wire/capi_unified_controller.h"
