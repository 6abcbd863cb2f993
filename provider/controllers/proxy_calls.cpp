#include "provider/controllers/proxy_calls.h"

#include <cstddef>
#include <cstring>

#include "corlink/proxy_protocol/proxy_header.h"
#include "corlink/proxy_wire/buffers_arrays.h"
#include "corlink/proxy_wire/buffers_controller.h"
#include "corlink/proxy_wire/buffers_hosts.h"
#include "corlink/proxy_wire/buffers_snapshots.h"
#include "corlink/proxy_wire/proxy_commands.h"
#include "provider/controllers/command_frame.h"
#include "provider/controllers/debug_log.h"
#include "provider/controllers/serial_numbers.h"

namespace {

using rre_wire::BufferAs;

static_assert(sizeof(CAPI_CREATE_SNAPSHOTS_PARAMS) == kSnapshotRequestBytes);
static_assert(sizeof(CAPI_SNAPSHOT_ID_LIST) == kSnapshotResultBytes);
static_assert(sizeof(CAPI_SNAPSHOT_ID_PARAMS) == kCommitRequestBytes);
static_assert(sizeof(CAPI_ROLLOFF_PARAMS) == kRolloffRequestBytes);
static_assert(sizeof(CAPI_ROLLBACK_PARAMS) == kRollbackRequestBytes);
static_assert(sizeof(PortName) == RRE_PORT_NAME_SIZE);

// The word whose bytes in memory are `value` big-endian: for requests that travel without a converter.
uint32_t BigEndian(int32_t value) {
    uint32_t word = 0;
    WriteBigEndian32(reinterpret_cast<uint8_t*>(&word), static_cast<uint32_t>(value));
    return word;
}

uint32_t HostOrder(uint32_t bigEndianWord) {
    return ReadBigEndian32(reinterpret_cast<const uint8_t*>(&bigEndianWord));
}

// A NUL-terminated text into a field of `size` bytes: at most size - 1 characters and a terminator.
void PutText(char* field, const char* text, size_t size) {
    std::memset(field, 0, size);
    if (text != nullptr) std::memcpy(field, text, strnlen(text, size - 1));
}

// The host port as GET_HOST_VIEW and CREATE_CUSTOM_VIEW carry it: kind, then an FC WWPN or an iSCSI name.
void PutPort(CAPI_FLEX_ID* identity, char* initiatorName, const FlexIDEntry* port) {
    if (port == nullptr) return;
    identity->type = port->mKind;
    if (port->mKind == kFlexKindIscsi) {
        PutText(initiatorName, port->mIscsiName, kIscsiNameChars);
    } else {
        std::memcpy(identity->FCPortWWN, port->mWwpn, sizeof port->mWwpn);
    }
}

// A counted list of the reply: false when the count exceeds its table or the bytes the reply holds.
bool CountFits(const char* what, uint32_t count, uint32_t maximum, uint32_t listOffset, uint32_t entrySize,
               uint32_t replyLength) {
    if (count <= maximum && listOffset + static_cast<uint64_t>(count) * entrySize <= replyLength) return true;
    BVSS_DebugPrint(L"%S: count %u refused (at most %u, reply of %u bytes)\n", what, count, maximum,
                    replyLength);
    return false;
}

// GET_MASTER_VOLUME_LIST and GET_SNAPSHOT_LIST share their request and reply layout.
template <class Buffer, class Entry>
int GetVolumeList(uint32_t code, int32_t id, uint8_t selectorA, uint8_t selectorB, const uint8_t* serial32,
                  uint32_t maximum, uint32_t* count, Entry* list, bool clearCount) {
    constexpr uint32_t kListOffset = offsetof(Buffer, list);
    const CommandFrame frame{nullptr, code, sizeof(Buffer), false, true, true};
    const CommandReply reply = RunCommand(
        frame,
        [&](uint8_t* data) {
            auto* request = BufferAs<Buffer>(data);
            request->controllerId = static_cast<uint32_t>(id);
            request->listParameter = selectorB;
            request->selector = selectorA;
            if (clearCount) {
                std::memset(request->reserved14, 0, sizeof request->reserved14);
                request->count = 0;
            }
            if (serial32 != nullptr) {
                std::memcpy(request->objectId, serial32, sizeof request->objectId);
            } else {
                std::memset(request->objectId, 0, sizeof request->objectId);
            }
        },
        kListOffset);
    if (reply.code != 0) return reply.code;
    const uint32_t n = BufferAs<Buffer>(reply.data)->count;
    if (!CountFits(code == RRE_GET_SNAPSHOT_LIST ? "get_snapshot_list" : "get_master_volume_list", n, maximum,
                   kListOffset, sizeof(Entry), reply.length))
        return -1;
    *count = n;
    std::memcpy(list, reply.data + kListOffset, static_cast<size_t>(n) * sizeof(Entry));
    return 0;
}

// GET_BACKING_STORE_LIST and GET_ROLLOFF_VOLUME_LIST: a selector byte in, a count and a list of `maximum`
// entries out, copied whole.
template <class Buffer, class Entry>
int GetSelectedList(const CommandFrame& frame, const char* what, int32_t id, uint8_t selector,
                    uint32_t maximum, uint32_t* count, Entry* list) {
    constexpr uint32_t kListOffset = offsetof(Buffer, list);
    const CommandReply reply = RunCommand(
        frame,
        [&](uint8_t* data) {
            auto* request = BufferAs<Buffer>(data);
            request->controllerId = static_cast<uint32_t>(id);
            request->selector = selector;
        },
        kListOffset + maximum * static_cast<uint32_t>(sizeof(Entry)));
    if (reply.code != 0) return reply.code;
    const uint32_t n = BufferAs<Buffer>(reply.data)->count;
    if (!CountFits(what, n, maximum, kListOffset, sizeof(Entry), reply.length)) return -1;
    *count = n;
    std::memcpy(list, reply.data + kListOffset, maximum * sizeof(Entry));
    return 0;
}

}  // namespace

int get_subsystems(std::vector<ProxySubsystem>* list) {
    constexpr uint32_t kRecordsOffset = offsetof(RRE_HANDLE_DB_BUFFER, records);
    const CommandFrame frame{
        L"get_subsystems", RRE_GET_CONTROLLERHANDLEDB, RRE_HANDLE_DB_REQUEST_LENGTH, true, false, false};
    const CommandReply reply = RunCommand(
        frame, [](uint8_t* data) { BufferAs<RRE_HANDLE_DB_BUFFER>(data)->rediscover = 1; }, kRecordsOffset);
    if (reply.code != 0) return reply.code;
    const auto* db = BufferAs<RRE_HANDLE_DB_BUFFER>(reply.data);
    const uint32_t count = HostOrder(db->recordCount);
    if (!CountFits("get_subsystems", count, kMaxSubsystems, kRecordsOffset, sizeof(RRE_HANDLE_DB_RECORD),
                   reply.length))
        return -1;
    for (uint32_t i = 0; i < count; ++i) {
        const RRE_HANDLE_DB_RECORD& record = db->records[i];
        ProxySubsystem entry;
        std::memcpy(entry.uniqueSN, record.UniqueSN, sizeof entry.uniqueSN);
        entry.controllerA = HostOrder(record.controllerIdA);
        entry.controllerB = HostOrder(record.controllerIdB);
        list->push_back(entry);
    }
    return 0;
}

int get_controller_data(int32_t id, API_RAID_CONTROLLER* record) {
    const CommandFrame frame{
        L"get_controller_data", RRE_GET_CONTROLLER, sizeof(RRE_CONTROLLER_ID_REQUEST), false, false, false};
    const CommandReply reply = RunCommand(
        frame,
        [&](uint8_t* data) { BufferAs<RRE_CONTROLLER_ID_REQUEST>(data)->controllerId = BigEndian(id); },
        sizeof(API_RAID_CONTROLLER));
    if (reply.code != 0) return reply.code;
    const auto* controller = reinterpret_cast<const API_RAID_CONTROLLER*>(reply.data);
    if (controller->numDrives > RAID_CONTROLLER_MAX_DRIVES ||
        controller->numArrays > RAID_CONTROLLER_MAX_ARRAYS ||
        controller->partitionCount > API_RAID_CONTROLLER_PARTITIONS ||
        controller->numPools > RAID_CONTROLLER_MAX_POOLS ||
        controller->numComponents > API_RAID_CONTROLLER_COMPONENTS) {
        BVSS_DebugPrint(
            L"get_controller_data: counts refused (drives %u, arrays %u, partitions %u, pools %u, "
            L"components %u)\n",
            controller->numDrives, controller->numArrays, controller->partitionCount, controller->numPools,
            controller->numComponents);
        return -1;
    }
    std::memcpy(record, reply.data, sizeof *record);
    // Records that describe no drive (driveIndex 0xFF) are removed; the others keep their order.
    uint32_t kept = 0;
    for (uint32_t i = 0; i < record->numDrives; ++i) {
        if (record->drives[i].driveIndex == 0xFF) continue;
        if (kept != i) std::memcpy(&record->drives[kept], &record->drives[i], sizeof record->drives[i]);
        ++kept;
    }
    record->numDrives = kept;
    return 0;
}

int get_part_view(int32_t id, const uint8_t* serial32, CAPI_PARTITION_VIEW_TABLE* view) {
    const CommandFrame frame{
        L"get_part_view", RRE_GET_PARTITION_VIEW, sizeof(RRE_PARTITION_VIEW_BUFFER), true, true, true};
    const CommandReply reply = RunCommand(
        frame,
        [&](uint8_t* data) {
            auto* request = BufferAs<RRE_PARTITION_VIEW_BUFFER>(data);
            request->controllerId = static_cast<uint32_t>(id);
            std::memcpy(request->serialNumber, serial32, sizeof request->serialNumber);
        },
        sizeof(RRE_PARTITION_VIEW_BUFFER));
    if (reply.code != 0) return reply.code;
    std::memcpy(view, &BufferAs<RRE_PARTITION_VIEW_BUFFER>(reply.data)->view, sizeof *view);
    return 0;
}

int create_custom_view(int32_t id, const uint8_t* serial32, uint32_t lun, uint8_t access,
                       const FlexIDEntry* port, const uint8_t* channelMask) {
    constexpr int kChannels = RRE_CUSTOM_VIEW_CHANNELS;
    uint8_t selectors[kChannels];
    uint8_t accesses[kChannels];
    for (int n = 0; n < kChannels; ++n) {
        selectors[n] = channelMask == nullptr || channelMask[4 + n] != 0 ? 1 : 0;
        accesses[n] = selectors[n] != 0 ? access : 0;
    }
    if (port != nullptr && port->mKind == kFlexKindIscsi)
        BVSS_DebugPrint(L"create_custom_view(): Map to Host: %.224S Lun = %d (&mask=%lx).\n",
                        port->mIscsiName, lun,
                        static_cast<unsigned>(reinterpret_cast<uintptr_t>(channelMask)));
    for (int n = 0; n < kChannels; ++n)
        BVSS_DebugPrint(L"    Ch %d: Chs 0x%x flags 0x%x\n", n, selectors[n], accesses[n]);
    const CommandFrame frame{
        L"create_custom_view", RRE_CREATE_CUSTOM_VIEW, sizeof(RRE_CUSTOM_VIEW_BUFFER), true, true, true};
    return RunCommandCode(
        frame,
        [&](uint8_t* data) {
            auto* buffer = BufferAs<RRE_CUSTOM_VIEW_BUFFER>(data);
            buffer->requestCount = 1;
            RRE_CUSTOM_VIEW_REQUEST& request = buffer->requests[0];
            request.controllerId = static_cast<uint32_t>(id);
            std::memcpy(request.keepMarkers, selectors, kChannels);
            request.mapOptions = 0;
            std::memcpy(request.serialNumber, serial32, sizeof request.serialNumber);
            PutPort(&request.identity, request.initiatorName, port);
            request.identity.unitNum = static_cast<int32_t>(lun);
            request.mapping.hlun = static_cast<uint16_t>(lun);
            std::memcpy(request.mapping.flags, accesses, kChannels);
        },
        sizeof(RRE_HEAD));
}

int get_host_view(int32_t id, uint8_t selector, const FlexIDEntry* port, uint32_t index,
                  CAPI_HOST_VIEW_TABLE* view) {
    const CommandFrame frame{nullptr, RRE_GET_HOST_VIEW, sizeof(RRE_HOST_VIEW_BUFFER), true, true, true};
    const CommandReply reply = RunCommand(
        frame,
        [&](uint8_t* data) {
            auto* request = BufferAs<RRE_HOST_VIEW_BUFFER>(data);
            request->controllerId = static_cast<uint32_t>(id);
            request->selector = selector;
            request->value = index;
            PutPort(&request->identity, request->initiatorName, port);
        },
        sizeof(RRE_HOST_VIEW_BUFFER));
    if (reply.code != 0) return reply.code;
    std::memcpy(view, &BufferAs<RRE_HOST_VIEW_BUFFER>(reply.data)->view, sizeof *view);
    return 0;
}

int create_snapshot(int32_t id, const uint8_t* requests, uint8_t* results) {
    const CommandFrame frame{
        L"create_snapshot", RRE_CREATE_SNAPSHOT, sizeof(RRE_CREATE_SNAPSHOT_BUFFER), false, true, true};
    const CommandReply reply = RunCommand(
        frame,
        [&](uint8_t* data) {
            auto* request = BufferAs<RRE_CREATE_SNAPSHOT_BUFFER>(data);
            request->controllerId = static_cast<uint32_t>(id);
            std::memcpy(&request->params, requests, kSnapshotRequestBytes);
        },
        sizeof(RRE_CREATE_SNAPSHOT_BUFFER));
    if (reply.code != 0) return reply.code;
    std::memcpy(results, &BufferAs<RRE_CREATE_SNAPSHOT_BUFFER>(reply.data)->created, kSnapshotResultBytes);
    return 0;
}

int commit_snapshot(int32_t id, const uint8_t* request) {
    const CommandFrame frame{nullptr, RRE_COMMIT_SNAPSHOT, sizeof(RRE_SNAPSHOT_IDS_BUFFER), false, true,
                             false};
    return RunCommandCode(
        frame,
        [&](uint8_t* data) {
            auto* buffer = BufferAs<RRE_SNAPSHOT_IDS_BUFFER>(data);
            buffer->controllerId = static_cast<uint32_t>(id);
            std::memcpy(&buffer->params, request, kCommitRequestBytes);
        },
        sizeof(RRE_HEAD));
}

int dms_get_tag(int32_t id, uint8_t selector, uint8_t* tag8) {
    const CommandFrame frame{L"dms_get_tag", RRE_DMS_GET_TAG, sizeof(RRE_DMS_TAG_BUFFER), false, false, true};
    const CommandReply reply = RunCommand(
        frame,
        [&](uint8_t* data) {
            auto* request = BufferAs<RRE_DMS_TAG_BUFFER>(data);
            request->controllerId = BigEndian(id);
            request->selector = selector;
        },
        sizeof(RRE_DMS_TAG_BUFFER));
    if (reply.code != 0) return reply.code;
    std::memcpy(tag8, &BufferAs<RRE_DMS_TAG_BUFFER>(reply.data)->tag, sizeof(CAPI_DMS_TAG));
    return 0;
}

int delete_part(int32_t id, const uint8_t* serial32) {
    const CommandFrame frame{L"delete_part", RRE_DELETE_PART, sizeof(RRE_OBJECT_BUFFER), false, false, false};
    return RunCommandCode(
        frame,
        [&](uint8_t* data) {
            auto* request = BufferAs<RRE_OBJECT_BUFFER>(data);
            request->controllerId = BigEndian(id);
            std::memcpy(request->serialNumber, serial32, sizeof request->serialNumber);
        },
        sizeof(RRE_HEAD));
}

int set_discovery_flag(uint8_t flag) {
    const CommandFrame frame{nullptr, RRE_SET_DISCOVERY_FLAG, sizeof(RRE_DISCOVERY_FLAG_BUFFER), false, false,
                             false};
    return RunCommandCode(
        frame, [&](uint8_t* data) { BufferAs<RRE_DISCOVERY_FLAG_BUFFER>(data)->flag = flag; },
        sizeof(RRE_HEAD));
}

int get_master_volume_list(int32_t id, uint8_t selectorA, uint8_t selectorB, const uint8_t* serial32,
                           uint32_t* count, CAPI_MASTER_VOLUME* list) {
    return GetVolumeList<RRE_MASTER_VOLUME_LIST_BUFFER>(RRE_GET_MASTER_VOLUME_LIST, id, selectorA, selectorB,
                                                        serial32, kMaxMasterVolumes, count, list, false);
}

int get_snapshot_list(int32_t id, uint8_t selectorA, uint8_t selectorB, const uint8_t* serial32,
                      uint32_t* count, CAPI_SNAPSHOT* list) {
    return GetVolumeList<RRE_SNAPSHOT_LIST_BUFFER>(RRE_GET_SNAPSHOT_LIST, id, selectorA, selectorB, serial32,
                                                   kMaxSnapshots, count, list, true);
}

int get_backing_store_list(int32_t id, uint8_t selector, uint32_t* count, CAPI_BACKING_STORE* list) {
    const CommandFrame frame{
        nullptr, RRE_GET_BACKING_STORE_LIST, sizeof(RRE_BACKING_STORE_LIST_BUFFER), false, true, true};
    return GetSelectedList<RRE_BACKING_STORE_LIST_BUFFER>(frame, "get_backing_store_list", id, selector,
                                                          kMaxBackingStores, count, list);
}

int rolloff_volume(int32_t id, const uint8_t* request, uint8_t* result16) {
    constexpr uint32_t kResultEnd = sizeof(RRE_ROLLOFF_BUFFER);
    const CommandFrame frame{
        L"rolloff_volume", RRE_ROLLOFF_VOLUME, sizeof(RRE_ROLLOFF_BUFFER), true, true, true};
    const CommandReply reply = RunCommand(
        frame,
        [&](uint8_t* data) {
            auto* buffer = BufferAs<RRE_ROLLOFF_BUFFER>(data);
            buffer->controllerId = static_cast<uint32_t>(id);
            std::memcpy(&buffer->params, request, kRolloffRequestBytes);
        },
        kResultEnd);
    if (reply.data != nullptr && reply.length >= kResultEnd) {
        std::memcpy(result16, BufferAs<RRE_ROLLOFF_BUFFER>(reply.data)->rolloffSerial,
                    RRE_ROLLOFF_SERIAL_SIZE);
    }
    return reply.code;
}

int get_rolloff_volume_list(int32_t id, uint8_t selector, uint32_t* count, CAPI_ROLLOFF_VOLUME* list) {
    const CommandFrame frame{L"get_rolloff_volume_list",
                             RRE_GET_ROLLOFF_VOLUME_LIST,
                             sizeof(RRE_ROLLOFF_LIST_BUFFER),
                             true,
                             true,
                             true};
    return GetSelectedList<RRE_ROLLOFF_LIST_BUFFER>(frame, "get_rolloff_volume_list", id, selector,
                                                    kMaxRolloffVolumes, count, list);
}

int get_connect_wwpn_list(int32_t id, std::vector<PortName>* list) {
    constexpr uint32_t kNamesOffset =
        offsetof(RRE_WWPN_LIST_BUFFER, ports) + offsetof(RRE_PORT_NAME_LIST, names);
    const CommandFrame frame{L"get_connect_wwpn_list",
                             RRE_GET_CONNECT_HBA_WWPN_LIST,
                             sizeof(RRE_WWPN_LIST_BUFFER),
                             true,
                             true,
                             true};
    const CommandReply reply = RunCommand(
        frame,
        [&](uint8_t* data) {
            BufferAs<RRE_WWPN_LIST_BUFFER>(data)->controllerId = static_cast<uint32_t>(id);
        },
        kNamesOffset);
    if (reply.code != 0) return reply.code;
    const RRE_PORT_NAME_LIST& ports = BufferAs<RRE_WWPN_LIST_BUFFER>(reply.data)->ports;
    const uint32_t n = ports.count;
    if (!CountFits("get_connect_wwpn_list", n, kMaxPortNames, kNamesOffset, RRE_PORT_NAME_SIZE, reply.length))
        return -1;
    for (uint32_t i = 0; i < n; ++i) {
        PortName name;
        std::memcpy(name.data(), ports.names + i * RRE_PORT_NAME_SIZE, RRE_PORT_NAME_SIZE);
        list->push_back(name);
    }
    return 0;
}

int add_array_part(int32_t id, const CAPI_ARRAY_PARTITION_PARAMS* params, CAPI_ARRAY_PARTITION* partition) {
    const CommandFrame frame{
        L"add_array_part",          RRE_ADD_ARRAY_PART, sizeof(RRE_ADD_ARRAY_PART_BUFFER), true, true, true,
        L"Corlink::add_array_part", L"ADD_ARRAY_PART"};
    const CommandReply reply = RunCommand(
        frame,
        [&](uint8_t* data) {
            auto* request = BufferAs<RRE_ADD_ARRAY_PART_BUFFER>(data);
            request->controllerId = static_cast<uint32_t>(id);
            request->lun = static_cast<uint32_t>(params->lun);
            request->size = params->size;
            request->specialClass = params->specialClass;
            request->specialType = params->specialType;
            request->isPaged = params->isPaged;
            std::memcpy(request->arraySerialNumber, params->arraySerialNumber,
                        sizeof params->arraySerialNumber);
            std::memcpy(request->partitionParameter, params->reserved136, sizeof params->reserved136);
            std::memcpy(request->name, params->name, sizeof params->name);
        },
        sizeof(RRE_ADD_ARRAY_PART_BUFFER));
    if (reply.code != 0) return reply.code;
    std::memcpy(partition, &BufferAs<RRE_ADD_ARRAY_PART_BUFFER>(reply.data)->partition, sizeof *partition);
    return 0;
}

int convert_master_volume(int32_t id, uint8_t selector, const uint8_t* serial32,
                          const uint8_t* partitionId16) {
    const CommandFrame frame{
        nullptr, RRE_CONVERT_MASTER_VOLUME, sizeof(RRE_CONVERT_MASTER_VOLUME_BUFFER), true, true, true};
    return RunCommandCode(
        frame,
        [&](uint8_t* data) {
            auto* request = BufferAs<RRE_CONVERT_MASTER_VOLUME_BUFFER>(data);
            request->controllerId = static_cast<uint32_t>(id);
            std::memcpy(request->params.partitionSerialNumber, serial32,
                        sizeof request->params.partitionSerialNumber);
            request->params.isPaged = selector;
            std::memcpy(request->params.reserved136, partitionId16, sizeof request->params.reserved136);
        },
        sizeof(RRE_HEAD));
}

int set_dms_policy(int32_t id, const CAPI_DMS_POLICY* policy) {
    const CommandFrame frame{
        L"set_dms_policy", RRE_SET_DMS_POLICY, sizeof(RRE_SET_DMS_POLICY_BUFFER), true, true, true};
    return RunCommandCode(
        frame,
        [&](uint8_t* data) {
            auto* request = BufferAs<RRE_SET_DMS_POLICY_BUFFER>(data);
            request->controllerId = static_cast<uint32_t>(id);
            request->policy = *policy;
        },
        sizeof(RRE_HEAD));
}

int rollback_master_volume(int32_t id, const uint8_t* request) {
    const CommandFrame frame{nullptr, RRE_ROLLBACK_MASTER_VOLUME, sizeof(RRE_ROLLBACK_BUFFER), false, true,
                             false};
    return RunCommandCode(
        frame,
        [&](uint8_t* data) {
            auto* buffer = BufferAs<RRE_ROLLBACK_BUFFER>(data);
            buffer->controllerId = static_cast<uint32_t>(id);
            std::memcpy(&buffer->params, request, kRollbackRequestBytes);
        },
        sizeof(RRE_HEAD));
}

// The description runs on past the parameters' description field, up to the end of the buffer.
int change_identinfo(int32_t id, const uint8_t* partitionId16, const char* description) {
    const CommandFrame frame{L"change_identinfo",
                             RRE_CHANGE_PARTITION_DESCRIPTION,
                             sizeof(RRE_DESCRIPTION_BUFFER),
                             true,
                             true,
                             false,
                             L"change_identinfo",
                             L"CHANGE_PART_DESC"};
    const size_t length = description != nullptr ? strnlen(description, kDescriptionMaxBytes) : 0;
    static_assert(offsetof(RRE_DESCRIPTION_BUFFER, params) +
                      offsetof(CAPI_ARRAY_PARTITION_PARAMS, description) + kDescriptionMaxBytes <=
                  sizeof(RRE_DESCRIPTION_BUFFER));
    const int code = RunCommandCode(
        frame,
        [&](uint8_t* data) {
            auto* request = BufferAs<RRE_DESCRIPTION_BUFFER>(data);
            request->controllerId = static_cast<uint32_t>(id);
            std::memcpy(request->params.partitionSerialNumber, partitionId16, kPartitionIdBytes);
            request->params.descriptionLength = static_cast<uint16_t>(length);
            auto* params = reinterpret_cast<uint8_t*>(&request->params);
            if (length > 0)
                std::memcpy(params + offsetof(CAPI_ARRAY_PARTITION_PARAMS, description), description, length);
        },
        sizeof(RRE_HEAD));
    return code == 0 ? 0 : -1;
}
