// The commands that create arrays and partitions and expand arrays: the client's drive serials resolved
// to the drives' WWNs, leftover drives cleared before use, and the new object found again after the
// controller has made it.
#pragma once

#include <cstdint>

#include "corlink/capi_wire/capi_array.h"
#include "corlink/handlers/handler_frame.h"

extern const FramedCommand kAddArrayPart;
extern const FramedCommand kCreateArray;
extern const FramedCommand kExpandArray;

// Looks (up to 10 times, 2 s apart, re-reading the controller) for the array the create parameters made:
// the first member drive of the entry whose WWN is one of the parameters' member identifiers. Copies it to
// *out (zeroed first); 1 when found.
int GetNewArray(int32_t index, const CAPI_UNIFIED_CREATE_ARRAY_PARAMS& params, CAPI_ARRAY* out);
// The same search for the partition of this name on the array with this 32-byte serial (on every array
// when the controller's partitions are not kept per array).
int GetNewPartition(int32_t index, const uint8_t* arraySerial, const char* name, CAPI_ARRAY_PARTITION* out);
