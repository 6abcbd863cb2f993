// Every CAPI structure description, family by family.
#pragma once

#include "corlink/capi/capi_array.h"
#include "corlink/capi/capi_channel.h"
#include "corlink/capi/capi_controller.h"
#include "corlink/capi/capi_drive.h"
#include "corlink/capi/capi_enclosure.h"
#include "corlink/capi/capi_event.h"
#include "corlink/capi/capi_host.h"
#include "corlink/capi/capi_packet_header.h"
#include "corlink/capi/capi_shared.h"
#include "corlink/capi/capi_snapshot.h"
#include "corlink/capi/capi_unified_controller.h"
