#include "corlink/handlers/controller_data_command.h"

#include <algorithm>
#include <cstring>

#include "corlink/database/array_partitions.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/controller_refresh.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/nt_os.h"
#include "corlink/handlers/authentication.h"
#include "corlink/handlers/controller_reresolve.h"
#include "corlink/handlers/handler_frame.h"
#include "corlink/proxy_wire/api_raid_controller.h"
#include "corlink/proxy_wire/buffers_controller.h"

namespace {

constexpr uint32_t kReplyLength = sizeof(API_RAID_CONTROLLER);

void FillFromEntry(API_RAID_CONTROLLER& reply, const RAID_CONTROLLER& entry) {
    reply.updateStatus = entry.updateStatus;
    reply.everUpdated = entry.everUpdated;
    std::memcpy(&reply.controller, &entry.controller, sizeof reply.controller);
    std::memcpy(&reply.networkInterface, &entry.networkInterface, sizeof reply.networkInterface);
    const uint32_t enclosures = std::min(entry.enclosureCount, RAID_CONTROLLER_MAX_ENCLOSURES);
    reply.enclosureCount = enclosures;
    std::memcpy(reply.enclosures, entry.enclosures, enclosures * sizeof(CAPI_DRIVE_ENCLOSURE));
    reply.basicChange = entry.basicChange;
    reply.channelChange = entry.channelChange;
    reply.networkChange = entry.networkChange;
    reply.shutdown = entry.shutdown;
    reply.lastLoggedSequenceNumber = entry.lastLoggedSequenceNumber;
    reply.lastReceivedSequenceNumber = entry.lastReceivedSequenceNumber;
    reply.driveListEverUpdated = entry.driveListEverUpdated;
    reply.arrayListEverUpdated = entry.arrayListEverUpdated;
    reply.driveListSequenceNumber = entry.driveListSequenceNumber;
    reply.arrayListSequenceNumber = entry.arrayListSequenceNumber;
    // The counts never name more records than the reply holds.
    const uint32_t drives = entry.controller.raid.numDrives;
    reply.numDrives = std::min(drives, RAID_CONTROLLER_MAX_DRIVES);
    std::memcpy(reply.drives, entry.drives, sizeof reply.drives);
    const uint32_t arrays = entry.controller.raid.numArrays;
    reply.numArrays = std::min(arrays, RAID_CONTROLLER_MAX_ARRAYS);
    std::memcpy(reply.arrays, entry.arrays, sizeof reply.arrays);
    std::memcpy(reply.UniqueSN, entry.UniqueSN, sizeof reply.UniqueSN);
    reply.changeRefused = entry.changeRefused;
    reply.numPools = std::min(entry.numPools, RAID_CONTROLLER_MAX_POOLS);
    reply.numComponents = std::min(entry.numComponents, API_RAID_CONTROLLER_COMPONENTS);
    std::memcpy(reply.poolFirstComponent, entry.poolFirstComponent, sizeof reply.poolFirstComponent);
    std::memcpy(reply.pools, entry.pools, sizeof reply.pools);
    std::memcpy(reply.components, entry.components, sizeof reply.components);
}

void LogPartition(int32_t index, uint32_t array, uint32_t partition, const CAPI_ARRAY_PARTITION& record) {
    const uint8_t* s = record.serialNumber;
    const uint8_t* a = record.arraySerialNumber;
    DebugPrint(
        "capiGetController(): ctlr %d array %d part %d sn "
        "%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X arraysn "
        "%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X (%.20s)\n",
        index, array, partition, s[0], s[1], s[2], s[3], s[4], s[5], s[6], s[7], s[8], s[9], s[10], s[11],
        s[12], s[13], s[14], s[15], a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8], a[9], a[10], a[11],
        a[12], a[13], a[14], a[15], record.name);
}

// Reads each array's partitions and writes the stored ones into the reply; returns the entries written.
// Stops early when a rediscovery inside a read moved the controller to another entry.
uint32_t FillPartitions(API_RAID_CONTROLLER& reply, int32_t index) {
    const ControllerIdentity identity = IdentityOf(index, false);
    const RAID_CONTROLLER& entry = g_ControllerDb[static_cast<uint32_t>(index)];
    const uint32_t arrays = reply.numArrays;
    uint32_t count = 0;
    for (uint32_t i = 0; i < arrays && count < API_RAID_CONTROLLER_PARTITIONS; ++i) {
        UpdateArrayPartition(index, static_cast<int32_t>(i));
        if (FindControllerAgain(identity) != index) break;
        const uint32_t partitions = entry.arrays[i].largeNumArrayPartitions;
        for (uint32_t p = 0; p < partitions && count < API_RAID_CONTROLLER_PARTITIONS; ++p) {
            API_PARTITION_ENTRY& slot = reply.partitions[count];
            slot.arrayIndex = static_cast<uint8_t>(i);
            slot.partitionIndex = static_cast<uint16_t>(p);
            const CAPI_ARRAY_PARTITION* record =
                gCapiArrayPartitions.Find(static_cast<uint32_t>(index), i, p);
            if (record == nullptr) {
                DebugPrint("ERROR: capiGetController(): no partition data for ctlr %d array %d part %d\n",
                           index, i, p);
                continue;
            }
            LogPartition(index, i, p, *record);
            std::memcpy(&slot.partition, record, sizeof slot.partition);
            ++count;
        }
    }
    // A slot that was labelled but got no record is cleared again.
    if (count < API_RAID_CONTROLLER_PARTITIONS) {
        std::memset(static_cast<void*>(&reply.partitions[count]), 0, sizeof(API_PARTITION_ENTRY));
    }
    return count;
}

}  // namespace

void capiGetController(Rre* pRre, const RreCommandInfo& info) {
    if (!RreFrameBegin(pRre, info)) return;
    const uint32_t id = os_ntohl(rre_wire::BufferAs<RRE_CONTROLLER_ID_REQUEST>(pRre->Buffer)->controllerId);
    DebugPrint("sizeof API_RAID_CONTROLLER = %d = 0x%x, buffer = %lx (size %lu)\n", kReplyLength,
               kReplyLength, static_cast<unsigned long>(reinterpret_cast<uintptr_t>(pRre->Buffer)),
               static_cast<unsigned long>(pRre->BufferSize));
    std::memset(pRre->Buffer, 0, kReplyLength);
    int32_t index = FindControllerByClientId(id);
    if (index < 0 || (pRre->Trusted == 0 && IsControllerAuthorized(index) == 0)) {
        RreErrorReply(pRre, RRE_ERROR_NO_CONTROLLER);
        return;
    }
    const ControllerIdentity identity = IdentityOf(index, false);
    DebugPrint("before calling UpdateController\n");
    UpdateController(index);
    DebugPrint("after calling UpdateController\n");
    // A rediscovery inside the read may have moved the entry.
    index = FindControllerAgain(identity);
    if (index < 0) {
        RreErrorReply(pRre, RRE_ERROR_NO_CONTROLLER);
        return;
    }
    auto& reply = *reinterpret_cast<API_RAID_CONTROLLER*>(pRre->Buffer);
    reply.controllerId = id;
    FillFromEntry(reply, g_ControllerDb[static_cast<uint32_t>(index)]);
    const uint32_t partitionCount = FillPartitions(reply, index);
    reply.partitionCount = partitionCount;
    reply.status = 0;
    reply.code = 0;
    pRre->ReplyLength = static_cast<int32_t>(kReplyLength);
    const uint32_t pools = reply.numPools;
    const uint32_t components = reply.numComponents;
    DebugPrint("controller %d UniqueSN %.*s pools=%d comps=%d partitionCount=%d\n", index,
               static_cast<int>(sizeof reply.UniqueSN), reply.UniqueSN, pools, components, partitionCount);
    DebugPrint("capicmd==>>capiGetController success\n");
}
