// The completion routine of every exchange: checks the reply, undoes the zero-run compression,
// reassembles multi-part replies, keeps the controller's sequence numbers current, drives chunked
// transfers, and hands the reply to the reply callback before the send returns.
#pragma once

#include <cstdint>

#include "corlink/capi/lmx.h"

// Size of one part of a multi-part reply, and the most parts a reply may have.
constexpr uint32_t CAPI_REPLY_PART_SIZE = 0x40000;
constexpr uint32_t CAPI_MAX_REPLY_PARTS = 40;

int ReceivePacket(LMX_IOB* iob);
// Forgets a multi-part reply under way, as at start (for tests).
void ResetReplyPath();
