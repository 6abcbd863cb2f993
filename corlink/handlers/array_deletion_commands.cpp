#include "corlink/handlers/array_deletion_commands.h"

#include <array>
#include <cstring>
#include <vector>

#include "corlink/capi/wrappers_unified.h"
#include "corlink/database/array_lookup.h"
#include "corlink/database/array_partitions.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/controller_refresh.h"
#include "corlink/foundation/assertion.h"
#include "corlink/foundation/log.h"
#include "corlink/handlers/array_deletion.h"
#include "corlink/proxy_wire/buffers_arrays.h"

namespace {

using rre_wire::BufferAs;

// An array utility of this kind has made partitions that go before the utility is aborted.
constexpr uint8_t kUtilityWithPartitions = 2;

using Serial = std::array<uint8_t, kObjectSerialSize>;

int32_t RunDeletePart(CommandContext& c) {
    const int32_t code = deleteOnePartition(c.index, BufferAs<RRE_OBJECT_BUFFER>(c.buffer)->serialNumber);
    UpdateController(c.index);
    return code;
}

int32_t RunDeleteArray(CommandContext& c) {
    const int32_t code = deleteOneArray(c.index, BufferAs<RRE_FREE_CACHE_BUFFER>(c.buffer)->serialNumber);
    DebugPrint("capicmd==>>CAPI_U_DeleteArray %d!\n", code);
    UpdateController(c.index);
    return code;
}

// The serials of the array's stored partitions (copies: each deletion reads the partitions again).
std::vector<Serial> PartitionSerials(int32_t index, int32_t a) {
    std::vector<Serial> serials;
    const CAPI_ARRAY& array = g_ControllerDb[static_cast<uint32_t>(index)].arrays[a];
    for (uint32_t j = 0; j < array.largeNumArrayPartitions; ++j) {
        const CAPI_ARRAY_PARTITION* record =
            gCapiArrayPartitions.Find(static_cast<uint32_t>(index), static_cast<uint32_t>(a), j);
        OS_ASSERT_TEXT(record != nullptr, "gCapiArrayPartitions[controller][array][j]");
        if (record == nullptr) continue;
        Serial serial;
        std::memcpy(serial.data(), record->serialNumber, serial.size());
        serials.push_back(serial);
    }
    return serials;
}

int32_t RunAbortUtility(CommandContext& c) {
    const uint8_t* serial = BufferAs<RRE_SERIAL_BUFFER>(c.buffer)->serialNumber;
    const int32_t a = FindArrayByWholeSerial(c.index, serial);
    if (a >= 0) {
        UpdateArrayPartition(c.index, a);
        const uint8_t utility = g_ControllerDb[static_cast<uint32_t>(c.index)].arrays[a].utilityRunning;
        DebugPrint("capicmd==>>capiAbortUtility array=%d utilityRunning=%d!\n", a, utility);
        if (utility == kUtilityWithPartitions) {
            int32_t j = 0;
            for (const Serial& partition : PartitionSerials(c.index, a)) {
                const int32_t result = deleteOnePartition(c.index, partition.data());
                DebugPrint("capicmd==>>capiAbortUtility array=%d partition=%d deleteOnePartition=%d\n", a,
                           j++, result);
            }
        }
    }
    return CAPI_U_AbortUtility(ControllerHandleOf(c.index), serial);
}

}  // namespace

const FramedCommand kDeletePart{Lookup::ClientId, FirstRead::Refresh, true, nullptr, RunDeletePart, false,
                                nullptr};
const FramedCommand kDeleteArray{Lookup::ClientId, FirstRead::Update, true, nullptr, RunDeleteArray, false,
                                 nullptr};
const FramedCommand kAbortUtility{
    Lookup::RealController, FirstRead::Refresh, false, nullptr, RunAbortUtility, true, nullptr};
