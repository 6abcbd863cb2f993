// Transfers of images larger than one packet: the first chunk is sent by a starter, each acknowledged
// chunk makes the reply path send the next one, and the callback sees only the reply to the last chunk
// (or the first refusal).
#pragma once

#include <cstdint>

#include "corlink/capi/controller_context.h"

int32_t CAPI_UpdateControllerFirmware(CAPI_HANDLE handle, const uint8_t* image, uint32_t size);
int32_t CAPI_U_UpdateControllerFirmware(CAPI_HANDLE handle, const uint8_t* image, uint32_t size, uint8_t ab);
int32_t CAPI_WriteBuffer(CAPI_HANDLE handle, const uint8_t* image, uint32_t size, uint32_t offset);
int32_t CAPI_U_WriteBuffer(CAPI_HANDLE handle, const uint8_t* image, uint32_t size, uint32_t offset,
                           uint8_t ab);

// Sends the chunk in flight (again).
int32_t SendNextChunk();

// Called by the reply path for each reply, with the handle of the controller that answered: true when
// the transfer took the reply (it resent or sent the next chunk to that controller, which is the one
// the transfer's own controller was found as again if a rediscovery ran), false when the reply goes on
// to the callback.
bool ChunkedTransferTakesReply(uint32_t replyCode, int32_t errorCode, CAPI_HANDLE replyingController);
// Called by the reply path when a reply goes to the callback: a transfer that the reply concerns ends.
void ChunkedTransferReplyDelivered(uint32_t replyCode);
