// The buffers of the controller list commands as they travel: the places of their fields (from the
// buffers' descriptions) and their byte-order converters, each converting in place (PACK_TO_NETWORK for a
// reply the proxy sends or a request a client sends, PACK_FROM_NETWORK on receipt).
#pragma once

#include <cstddef>
#include <cstdint>

#include "corlink/proxy_wire/buffers_controller.h"

// GET_CONTROLLERHANDLEDB (0): written big-endian by the proxy; no converter.
constexpr uint32_t RRE_HANDLE_DB_LENGTH = sizeof(RRE_HANDLE_DB_BUFFER);
constexpr uint32_t RRE_HANDLE_DB_REDISCOVER_OFFSET = offsetof(RRE_HANDLE_DB_BUFFER, rediscover);
constexpr uint32_t RRE_HANDLE_DB_COUNT_OFFSET = offsetof(RRE_HANDLE_DB_BUFFER, recordCount);
constexpr uint32_t RRE_HANDLE_DB_RECORD_OFFSET = offsetof(RRE_HANDLE_DB_BUFFER, records);
constexpr uint32_t RRE_HANDLE_DB_RECORD_SIZE = sizeof(RRE_HANDLE_DB_RECORD);
// within a record
constexpr uint32_t RRE_HANDLE_DB_ID_A_OFFSET = offsetof(RRE_HANDLE_DB_RECORD, controllerIdA);
constexpr uint32_t RRE_HANDLE_DB_ID_B_OFFSET = offsetof(RRE_HANDLE_DB_RECORD, controllerIdB);

// GET_STORAGESYSTEMS (96).
constexpr uint32_t RRE_STORAGE_SYSTEMS_LENGTH = sizeof(RRE_STORAGE_SYSTEMS_BUFFER);
constexpr uint32_t RRE_STORAGE_SYSTEMS_COUNT_OFFSET = offsetof(RRE_STORAGE_SYSTEMS_BUFFER, systemCount);
constexpr uint32_t RRE_STORAGE_SYSTEMS_TABLE_OFFSET = offsetof(RRE_STORAGE_SYSTEMS_BUFFER, systems);

// GET_NEED_UPDATE_CONTROLLER (108).
constexpr uint32_t RRE_NEED_UPDATE_LENGTH = sizeof(RRE_NEED_UPDATE_BUFFER);
constexpr uint32_t RRE_NEED_UPDATE_UNIQUE_SN_OFFSET = offsetof(RRE_NEED_UPDATE_BUFFER, UniqueSN);
constexpr uint32_t RRE_NEED_UPDATE_ANSWER_OFFSET = offsetof(RRE_NEED_UPDATE_BUFFER, answer);

// GET_UNIFIED_CONTROLLER_DATA (109).
constexpr uint32_t RRE_UNIFIED_CONTROLLER_DATA_LENGTH = sizeof(RRE_UNIFIED_CONTROLLER_DATA_BUFFER);
constexpr uint32_t RRE_UNIFIED_CONTROLLER_ID_OFFSET =
    offsetof(RRE_UNIFIED_CONTROLLER_DATA_BUFFER, controllerId);
constexpr uint32_t RRE_UNIFIED_CONTROLLER_OFFSET = offsetof(RRE_UNIFIED_CONTROLLER_DATA_BUFFER, controller);

// SET_DISCOVERY_FLAG (106): no converter.
constexpr uint32_t RRE_DISCOVERY_FLAG_LENGTH = sizeof(RRE_DISCOVERY_FLAG_BUFFER);
constexpr uint32_t RRE_DISCOVERY_FLAG_OFFSET = offsetof(RRE_DISCOVERY_FLAG_BUFFER, flag);

// The head, the count (not the word at 8), and in each of the 64 storage systems authenticated and the two
// controller handles.
void PackRreGetStorageSystems(int32_t mode, uint8_t* buffer);
// The head only.
void PackRreNeedUpdateController(int32_t mode, uint8_t* buffer);
// The head, the controller id and the unified controller record.
void PackRreGetUnifiedControllerData(int32_t mode, uint8_t* buffer);
