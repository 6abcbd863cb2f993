// The proxy commands the provider sends, one plain function each: the request is built in the session's
// message buffer, converted to network order, sent, and the reply checked, converted back and handed out.
// Each returns -1 when the exchange failed (no reply, a short or malformed reply, a count beyond its table),
// otherwise the reply's code: 0 success, a controller's CAPI return code or a proxy error code. Outputs are
// written only on success unless said otherwise.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "corlink/capi_wire/capi_array.h"
#include "corlink/capi_wire/capi_host.h"
#include "corlink/capi_wire/capi_snapshot.h"
#include "corlink/proxy_wire/api_raid_controller.h"
#include "provider/controllers/flex_id_entry.h"

// One storage system of GET_CONTROLLERHANDLEDB: its UniqueSN and its two controllers' ids (0: absent).
struct ProxySubsystem {
    char uniqueSN[32];
    uint32_t controllerA;
    uint32_t controllerB;
};
using PortName = std::array<uint8_t, 8>;

constexpr uint32_t kMaxSubsystems = 64;
constexpr uint32_t kMaxMasterVolumes = 2048;
constexpr uint32_t kMaxSnapshots = 1024;
constexpr uint32_t kMaxBackingStores = 128;
constexpr uint32_t kMaxRolloffVolumes = 2048;
constexpr uint32_t kMaxPortNames = 32;
constexpr size_t kSnapshotRequestBytes = 864;
constexpr size_t kSnapshotResultBytes = 264;
constexpr size_t kCommitRequestBytes = 344;
constexpr size_t kRolloffRequestBytes = 512;
constexpr size_t kRollbackRequestBytes = 96;
constexpr size_t kDescriptionMaxBytes = 144;

int get_subsystems(std::vector<ProxySubsystem>* list);
int get_controller_data(int32_t id, API_RAID_CONTROLLER* record);
int get_part_view(int32_t id, const uint8_t* serial32, CAPI_PARTITION_VIEW_TABLE* view);
// channelMask: null selects all 8 channels; otherwise channel n is selected when mask byte 4 + n is not 0.
int create_custom_view(int32_t id, const uint8_t* serial32, uint32_t lun, uint8_t access,
                       const FlexIDEntry* port, const uint8_t* channelMask);
int get_host_view(int32_t id, uint8_t selector, const FlexIDEntry* port, uint32_t index,
                  CAPI_HOST_VIEW_TABLE* view);
int create_snapshot(int32_t id, const uint8_t* requests, uint8_t* results);
int commit_snapshot(int32_t id, const uint8_t* request);
int dms_get_tag(int32_t id, uint8_t selector, uint8_t* tag8);
int delete_part(int32_t id, const uint8_t* serial32);
int set_discovery_flag(uint8_t flag);
int get_master_volume_list(int32_t id, uint8_t selectorA, uint8_t selectorB, const uint8_t* serial32,
                           uint32_t* count, CAPI_MASTER_VOLUME* list);
int get_snapshot_list(int32_t id, uint8_t selectorA, uint8_t selectorB, const uint8_t* serial32,
                      uint32_t* count, CAPI_SNAPSHOT* list);
int get_backing_store_list(int32_t id, uint8_t selector, uint32_t* count, CAPI_BACKING_STORE* list);
// The new partition's 16-byte ID is copied whatever the code.
int rolloff_volume(int32_t id, const uint8_t* request, uint8_t* result16);
int get_rolloff_volume_list(int32_t id, uint8_t selector, uint32_t* count, CAPI_ROLLOFF_VOLUME* list);
int get_connect_wwpn_list(int32_t id, std::vector<PortName>* list);
int add_array_part(int32_t id, const CAPI_ARRAY_PARTITION_PARAMS* params, CAPI_ARRAY_PARTITION* partition);
int convert_master_volume(int32_t id, uint8_t selector, const uint8_t* serial32,
                          const uint8_t* partitionId16);
int set_dms_policy(int32_t id, const CAPI_DMS_POLICY* policy);
int rollback_master_volume(int32_t id, const uint8_t* request);
// 0, or -1 for any failure including a non-zero code.
int change_identinfo(int32_t id, const uint8_t* partitionId16, const char* description);
