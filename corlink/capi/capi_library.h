// The CAPI library's entry points that are not commands: register the reply callback, initialise the
// transport slots, enumerate and attach controllers, poll.
#pragma once

#include <cstdint>

#include "corlink/capi/capi_callback.h"
#include "corlink/capi/controller_context.h"

// Set by the SCSI command layer once a device could not be opened or the system reported it gone;
// never cleared. The send path reports it with a failed command.
extern volatile int32_t g_DeviceGone;

// Library results besides 0.
constexpr int32_t CAPI_SLOT_NOT_READY = 4;

// Stores the reply callback, replacing any earlier one. Returns 0.
int32_t CAPI_RegisterCallback(CAPI_CALLBACK callback);
// The registered reply callback (null until one is registered).
CAPI_CALLBACK CapiRegisteredCallback();

// Puts the transport's initialise function into the library's one slot; the executor installs the
// in-band transport at start, tests a scripted one.
void CAPI_InstallTransport(LMX_INITIALIZE initialize);

// Clears every slot's state and override callback, then runs each slot's initialise function. Returns 0.
int32_t CAPI_Initialize();
// The transport's report that a slot finished initialising; the first report of a run reaches the
// registered callback as reply 340.
void LmxInitComplete(LMX_ENTRY* slot, int32_t state);

// Fills `context` with the next controller of the transport. Returns 0, or CAPI_SLOT_NOT_READY when the
// slot being enumerated is not ready or every slot was enumerated; *handle is the context's handle, or
// CAPI_NO_HANDLE when no controller was found; *done is 1 once every slot was enumerated.
int32_t CAPI_FindNextController(uint8_t first, uint8_t* done, CAPI_HANDLE* handle,
                                CAPI_CONTROLLER_CONTEXT* context, uint8_t* sendBuffer, uint8_t* eventBuffer);
// Sets up `context` for the first ready slot of the link type without asking the transport. Returns 0
// with the context's handle, or CAPI_SLOT_NOT_READY with CAPI_NO_HANDLE when no such slot is ready.
int32_t CAPI_AttachController(CAPI_HANDLE* handle, CAPI_CONTROLLER_CONTEXT* context, uint8_t* sendBuffer,
                              uint8_t* eventBuffer, uint8_t linkType);
// Polls every ready slot. Returns 0.
int32_t CAPI_Poll();
