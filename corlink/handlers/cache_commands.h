// The cache commands: flush and free an object's cached data, set array and partition cache parameters,
// and free a controller's orphaned cache data.
#pragma once

#include <cstdint>

#include "corlink/handlers/handler_frame.h"

extern const FramedCommand kFlushCache;
extern const FramedCommand kFreeCache;
extern const FramedCommand kSetPartitionCacheParam;
extern const FramedCommand kSetArrayCacheParam;
extern const FramedCommand kFreeOrphanData;

// Frees the cached data of the object with this serial, between a refresh and a re-read of the entry
// (which shows how much orphaned data is left); the controller's code.
int32_t freeChache(int32_t index, const uint8_t* serial);
// Frees the controller's orphaned cache data until none is left: 0, or the first failing code; -1 when
// ten passes in a row leave the amount where it was.
int32_t freeAllChacheEx(int32_t index);
