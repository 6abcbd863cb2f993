// The transport slots below the CAPI library: each slot has an initialise function and an operation
// table; a controller's exchange runs through its I/O block. This build has one slot, the in-band
// SCSI transport.
#pragma once

#include <cstdint>

#include "corlink/capi/capi_callback.h"
#include "corlink/capi/processor_device.h"

struct CAPI_CONTROLLER_CONTEXT;
struct LMX_IOB;
struct LMX_ENTRY;
struct LMX_OPS;

constexpr uint32_t NUM_LMXS = 1;
constexpr uint32_t LMX_CONTEXT_SIZE = 400;
constexpr uint8_t LMX_LINK_TYPE_SCSI = 5;
constexpr int32_t LMX_STATE_READY = 1;

// LMX_IOB::status, set by the transport.
constexpr uint32_t LMX_STATUS_UNDER_WAY = 0;
constexpr uint32_t LMX_STATUS_REPLY_RECEIVED = 1;
constexpr uint32_t LMX_STATUS_READ_ABANDONED = 2;  // reported as link busy
constexpr uint32_t LMX_STATUS_COMMUNICATION_ERROR = 3;
constexpr uint32_t LMX_STATUS_TIMEOUT = 4;

// The transport's private data about one controller, kept at a constant size.
struct LMX_SCSI32_CONTEXT {
    PROCESSOR_DEVICE processorDevice;
};
struct LMX_CONTEXT {
    union {
        LMX_SCSI32_CONTEXT lmxScsi32Context;
        uint8_t keepLmxContextConstantSize[LMX_CONTEXT_SIZE];
    } u;
};
static_assert(sizeof(LMX_CONTEXT) == LMX_CONTEXT_SIZE);

using LMX_COMPLETION = int (*)(LMX_IOB* iob);
using LMX_INIT_COMPLETE = void (*)(LMX_ENTRY* slot, int32_t state);
using LMX_INITIALIZE = void (*)(LMX_ENTRY* slot, LMX_INIT_COMPLETE complete, LMX_OPS* ops);

// The operations of one slot, in this order; slot 0 is never filled.
struct LMX_OPS {
    void* reserved0;
    void (*sendAndReceive)(LMX_IOB* iob);  // one exchange; calls iob->callback when a reply arrived
    void (*poll)();
    // Fills the context with the next controller and returns 1, else 0; sets *lastTime when no further
    // controller follows.
    uint8_t (*findNextController)(uint32_t first, uint32_t* lastTime, CAPI_CONTROLLER_CONTEXT* context);
};

// The I/O block of one exchange.
struct LMX_IOB {
    CAPI_CONTROLLER_CONTEXT* pControllerContext;  // the context that holds this block
    LMX_CONTEXT* pLmxContext;                     // that context's lmxContext
    LMX_OPS* pLmxOps;
    LMX_COMPLETION callback;  // set by the send path before each exchange
    uint8_t* pSendBuffer;
    uint32_t sendLength;
    uint8_t* pReceiveBuffer;
    uint32_t recLength;     // bytes the transport received
    uint32_t maxRecLength;  // capacity of pReceiveBuffer
    uint32_t status;        // LMX_STATUS_*
    uint8_t readyForProcessing;
    uint8_t linkType;
    uint8_t needRescan;  // set at the start of each exchange, cleared when a reply arrived
    int32_t errorCode;   // the reply's return code; -1 before each try
    uint32_t replyCode;  // the reply's commandCode
    uint32_t LinkInUse;
    uint32_t LinkInUseCount;
    uint32_t capiCmdActive;
    CAPI_CALLBACK overrideCallback;  // replaces the registered callback for this controller when set
};

// One transport slot.
struct LMX_ENTRY {
    LMX_INITIALIZE initialize;
    LMX_OPS ops;
    int32_t state;  // LMX_STATE_READY once the transport completed its initialisation
    uint8_t linkType;
    CAPI_CALLBACK overrideCallback;
};

// The slot table: its one slot is empty until a transport is installed (CAPI_InstallTransport).
extern LMX_ENTRY g_LmxTable[NUM_LMXS];
