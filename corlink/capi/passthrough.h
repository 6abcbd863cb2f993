// The raw pass-through of an "ips" session: the session leaves a client's raw request packet in the
// request buffer, the send path sends it as command -1 instead of a built packet, and the reply path
// copies the controller's raw reply into the reply buffer.
#pragma once

#include <cstdint>

#include "corlink/capi_wire/capi_protocol.h"

// Capacity of each pass-through buffer (the session allocates a few spare bytes more).
constexpr uint32_t CAPI_PASS_THROUGH_BUFFER_SIZE = CAPI_RECEIVE_GENERAL_BUFFER_SIZE;

struct CapiPassThrough {
    uint8_t* request;      // the client's raw packet; null until the session's first pass
    uint8_t* reply;        // the controller's raw reply; null until the session's first pass
    uint32_t replyLength;  // written by the reply path
    uint8_t active;        // set by the send path while command -1 is under way
};

// One hand-over per process, used by one command at a time.
extern CapiPassThrough g_PassThrough;

// Sends the raw packet in g_PassThrough.request to the controller of database entry 0 and returns the
// send path's result; the raw reply is then in g_PassThrough.reply (replyLength bytes).
int32_t CAPI_PassThrough();
