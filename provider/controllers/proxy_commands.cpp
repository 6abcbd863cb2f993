#include "provider/controllers/proxy_commands.h"

#include <cstring>

#include "corlink/proxy_wire/controller_list_wire.h"
#include "corlink/proxy_wire/proxy_commands.h"
#include "corlink/proxy_protocol/proxy_header.h"
#include "provider/controllers/command_frame.h"
#include "provider/controllers/debug_log.h"

namespace {

constexpr uint32_t kIdOffset = 8;

void PutU32(uint8_t* data, size_t offset, uint32_t value) { std::memcpy(data + offset, &value, sizeof value); }
uint32_t GetU32(const uint8_t* data, size_t offset) {
    uint32_t value;
    std::memcpy(&value, data + offset, sizeof value);
    return value;
}
void PutId(uint8_t* data, int32_t id) { PutU32(data, kIdOffset, static_cast<uint32_t>(id)); }
void PutIdBigEndian(uint8_t* data, int32_t id) { WriteBigEndian32(data + kIdOffset, static_cast<uint32_t>(id)); }

// A NUL-terminated text into a field of `size` bytes: at most size - 1 characters and a terminator.
void PutText(uint8_t* data, size_t offset, const char* text, size_t size) {
    std::memset(data + offset, 0, size);
    if (text != nullptr) std::memcpy(data + offset, text, strnlen(text, size - 1));
}

// The host port as GET_HOST_VIEW and CREATE_CUSTOM_VIEW carry it: kind, then an FC WWPN or an iSCSI name.
void PutPort(uint8_t* data, const FlexIDEntry* port, size_t kindOffset, size_t wwpnOffset, size_t nameOffset) {
    if (port == nullptr) return;
    data[kindOffset] = port->mKind;
    if (port->mKind == kFlexKindIscsi) {
        PutText(data, nameOffset, port->mIscsiName, kIscsiNameChars);
    } else {
        std::memcpy(data + wwpnOffset, port->mWwpn, sizeof port->mWwpn);
    }
}

// A counted list of the reply: false when the count exceeds its table or the bytes the reply holds.
bool CountFits(const char* what, uint32_t count, uint32_t maximum, uint32_t listOffset, uint32_t entrySize,
               uint32_t replyLength) {
    if (count <= maximum && listOffset + static_cast<uint64_t>(count) * entrySize <= replyLength) return true;
    BVSS_DebugPrint(L"%S: count %u refused (at most %u, reply of %u bytes)\n", what, count, maximum, replyLength);
    return false;
}

// GET_MASTER_VOLUME_LIST and GET_SNAPSHOT_LIST share their request and reply layout.
template <class Entry>
int GetVolumeList(uint32_t code, uint32_t length, int32_t id, uint8_t selectorA, uint8_t selectorB,
                  const uint8_t* serial32, uint32_t maximum, uint32_t* count, Entry* list, bool clearCount) {
    constexpr uint32_t kCountOffset = 48;
    constexpr uint32_t kListOffset = 56;
    const CommandFrame frame{nullptr, code, length, false, true, true};
    const CommandReply reply = RunCommand(frame, [&](uint8_t* data) {
        PutId(data, id);
        data[12] = selectorB;
        data[13] = selectorA;
        if (clearCount) {
            data[14] = 0;
            data[15] = 0;
            PutU32(data, kCountOffset, 0);
        }
        if (serial32 != nullptr) {
            std::memcpy(data + 16, serial32, 32);
        } else {
            std::memset(data + 16, 0, 32);
        }
    }, kListOffset);
    if (reply.code != 0) return reply.code;
    const uint32_t n = GetU32(reply.data, kCountOffset);
    if (!CountFits(code == RRE_GET_SNAPSHOT_LIST ? "get_snapshot_list" : "get_master_volume_list", n, maximum,
                   kListOffset, sizeof(Entry), reply.length))
        return -1;
    *count = n;
    std::memcpy(list, reply.data + kListOffset, static_cast<size_t>(n) * sizeof(Entry));
    return 0;
}

// GET_BACKING_STORE_LIST and GET_ROLLOFF_VOLUME_LIST: a selector byte in, a count and a list of `maximum`
// entries out, copied whole.
template <class Entry>
int GetSelectedList(const CommandFrame& frame, const char* what, int32_t id, uint8_t selector, uint32_t countOffset,
                    uint32_t listOffset, uint32_t maximum, uint32_t* count, Entry* list) {
    const CommandReply reply = RunCommand(frame, [&](uint8_t* data) {
        PutId(data, id);
        data[12] = selector;
    }, listOffset + maximum * static_cast<uint32_t>(sizeof(Entry)));
    if (reply.code != 0) return reply.code;
    const uint32_t n = GetU32(reply.data, countOffset);
    if (!CountFits(what, n, maximum, listOffset, sizeof(Entry), reply.length)) return -1;
    *count = n;
    std::memcpy(list, reply.data + listOffset, maximum * sizeof(Entry));
    return 0;
}

}  // namespace

int get_subsystems(std::vector<ProxySubsystem>* list) {
    const CommandFrame frame{L"get_subsystems", RRE_GET_CONTROLLERHANDLEDB, 40, true, false, false};
    const CommandReply reply =
        RunCommand(frame, [](uint8_t* data) { data[RRE_HANDLE_DB_REDISCOVER_OFFSET] = 1; }, RRE_HANDLE_DB_RECORD_OFFSET);
    if (reply.code != 0) return reply.code;
    const uint32_t count = ReadBigEndian32(reply.data + RRE_HANDLE_DB_COUNT_OFFSET);
    if (!CountFits("get_subsystems", count, kMaxSubsystems, RRE_HANDLE_DB_RECORD_OFFSET, RRE_HANDLE_DB_RECORD_SIZE,
                   reply.length))
        return -1;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* record = reply.data + RRE_HANDLE_DB_RECORD_OFFSET + i * RRE_HANDLE_DB_RECORD_SIZE;
        ProxySubsystem entry;
        std::memcpy(entry.uniqueSN, record, sizeof entry.uniqueSN);
        entry.controllerA = ReadBigEndian32(record + RRE_HANDLE_DB_ID_A_OFFSET);
        entry.controllerB = ReadBigEndian32(record + RRE_HANDLE_DB_ID_B_OFFSET);
        list->push_back(entry);
    }
    return 0;
}

int get_controller_data(int32_t id, API_RAID_CONTROLLER* record) {
    const CommandFrame frame{L"get_controller_data", RRE_GET_CONTROLLER, 4, false, false, false};
    const CommandReply reply = RunCommand(frame, [&](uint8_t* data) { WriteBigEndian32(data, static_cast<uint32_t>(id)); },
                                          sizeof(API_RAID_CONTROLLER));
    if (reply.code != 0) return reply.code;
    const auto* controller = reinterpret_cast<const API_RAID_CONTROLLER*>(reply.data);
    if (controller->numDrives > RAID_CONTROLLER_MAX_DRIVES || controller->numArrays > RAID_CONTROLLER_MAX_ARRAYS ||
        controller->partitionCount > API_RAID_CONTROLLER_PARTITIONS || controller->numPools > RAID_CONTROLLER_MAX_POOLS ||
        controller->numComponents > API_RAID_CONTROLLER_COMPONENTS) {
        BVSS_DebugPrint(L"get_controller_data: counts refused (drives %u, arrays %u, partitions %u, pools %u, "
                        L"components %u)\n",
                        controller->numDrives, controller->numArrays, controller->partitionCount, controller->numPools,
                        controller->numComponents);
        return -1;
    }
    std::memcpy(record, reply.data, sizeof *record);
    // Records that describe no drive (driveIndex 0xFF) are removed; the others keep their order.
    constexpr size_t kDriveIndexOffset = 197;
    uint32_t kept = 0;
    for (uint32_t i = 0; i < record->numDrives; ++i) {
        const auto* drive = reinterpret_cast<const uint8_t*>(&record->drives[i]);
        if (drive[kDriveIndexOffset] == 0xFF) continue;
        if (kept != i) std::memcpy(&record->drives[kept], &record->drives[i], sizeof record->drives[i]);
        ++kept;
    }
    record->numDrives = kept;
    return 0;
}

int get_part_view(int32_t id, const uint8_t* serial32, CAPI_PARTITION_VIEW_TABLE* view) {
    constexpr uint32_t kViewOffset = 48;
    const CommandFrame frame{L"get_part_view", RRE_GET_PARTITION_VIEW, 37456, true, true, true};
    const CommandReply reply = RunCommand(frame, [&](uint8_t* data) {
        PutId(data, id);
        std::memcpy(data + 16, serial32, 32);
    }, kViewOffset + sizeof *view);
    if (reply.code != 0) return reply.code;
    std::memcpy(view, reply.data + kViewOffset, sizeof *view);
    return 0;
}

int create_custom_view(int32_t id, const uint8_t* serial32, uint32_t lun, uint8_t access, const FlexIDEntry* port,
                       const uint8_t* channelMask) {
    constexpr int kChannels = 8;
    uint8_t selectors[kChannels];
    uint8_t accesses[kChannels];
    for (int n = 0; n < kChannels; ++n) {
        selectors[n] = channelMask == nullptr || channelMask[4 + n] != 0 ? 1 : 0;
        accesses[n] = selectors[n] != 0 ? access : 0;
    }
    if (port != nullptr && port->mKind == kFlexKindIscsi)
        BVSS_DebugPrint(L"create_custom_view(): Map to Host: %.224S Lun = %d (&mask=%lx).\n", port->mIscsiName, lun,
                        static_cast<unsigned>(reinterpret_cast<uintptr_t>(channelMask)));
    for (int n = 0; n < kChannels; ++n)
        BVSS_DebugPrint(L"    Ch %d: Chs 0x%x flags 0x%x\n", n, selectors[n], accesses[n]);
    const CommandFrame frame{L"create_custom_view", RRE_CREATE_CUSTOM_VIEW, 42508, true, true, true};
    return RunCommand(frame, [&](uint8_t* data) {
        PutU32(data, 8, 1);
        PutU32(data, 12, static_cast<uint32_t>(id));
        std::memcpy(data + 16, selectors, kChannels);
        PutU32(data, 24, 0);
        std::memcpy(data + 28, serial32, 32);
        PutPort(data, port, 60, 80, 120);
        PutU32(data, 88, lun);
        const uint16_t lun16 = static_cast<uint16_t>(lun);
        std::memcpy(data + 108, &lun16, sizeof lun16);
        std::memcpy(data + 112, accesses, kChannels);
    }, 8).code;
}

int get_host_view(int32_t id, uint8_t selector, const FlexIDEntry* port, uint32_t index, CAPI_HOST_VIEW_TABLE* view) {
    constexpr uint32_t kViewOffset = 296;
    const CommandFrame frame{nullptr, RRE_GET_HOST_VIEW, 64824, true, true, true};
    const CommandReply reply = RunCommand(frame, [&](uint8_t* data) {
        PutId(data, id);
        data[12] = selector;
        PutU32(data, 20, index);
        PutPort(data, port, 24, 44, 72);
    }, kViewOffset + sizeof *view);
    if (reply.code != 0) return reply.code;
    std::memcpy(view, reply.data + kViewOffset, sizeof *view);
    return 0;
}

int create_snapshot(int32_t id, const uint8_t* requests, uint8_t* results) {
    constexpr uint32_t kResultsOffset = 876;
    const CommandFrame frame{L"create_snapshot", RRE_CREATE_SNAPSHOT, 1140, false, true, true};
    const CommandReply reply = RunCommand(frame, [&](uint8_t* data) {
        PutId(data, id);
        std::memcpy(data + 12, requests, kSnapshotRequestBytes);
    }, kResultsOffset + kSnapshotResultBytes);
    if (reply.code != 0) return reply.code;
    std::memcpy(results, reply.data + kResultsOffset, kSnapshotResultBytes);
    return 0;
}

int commit_snapshot(int32_t id, const uint8_t* request) {
    const CommandFrame frame{nullptr, RRE_COMMIT_SNAPSHOT, 360, false, true, false};
    return RunCommand(frame, [&](uint8_t* data) {
        PutId(data, id);
        std::memcpy(data + 16, request, kCommitRequestBytes);
    }, 8).code;
}

int dms_get_tag(int32_t id, uint8_t selector, uint8_t* tag8) {
    constexpr uint32_t kTagOffset = 20;
    const CommandFrame frame{L"dms_get_tag", RRE_DMS_GET_TAG, 28, false, false, true};
    const CommandReply reply = RunCommand(frame, [&](uint8_t* data) {
        PutIdBigEndian(data, id);
        data[12] = selector;
    }, kTagOffset + 8);
    if (reply.code != 0) return reply.code;
    std::memcpy(tag8, reply.data + kTagOffset, 8);
    return 0;
}

int delete_part(int32_t id, const uint8_t* serial32) {
    const CommandFrame frame{L"delete_part", RRE_DELETE_PART, 48, false, false, false};
    return RunCommand(frame, [&](uint8_t* data) {
        PutIdBigEndian(data, id);
        std::memcpy(data + 16, serial32, 32);
    }, 8).code;
}

int set_discovery_flag(uint8_t flag) {
    const CommandFrame frame{nullptr, RRE_SET_DISCOVERY_FLAG, RRE_DISCOVERY_FLAG_LENGTH, false, false, false};
    return RunCommand(frame, [&](uint8_t* data) { data[RRE_DISCOVERY_FLAG_OFFSET] = flag; }, 8).code;
}

int get_master_volume_list(int32_t id, uint8_t selectorA, uint8_t selectorB, const uint8_t* serial32,
                           uint32_t* count, CAPI_MASTER_VOLUME* list) {
    return GetVolumeList(RRE_GET_MASTER_VOLUME_LIST, 180280, id, selectorA, selectorB, serial32, kMaxMasterVolumes,
                         count, list, false);
}

int get_snapshot_list(int32_t id, uint8_t selectorA, uint8_t selectorB, const uint8_t* serial32, uint32_t* count,
                      CAPI_SNAPSHOT* list) {
    return GetVolumeList(RRE_GET_SNAPSHOT_LIST, 90168, id, selectorA, selectorB, serial32, kMaxSnapshots, count, list,
                         true);
}

int get_backing_store_list(int32_t id, uint8_t selector, uint32_t* count, CAPI_BACKING_STORE* list) {
    const CommandFrame frame{nullptr, RRE_GET_BACKING_STORE_LIST, 10264, false, true, true};
    return GetSelectedList(frame, "get_backing_store_list", id, selector, 16, 24, kMaxBackingStores, count, list);
}

int rolloff_volume(int32_t id, const uint8_t* request, uint8_t* result16) {
    constexpr uint32_t kResultOffset = 524;
    const CommandFrame frame{L"rolloff_volume", RRE_ROLLOFF_VOLUME, 540, true, true, true};
    const CommandReply reply = RunCommand(frame, [&](uint8_t* data) {
        PutId(data, id);
        std::memcpy(data + 12, request, kRolloffRequestBytes);
    }, kResultOffset + 16);
    if (reply.data != nullptr && reply.length >= kResultOffset + 16) std::memcpy(result16, reply.data + kResultOffset, 16);
    return reply.code;
}

int get_rolloff_volume_list(int32_t id, uint8_t selector, uint32_t* count, CAPI_ROLLOFF_VOLUME* list) {
    const CommandFrame frame{L"get_rolloff_volume_list", RRE_GET_ROLLOFF_VOLUME_LIST, 262164, true, true, true};
    return GetSelectedList(frame, "get_rolloff_volume_list", id, selector, 16, 20, kMaxRolloffVolumes, count, list);
}

int get_connect_wwpn_list(int32_t id, std::vector<PortName>* list) {
    constexpr uint32_t kCountOffset = 12;
    constexpr uint32_t kListOffset = 16;
    const CommandFrame frame{L"get_connect_wwpn_list", RRE_GET_CONNECT_HBA_WWPN_LIST, 276, true, true, true};
    const CommandReply reply = RunCommand(frame, [&](uint8_t* data) { PutId(data, id); }, kListOffset);
    if (reply.code != 0) return reply.code;
    const uint32_t n = GetU32(reply.data, kCountOffset);
    if (!CountFits("get_connect_wwpn_list", n, kMaxPortNames, kListOffset, 8, reply.length)) return -1;
    for (uint32_t i = 0; i < n; ++i) {
        PortName name;
        std::memcpy(name.data(), reply.data + kListOffset + i * 8, 8);
        list->push_back(name);
    }
    return 0;
}

int add_array_part(int32_t id, const CAPI_ARRAY_PARTITION_PARAMS* params, CAPI_ARRAY_PARTITION* partition) {
    constexpr uint32_t kPartitionOffset = 160;
    const CommandFrame frame{L"add_array_part", RRE_ADD_ARRAY_PART, 728, true, true, true,
                             L"Corlink::add_array_part", L"ADD_ARRAY_PART"};
    const auto* p = reinterpret_cast<const uint8_t*>(params);
    const CommandReply reply = RunCommand(frame, [&](uint8_t* data) {
        PutId(data, id);
        std::memcpy(data + 12, p + 120, 4);   // LUN
        std::memcpy(data + 16, p + 8, 8);     // size in blocks
        data[24] = p[124];                    // specialClass
        data[25] = p[125];                    // specialType
        data[26] = p[127];                    // isPaged
        std::memcpy(data + 32, p + 49, 32);   // the array's serial number
        std::memcpy(data + 96, p + 136, 16);
        std::memcpy(data + 128, p + 16, 32);  // the name
    }, kPartitionOffset + sizeof *partition);
    if (reply.code != 0) return reply.code;
    std::memcpy(partition, reply.data + kPartitionOffset, sizeof *partition);
    return 0;
}

int convert_master_volume(int32_t id, uint8_t selector, const uint8_t* serial32, const uint8_t* partitionId16) {
    const CommandFrame frame{nullptr, RRE_CONVERT_MASTER_VOLUME, 312, true, true, true};
    return RunCommand(frame, [&](uint8_t* data) {
        PutId(data, id);
        std::memcpy(data + 97, serial32, 32);
        data[143] = selector;
        std::memcpy(data + 152, partitionId16, 16);
    }, 8).code;
}

int set_dms_policy(int32_t id, const CAPI_DMS_POLICY* policy) {
    const CommandFrame frame{L"set_dms_policy", RRE_SET_DMS_POLICY, 76, true, true, true};
    return RunCommand(frame, [&](uint8_t* data) {
        PutId(data, id);
        std::memcpy(data + 12, policy, sizeof *policy);
    }, 8).code;
}

int rollback_master_volume(int32_t id, const uint8_t* request) {
    const CommandFrame frame{nullptr, RRE_ROLLBACK_MASTER_VOLUME, 112, false, true, false};
    return RunCommand(frame, [&](uint8_t* data) {
        PutId(data, id);
        std::memcpy(data + 16, request, kRollbackRequestBytes);
    }, 8).code;
}

int change_identinfo(int32_t id, const uint8_t* partitionId16, const char* description) {
    const CommandFrame frame{L"change_identinfo", RRE_CHANGE_PARTITION_DESCRIPTION, 312, true, true, false,
                             L"change_identinfo", L"CHANGE_PART_DESC"};
    const size_t length = description != nullptr ? strnlen(description, kDescriptionMaxBytes) : 0;
    const int code = RunCommand(frame, [&](uint8_t* data) {
        PutId(data, id);
        std::memcpy(data + 97, partitionId16, 16);
        const uint16_t length16 = static_cast<uint16_t>(length);
        std::memcpy(data + 130, &length16, sizeof length16);
        if (length > 0) std::memcpy(data + 168, description, length);
    }, 8).code;
    return code == 0 ? 0 : -1;
}
