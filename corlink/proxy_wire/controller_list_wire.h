// The buffers of the controller list commands as they travel: their layouts (offsets into the request and
// reply buffer) and their byte-order converters, each converting in place (PACK_TO_NETWORK for a reply
// the proxy sends or a request a client sends, PACK_FROM_NETWORK on receipt).
#pragma once

#include <cstdint>

// GET_CONTROLLERHANDLEDB (0): byte 12 of the request = 1 asks for a rediscovery first. The reply holds the
// record count at 8 (big-endian) and up to 64 records: a pair's UniqueSN and its two client ids
// (big-endian; 0 for a missing side). Written big-endian by the proxy; no converter.
constexpr uint32_t RRE_HANDLE_DB_LENGTH = 2576;
constexpr uint32_t RRE_HANDLE_DB_REDISCOVER_OFFSET = 12;
constexpr uint32_t RRE_HANDLE_DB_COUNT_OFFSET = 8;
constexpr uint32_t RRE_HANDLE_DB_RECORD_OFFSET = 16;
constexpr uint32_t RRE_HANDLE_DB_RECORD_SIZE = 40;
constexpr uint32_t RRE_HANDLE_DB_MAX_RECORDS = 64;
constexpr uint32_t RRE_HANDLE_DB_ID_A_OFFSET = 32;  // within a record
constexpr uint32_t RRE_HANDLE_DB_ID_B_OFFSET = 36;

// GET_STORAGESYSTEMS (96): the count at 12, then the table of STORAGE_SYSTEM records.
constexpr uint32_t RRE_STORAGE_SYSTEMS_LENGTH = 25104;
constexpr uint32_t RRE_STORAGE_SYSTEMS_COUNT_OFFSET = 12;
constexpr uint32_t RRE_STORAGE_SYSTEMS_TABLE_OFFSET = 16;

// GET_NEED_UPDATE_CONTROLLER (108): the storage system's UniqueSN at 8; the answer byte at 40.
constexpr uint32_t RRE_NEED_UPDATE_LENGTH = 56;
constexpr uint32_t RRE_NEED_UPDATE_UNIQUE_SN_OFFSET = 8;
constexpr uint32_t RRE_NEED_UPDATE_ANSWER_OFFSET = 40;

// GET_UNIFIED_CONTROLLER_DATA (109): the controller id at 8, the unified controller record at 12.
constexpr uint32_t RRE_UNIFIED_CONTROLLER_DATA_LENGTH = 55748;
constexpr uint32_t RRE_UNIFIED_CONTROLLER_ID_OFFSET = 8;
constexpr uint32_t RRE_UNIFIED_CONTROLLER_OFFSET = 12;

// SET_DISCOVERY_FLAG (106): the new flag value in byte 8 (no converter).
constexpr uint32_t RRE_DISCOVERY_FLAG_LENGTH = 12;
constexpr uint32_t RRE_DISCOVERY_FLAG_OFFSET = 8;

// The head, the count (not the word at 8), and in each of the 64 storage systems authenticated and the two
// controller handles.
void PackRreGetStorageSystems(int32_t mode, uint8_t* buffer);
// The head only.
void PackRreNeedUpdateController(int32_t mode, uint8_t* buffer);
// The head, the controller id and the unified controller record.
void PackRreGetUnifiedControllerData(int32_t mode, uint8_t* buffer);
