// The reply converter of the receive path: converts a reply's payload by the reply code in its
// header's commandCode, or logs that the reply needs no conversion, is not implemented, or is unknown.
#pragma once

#include <cstddef>
#include <cstdint>

#include "corlink/capi_wire/capi_packet_header.h"

// `payloadLength` bounds every record count taken from the header: records that do not lie whole
// within the payload are never touched.
void PackReplyStruct(const CAPI_PACKET_HEADER* header, void* payload, size_t payloadLength, int32_t mode);

// Logs "!!!BUGBUGBUG!!! pack not implemented! command = <code>".
void PackNotImplemented(uint32_t replyCode);
