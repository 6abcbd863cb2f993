// Byte-order converters of the controller list replies: the proxy buffer of each command converted in
// place (PACK_TO_NETWORK for a reply, PACK_FROM_NETWORK for a request).
#pragma once

#include <cstdint>

constexpr uint32_t RRE_STORAGE_SYSTEMS_LENGTH = 25104;
constexpr uint32_t RRE_STORAGE_SYSTEMS_TABLE_OFFSET = 16;
constexpr uint32_t RRE_NEED_UPDATE_LENGTH = 56;
constexpr uint32_t RRE_UNIFIED_CONTROLLER_DATA_LENGTH = 55748;
constexpr uint32_t RRE_UNIFIED_CONTROLLER_OFFSET = 12;

// Status, code, the word at 8, the count, and in each of the 64 storage systems authenticated and the
// two controller handles.
void PackRreGetStorageSystems(int32_t mode, uint8_t* buffer);
// Status and code only.
void PackRreNeedUpdateController(int32_t mode, uint8_t* buffer);
// Status, code, the controller id and the unified controller record.
void PackRreGetUnifiedControllerData(int32_t mode, uint8_t* buffer);
